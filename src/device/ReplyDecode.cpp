#include "device/ReplyDecode.h"

#include "device/ReplyRules.h"

#include <charconv>
#include <climits>
#include <cstdint>
#include <system_error>

namespace lumivex {

namespace {

// isspace in the "C" locale.
bool isCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Skips leading white space and a sign; returns true for a minus sign.
bool skipBlanksAndSign(std::string_view text, std::size_t& i)
{
    while (i < text.size() && isCSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    return negative;
}

std::size_t skipDigits(std::string_view text, std::size_t i)
{
    while (i < text.size() && isDigit(text[i]))
        ++i;
    return i;
}

} // namespace

int readInteger(std::string_view text)
{
    std::size_t i = 0;
    const bool negative = skipBlanksAndSign(text, i);
    constexpr std::int64_t kLimit = std::int64_t(INT_MAX) + 1;
    std::int64_t value = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kLimit)
            value = kLimit;
    }
    if (negative)
        return static_cast<int>(-value);
    return static_cast<int>(value > INT_MAX ? INT_MAX : value);
}

double readDecimal(std::string_view text)
{
    std::size_t i = 0;
    const bool negative = skipBlanksAndSign(text, i);
    const std::size_t start = i;
    std::size_t end = skipDigits(text, i);
    std::size_t digits = end - start;
    if (end < text.size() && text[end] == '.') {
        const std::size_t fractionEnd = skipDigits(text, end + 1);
        digits += fractionEnd - (end + 1);
        end = fractionEnd;
    }
    if (digits == 0)
        return 0.0;
    // An exponent counts only when digits follow it.
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        std::size_t e = end + 1;
        if (e < text.size() && (text[e] == '+' || text[e] == '-'))
            ++e;
        const std::size_t exponentEnd = skipDigits(text, e);
        if (exponentEnd > e)
            end = exponentEnd;
    }

    double value = 0.0;
    const auto result = std::from_chars(text.data() + start, text.data() + end, value, std::chars_format::general);
    if (result.ec != std::errc())
        return 0.0;
    return negative ? -value : value;
}

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
    return integerField(reply, 0, 5);
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
