#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumivex {

// The sensor device's command words. Each request is the word, its parameters as decimal digits
// without a separator, for board-specific commands a blank and the board number, and a carriage
// return.
enum class Command {
    Testcon,
    GetHw,
    GetSerial,
    GetVersion,
    SetDefault,
    Capture, // one sensor or, without parameters, all sensors
    CapturePwm, // likewise
    SetCapTime,
    SetUserTime,
    GetUserTime,
    SetAverage,
    SetIntGain,
    SetXOffset,
    SetYOffset,
    SetDistance,
    GetRgbi,
    GetHsi,
    GetXy,
    GetCTemp,
    GetXOffset,
    GetYOffset,
    GetDistance,
    GetIntensity,
    SetOutput,
};

// "testcon", "getrgbi", ...
std::string_view commandWord(Command command);

// Position of sensor 1..5 on board 1.. in the one list that holds every sensor, counted from 1.
constexpr int sensorListIndex(int board, int sensor)
{
    return 5 * (board - 1) + sensor;
}

// Capture-time codes (the device's "frame"). 0 means disabled; 7 has no entry in the range list;
// 8 stands for the board's user time.
struct CaptureTimeCode {
    int code;
    int milliseconds; // 0 for code 8: the user time applies
    std::string_view rangeName; // empty where the range list has no entry
};
inline constexpr int kUserTimeCode = 8;
inline constexpr CaptureTimeCode kCaptureTimeCodes[] = {
    {1, 600, "LOW"},
    {2, 200, "MED"},
    {3, 120, "HGH"},
    {4, 60, "SUP"},
    {5, 20, "ULT"},
    {6, 10, "UTH"},
    {7, 2, ""},
    {kUserTimeCode, 0, ""},
};

// Capture time of a code in ms: code 8 gives the user time. Code 0 (disabled) and every code
// outside 1..8 have no capture time: nullopt. Callers that size a time-out choose their own
// stand-in for that case.
std::optional<int> captureTimeMs(int code, int userTimeMs);

// Area codes of the capture commands.
inline constexpr int kArea3x3 = 0;
inline constexpr int kArea9x9 = 1;

// What an entry of the main window's range list sends with the one-sensor capture.
struct RangeSetting {
    int code;
    int area;
    friend bool operator==(const RangeSetting&, const RangeSetting&) = default;
};
inline constexpr int kRangeListSize = 12;
// Index 0 ("DISABLE") sends code 0. nullopt outside 0..11.
std::optional<RangeSetting> rangeSetting(int rangeIndex);

// Request texts, each formatted with the device's own printf pattern so that padding matches.
// Values are written as given; a request the device cannot parse is answered "ERROR" by it.

// "%s\r": testcon, gethw, getserial, getversion, setdefault, and the all-sensor capture and
// capturepwm.
std::string formatPlainRequest(Command command);
// "%s%d%d%d %d\r": capture (one sensor) and setcaptime.
std::string formatCodeAreaRequest(Command command, int code, int area, int sensor, int board);
// "%s%.2d%d %d\r": capturepwm for one sensor; the device averages 5 x (factor + 1) runs.
std::string formatCapturePwm(int averagingFactor, int sensor, int board);
// "%s%.5d %d\r": setusertime.
std::string formatSetUserTime(int userTimeMs, int board);
// "%s %d\r": getusertime.
std::string formatGetUserTime(int board);
// "%s%.2d %d\r": setaverage.
std::string formatSetAverage(int averagingFactor, int board);
// "%s%d%.3d %d\r": setintgain.
std::string formatSetIntGain(int sensor, int gain, int board);
// setxoffset / setyoffset. The sign is always sent: "%s%d+%s %d\r" for a text that does not begin
// with '-', "%s%d%s %d\r" for one that does.
std::string formatSetOffset(Command command, int sensor, const std::string& value, int board);
// "%s%d%s %d\r": setdistance.
std::string formatSetDistance(int sensor, const std::string& value, int board);
// "%s%d %d\r": getrgbi, gethsi, getxy, getctemp, getxoffset, getyoffset, getdistance, getintensity.
std::string formatSensorRequest(Command command, int sensor, int board);
// "%s%d1\r" or "%s%d0\r": setoutput.
std::string formatSetOutput(int output, bool on);

} // namespace lumivex
