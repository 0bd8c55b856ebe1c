#include "device/ReplyDecode.h"

#include "device/ReplyRules.h"

#include <cstdint>

namespace lumivex {

std::string_view fieldText(std::string_view text, std::size_t position, std::size_t count)
{
    if (position >= text.size())
        return {};
    return text.substr(position, count);
}

int integerField(std::string_view text, std::size_t position, std::size_t count)
{
    return readInteger(fieldText(text, position, count));
}

double decimalField(std::string_view text, std::size_t position, std::size_t count)
{
    return readDecimal(fieldText(text, position, count));
}

int rgbFullScale(int firmware)
{
    return firmware >= kFirmwareWideCounts ? 4095 : 255;
}

RgbiReply decodeRgbi(std::string_view reply, int firmware)
{
    const std::string_view line = lastLine(reply);
    RgbiReply rgbi;
    if (firmware >= kFirmwareWideCounts) {
        rgbi.red = integerField(line, 0, 4);
        rgbi.green = integerField(line, 5, 4);
        rgbi.blue = integerField(line, 10, 4);
        rgbi.intensity = integerField(line, 15, 5);
    } else {
        rgbi.red = integerField(line, 0, 3);
        rgbi.green = integerField(line, 4, 3);
        rgbi.blue = integerField(line, 8, 3);
        rgbi.intensity = integerField(line, 12, 5);
    }
    return rgbi;
}

HsiReply decodeHsi(std::string_view reply)
{
    const std::string_view line = lastLine(reply);
    return {decimalField(line, 0, 6), integerField(line, 7, 3), integerField(line, 11, 5)};
}

XyReply decodeXy(std::string_view reply)
{
    const std::string_view line = lastLine(reply);
    return {decimalField(line, 0, 6), decimalField(line, 7, 6)};
}

double decodeColourTemperature(std::string_view reply)
{
    return decimalField(lastLine(reply), 0, 7);
}

OffsetReply decodeOffset(std::string_view reply)
{
    const std::string_view line = lastLine(reply);
    OffsetReply offset;
    offset.value = decimalField(line, 0, 7);
    offset.text = offset.value < 0 ? fieldText(line, 0, 7) : fieldText(line, 1, 6);
    return offset;
}

double decodeDistance(std::string_view reply)
{
    return decimalField(lastLine(reply), 0, 5);
}

std::string decodeIntensityText(std::string_view reply)
{
    return std::string(fieldText(lastLine(reply), 0, 5));
}

int decodeUserTime(std::string_view reply)
{
    return integerField(lastLine(reply), 0, 5);
}

std::string decodeSerial(std::string_view reply)
{
    return std::string(fieldText(reply, reply.size() <= 15 ? 0 : 11, 4));
}

VersionReply decodeVersion(std::string_view reply)
{
    VersionReply version;
    version.text = fieldText(reply, reply.size() <= 16 ? 0 : 12, 4);
    version.firmware = readInteger(version.text);
    return version;
}

std::string decodeHardware(std::string_view reply)
{
    return std::string(fieldText(reply, 0, 9));
}

namespace {

bool holdsDigit(std::string_view text, std::size_t position, std::size_t count)
{
    for (const char c : fieldText(text, position, count)) {
        if (c >= '0' && c <= '9')
            return true;
    }
    return false;
}

struct Field {
    std::size_t position;
    std::size_t count;
};

bool allHoldDigits(std::string_view text, std::initializer_list<Field> fields)
{
    for (const Field& field : fields) {
        if (!holdsDigit(text, field.position, field.count))
            return false;
    }
    return true;
}

} // namespace

bool numberFieldsHoldDigits(Command command, std::string_view reply, int firmware)
{
    const std::string_view line = lastLine(reply);
    switch (command) {
    case Command::GetRgbi:
        return firmware >= kFirmwareWideCounts ? allHoldDigits(line, {{0, 4}, {5, 4}, {10, 4}, {15, 5}})
                                               : allHoldDigits(line, {{0, 3}, {4, 3}, {8, 3}, {12, 5}});
    case Command::GetHsi:
        return allHoldDigits(line, {{0, 6}, {7, 3}, {11, 5}});
    case Command::GetXy:
        return allHoldDigits(line, {{0, 6}, {7, 6}});
    case Command::GetCTemp:
    case Command::GetXOffset:
    case Command::GetYOffset:
        return holdsDigit(line, 0, 7);
    case Command::GetDistance:
    case Command::GetIntensity:
    case Command::GetUserTime:
        return holdsDigit(line, 0, 5);
    case Command::GetVersion:
        return holdsDigit(reply, reply.size() <= 16 ? 0 : 12, 4);
    default:
        return true;
    }
}

BoardCount decodeBoardCount(std::string_view reply)
{
    const int number = readInteger(reply);
    if (number <= 0)
        return {1, false};
    return {number > kMaxBoardCount ? kMaxBoardCount : number, true};
}

std::string testconStatusCount(std::string_view reply)
{
    if (reply.size() <= 4 || reply.starts_with(kReplyOk))
        return "1";
    return std::string(reply.substr(0, reply.size() - 4));
}

} // namespace lumivex
