#include "foundation/IniLocation.h"
#include "foundation/StringTable.h"

#include "RecordingDialogs.h"

#include <gtest/gtest.h>

#include <set>

using namespace lumivex;

TEST(IniLocation, currentDirectoryWinsThenTheProgramFolderAndTheRootLosesItsSeparator)
{
    struct Case {
        const char* name;
        std::string program;
        std::string cwd;
        std::set<std::string> existing;
        char separator;
        std::string iniPath;
        std::string workingFolder;
    };
    const Case cases[] = {
        {"both: the current directory wins", "/opt/lumivex/bin/lumivex", "/home/lab",
            {"/home/lab/Lumivex.ini", "/opt/lumivex/bin/Lumivex.ini"}, '/', "/home/lab/Lumivex.ini", "/home/lab"},
        {"beside the program", "/opt/lumivex/bin/lumivex", "/home/lab", {"/opt/lumivex/bin/Lumivex.ini"}, '/',
            "/opt/lumivex/bin/Lumivex.ini", "/opt/lumivex/bin"},
        {"none: the first save creates it in the current directory", "/opt/lumivex/bin/lumivex", "/home/lab", {}, '/',
            "/home/lab/Lumivex.ini", "/home/lab"},
        {"windows drive root", "C:\\Lumivex\\Lumivex.exe", "C:\\", {}, '\\', "C:\\Lumivex.ini", "C:"},
        {"posix root", "/usr/bin/lumivex", "/", {}, '/', "/Lumivex.ini", ""},
        {"windows accepts forward slashes in the program path", "D:/tools/Lumivex.exe", "C:\\work",
            {"D:/tools/Lumivex.ini"}, '\\', "D:/tools/Lumivex.ini", "D:/tools"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IniSearchInput input;
        input.programPath = c.program;
        input.currentDir = c.cwd;
        input.canOpenForReading = [&c](const std::string& path) { return c.existing.count(path) > 0; };
        input.separator = c.separator;
        test::RecordingDialogs dialogs;
        const auto found = locateIni(input, dialogs);
        EXPECT_EQ(found.iniPath, c.iniPath);
        EXPECT_EQ(found.workingFolder, c.workingFolder);
        EXPECT_TRUE(dialogs.messages.empty());
    }
}

TEST(IniLocation, unknownCurrentDirectoryIsReportedAndTheSearchGoesOn)
{
    IniSearchInput input;
    input.programPath = "/opt/lv/lumivex";
    input.canOpenForReading = [](const std::string& path) { return path == "/opt/lv/Lumivex.ini"; };
    test::RecordingDialogs dialogs;
    EXPECT_EQ(locateIni(input, dialogs).iniPath, "/opt/lv/Lumivex.ini");
    EXPECT_EQ(dialogs.messages, std::vector<std::string> {std::string(stringText(StringId::WorkingDirectoryError))});
}
