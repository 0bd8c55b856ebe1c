#pragma once

#include <optional>
#include <string_view>

namespace lumivex {

// The value groups of a stability run: the boxes "RGBI", "HSI", "XY".
struct StabilityGroups {
    bool rgbi = true;
    bool hsi = true;
    bool xy = true;
    bool operator==(const StabilityGroups&) const = default;
};

// What a stability run was made with, as its data file keeps it.
struct StabilitySetup {
    int ledIndex = 0; // the main window's zero-based LED choice (board (i / 5) + 1, sensor (i % 5) + 1)
    int rangeIndex = 5; // 0..11, the capture time and area in manual and PWM mode
    int testMode = 0; // 0 manual, 1 user, 2 PWM
    int averaging = 0; // 0..15, PWM mode
    int userArea = 0; // 0 3x3, 1 9x9 (user mode)
    int durationMs = 0; // of the last run
    bool operator==(const StabilitySetup&) const = default;
};

// The capture of a range index in manual and PWM mode.
struct RangeCapture {
    int timeCode;
    int areaCode;
    int captureMs;
    std::string_view timeText; // "10ms"
    std::string_view areaText; // "3x3"
};

// Indexes 1..11; index 0 is "disabled" and allows no run (nothing for it).
std::optional<RangeCapture> rangeCapture(int rangeIndex);
// The texts of any index 0..11 ("disabled", "3x3" for 0); empty texts outside.
std::string_view rangeTimeText(int rangeIndex);
std::string_view rangeAreaText(int rangeIndex);

} // namespace lumivex
