#include "device/ProtocolLog.h"

#include "base/FormatText.h"

namespace lumivex::ProtocolLog {

namespace {

// The patterns are constants of this file, so their arguments are known to match.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif

std::string withText(std::string_view pattern, std::string_view text)
{
    return formatText(std::string(pattern).c_str(), std::string(text).c_str());
}

std::string withNumber(std::string_view pattern, int number)
{
    return formatText(std::string(pattern).c_str(), number);
}

std::string withTextAndNumber(std::string_view pattern, std::string_view text, int number)
{
    return formatText(std::string(pattern).c_str(), std::string(text).c_str(), number);
}

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

} // namespace

std::string commandSent(std::string_view request)
{
    return withText(kCommandSent, request);
}

std::string commandNotSent(std::string_view request)
{
    return withText(kCommandNotSent, request);
}

std::string replyOk(int number)
{
    return withNumber(kReplyOk, number);
}

std::string reply(std::string_view text, int number)
{
    return withTextAndNumber(kReply, text, number);
}

std::string noValidResponse(int number)
{
    return withNumber(kNoValidResponse, number);
}

} // namespace lumivex::ProtocolLog
