#include "device/DeviceRequest.h"

#include "base/FormatText.h"

namespace lumivex {

namespace {

std::string word(Command command)
{
    return std::string(commandWord(command));
}

} // namespace

std::string_view commandWord(Command command)
{
    switch (command) {
    case Command::Testcon:
        return "testcon";
    case Command::GetHw:
        return "gethw";
    case Command::GetSerial:
        return "getserial";
    case Command::GetVersion:
        return "getversion";
    case Command::SetDefault:
        return "setdefault";
    case Command::Capture:
        return "capture";
    case Command::CapturePwm:
        return "capturepwm";
    case Command::SetCapTime:
        return "setcaptime";
    case Command::SetUserTime:
        return "setusertime";
    case Command::GetUserTime:
        return "getusertime";
    case Command::SetAverage:
        return "setaverage";
    case Command::SetIntGain:
        return "setintgain";
    case Command::SetXOffset:
        return "setxoffset";
    case Command::SetYOffset:
        return "setyoffset";
    case Command::SetDistance:
        return "setdistance";
    case Command::GetRgbi:
        return "getrgbi";
    case Command::GetHsi:
        return "gethsi";
    case Command::GetXy:
        return "getxy";
    case Command::GetCTemp:
        return "getctemp";
    case Command::GetXOffset:
        return "getxoffset";
    case Command::GetYOffset:
        return "getyoffset";
    case Command::GetDistance:
        return "getdistance";
    case Command::GetIntensity:
        return "getintensity";
    case Command::SetOutput:
        return "setoutput";
    }
    return {};
}

std::optional<int> captureTimeMs(int code, int userTimeMs)
{
    if (code == kUserTimeCode)
        return userTimeMs;
    for (const CaptureTimeCode& entry : kCaptureTimeCodes) {
        if (entry.code == code)
            return entry.milliseconds;
    }
    return std::nullopt;
}

std::optional<RangeSetting> rangeSetting(int rangeIndex)
{
    // Shortest time first, 3 x 3 area, then the 9 x 9 area from 20 ms on.
    static constexpr RangeSetting kRanges[kRangeListSize] = {
        {0, kArea3x3},
        {6, kArea3x3},
        {5, kArea3x3},
        {4, kArea3x3},
        {3, kArea3x3},
        {2, kArea3x3},
        {1, kArea3x3},
        {5, kArea9x9},
        {4, kArea9x9},
        {3, kArea9x9},
        {2, kArea9x9},
        {1, kArea9x9},
    };
    if (rangeIndex < 0 || rangeIndex >= kRangeListSize)
        return std::nullopt;
    return kRanges[rangeIndex];
}

std::string formatPlainRequest(Command command)
{
    return formatText("%s\r", word(command).c_str());
}

std::string formatCodeAreaRequest(Command command, int code, int area, int sensor, int board)
{
    return formatText("%s%d%d%d %d\r", word(command).c_str(), code, area, sensor, board);
}

std::string formatCapturePwm(int averagingFactor, int sensor, int board)
{
    return formatText("%s%.2d%d %d\r", word(Command::CapturePwm).c_str(), averagingFactor, sensor, board);
}

std::string formatSetUserTime(int userTimeMs, int board)
{
    return formatText("%s%.5d %d\r", word(Command::SetUserTime).c_str(), userTimeMs, board);
}

std::string formatGetUserTime(int board)
{
    return formatText("%s %d\r", word(Command::GetUserTime).c_str(), board);
}

std::string formatSetAverage(int averagingFactor, int board)
{
    return formatText("%s%.2d %d\r", word(Command::SetAverage).c_str(), averagingFactor, board);
}

std::string formatSetIntGain(int sensor, int gain, int board)
{
    return formatText("%s%d%.3d %d\r", word(Command::SetIntGain).c_str(), sensor, gain, board);
}

std::string formatSetOffset(Command command, int sensor, const std::string& value, int board)
{
    if (!value.empty() && value.front() == '-')
        return formatText("%s%d%s %d\r", word(command).c_str(), sensor, value.c_str(), board);
    return formatText("%s%d+%s %d\r", word(command).c_str(), sensor, value.c_str(), board);
}

std::string formatSetDistance(int sensor, const std::string& value, int board)
{
    return formatText("%s%d%s %d\r", word(Command::SetDistance).c_str(), sensor, value.c_str(), board);
}

std::string formatSensorRequest(Command command, int sensor, int board)
{
    return formatText("%s%d %d\r", word(command).c_str(), sensor, board);
}

std::string formatSetOutput(int output, bool on)
{
    if (on)
        return formatText("%s%d1\r", word(Command::SetOutput).c_str(), output);
    return formatText("%s%d0\r", word(Command::SetOutput).c_str(), output);
}

} // namespace lumivex
