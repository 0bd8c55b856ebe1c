#include "app/Startup.h"
#include "app/CGlobal.h"
#include "app/IniFile.h"

#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace lumivex;

namespace {
IniSearchInput inFolder(const test::TempDir& dir)
{
    auto input = nativeIniSearchInput(dir.file("bin/lumivex"));
    input.currentDir = dir.path().string();
    return input;
}
} // namespace

TEST(Startup, firstRunUsesDefaultsLogsTheStartAndCreatesTheIniAtTheEnd)
{
    test::TempDir dir;
    test::RecordingDialogs dialogs;
    CGlobal mainLog, serialLog;
    const auto state = startApplication(inFolder(dir), dialogs, mainLog, serialLog);

    EXPECT_EQ(state.location.iniPath, dir.file("Lumivex.ini"));
    EXPECT_EQ(state.settings.logFile, dir.file("Lumivex.log"));
    EXPECT_EQ(mainLog.FilePath(), serialLog.FilePath()) << "both writers append to one file";
    EXPECT_EQ(serialLog.Level(), 9);
    EXPECT_EQ(state.serialDebugFile, dir.file("SERDATA.DAT"));
    EXPECT_TRUE(state.loggingOn);

    const auto log = test::readFile(dir.file("Lumivex.log"));
    EXPECT_NE(log.find("  Log - START >V 2.0.0.5<\r\n"), std::string::npos) << log;
    EXPECT_FALSE(std::filesystem::exists(dir.file("Lumivex.ini"))) << "the INI is written only at the end";

    ASSERT_TRUE(finishApplication(state));
    const auto ini = IniFile::parse(test::readFile(dir.file("Lumivex.ini")));
    EXPECT_EQ(ini.getString("SYSTEM", "Log-Datei", ""), dir.file("Lumivex.log"));
    EXPECT_EQ(ini.getString("BLINKLED", "Readings", ""), "1");
}

TEST(Startup, levelZeroLeavesNoLogFile)
{
    test::TempDir dir;
    test::writeFile(dir.file("Lumivex.ini"), "[SYSTEM]\r\nLog-Level=0\r\n");
    test::RecordingDialogs dialogs;
    CGlobal mainLog, serialLog;
    const auto state = startApplication(inFolder(dir), dialogs, mainLog, serialLog);
    EXPECT_FALSE(state.loggingOn);
    EXPECT_FALSE(std::filesystem::exists(dir.file("Lumivex.log")));
}
