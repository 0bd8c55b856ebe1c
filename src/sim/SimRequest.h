#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumivex {

// The requests the sensor device understands.
enum class SimCommand {
    TestCon,
    GetHw,
    GetSerial,
    GetVersion,
    SetDefault,
    CaptureAll,
    CapturePwmAll,
    Capture,
    CapturePwm,
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
    GetCtemp,
    GetXOffset,
    GetYOffset,
    GetDistance,
    GetIntensity,
    SetOutput,
};

// One well-formed request line. Fields a command has no use for stay 0.
struct SimRequest {
    SimCommand command = SimCommand::TestCon;
    int board = 0; // from 1; 0 for requests without a board
    int sensor = 0; // 1..5
    int code = 0; // capture-time code 1..8
    int area = 0; // 0 = 3 x 3, 1 = 9 x 9
    int value = 0; // averaging factor, user time, gain, output number
    int state = 0; // output state
    double number = 0.0; // offset or distance
};

// The command word of a request line: its leading lower-case letters ("capturepwm" of
// "capturepwm052 1"). Faults that name a command match this word.
std::string_view simCommandWord(std::string_view line);
// Whether the device knows this command word.
bool isSimCommandWord(std::string_view word);

// Parses one request line (without its carriage return) by the exact grammar: parameters as
// decimal digits in their fixed widths, one blank before the board number, nothing else. Values
// outside the protocol's ranges (sensor 1..5, capture-time code 1..8, area 0..1, averaging 0..15,
// gain 1..500, offsets below 1 in size, distances 0..999.9, outputs 0..1) count as malformed.
// Whether the board exists, and whether the firmware knows the command, is the device's check.
std::optional<SimRequest> parseSimRequest(std::string_view line);

} // namespace lumivex
