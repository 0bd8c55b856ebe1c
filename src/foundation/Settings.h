#pragma once

#include <cstdint>
#include <string>

namespace lumivex {

class IniFile;

// Every key of "Lumivex.ini" as a plain member, with its default. Read once at start-up, changed
// in memory while the program runs, written back whole when it ends. Members that the program
// holds as 16-bit integers are int16_t, so out-of-range file values wrap exactly as they always
// have.
struct Settings {
    // [SYSTEM]
    std::string comPort = "COM1";
    std::int32_t baudrate = 115200;
    std::string logFile; // an empty "Log-Datei" gives "Lumivex.log" in the working folder (at load)
    // What an empty "Log-Datei" gave at load, empty when the file named a log. A logFile still equal
    // to it is saved empty again, so each start finds the log in the INI's folder wherever that is.
    std::string logFileByDefault;
    std::int32_t logLevel = 9;
    std::int32_t seriellDatei = 0;
    std::int32_t userRange = 800;
    std::int16_t selChart = 1;
    std::int32_t cieTabelle = 0;
    std::int32_t checkRgb = 1;
    std::int32_t checkHsi = 1;
    std::int32_t checkXy = 1;
    std::string resultFile = "TestReport.txt";
    std::string stabilityFile = "StabilityReport.txt";
    std::int32_t selectDatei = 0;
    std::int32_t userArea = 1;
    std::string sensorSettings;
    std::int32_t checkAbwIntens = 1;
    std::int32_t checkAbwXy = 1;
    std::int16_t abwIntens = 10;
    std::int16_t abwXy = 10;
    std::int32_t checkAbwAbsIntens = 1;
    std::int32_t checkAbwAbsXy = 1;
    std::int16_t abwAbsIntens = 1000;
    float abwAbsXy = 0.01f;
    std::int32_t noChangeXyOffset = 1;
    // [FENSTERPOS]
    std::int32_t messlistPosX = 10;
    std::int32_t messlistPosY = 10;
    std::int32_t konfListPosX = 10;
    std::int32_t konfListPosY = 10;
    std::int32_t lumivexPosX = 50;
    std::int32_t lumivexPosY = 50;
    std::int32_t dlgBlinkPosX = 20;
    std::int32_t dlgBlinkPosY = 20;
    // [SPEKTRAS]
    std::int32_t winSizeX = 600;
    std::int32_t winSizeY = 500;
    // [BLINKLED] (the stability analysis' own copies)
    std::int32_t average = 0;
    std::int32_t readings = 1;
    std::int32_t delay = 0;
};

inline constexpr int kSettingsKeyCount = 38;

// Fills every member from the file (a missing key keeps its default). A missing or empty
// "Log-Datei" becomes "Lumivex.log" in the working folder. Paths are read whole.
Settings loadSettings(const IniFile& ini, const std::string& workingFolder);
// Writes every key in the fixed order and with the fixed formats; a log path worked out at load
// stays an empty "Log-Datei".
void saveSettings(const Settings& settings, IniFile& ini);

// "SERDATA.DAT" in the log file's folder.
std::string serialDebugFilePath(const std::string& logFilePath);
// Logging is on when the level loaded at start-up is not 0.
inline bool loggingOn(const Settings& loaded)
{
    return loaded.logLevel != 0;
}

} // namespace lumivex
