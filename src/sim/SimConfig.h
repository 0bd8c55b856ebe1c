#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace lumivex {

// The LED one sensor looks at. Colour is an sRGB triple; intensity is the device's raw scale,
// where 99999 and above saturates the sensor and 0 is dark. Drift and flicker make the light
// change over time, for stability runs.
struct SimLed {
    int red = 255;
    int green = 255;
    int blue = 255;
    int intensity = 30000;
    double driftPercentPerMinute = 0.0; // linear change of the intensity, relative to its start
    double flickerPercent = 0.0; // sine amplitude, relative to the intensity
    int flickerPeriodMs = 1000;
};

// An LED chosen for one sensor (board from 1, sensor 1..5).
struct SimLedSetting {
    int board = 1;
    int sensor = 1;
    SimLed led;
};

// An unsolicited "InputIO<digit>" message, sent this long after the device starts.
struct SimInputEvent {
    int digit = 2;
    int afterMs = 0;
};

// Faults the simulated device can be told to show, each switched off by default.
struct SimFaults {
    int latencyMs = 0; // before every reply
    // Request number (from 1, counted since the start or the last reconnect) -> milliseconds of
    // extra wait before that one request is worked on, on top of latencyMs.
    std::map<int, int> latencyAt;
    int paceBaud = 0; // 0: bytes arrive at once; else 10 bits per byte at this rate
    int chunkSize = 0; // 0: a reply arrives whole; else in pieces of this many bytes
    int chunkGapUs = 1000; // between pieces when not pacing
    int noiseBytes = 0; // non-printable junk bytes inserted at random places of every message
    std::set<std::string> errorOn; // command words answered with "ERROR"
    std::set<std::string> silentOn; // command words ignored: no reply, no effect
    bool multiLine = false; // an echo of the request as an extra line before "OK" and value lines
    std::string multiLineLead = " "; // leads the value line of a multi-line reply
    std::optional<int> disconnectAfter; // the device vanishes when the request after these arrives
};

struct SimConfig {
    int firmware = 1007;
    int boards = 1;
    std::uint32_t seed = 1;
    std::string hardwareText = "LVXCS5-R2"; // "gethw": nine characters
    std::string serialText = "1042"; // "getserial": four characters
    bool longIdentity = false; // "getserial"/"getversion" echo the request line before the value
    std::string lineEnd = "\r"; // after every line the device sends
    double jitterPercent = 0.0; // random change of every captured intensity (seeded)
    std::vector<SimLedSetting> leds; // overrides of the default LEDs
    std::vector<SimInputEvent> inputEvents;
    SimFaults faults;
};

// Limits of the configuration, shared by the option parser and the device.
inline constexpr int kSimMaxBoards = 99;
inline constexpr int kSimSensorsPerBoard = 5;
inline constexpr int kSimSaturated = 99999;
inline constexpr std::size_t kSimMaxRequest = 500;
inline constexpr int kSimMaxLatencyMs = 600000;

// The LED a sensor looks at when nothing else was configured: five distinct colours per board,
// slightly dimmer on each further board.
SimLed defaultSimLed(int board, int sensor);

// An empty text when the configuration can be used, else what is wrong with it.
std::string validateSimConfig(const SimConfig& config);

} // namespace lumivex
