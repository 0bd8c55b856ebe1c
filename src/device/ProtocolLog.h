#pragma once

#include "foundation/StringTable.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace lumivex {

// The device protocol's log lines (Windows-1252: the u umlaut is the byte 0xFC) and its limits.
namespace ProtocolLog {

// All of them are written at this level.
inline constexpr int kLevel = 9;

inline constexpr std::string_view kCommandSent = "Befehl %s - aufgerufen"; // request text
inline constexpr std::string_view kCommandNotSent = "Befehl %s - konnte nicht ausgef\xFC"
                                                    "hrt werden!"; // request text
inline constexpr std::string_view kReplyOk = "R\xFC"
                                             "ckmeldung OK von Befehl %d"; // command number
inline constexpr std::string_view kReply = "R\xFC"
                                           "ckmeldung %s von Befehl %d"; // reply text, command number
inline constexpr std::string_view kNoValidResponse = "No valid response from command %d"; // command number
inline constexpr std::string_view kTextTooLong = "Zu langer serieller Text";
inline constexpr std::string_view kUnknownCommand = "Unbekannter Befehl!";

// The user's messages of the protocol, from the string table.
inline constexpr StringId kTooLongMessage = StringId::SerialTextTooLong; // request over 500 characters
inline constexpr StringId kWriteFailedMessage = StringId::ErrorComWriting;
inline constexpr StringId kBoardErrorMessage = StringId::BoardReturnsError; // "ERROR" (list, stability)
inline constexpr StringId kNoReturnMessage = StringId::NoValidReturnValue; // time-out (list, stability, terminal)

// The lines, formatted.
std::string commandSent(std::string_view request);
std::string commandNotSent(std::string_view request);
std::string replyOk(int number);
std::string reply(std::string_view text, int number);
std::string noValidResponse(int number);

} // namespace ProtocolLog

// A request longer than this is refused before it reaches the port.
inline constexpr std::size_t kMaxRequestLength = 500;

constexpr bool isRequestTooLong(std::string_view request)
{
    return request.size() > kMaxRequestLength;
}

} // namespace lumivex
