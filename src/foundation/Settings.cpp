#include "foundation/Settings.h"

#include "base/NumberText.h"
#include "foundation/IniFile.h"
#include "foundation/IniLocation.h"

#include <cstdio>
#include <string_view>

namespace lumivex {

namespace {

constexpr std::string_view kSystem = "SYSTEM";
constexpr std::string_view kWindows = "FENSTERPOS";
constexpr std::string_view kSpectra = "SPEKTRAS";
constexpr std::string_view kBlink = "BLINKLED";

std::string number(long value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%ld", value);
    return buffer;
}

std::string fourDecimals(float value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%0.4f", static_cast<double>(value));
    return buffer;
}

} // namespace

Settings loadSettings(const IniFile& ini, const std::string& workingFolder)
{
    Settings s;
    auto str = [&](std::string_view section, std::string_view key, const std::string& def) {
        return ini.getString(section, key, def);
    };
    // The 126-byte cut of other strings would make a path name another file.
    auto path = [&](std::string_view key, const std::string& def) {
        return ini.getString(kSystem, key, def, IniFile::kWholeValue);
    };
    auto num = [&](std::string_view section, std::string_view key, std::int32_t def) {
        return ini.getInt(section, key, def);
    };
    auto num16 = [&](std::string_view section, std::string_view key, std::int16_t def) {
        return static_cast<std::int16_t>(ini.getInt(section, key, def));
    };

    s.comPort = str(kSystem, "COMPORT", s.comPort);
    s.baudrate = readInteger(str(kSystem, "Baudrate", "115200"));
    s.logFile = path("Log-Datei", "");
    s.logLevel = readInteger(str(kSystem, "Log-Level", "9"));
    if (s.logFile.empty()) {
        s.logFile = workingFolder + kNativeSeparator + "Lumivex.log";
        s.logFileByDefault = s.logFile;
    }

    s.seriellDatei = num(kSystem, "SeriellDatei", s.seriellDatei);
    s.userRange = num(kSystem, "UserRange", s.userRange);
    s.selChart = num16(kSystem, "SelChart", s.selChart);
    s.cieTabelle = num(kSystem, "CIETabelle", s.cieTabelle);
    s.checkRgb = num(kSystem, "CheckRGB", s.checkRgb);
    s.checkHsi = num(kSystem, "CheckHSI", s.checkHsi);
    s.checkXy = num(kSystem, "CheckXY", s.checkXy);
    s.resultFile = path("ResultFile", s.resultFile);
    s.stabilityFile = path("StabilityFile", s.stabilityFile);
    s.selectDatei = num(kSystem, "SelectDatei", s.selectDatei);
    s.userArea = num(kSystem, "UserArea", s.userArea);
    s.sensorSettings = path("SensorSettings", s.sensorSettings);
    s.checkAbwIntens = num(kSystem, "CheckAbwIntens", s.checkAbwIntens);
    s.checkAbwXy = num(kSystem, "CheckAbwXY", s.checkAbwXy);
    s.abwIntens = num16(kSystem, "AbwIntens", s.abwIntens);
    s.abwXy = num16(kSystem, "AbwXY", s.abwXy);
    s.checkAbwAbsIntens = num(kSystem, "CheckAbwAbsIntens", s.checkAbwAbsIntens);
    s.checkAbwAbsXy = num(kSystem, "CheckAbwAbsXY", s.checkAbwAbsXy);
    s.abwAbsIntens = num16(kSystem, "AbwAbsIntens", s.abwAbsIntens);
    s.abwAbsXy = static_cast<float>(readDecimal(str(kSystem, "AbwAbsXY", "0.01")));
    s.noChangeXyOffset = num(kSystem, "NoChangeXYOffset", s.noChangeXyOffset);

    s.messlistPosX = num(kWindows, "MesslistPosX", s.messlistPosX);
    s.messlistPosY = num(kWindows, "MesslistPosY", s.messlistPosY);
    s.konfListPosX = num(kWindows, "KonfListPosX", s.konfListPosX);
    s.konfListPosY = num(kWindows, "KonfListPosY", s.konfListPosY);
    s.lumivexPosX = num(kWindows, "LumivexPosX", s.lumivexPosX);
    s.lumivexPosY = num(kWindows, "LumivexPosY", s.lumivexPosY);
    s.dlgBlinkPosX = num(kWindows, "DlgBlinkPosX", s.dlgBlinkPosX);
    s.dlgBlinkPosY = num(kWindows, "DlgBlinkPosY", s.dlgBlinkPosY);

    s.winSizeX = num(kSpectra, "WinSizeX", s.winSizeX);
    s.winSizeY = num(kSpectra, "WinSizeY", s.winSizeY);

    s.average = num(kBlink, "Average", s.average);
    s.readings = num(kBlink, "Readings", s.readings);
    s.delay = num(kBlink, "Delay", s.delay);
    return s;
}

void saveSettings(const Settings& s, IniFile& ini)
{
    auto put = [&](std::string_view section, std::string_view key, const std::string& value) {
        ini.setString(section, key, value);
    };
    auto putNum = [&](std::string_view section, std::string_view key, long value) { put(section, key, number(value)); };

    put(kSystem, "COMPORT", s.comPort);
    putNum(kSystem, "Baudrate", s.baudrate);
    put(kSystem, "Log-Datei", !s.logFileByDefault.empty() && s.logFile == s.logFileByDefault ? "" : s.logFile);
    putNum(kSystem, "Log-Level", s.logLevel);
    putNum(kSystem, "SeriellDatei", s.seriellDatei);
    putNum(kSystem, "UserRange", s.userRange);
    putNum(kSystem, "SelChart", s.selChart);
    putNum(kSystem, "CIETabelle", s.cieTabelle);
    putNum(kSystem, "CheckRGB", s.checkRgb);
    putNum(kSystem, "CheckHSI", s.checkHsi);
    putNum(kSystem, "CheckXY", s.checkXy);
    put(kSystem, "ResultFile", s.resultFile);
    put(kSystem, "StabilityFile", s.stabilityFile);
    putNum(kSystem, "SelectDatei", s.selectDatei);
    putNum(kSystem, "UserArea", s.userArea);
    put(kSystem, "SensorSettings", s.sensorSettings);
    putNum(kSystem, "CheckAbwIntens", s.checkAbwIntens);
    putNum(kSystem, "CheckAbwXY", s.checkAbwXy);
    putNum(kSystem, "AbwIntens", s.abwIntens);
    putNum(kSystem, "AbwXY", s.abwXy);

    putNum(kWindows, "MesslistPosX", s.messlistPosX);
    putNum(kWindows, "MesslistPosY", s.messlistPosY);
    putNum(kWindows, "KonfListPosX", s.konfListPosX);
    putNum(kWindows, "KonfListPosY", s.konfListPosY);
    putNum(kWindows, "LumivexPosX", s.lumivexPosX);
    putNum(kWindows, "LumivexPosY", s.lumivexPosY);
    putNum(kWindows, "DlgBlinkPosX", s.dlgBlinkPosX);
    putNum(kWindows, "DlgBlinkPosY", s.dlgBlinkPosY);

    putNum(kSpectra, "WinSizeX", s.winSizeX);
    putNum(kSpectra, "WinSizeY", s.winSizeY);

    putNum(kSystem, "CheckAbwAbsIntens", s.checkAbwAbsIntens);
    putNum(kSystem, "CheckAbwAbsXY", s.checkAbwAbsXy);
    putNum(kSystem, "AbwAbsIntens", s.abwAbsIntens);
    put(kSystem, "AbwAbsXY", fourDecimals(s.abwAbsXy));
    putNum(kSystem, "NoChangeXYOffset", s.noChangeXyOffset);

    putNum(kBlink, "Average", s.average);
    putNum(kBlink, "Readings", s.readings);
    putNum(kBlink, "Delay", s.delay);
}

std::string serialDebugFilePath(const std::string& logFilePath)
{
    return folderWithSeparator(logFilePath) + "SERDATA.DAT";
}

} // namespace lumivex
