#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lumivex {

// Which bytes of the device's reply are kept in the reply text.
enum class JoinRules {
    // Printable ASCII, the seven Windows-1252 letters Ä Ö Ü ß ä ö ü, and CR or LF each as CR LF.
    MainWindow,
    // The same without the letters: printable ASCII, and CR or LF each as CR LF (the measurement
    // list and the stability run).
    ListAndStability,
};

// Printable as the C library's isprint sees it in the "C" locale, whatever the user's locale.
constexpr bool isPrintableAscii(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && byte <= 0x7E;
}

// The reply to one request, joined from the chunks that the port hands back. Every other byte
// (control characters, the rest of the upper half) is dropped from the text but still counted:
// the completion rules test the raw byte count, not the text.
class ReplyText {
public:
    struct Appended {
        std::size_t characters = 0; // added to the text
        bool lineEnd = false; // the chunk held a CR or an LF
    };

    explicit ReplyText(JoinRules rules = JoinRules::MainWindow) : m_rules(rules) { }

    Appended append(std::string_view chunk);
    Appended append(const char* data, std::size_t size) { return append(std::string_view(data, size)); }
    // Ready for the next request: empty text, byte count 0.
    void reset();

    const std::string& text() const { return m_text; }
    std::size_t rawByteCount() const { return m_rawBytes; }
    JoinRules rules() const { return m_rules; }

    // The text one chunk contributes under the given rules.
    static std::string join(std::string_view chunk, JoinRules rules);
    // The same, appended to `text`; true when the chunk held a line end.
    static bool joinAppend(std::string& text, std::string_view chunk, JoinRules rules);

private:
    JoinRules m_rules;
    std::string m_text;
    std::size_t m_rawBytes = 0;
};

} // namespace lumivex
