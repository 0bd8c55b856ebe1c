#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumivex {

// An INI file with the semantics of the Windows private-profile functions, kept as its lines so
// that a save changes only what was written: unknown sections, keys, comments, blank lines and
// odd bytes survive unchanged.
//
// Reading: section and key names match without regard to ASCII case and surrounding blanks; the
// first section of a name and the first key of a name in it win; a value is trimmed and loses
// one pair of enclosing quotes. Writing: the first matching key line is replaced in place, a new
// key goes after the last key of its section, a new section goes at the end of the file.
class IniFile {
public:
    // Strings read from the file are cut to this many bytes (a 127-byte buffer with its NUL).
    static constexpr std::size_t kMaxValueLength = 126;
    // For values that a cut would make name something else, such as paths.
    static constexpr std::size_t kWholeValue = std::string::npos;

    IniFile() = default;
    static IniFile parse(std::string_view bytes);
    std::string serialize() const;

    // The value, or `defaultValue` when the section or key is missing; cut to `maxLength`.
    std::string getString(std::string_view section, std::string_view key, std::string_view defaultValue,
        std::size_t maxLength = kMaxValueLength) const;
    // A missing or empty value gives the default; otherwise the number its leading digits form
    // (blanks and one sign allowed in front; 0 when there are no digits).
    std::int32_t getInt(std::string_view section, std::string_view key, std::int32_t defaultValue) const;
    // A line break in the value would split the line, so the value is cut at the first CR or LF;
    // a value with outer blanks or outer quotes is quoted so that it reads back unchanged.
    void setString(std::string_view section, std::string_view key, std::string_view value);

    bool empty() const { return m_lines.empty(); }

private:
    struct Line {
        std::string text;
        std::string ending; // "\r\n", "\n", "\r" or "" for a last line without one
    };

    std::size_t findSection(std::string_view section) const; // header line index or npos
    std::size_t sectionEnd(std::size_t header) const; // first line after the section
    std::size_t findKey(std::size_t header, std::string_view key) const;
    const std::string& newLineEnding() const;
    void insertLine(std::size_t index, std::string text);

    std::vector<Line> m_lines;
};

} // namespace lumivex
