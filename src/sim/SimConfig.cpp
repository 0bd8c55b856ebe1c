#include "sim/SimConfig.h"

#include <array>

namespace lumivex {

SimLed defaultSimLed(int board, int sensor)
{
    // Red, green, blue, a warm white and an amber LED: every value group shows something.
    struct Colour {
        int red, green, blue, intensity;
    };
    static constexpr std::array<Colour, kSimSensorsPerBoard> kColours {{
        {255, 24, 16, 42000},
        {40, 255, 60, 55000},
        {20, 70, 255, 23000},
        {255, 214, 170, 61000},
        {255, 150, 0, 47000},
    }};
    const Colour& c = kColours.at(static_cast<std::size_t>((sensor - 1) % kSimSensorsPerBoard));
    SimLed led;
    led.red = c.red;
    led.green = c.green;
    led.blue = c.blue;
    led.intensity = c.intensity * 100 / (100 + 5 * (board - 1));
    return led;
}

std::string validateSimConfig(const SimConfig& config)
{
    if (config.firmware < 1 || config.firmware > 9999)
        return "the firmware number must lie between 1 and 9999";
    if (config.boards < 1 || config.boards > kSimMaxBoards)
        return "the board count must lie between 1 and " + std::to_string(kSimMaxBoards);
    if (config.hardwareText.size() != 9)
        return "the hardware text must have 9 characters";
    if (config.serialText.size() != 4)
        return "the serial number must have 4 characters";
    if (config.lineEnd.empty())
        return "the line end must not be empty";
    if (config.jitterPercent < 0.0 || config.jitterPercent > 100.0)
        return "the jitter must lie between 0 and 100 percent";
    for (const SimLedSetting& s : config.leds) {
        if (s.board < 1 || s.board > config.boards || s.sensor < 1 || s.sensor > kSimSensorsPerBoard)
            return "LED " + std::to_string(s.board) + ":" + std::to_string(s.sensor) + " names no sensor of the device";
        const SimLed& led = s.led;
        if (led.red < 0 || led.red > 255 || led.green < 0 || led.green > 255 || led.blue < 0 || led.blue > 255)
            return "LED colours lie between 0 and 255";
        if (led.intensity < 0)
            return "an LED intensity must not be negative";
        if (led.flickerPercent < 0.0 || led.flickerPercent > 100.0 || led.flickerPeriodMs < 1)
            return "flicker needs 0 to 100 percent and a period of at least 1 ms";
    }
    for (const SimInputEvent& e : config.inputEvents) {
        if (e.digit < 0 || e.digit > 9 || e.afterMs < 0)
            return "an input message needs a digit 0..9 and a time of at least 0 ms";
    }
    const SimFaults& f = config.faults;
    if (f.latencyMs < 0 || f.paceBaud < 0 || f.chunkSize < 0 || f.chunkGapUs < 0 || f.noiseBytes < 0)
        return "fault settings must not be negative";
    for (const auto& [request, ms] : f.latencyAt) {
        if (request < 1 || ms < 0 || ms > kSimMaxLatencyMs)
            return "a one-off latency needs a request number of at least 1 and 0 to " + std::to_string(kSimMaxLatencyMs)
                + " ms";
    }
    if (f.disconnectAfter && *f.disconnectAfter < 0)
        return "the disconnect count must not be negative";
    return {};
}

} // namespace lumivex
