#include "app/Startup.h"
#include "foundation/CGlobal.h"
#include "foundation/IniFile.h"

#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

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

    // Both writers append to one file.
    EXPECT_EQ(std::tuple(state.location.iniPath, state.settings.logFile, mainLog.FilePath(), serialLog.Level(),
                  state.serialDebugFile, state.loggingOn),
        std::tuple(
            dir.file("Lumivex.ini"), dir.file("Lumivex.log"), serialLog.FilePath(), 9, dir.file("SERDATA.DAT"), true));

    const auto log = test::readFile(dir.file("Lumivex.log"));
    EXPECT_NE(log.find("  Log - START >V 2.0.0.5<\r\n"), std::string::npos) << log;
    EXPECT_FALSE(std::filesystem::exists(dir.file("Lumivex.ini"))) << "the INI is written only at the end";

    ASSERT_TRUE(finishApplication(state));
    const auto ini = IniFile::parse(test::readFile(dir.file("Lumivex.ini")));
    EXPECT_EQ(ini.getString("SYSTEM", "Log-Datei", "?"), "") << "worked out again at the next start";
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

struct LogFolderCase {
    const char* name;
    std::filesystem::path first; // below the test folder: where the INI lies at the first start
    std::filesystem::path second; // where it lies at the next start (the folder moved there)
};

TEST(Startup, theDefaultLogFollowsTheIniFolderAtEveryStart)
{
    std::filesystem::path deep;
    for (int depth = 0; depth < 6; ++depth)
        deep /= std::string(50, static_cast<char>('a' + depth));
    const LogFolderCase cases[] = {
        {"a folder deeper than any old path limit", deep, deep},
        {"a folder moved between two starts", "bench", "moved"},
    };
    for (const LogFolderCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        std::filesystem::create_directories(dir.path() / c.first);
        CGlobal mainLog, serialLog;
        ASSERT_TRUE(finishApplication(
            startApplication(iniLocationOf((dir.path() / c.first / "Lumivex.ini").string()), mainLog, serialLog)));
        if (c.second != c.first)
            std::filesystem::rename(dir.path() / c.first, dir.path() / c.second);

        const auto folder = dir.path() / c.second;
        std::filesystem::remove(folder / "Lumivex.log");
        const auto state = startApplication(iniLocationOf((folder / "Lumivex.ini").string()), mainLog, serialLog);
        EXPECT_NE(test::readFile((folder / "Lumivex.log").string()).find("Log - START"), std::string::npos);
        EXPECT_EQ(state.serialDebugFile, (folder / "SERDATA.DAT").string());
    }
}
