#include "foundation/CGlobal.h"

#include "base/AtomicFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace lumivex {

namespace {

std::tm localTime(std::time_t t)
{
    std::tm result {};
#ifdef _WIN32
    localtime_s(&result, &t);
#else
    localtime_r(&t, &result);
#endif
    return result;
}

} // namespace

CGlobal::CGlobal() : m_timeSource([] { return std::time(nullptr); }) { }

void CGlobal::SetFilePath(const std::string& path)
{
    m_filePath = path;
}

std::string CGlobal::FormatTime(const std::tm& time)
{
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[]
        = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const int day = time.tm_wday >= 0 && time.tm_wday < 7 ? time.tm_wday : 0;
    const int month = time.tm_mon >= 0 && time.tm_mon < 12 ? time.tm_mon : 0;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3s %.3s%3d %.2d:%.2d:%.2d %d ", days[day], months[month], time.tm_mday,
        time.tm_hour, time.tm_min, time.tm_sec, 1900 + time.tm_year);
    return buffer;
}

std::string CGlobal::FormatLine(int level, const std::string& time, std::string_view text)
{
    // The text is a C string cut to 249 characters.
    text = text.substr(0, text.find('\0'));
    text = text.substr(0, std::min(text.size(), kMaxTextLength));

    std::string line;
    line.reserve(kTag.size() + time.size() + text.size() + 16);
    line += kTag;
    line += " : ";
    line += std::to_string(level);
    line += ' ';
    line += time;
    line += "  ";
    line += text;
    line += '\n';

    // Text mode on disk: every line feed, also one inside the message, is stored as CR LF.
    std::string onDisk;
    onDisk.reserve(line.size() + 4);
    for (char c : line) {
        if (c == '\n')
            onDisk += '\r';
        onDisk += c;
    }
    return onDisk;
}

void CGlobal::WriteLog(int level, std::string_view text)
{
    if (m_level == 0)
        return;
    const std::string line = FormatLine(level, FormatTime(localTime(m_timeSource())), text);
    std::FILE* file = std::fopen(m_filePath.c_str(), "ab");
    if (!file)
        return;
    std::fwrite(line.data(), 1, line.size(), file);
    std::fflush(file);
    std::fclose(file);
}

void CGlobal::OpenLog()
{
    // At level 0 the log file is neither created nor touched, not even cut.
    if (m_level == 0)
        return;
    TruncateIfTooLarge();
    if (m_level >= 0) {
        WriteLog(0, " ");
        WriteLog(0, kSeparatorLine);
        WriteLog(0, " ");
    }
}

void CGlobal::TruncateIfTooLarge()
{
    std::error_code error;
    const auto size = std::filesystem::file_size(m_filePath, error);
    if (error || size <= kTruncateAbove)
        return;

    std::ifstream in(m_filePath, std::ios::binary);
    if (!in)
        return;
    in.seekg(static_cast<std::streamoff>(size - kKeptTail));
    std::string cut(kBanner);
    cut.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad())
        return;
    in.close();
    // Replaced in one step like every file the program writes; a log the user may not write is
    // left whole, and the lines that follow are lost as they always are for such a log.
    writeFileAtomically(m_filePath, cut);
}

} // namespace lumivex
