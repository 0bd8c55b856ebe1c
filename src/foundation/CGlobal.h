#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

namespace lumivex {

// The log writer. Each line is appended by opening, writing, flushing and closing the file, so
// the file can be read, moved or deleted while the program runs. Two writers (the serial port's
// and the main window's) share one file; their lines interleave in call order.
//
// The writer only drops everything at level 0. Whether a message of level L is wanted is the
// caller's test (IsLogging), made before it formats the message.
class CGlobal {
public:
    static constexpr std::string_view kTag = "Lumivex.log";
    static constexpr std::size_t kMaxTextLength = 249;
    static constexpr std::uintmax_t kTruncateAbove = 262144; // a file of exactly this size stays whole
    static constexpr std::uintmax_t kKeptTail = 131072;
    static constexpr std::string_view kBanner
        = "!!! This log file was automaticaly truncated for file size limitation\r\n\r\n\r\n...";
    static constexpr std::string_view kSeparatorLine
        = "----------------------------------------------------------------------------------------";

    using TimeSource = std::function<std::time_t()>;

    CGlobal();

    void SetLevel(int level) { m_level = level; }
    int Level() const { return m_level; }
    // The whole path: a cut one would name another file.
    void SetFilePath(const std::string& path);
    const std::string& FilePath() const { return m_filePath; }
    // The callers' filter: a message of this level is written only when the configured level is
    // at least as high.
    bool IsLogging(int messageLevel) const { return m_level >= messageLevel; }

    // Appends one line; silently loses it when the file cannot be opened.
    void WriteLog(int level, std::string_view text);
    // Once per run: cuts a log over 256 KiB down to the banner and its last 128 KiB (not a log
    // the user may not write), then writes the start-up block.
    void OpenLog();

    // Tests pin the clock; the program uses the real one.
    void SetTimeSource(TimeSource source) { m_timeSource = std::move(source); }

    // "Sun Sep 16 01:03:52 1973 " : asctime with its newline replaced by a blank.
    static std::string FormatTime(const std::tm& time);
    // The line as it lies on disk: "%s : %d %s  %s\n" with every line feed stored as CR LF.
    static std::string FormatLine(int level, const std::string& time, std::string_view text);

private:
    void TruncateIfTooLarge();

    int m_level = 2;
    std::string m_filePath;
    TimeSource m_timeSource;
};

} // namespace lumivex
