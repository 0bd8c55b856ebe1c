#include "foundation/IniLocation.h"
#include "foundation/StringTable.h"

#include "RecordingDialogs.h"

#include <gtest/gtest.h>

#include <set>

using namespace lumivex;

namespace {

IniSearchInput machine(
    std::string program, std::optional<std::string> cwd, std::set<std::string> existing, char separator = '/')
{
    IniSearchInput input;
    input.programPath = std::move(program);
    input.currentDir = std::move(cwd);
    input.canOpenForReading = [existing](const std::string& path) { return existing.count(path) > 0; };
    input.separator = separator;
    return input;
}

} // namespace

TEST(IniLocation, currentDirectoryWinsOverTheProgramFolder)
{
    test::RecordingDialogs dialogs;
    const auto both = locateIni(
        machine("/opt/lumivex/bin/lumivex", "/home/lab", {"/home/lab/Lumivex.ini", "/opt/lumivex/bin/Lumivex.ini"}),
        dialogs);
    EXPECT_EQ(both.iniPath, "/home/lab/Lumivex.ini");
    EXPECT_EQ(both.workingFolder, "/home/lab");

    const auto besideProgram
        = locateIni(machine("/opt/lumivex/bin/lumivex", "/home/lab", {"/opt/lumivex/bin/Lumivex.ini"}), dialogs);
    EXPECT_EQ(besideProgram.iniPath, "/opt/lumivex/bin/Lumivex.ini");
    EXPECT_EQ(besideProgram.workingFolder, "/opt/lumivex/bin");

    const auto none = locateIni(machine("/opt/lumivex/bin/lumivex", "/home/lab", {}), dialogs);
    EXPECT_EQ(none.iniPath, "/home/lab/Lumivex.ini") << "the first save creates it in the current directory";
    EXPECT_EQ(none.workingFolder, "/home/lab");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST(IniLocation, theRootDirectoryLosesItsTrailingSeparator)
{
    test::RecordingDialogs dialogs;
    const auto windows = locateIni(machine("C:\\Lumivex\\Lumivex.exe", "C:\\", {}, '\\'), dialogs);
    EXPECT_EQ(windows.iniPath, "C:\\Lumivex.ini");
    EXPECT_EQ(windows.workingFolder, "C:");

    const auto posix = locateIni(machine("/usr/bin/lumivex", "/", {}), dialogs);
    EXPECT_EQ(posix.iniPath, "/Lumivex.ini");
    EXPECT_EQ(posix.workingFolder, "");

    // Windows accepts forward slashes in the program path too.
    const auto mixed = locateIni(machine("D:/tools/Lumivex.exe", "C:\\work", {"D:/tools/Lumivex.ini"}, '\\'), dialogs);
    EXPECT_EQ(mixed.iniPath, "D:/tools/Lumivex.ini");
    EXPECT_EQ(mixed.workingFolder, "D:/tools");
}

TEST(IniLocation, unknownCurrentDirectoryIsReportedAndTheSearchGoesOn)
{
    test::RecordingDialogs dialogs;
    const auto found = locateIni(machine("/opt/lv/lumivex", std::nullopt, {"/opt/lv/Lumivex.ini"}), dialogs);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], stringText(StringId::WorkingDirectoryError));
    EXPECT_EQ(found.iniPath, "/opt/lv/Lumivex.ini");
}
