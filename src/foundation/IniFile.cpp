#include "foundation/IniFile.h"

#include "base/NumberText.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace lumivex {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

// The section name of a header line, or false when the line is no header.
bool sectionName(std::string_view line, std::string_view& name)
{
    line = trim(line);
    if (line.empty() || line.front() != '[')
        return false;
    line.remove_prefix(1);
    const auto close = line.find(']');
    name = trim(close == std::string_view::npos ? line : line.substr(0, close));
    return true;
}

bool isComment(std::string_view line)
{
    line = trim(line);
    return !line.empty() && (line.front() == ';' || line.front() == '#');
}

// Key and raw value of a "key=value" line.
bool splitKeyLine(std::string_view line, std::string_view& key, std::string_view& value)
{
    if (isComment(line))
        return false;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos)
        return false;
    key = trim(line.substr(0, eq));
    value = trim(line.substr(eq + 1));
    return !key.empty();
}

std::string_view unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

constexpr std::size_t npos = static_cast<std::size_t>(-1);

} // namespace

IniFile IniFile::parse(std::string_view bytes)
{
    // CR LF, LF and a lone CR all end a line, so no line's text holds a line break.
    IniFile ini;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const auto brk = bytes.find_first_of("\r\n", start);
        if (brk == std::string_view::npos) {
            ini.m_lines.push_back({std::string(bytes.substr(start)), ""});
            break;
        }
        std::size_t endingLength = 1;
        if (bytes[brk] == '\r' && brk + 1 < bytes.size() && bytes[brk + 1] == '\n')
            endingLength = 2;
        ini.m_lines.push_back(
            {std::string(bytes.substr(start, brk - start)), std::string(bytes.substr(brk, endingLength))});
        start = brk + endingLength;
    }
    return ini;
}

std::string IniFile::serialize() const
{
    std::string out;
    for (const auto& line : m_lines) {
        out += line.text;
        out += line.ending;
    }
    return out;
}

std::size_t IniFile::findSection(std::string_view section) const
{
    const auto wanted = trim(section);
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        std::string_view name;
        if (sectionName(m_lines[i].text, name) && equalsIgnoreCase(name, wanted))
            return i;
    }
    return npos;
}

std::size_t IniFile::sectionEnd(std::size_t header) const
{
    std::size_t i = header + 1;
    std::string_view name;
    while (i < m_lines.size() && !sectionName(m_lines[i].text, name))
        ++i;
    return i;
}

std::size_t IniFile::findKey(std::size_t header, std::string_view key) const
{
    const auto wanted = trim(key);
    const auto end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        std::string_view lineKey, value;
        if (splitKeyLine(m_lines[i].text, lineKey, value) && equalsIgnoreCase(lineKey, wanted))
            return i;
    }
    return npos;
}

std::string IniFile::getString(
    std::string_view section, std::string_view key, std::string_view defaultValue, std::size_t maxLength) const
{
    std::string_view result = defaultValue;
    if (const auto header = findSection(section); header != npos) {
        if (const auto line = findKey(header, key); line != npos) {
            std::string_view lineKey, value;
            splitKeyLine(m_lines[line].text, lineKey, value);
            result = unquote(value);
        }
    }
    return std::string(result.substr(0, std::min(result.size(), maxLength)));
}

std::int32_t IniFile::getInt(std::string_view section, std::string_view key, std::int32_t defaultValue) const
{
    const auto header = findSection(section);
    if (header == npos)
        return defaultValue;
    const auto line = findKey(header, key);
    if (line == npos)
        return defaultValue;
    std::string_view lineKey, value;
    splitKeyLine(m_lines[line].text, lineKey, value);
    value = unquote(value);
    if (value.empty())
        return defaultValue;
    return readInteger(value);
}

const std::string& IniFile::newLineEnding() const
{
    static const std::string crlf = "\r\n";
    for (const auto& line : m_lines)
        if (!line.ending.empty())
            return line.ending;
    return crlf;
}

void IniFile::insertLine(std::size_t index, std::string text)
{
    const std::string ending = newLineEnding();
    // A last line without a line end gets one before anything follows it.
    if (index > 0 && m_lines[index - 1].ending.empty())
        m_lines[index - 1].ending = ending;
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(index), Line {std::move(text), ending});
}

void IniFile::setString(std::string_view section, std::string_view key, std::string_view rawValue)
{
    rawValue = rawValue.substr(0, rawValue.find_first_of("\r\n"));
    // A value that reading would change (outer blanks trimmed, a pair of quotes removed) is
    // written in quotes, so that it reads back as it was.
    std::string value(rawValue);
    if (trim(rawValue) != rawValue || unquote(rawValue) != rawValue)
        value = "\"" + value + "\"";
    const auto keyName = trim(key);
    auto header = findSection(section);
    if (header == npos) {
        insertLine(m_lines.size(), "[" + std::string(trim(section)) + "]");
        header = m_lines.size() - 1;
    }
    if (const auto line = findKey(header, keyName); line != npos) {
        std::string_view oldKey, oldValue;
        splitKeyLine(m_lines[line].text, oldKey, oldValue);
        m_lines[line].text = std::string(oldKey) + "=" + std::string(value);
        return;
    }
    std::size_t insertAt = header + 1;
    const auto end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        std::string_view lineKey, lineValue;
        if (splitKeyLine(m_lines[i].text, lineKey, lineValue))
            insertAt = i + 1;
    }
    insertLine(insertAt, std::string(keyName) + "=" + std::string(value));
}

} // namespace lumivex
