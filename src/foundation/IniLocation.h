#pragma once

#include <functional>
#include <optional>
#include <string>

namespace lumivex {

class Dialogs;

#ifdef _WIN32
inline constexpr char kNativeSeparator = '\\';
#else
inline constexpr char kNativeSeparator = '/';
#endif

// Where "Lumivex.ini" lives and so which folder is the program's working folder (log file and
// chart images live there).
struct IniLocation {
    std::string iniPath;
    std::string workingFolder; // without a trailing separator
};

// What the search needs to know of the machine, so that it can be tested without one.
struct IniSearchInput {
    std::string programPath; // full path of the program file
    std::optional<std::string> currentDir; // nothing when the platform cannot tell
    std::function<bool(const std::string&)> canOpenForReading;
    char separator = kNativeSeparator; // '\\' also accepts '/', as Windows does
};

// The INI file in the current directory wins, then the one beside the program; when there is
// none the current directory is used and the first save creates it there. An unknown current
// directory is reported once (string 133) and the search goes on with an empty one.
IniLocation locateIni(const IniSearchInput& input, Dialogs& dialogs);

// The machine's own answers for IniSearchInput.
IniSearchInput nativeIniSearchInput(const std::string& programPath);

bool isPathSeparator(char c, char separator = kNativeSeparator);
// The path up to and including its last separator ("" when it has none).
std::string folderWithSeparator(const std::string& path, char separator = kNativeSeparator);

} // namespace lumivex
