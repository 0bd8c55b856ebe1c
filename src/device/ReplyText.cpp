#include "device/ReplyText.h"

namespace lumivex {

namespace {

bool isKeptLetter(unsigned char byte)
{
    switch (byte) {
    case 196: // Ä
    case 214: // Ö
    case 220: // Ü
    case 223: // ß
    case 228: // ä
    case 246: // ö
    case 252: // ü
        return true;
    default:
        return false;
    }
}

// Appends the kept form of the chunk; true when it held a line end.
bool joinInto(std::string& text, std::string_view chunk, JoinRules rules)
{
    bool lineEnd = false;
    for (const char c : chunk) {
        if (isPrintableAscii(c)) {
            text += c;
        } else if (c == '\r' || c == '\n') {
            text += "\r\n";
            lineEnd = true;
        } else if (rules == JoinRules::MainWindow && isKeptLetter(static_cast<unsigned char>(c))) {
            text += c;
        }
    }
    return lineEnd;
}

} // namespace

ReplyText::Appended ReplyText::append(std::string_view chunk)
{
    const std::size_t before = m_text.size();
    Appended result;
    result.lineEnd = joinInto(m_text, chunk, m_rules);
    result.characters = m_text.size() - before;
    m_rawBytes += chunk.size();
    return result;
}

void ReplyText::reset()
{
    m_text.clear();
    m_rawBytes = 0;
}

bool ReplyText::joinAppend(std::string& text, std::string_view chunk, JoinRules rules)
{
    return joinInto(text, chunk, rules);
}

std::string ReplyText::join(std::string_view chunk, JoinRules rules)
{
    std::string text;
    joinInto(text, chunk, rules);
    return text;
}

} // namespace lumivex
