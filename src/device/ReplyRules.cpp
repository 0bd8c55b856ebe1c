#include "device/ReplyRules.h"

#include "device/ReplyText.h"

namespace lumivex {

namespace {

// "more than n bytes"
constexpr ReplyRule moreThan(std::size_t n)
{
    return {ReplyRule::Kind::RawBytes, n + 1};
}

constexpr ReplyRule kOkRule {ReplyRule::Kind::ContainsOk, 0};

} // namespace

ReplyRule replyRule(Command command, int firmware)
{
    switch (command) {
    case Command::GetRgbi:
        return firmware >= kFirmwareWideCounts ? moreThan(20) : moreThan(17);
    case Command::GetHsi:
        return moreThan(14); // at least 15
    case Command::GetXy:
        return moreThan(13);
    case Command::GetCTemp:
    case Command::GetXOffset:
    case Command::GetYOffset:
    case Command::GetHw:
        return moreThan(7);
    case Command::GetDistance:
    case Command::GetUserTime:
    case Command::GetIntensity:
        return moreThan(5);
    case Command::GetSerial:
    case Command::GetVersion:
        return moreThan(4);
    case Command::Testcon:
    case Command::SetDefault:
    case Command::Capture:
    case Command::CapturePwm:
    case Command::SetCapTime:
    case Command::SetUserTime:
    case Command::SetAverage:
    case Command::SetIntGain:
    case Command::SetXOffset:
    case Command::SetYOffset:
    case Command::SetDistance:
    case Command::SetOutput:
        return kOkRule;
    }
    return kOkRule;
}

bool isReplyComplete(const ReplyRule& rule, std::string_view text, std::size_t rawBytes)
{
    switch (rule.kind) {
    case ReplyRule::Kind::ContainsOk:
        return containsOk(text);
    case ReplyRule::Kind::RawBytes:
        return rawBytes >= rule.minimumBytes;
    case ReplyRule::Kind::Immediately:
        return true;
    }
    return false;
}

bool isReplyComplete(const ReplyRule& rule, const ReplyText& reply)
{
    return isReplyComplete(rule, reply.text(), reply.rawByteCount());
}

bool readsLastLine(Command command)
{
    switch (command) {
    case Command::GetRgbi:
    case Command::GetHsi:
    case Command::GetXy:
    case Command::GetCTemp:
    case Command::GetXOffset:
    case Command::GetYOffset:
    case Command::GetDistance:
    case Command::GetIntensity:
        return true;
    default:
        return false;
    }
}

std::string_view lastLine(std::string_view text)
{
    std::size_t end = text.size();
    while (end > 0 && !isPrintableAscii(text[end - 1]))
        --end;
    if (end == 0)
        return text; // nothing printable at all

    std::size_t start = end - 1; // the last printable character
    while (start > 0 && isPrintableAscii(text[start - 1]))
        --start;
    if (start < 2)
        return text; // no break before the last line, or only at position 0
    const std::size_t p = start - 1;
    return text.substr(p + 2);
}

} // namespace lumivex
