#include "foundation/Settings.h"
#include "foundation/IniFile.h"
#include "foundation/SettingsStore.h"
#include "foundation/StringTable.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <filesystem>

#include <sys/stat.h>

using namespace lumivex;

namespace {

// Every key in the order and format the program has always written them; the five late SYSTEM
// keys stay at the end of their section.
const char* const kFromScratch
    = "[SYSTEM]\r\nCOMPORT=COM1\r\nBaudrate=115200\r\nLog-Datei=\r\nLog-Level=9\r\nSeriellDatei=0\r\nUserRange=800\r\n"
      "SelChart=1\r\nCIETabelle=0\r\nCheckRGB=1\r\nCheckHSI=1\r\nCheckXY=1\r\nResultFile=TestReport.txt\r\n"
      "StabilityFile=StabilityReport.txt\r\nSelectDatei=0\r\nUserArea=1\r\nSensorSettings=\r\nCheckAbwIntens=1\r\n"
      "CheckAbwXY=1\r\nAbwIntens=10\r\nAbwXY=10\r\nCheckAbwAbsIntens=1\r\nCheckAbwAbsXY=1\r\nAbwAbsIntens=1000\r\n"
      "AbwAbsXY=0.0100\r\nNoChangeXYOffset=1\r\n"
      "[FENSTERPOS]\r\nMesslistPosX=10\r\nMesslistPosY=10\r\nKonfListPosX=10\r\nKonfListPosY=10\r\n"
      "LumivexPosX=50\r\nLumivexPosY=50\r\nDlgBlinkPosX=20\r\nDlgBlinkPosY=20\r\n"
      "[SPEKTRAS]\r\nWinSizeX=600\r\nWinSizeY=500\r\n"
      "[BLINKLED]\r\nAverage=0\r\nReadings=1\r\nDelay=0\r\n";

std::string saved(const Settings& settings, std::string before = {})
{
    auto ini = IniFile::parse(before);
    saveSettings(settings, ini);
    return ini.serialize();
}

Settings loaded(const std::string& system)
{
    return loadSettings(IniFile::parse("[SYSTEM]\n" + system), "/w");
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
    // Single precision, rounded by %0.4f.
    EXPECT_EQ(
        oddText.getString("SYSTEM", "AbwAbsXY", "") + " " + oddText.getString("SYSTEM", "Baudrate", ""), "0.9999 -1");

    const auto s = loaded("AbwIntens=70000\nAbwXY=-1\nAbwAbsIntens=32768\nSelChart=65539\nUserRange=70000\n");
    EXPECT_EQ((std::vector<int> {s.abwIntens, s.abwXy, s.abwAbsIntens, s.selChart}),
        (std::vector<int> {4464, -1, -32768, 3}));
    EXPECT_EQ(s.userRange, 70000) << "32-bit members keep the value";
}

TEST(Settings, pathsAreReadWholeAndTheSerialDebugFileLiesBesideTheLog)
{
    const std::string deep = "/" + std::string(140, 'd') + "/" + std::string(140, 'e') + "/file.txt";
    const std::pair<const char*, std::string Settings::*> keys[]
        = {{"Log-Datei", &Settings::logFile}, {"ResultFile", &Settings::resultFile},
            {"StabilityFile", &Settings::stabilityFile}, {"SensorSettings", &Settings::sensorSettings}};
    for (const auto& [key, member] : keys)
        EXPECT_EQ(loaded(std::string(key) + "=" + deep + "\n").*member, deep) << key;
    EXPECT_EQ(loaded("COMPORT=" + deep + "\n").comPort.size(), IniFile::kMaxValueLength) << "other strings are cut";

    EXPECT_EQ(serialDebugFilePath("/var/log/lumivex/Lumivex.log"), "/var/log/lumivex/SERDATA.DAT");
    EXPECT_EQ(serialDebugFilePath("Lumivex.log"), "SERDATA.DAT");
    EXPECT_EQ(serialDebugFilePath(""), "SERDATA.DAT");
}

TEST(Settings, anEmptyLogKeyStaysEmptyUntilAnotherLogIsChosen)
{
    const struct {
        const char* inFile; // "Log-Datei" as loaded
        const char* chosen; // nullptr: the loaded path is kept
        const char* saved;
    } cases[] = {
        {"", nullptr, ""}, {"/logs/bench.log", nullptr, "/logs/bench.log"}, {"", "/logs/other.log", "/logs/other.log"}};
    for (const auto& c : cases) {
        auto s = loaded(std::string("Log-Datei=") + c.inFile + "\n");
        if (c.chosen)
            s.logFile = c.chosen;
        EXPECT_EQ(IniFile::parse(saved(s)).getString("SYSTEM", "Log-Datei", "?"), c.saved) << c.inFile;
    }
}

TEST(Settings, unknownLinesSurviveLoadAndSave)
{
    const std::string before = "; my bench\r\n[SYSTEM]\r\nCOMPORT=COM4\r\nMyOwnKey=1\r\n[Custom]\r\nA=b\r\n";
    const auto s = loadSettings(IniFile::parse(before), "/w");
    EXPECT_EQ(s.comPort, "COM4");
    const auto text = saved(s, before);
    EXPECT_EQ(text.rfind("; my bench\r\n[SYSTEM]\r\nCOMPORT=COM4\r\n", 0), 0u);
    for (const char* kept : {"MyOwnKey=1\r\n", "[Custom]\r\nA=b\r\n"})
        EXPECT_NE(text.find(kept), std::string::npos) << kept;
    EXPECT_EQ(saved(s, text), text) << "a second save changes nothing";
}

TEST(SettingsStore, savesAtomicallyAndNeverOverADirectoryOrAReadOnlyFile)
{
    test::TempDir dir;
    const std::string ini = dir.file("Lumivex.ini");
    const SettingsStore store({ini, dir.path().string()});
    auto s = store.load();
    s.comPort = "/dev/ttyUSB0";
    s.lumivexPosX = -1200;
    ASSERT_TRUE(store.save(s));
    const auto back = store.load();
    EXPECT_EQ(std::pair(back.comPort, back.lumivexPosX), std::pair(std::string("/dev/ttyUSB0"), -1200));
    // Only the INI file is left: the temporary file was renamed over it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    std::filesystem::remove(ini);
    std::filesystem::create_directory(ini);
    EXPECT_EQ(store.load().comPort, "COM1");
    EXPECT_FALSE(store.save(Settings {}));
    EXPECT_TRUE(std::filesystem::is_directory(ini));

    std::filesystem::remove(ini);
    test::writeFile(ini, "[SYSTEM]\r\nCOMPORT=COM7\r\n");
    ::chmod(ini.c_str(), 0440); // without any write permission: kept even when root saves
    const auto result = store.save(Settings {});
    EXPECT_EQ(result.status, FileWriteStatus::ReadOnly);
    EXPECT_FALSE(result.reason.empty()) << "the save says why";
    EXPECT_EQ(test::readFile(ini), "[SYSTEM]\r\nCOMPORT=COM7\r\n");
}

// The table's order is checked when compiling; here every entry must be found, hold a text, and
// hold it in Windows-1252 rather than UTF-8.
TEST(StringTable, everyEntryIsFoundByLookupAndIsWindows1252)
{
    ASSERT_EQ(allStrings().size(), 122u);
    for (const StringEntry& entry : allStrings()) {
        SCOPED_TRACE(entry.id);
        EXPECT_TRUE(entry.id > 100 && entry.id <= 242);
        EXPECT_FALSE(entry.text.empty());
        EXPECT_EQ(stringText(entry.id).data(), entry.text.data());
        EXPECT_EQ(entry.text.find_first_of("\xC2\xC3"), std::string_view::npos) << "UTF-8 lead byte";
    }
    EXPECT_EQ(stringText(StringId::ComPortNotOpen), stringText(132));
    EXPECT_EQ(stringText(StringId::PathOrFileNotFound), stringText(242));
    for (int id : {INT_MIN, -1, 0, 100, 119, 126, 140, 187, 208, 216, 243, INT_MAX})
        EXPECT_TRUE(stringText(id).empty()) << "unknown id " << id;

    // The callers pass their arguments in the types these formats expect.
    char line[256];
    std::snprintf(line, sizeof line, std::string(stringText(StringId::ComPortActive)).c_str(), "COM3", 115200L);
    EXPECT_STREQ(line, "COM port COM3 with 115200 baud is activ ! ");
    std::snprintf(
        line, sizeof line, std::string(stringText(StringId::ReportDateTime)).c_str(), "06.12.2024", "20:23:05");
    EXPECT_STREQ(line, "Data: 06.12.2024  Time: 20:23:05\r\n\r\n");
}
