#include "foundation/IniLocation.h"

#include "base/Dialogs.h"
#include "foundation/StringTable.h"

#include <filesystem>
#include <fstream>

namespace lumivex {

namespace {
constexpr const char* kIniName = "Lumivex.ini";
}

bool isPathSeparator(char c, char separator)
{
    return c == separator || (separator == '\\' && c == '/');
}

std::string folderWithSeparator(const std::string& path, char separator)
{
    for (std::size_t i = path.size(); i > 0; --i) {
        if (isPathSeparator(path[i - 1], separator))
            return path.substr(0, i);
    }
    return {};
}

IniLocation locateIni(const IniSearchInput& input, Dialogs& dialogs)
{
    const std::string programFolder = folderWithSeparator(input.programPath, input.separator);

    std::string current;
    if (input.currentDir) {
        current = *input.currentDir;
    } else {
        dialogs.message(std::string(stringText(StringId::WorkingDirectoryError)));
    }
    // The root of a drive ends in a separator; the other folders do not.
    if (!current.empty() && isPathSeparator(current.back(), input.separator))
        current.pop_back();

    const IniLocation inCurrent {current + input.separator + kIniName, current};
    if (input.canOpenForReading(inCurrent.iniPath))
        return inCurrent;

    if (!programFolder.empty()) {
        const IniLocation besideProgram {programFolder + kIniName, programFolder.substr(0, programFolder.size() - 1)};
        if (input.canOpenForReading(besideProgram.iniPath))
            return besideProgram;
    }
    return inCurrent;
}

IniSearchInput nativeIniSearchInput(const std::string& programPath)
{
    IniSearchInput input;
    input.programPath = programPath;
    std::error_code error;
    const auto cwd = std::filesystem::current_path(error);
    if (!error)
        input.currentDir = cwd.string();
    input.canOpenForReading = [](const std::string& path) {
        std::ifstream probe(path, std::ios::binary);
        return static_cast<bool>(probe);
    };
    return input;
}

} // namespace lumivex
