#include "foundation/Settings.h"
#include "foundation/IniFile.h"
#include "foundation/SettingsStore.h"

#include "NormalUser.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

using namespace lumivex;

namespace {

// Every key in the order and format the program has always written them; the five late SYSTEM
// keys stay at the end of their section.
const char* const kFromScratch = "[SYSTEM]\r\n"
                                 "COMPORT=COM1\r\n"
                                 "Baudrate=115200\r\n"
                                 "Log-Datei=\r\n"
                                 "Log-Level=9\r\n"
                                 "SeriellDatei=0\r\n"
                                 "UserRange=800\r\n"
                                 "SelChart=1\r\n"
                                 "CIETabelle=0\r\n"
                                 "CheckRGB=1\r\n"
                                 "CheckHSI=1\r\n"
                                 "CheckXY=1\r\n"
                                 "ResultFile=TestReport.txt\r\n"
                                 "StabilityFile=StabilityReport.txt\r\n"
                                 "SelectDatei=0\r\n"
                                 "UserArea=1\r\n"
                                 "SensorSettings=\r\n"
                                 "CheckAbwIntens=1\r\n"
                                 "CheckAbwXY=1\r\n"
                                 "AbwIntens=10\r\n"
                                 "AbwXY=10\r\n"
                                 "CheckAbwAbsIntens=1\r\n"
                                 "CheckAbwAbsXY=1\r\n"
                                 "AbwAbsIntens=1000\r\n"
                                 "AbwAbsXY=0.0100\r\n"
                                 "NoChangeXYOffset=1\r\n"
                                 "[FENSTERPOS]\r\n"
                                 "MesslistPosX=10\r\n"
                                 "MesslistPosY=10\r\n"
                                 "KonfListPosX=10\r\n"
                                 "KonfListPosY=10\r\n"
                                 "LumivexPosX=50\r\n"
                                 "LumivexPosY=50\r\n"
                                 "DlgBlinkPosX=20\r\n"
                                 "DlgBlinkPosY=20\r\n"
                                 "[SPEKTRAS]\r\n"
                                 "WinSizeX=600\r\n"
                                 "WinSizeY=500\r\n"
                                 "[BLINKLED]\r\n"
                                 "Average=0\r\n"
                                 "Readings=1\r\n"
                                 "Delay=0\r\n";

std::string saved(const Settings& settings, std::string before = {})
{
    auto ini = IniFile::parse(before);
    saveSettings(settings, ini);
    return ini.serialize();
}

} // namespace

TEST(Settings, aFileWrittenFromScratchHoldsAll38KeysInTheFixedOrder)
{
    // Loaded from no file at all: the defaults, with the log in the working folder, which is worked
    // out again at each start.
    EXPECT_EQ(saved(loadSettings(IniFile(), "/work")), kFromScratch);
}

TEST(Settings, sixteenBitMembersWrapLikeSixteenBitIntegersAndOddValuesKeepTheirFormats)
{
    Settings odd;
    odd.abwAbsXy = 0.99995f;
    odd.baudrate = -1;
    const auto oddText = IniFile::parse(saved(odd));
    EXPECT_EQ(oddText.getString("SYSTEM", "AbwAbsXY", ""), "0.9999") << "single precision, rounded by %0.4f";
    EXPECT_EQ(oddText.getString("SYSTEM", "Baudrate", ""), "-1");

    const auto s = loadSettings(
        IniFile::parse("[SYSTEM]\nAbwIntens=70000\nAbwXY=-1\nAbwAbsIntens=32768\nSelChart=65539\nUserRange=70000\n"),
        "/w");
    EXPECT_EQ(s.abwIntens, 4464);
    EXPECT_EQ(s.abwXy, -1);
    EXPECT_EQ(s.abwAbsIntens, -32768);
    EXPECT_EQ(s.selChart, 3);
    EXPECT_EQ(s.userRange, 70000) << "32-bit members keep the value";
}

TEST(Settings, serialDebugFileLiesBesideTheLog)
{
    EXPECT_EQ(serialDebugFilePath("/var/log/lumivex/Lumivex.log"), "/var/log/lumivex/SERDATA.DAT");
    EXPECT_EQ(serialDebugFilePath("Lumivex.log"), "SERDATA.DAT");
    EXPECT_EQ(serialDebugFilePath(""), "SERDATA.DAT");
}

TEST(Settings, pathsAreReadWhole)
{
    const std::string deep = "/" + std::string(140, 'd') + "/" + std::string(140, 'e') + "/file.txt";
    const std::pair<const char*, std::string Settings::*> keys[]
        = {{"Log-Datei", &Settings::logFile}, {"ResultFile", &Settings::resultFile},
            {"StabilityFile", &Settings::stabilityFile}, {"SensorSettings", &Settings::sensorSettings}};
    for (const auto& [key, member] : keys) {
        const auto s = loadSettings(IniFile::parse(std::string("[SYSTEM]\n") + key + "=" + deep + "\n"), "/w");
        EXPECT_EQ(s.*member, deep) << key;
    }
    const auto comPort = loadSettings(IniFile::parse("[SYSTEM]\nCOMPORT=" + deep + "\n"), "/w").comPort;
    EXPECT_EQ(comPort.size(), IniFile::kMaxValueLength) << "other strings keep their cut";
}

struct LogKeyCase {
    const char* name;
    const char* inFile; // "Log-Datei" as loaded
    const char* chosen; // nullptr: the loaded path is kept
    const char* saved;
};

TEST(Settings, anEmptyLogKeyStaysEmptyUntilAnotherLogIsChosen)
{
    const LogKeyCase cases[] = {
        {"empty stays empty", "", nullptr, ""},
        {"a named log stays named", "/logs/bench.log", nullptr, "/logs/bench.log"},
        {"a log chosen later is saved", "", "/logs/other.log", "/logs/other.log"},
    };
    for (const LogKeyCase& c : cases) {
        auto s = loadSettings(IniFile::parse(std::string("[SYSTEM]\nLog-Datei=") + c.inFile + "\n"), "/w");
        if (c.chosen)
            s.logFile = c.chosen;
        EXPECT_EQ(IniFile::parse(saved(s)).getString("SYSTEM", "Log-Datei", "?"), c.saved) << c.name;
    }
}

TEST(Settings, unknownLinesSurviveLoadAndSave)
{
    const std::string before = "; my bench\r\n[SYSTEM]\r\nCOMPORT=COM4\r\nMyOwnKey=1\r\n[Custom]\r\nA=b\r\n";
    const auto s = loadSettings(IniFile::parse(before), "/w");
    EXPECT_EQ(s.comPort, "COM4");
    const auto text = saved(s, before);
    EXPECT_EQ(text.rfind("; my bench\r\n[SYSTEM]\r\nCOMPORT=COM4\r\n", 0), 0u);
    EXPECT_NE(text.find("MyOwnKey=1\r\n"), std::string::npos);
    EXPECT_NE(text.find("[Custom]\r\nA=b\r\n"), std::string::npos);
    EXPECT_EQ(saved(s, text), text) << "a second save changes nothing";
}

TEST(SettingsStore, savesAtomicallyAndReadsBack)
{
    test::TempDir dir;
    const SettingsStore store({dir.file("Lumivex.ini"), dir.path().string()});
    auto s = store.load();
    s.comPort = "/dev/ttyUSB0";
    s.lumivexPosX = -1200;
    ASSERT_TRUE(store.save(s));
    const auto back = store.load();
    EXPECT_EQ(back.comPort, "/dev/ttyUSB0");
    EXPECT_EQ(back.lumivexPosX, -1200);
    // Only the INI file is left: the temporary file was renamed over it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(SettingsStore, aFileThatCannotBeReadIsNotOverwritten)
{
    test::TempDir dir;
    std::filesystem::create_directory(dir.file("Lumivex.ini"));
    const SettingsStore store({dir.file("Lumivex.ini"), dir.path().string()});
    EXPECT_EQ(store.load().comPort, "COM1");
    EXPECT_FALSE(store.save(Settings {}));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("Lumivex.ini")));

    const SettingsStore nowhere({dir.file("missing/Lumivex.ini"), dir.file("missing")});
    EXPECT_FALSE(nowhere.save(Settings {}));
}

TEST(SettingsStore, aReadOnlyIniIsKeptAndTheSaveSaysWhy)
{
    test::TempDir dir;
    const std::string ini = dir.file("Lumivex.ini");
    const std::string before = "[SYSTEM]\r\nCOMPORT=COM7\r\n";
    test::writeFile(ini, before);
    test::giveToNormalUser(dir.path());
    test::giveToNormalUser(ini);
    ::chmod(ini.c_str(), 0444);
    const int status = test::runAsNormalUser([&] {
        const auto result = SettingsStore({ini, dir.path().string()}).save(Settings {});
        return result.reason.empty() ? 99 : static_cast<int>(result.status);
    });
    EXPECT_EQ(status, static_cast<int>(FileWriteStatus::ReadOnly));
    EXPECT_EQ(test::readFile(ini), before);
}
