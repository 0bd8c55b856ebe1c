#include "colour/SpokeColour.h"

#include <algorithm>
#include <cmath>

namespace lumivex {

namespace {

float Wrap360(float t)
{
    t = std::fmod(t, 360.0f);
    return t < 0 ? t + 360.0f : t;
}

float HexconeValue(float m1, float m2, float t)
{
    t = Wrap360(t);
    if (t < 60)
        return m1 + (m2 - m1) * t / 60;
    if (t < 180)
        return m2;
    if (t < 240)
        return m1 + (m2 - m1) * (240 - t) / 60;
    return m1;
}

std::uint8_t ToByte(float value)
{
    return static_cast<std::uint8_t>(std::clamp(static_cast<int>(value * 255), 0, 255));
}

} // namespace

void SpokeColour::SetRgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    m_red = red;
    m_green = green;
    m_blue = blue;
    m_rgbValid = true;
    m_hslValid = false;
}

void SpokeColour::SetHsl(float hue, float saturation, float lightness)
{
    m_hue = hue;
    m_saturation = saturation;
    m_lightness = lightness;
    m_hslValid = true;
    m_rgbValid = false;
}

std::uint8_t SpokeColour::Red() const
{
    UpdateRgb();
    return m_red;
}

std::uint8_t SpokeColour::Green() const
{
    UpdateRgb();
    return m_green;
}

std::uint8_t SpokeColour::Blue() const
{
    UpdateRgb();
    return m_blue;
}

PackedRgb SpokeColour::Rgb() const
{
    UpdateRgb();
    return PackRgb(m_red, m_green, m_blue);
}

float SpokeColour::Hue() const
{
    UpdateHsl();
    return m_hue;
}

float SpokeColour::Saturation() const
{
    UpdateHsl();
    return m_saturation;
}

float SpokeColour::Lightness() const
{
    UpdateHsl();
    return m_lightness;
}

void SpokeColour::UpdateRgb() const
{
    if (m_rgbValid)
        return;
    if (m_saturation == 0) {
        m_red = m_green = m_blue = ToByte(m_lightness);
    } else {
        const float l = m_lightness;
        const float s = m_saturation;
        const float m2 = l <= 0.5f ? l + l * s : l + s - l * s;
        const float m1 = 2 * l - m2;
        m_red = ToByte(HexconeValue(m1, m2, m_hue + 120));
        m_green = ToByte(HexconeValue(m1, m2, m_hue));
        m_blue = ToByte(HexconeValue(m1, m2, m_hue - 120));
    }
    m_rgbValid = true;
}

void SpokeColour::UpdateHsl() const
{
    if (m_hslValid)
        return;
    const int r = m_red;
    const int g = m_green;
    const int b = m_blue;
    const int max = std::max({r, g, b});
    const int min = std::min({r, g, b});
    m_lightness = static_cast<float>(max + min) / 510;
    if (max == min) {
        // A grey has no hue; the formulas below would divide by zero.
        m_hue = 0;
        m_saturation = 0;
    } else {
        const float d = static_cast<float>(max - min);
        m_saturation
            = m_lightness <= 0.5f ? d / static_cast<float>(max + min) : d / static_cast<float>(510 - max - min);
        // Tested red, green, blue in turn; on a tie the later channel wins.
        float h = 0;
        if (r == max)
            h = static_cast<float>(g - b) / d;
        if (g == max)
            h = 2 + static_cast<float>(b - r) / d;
        if (b == max)
            h = 4 + static_cast<float>(r - g) / d;
        h *= 60;
        if (h > 360)
            h -= 360;
        // Red with more blue than green gives a negative angle; the hue is kept on 0..360.
        if (h < 0)
            h += 360;
        m_hue = h;
    }
    m_hslValid = true;
}

} // namespace lumivex
