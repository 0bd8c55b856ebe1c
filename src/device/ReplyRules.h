#pragma once

#include "device/DeviceRequest.h"

#include <cstddef>
#include <string_view>

namespace lumivex {

class ReplyText;

// Firmware numbers (the integer value of the "getversion" reply) that change what the device
// answers and what a test reads.
inline constexpr int kFirmwareColourTemperature = 1004; // "getctemp" from here on
inline constexpr int kFirmwareWideCounts = 1007; // 12-bit counts; offsets and distance
inline constexpr int kFirmwareInputPoll = 2002; // the unsolicited "InputIO" message

inline constexpr std::string_view kReplyOk = "OK";
inline constexpr std::string_view kReplyError = "ERROR";

constexpr bool containsOk(std::string_view text)
{
    return text.find(kReplyOk) != std::string_view::npos;
}
constexpr bool containsError(std::string_view text)
{
    return text.find(kReplyError) != std::string_view::npos;
}

// When a reply counts as complete. Read replies are recognised by the raw byte count alone, so
// a reply padded with noise completes early and one that lost bytes never does.
struct ReplyRule {
    enum class Kind {
        ContainsOk, // the text holds "OK"
        RawBytes, // at least minimumBytes raw bytes arrived
        Immediately, // any bytes at all
    };
    Kind kind = Kind::ContainsOk;
    std::size_t minimumBytes = 0;

    friend bool operator==(const ReplyRule&, const ReplyRule&) = default;
};

// The rule for a request's reply. "getrgbi" depends on the firmware: more than 17 bytes below
// 1007, more than 20 from 1007 on. Every command that only acknowledges waits for "OK".
ReplyRule replyRule(Command command, int firmware);
bool isReplyComplete(const ReplyRule& rule, std::string_view text, std::size_t rawBytes);
bool isReplyComplete(const ReplyRule& rule, const ReplyText& reply);

// Whether the command's fields are read from the reply's last line (see lastLine) rather than
// from the start of the whole reply.
bool readsLastLine(Command command);

// The reply's last line as the fields are read from it. From the end, past the trailing line
// break to the last printable character, then back to the nearest non-printable character at
// position p; if p > 0 the result is the last (length - p - 2) characters: the last line without
// its first character, with its line break. Otherwise (a single line) the text is unchanged.
// Cutting an already cut text changes nothing more.
std::string_view lastLine(std::string_view text);

} // namespace lumivex
