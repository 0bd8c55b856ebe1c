#include "device/ReplyCollector.h"

#include <utility>

namespace lumivex {

void ReplyCollector::begin(std::string_view request, ReplyRule rule)
{
    while (!request.empty() && (request.back() == '\r' || request.back() == '\n'))
        request.remove_suffix(1);
    m_echo.clear();
    ReplyText::joinAppend(m_echo, request, m_rules);
    m_rule = rule;
    m_awaiting = true;
    m_text.clear();
    m_rawBytes = 0;
    m_finalLines = 0;
    m_error = false;
    m_overlong = false;
    // A line begun before the request belongs to nothing awaited. Its start is kept aside only
    // so that an input message cut in two by the request is still recognised.
    m_foreignStart.clear();
    ReplyText::joinAppend(m_foreignStart, m_line, m_rules);
    m_line.clear();
    m_lineHasText = false;
}

void ReplyCollector::end()
{
    m_awaiting = false;
    m_text.clear();
    m_rawBytes = 0;
    m_finalLines = 0;
    m_error = false;
    m_overlong = false;
}

bool ReplyCollector::isInputMessage(std::string_view line)
{
    constexpr std::string_view kInput = "InputIO";
    return line.size() == kInput.size() + 1 && line.starts_with(kInput) && line.back() >= '0' && line.back() <= '9';
}

void ReplyCollector::feed(std::string_view bytes)
{
    // Byte by byte with no regard to where a chunk ends: how the port cut the bytes into pieces
    // must not change the outcome.
    for (const char c : bytes) {
        if (c == '\r' || c == '\n') {
            endLine();
            continue;
        }
        // Garbage without line ends is counted, not kept, so a flood cannot fill the memory.
        if (m_line.size() < kMaxReplyBytes) {
            m_line += c;
            m_lineHasText = m_lineHasText || isPrintableAscii(c);
        }
        if (m_awaiting && m_rawBytes + m_line.size() >= kMaxReplyBytes)
            m_overlong = true;
    }
}

void ReplyCollector::keepUnsolicited(std::string line)
{
    // Only the latest matter to whoever watches the inputs; a chattering line cannot grow this.
    if (m_unsolicited.size() >= kMaxUnsolicited)
        m_unsolicited.erase(m_unsolicited.begin());
    m_unsolicited.push_back(std::move(line));
}

bool ReplyCollector::fitsRule(std::string_view line, std::size_t rawBytes) const
{
    switch (m_rule.kind) {
    case ReplyRule::Kind::ContainsOk:
        return containsOk(line);
    case ReplyRule::Kind::RawBytes:
        // Every value line of the device meets its rule on its own, line end included.
        return rawBytes >= m_rule.minimumBytes;
    case ReplyRule::Kind::Immediately:
        break;
    }
    return true;
}

void ReplyCollector::endLine()
{
    // Joined into a buffer kept between lines: a reply is handled without allocating.
    m_joined.clear();
    ReplyText::joinAppend(m_joined, m_line, m_rules);
    const std::string& joined = m_joined;
    const std::size_t raw = m_line.size() + 1;
    m_line.clear();
    m_lineHasText = false;
    if (!m_foreignStart.empty()) {
        std::string whole = std::exchange(m_foreignStart, {}) + joined;
        if (isInputMessage(whole)) {
            keepUnsolicited(std::move(whole));
            return;
        }
    }
    if (joined.empty())
        return; // the LF of a CR LF pair, a blank line, noise alone
    if (isInputMessage(joined)) {
        keepUnsolicited(joined);
        return;
    }
    if (!m_awaiting || m_overlong)
        return; // the rest of an abandoned reply, chatter or garbage: never joined to a reply
    const bool echo = joined == m_echo;
    const bool error = !echo && containsError(joined);
    // A line that does not fit the awaited reply (a late "OK" before a value, the end of a line
    // cut by the request) would shift every field read from the reply's last line.
    if (!echo && !error && !fitsRule(joined, raw))
        return;
    m_text += joined;
    m_text += "\r\n";
    m_rawBytes += raw;
    if (m_rawBytes >= kMaxReplyBytes)
        m_overlong = true;
    if (echo)
        return; // kept: the long identity replies are read at positions that count it
    ++m_finalLines;
    m_error = m_error || error;
}

ReplyCollector::State ReplyCollector::state() const
{
    if (!m_awaiting)
        return State::Pending;
    if (m_overlong)
        return State::Overlong;
    if (m_rule.kind == ReplyRule::Kind::Immediately)
        return m_rawBytes > 0 || !m_line.empty() ? State::Complete : State::Pending;
    if (m_error)
        return State::DeviceError;
    // The final line must have ended: a reply taken at its first burst loses its rest.
    if (m_finalLines == 0 || m_lineHasText)
        return State::Pending;
    return State::Complete;
}

std::vector<std::string> ReplyCollector::takeUnsolicited()
{
    return std::exchange(m_unsolicited, {});
}

} // namespace lumivex
