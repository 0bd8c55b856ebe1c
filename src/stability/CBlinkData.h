#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace lumivex {

// Which value groups and which capture a reading was taken with (the record's flags).
struct BlinkFlag {
    static constexpr std::uint16_t Rgbi = 0x0001;
    static constexpr std::uint16_t Hsi = 0x0002;
    static constexpr std::uint16_t Xy = 0x0004;
    static constexpr std::uint16_t ManualOrPwm = 0x0010;
    static constexpr std::uint16_t UserCapture = 0x0020;
    static constexpr std::uint16_t PwmCapture = 0x0040;
};

// One reading of a stability run.
struct CBlinkData {
    std::uint16_t ReadingNo = 0; // 1-based
    std::uint16_t Flags = 0;
    std::int16_t Red = 0;
    std::int16_t Green = 0;
    std::int16_t Blue = 0;
    std::int32_t Intensity = 0;
    std::int16_t Saturation = 0;
    float Hue = 0.0f;
    float X = 0.0f;
    float Y = 0.0f;

    bool operator==(const CBlinkData&) const = default;
};

// The record's archive form: its fields in order, little-endian, no gaps.
inline constexpr std::size_t kBlinkArchiveSize = 28;
std::array<std::uint8_t, kBlinkArchiveSize> archiveBlinkData(const CBlinkData& reading);
std::optional<CBlinkData> unarchiveBlinkData(const std::uint8_t* bytes, std::size_t size);

} // namespace lumivex
