#pragma once

#include "device/ReplyRules.h"
#include "device/ReplyText.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lumivex {

// Collects the reply to one request line by line as the bytes arrive and says when it is over.
//
// The byte-count rules alone cannot say that: an echo of the request, the first line of a
// two-line reply, the CR of a CR LF pair or the first burst of a line that arrives in pieces can
// each meet "more than n bytes", and the rest of the reply would then land in the next one. So
// a reply is complete only once a line that meets the rule ("OK" in it, or the byte count with
// its line end) has ended; the echo of the request is never that line.
//
// The text is the joined text of the kept lines (the echo and the lines that meet the rule), each
// followed by one CR LF, so a device that ends its lines with CR, LF or CR LF gives the same
// text. Lines that hold nothing printable (the LF of a CR LF pair, noise) are dropped, and so are
// lines that cannot belong to the reply: a late "OK" before a value, the end of a line cut by the
// request. An unsolicited "InputIO<digit>" message, which the device may send at any time, is
// never part of a reply: it is set aside for whoever watches for it. Noise bytes inside a kept
// line count toward the raw byte count, as they always did.
class ReplyCollector {
public:
    enum class State {
        Pending, // not over yet: wait for more bytes (or the time-out)
        Complete, // the rule holds and the final line has ended
        DeviceError, // the device answered "ERROR"
        Overlong, // more bytes than any reply of the device has: garbage on the line
    };

    // A reply longer than this is not a reply of this device.
    static constexpr std::size_t kMaxReplyBytes = 4096;
    static constexpr std::size_t kMaxUnsolicited = 16;

    explicit ReplyCollector(JoinRules rules = JoinRules::MainWindow) : m_rules(rules) { }

    // Starts collecting the reply to `request` (as sent, with its CR) under `rule`.
    void begin(std::string_view request, ReplyRule rule);
    // Forgets the request: what arrives now is not awaited by anyone.
    void end();
    bool awaiting() const { return m_awaiting; }

    // Takes arrived bytes. While nothing is awaited they are only split into lines, so that an
    // unsolicited message can still be seen; nothing of them joins the next reply.
    void feed(std::string_view bytes);

    State state() const;
    // The reply so far: the kept lines, each ended by CR LF.
    const std::string& text() const { return m_text; }
    // Raw bytes of the reply so far, the line still arriving included.
    std::size_t rawByteCount() const { return m_awaiting ? m_rawBytes + m_line.size() : 0; }

    // The "InputIO..." lines seen since the last call, oldest first.
    std::vector<std::string> takeUnsolicited();

    // An unsolicited input message: "InputIO" and one digit.
    static bool isInputMessage(std::string_view line);

private:
    void endLine();
    bool fitsRule(std::string_view line, std::size_t rawBytes) const;
    void keepUnsolicited(std::string line);

    JoinRules m_rules;
    bool m_awaiting = false;
    std::string m_echo; // the request without its line end, as the joiner would keep it
    ReplyRule m_rule;
    std::string m_text;
    std::size_t m_rawBytes = 0;
    std::string m_line; // raw bytes of the line now arriving
    std::string m_joined; // the kept text of the line just ended
    bool m_lineHasText = false;
    std::string m_foreignStart; // the text of a line begun before the request
    int m_finalLines = 0; // kept lines other than the echo
    bool m_error = false;
    bool m_overlong = false;
    std::vector<std::string> m_unsolicited;
};

} // namespace lumivex
