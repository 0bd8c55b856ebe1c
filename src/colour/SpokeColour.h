#pragma once

#include "colour/ColourConversions.h"

#include <cstdint>

namespace lumivex {

// One colour held both as red/green/blue bytes and as hue (degrees, 0..360), saturation and
// lightness (0..1, single precision). Setting one form marks the other stale; reading a stale form
// computes it from the other (hexcone formulas).
class SpokeColour {
public:
    SpokeColour() = default;
    SpokeColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) { SetRgb(red, green, blue); }

    void SetRgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    void SetHsl(float hue, float saturation, float lightness);

    std::uint8_t Red() const;
    std::uint8_t Green() const;
    std::uint8_t Blue() const;
    PackedRgb Rgb() const;
    float Hue() const;
    float Saturation() const;
    float Lightness() const;

private:
    void UpdateRgb() const;
    void UpdateHsl() const;

    mutable std::uint8_t m_red = 0;
    mutable std::uint8_t m_green = 0;
    mutable std::uint8_t m_blue = 0;
    mutable float m_hue = 0;
    mutable float m_saturation = 0;
    mutable float m_lightness = 0;
    mutable bool m_rgbValid = true;
    mutable bool m_hslValid = true;
};

} // namespace lumivex
