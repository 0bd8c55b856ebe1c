#include "colour/ColourConversions.h"

#include "colour/Robertson1968.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace lumivex {

namespace {

double LinearFromSrgb(int byte)
{
    const double c = byte / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// The two-level formula of the HSL model, with t in turns.
double HueToValue(double m1, double m2, double t)
{
    t -= std::floor(t);
    if (6 * t < 1)
        return m1 + (m2 - m1) * 6 * t;
    if (2 * t < 1)
        return m2;
    if (3 * t < 2)
        return m1 + (m2 - m1) * (2.0 / 3.0 - t) * 6;
    return m1;
}

int ChannelByte(double value)
{
    // Out-of-range inputs would otherwise wrap (or be undefined) in the conversion to a byte.
    return std::clamp(static_cast<int>(value * 255), 0, 255);
}

} // namespace

Hsl240 RgbToHsl240(PackedRgb colour)
{
    const double r = RedOf(colour) / 255.0;
    const double g = GreenOf(colour) / 255.0;
    const double b = BlueOf(colour) / 255.0;
    const double max = std::max({r, g, b});
    const double min = std::min({r, g, b});
    const double l = (max + min) / 2;
    double h = 0;
    double s = 0;
    if (max != min) {
        const double d = max - min;
        s = l < 0.5 ? d / (max + min) : d / (2 - max - min);
        if (r == max)
            h = (g - b) / d;
        else if (g == max)
            h = 2 + (b - r) / d;
        else
            h = 4 + (r - g) / d;
        h /= 6;
        if (h < 0)
            h += 1;
    }
    return {h * 240, s * 240, l * 240};
}

HslBytes RgbToHslBytes(PackedRgb colour)
{
    const Hsl240 hsl = RgbToHsl240(colour);
    const auto toByte = [](double value, int limit) {
        return static_cast<std::uint8_t>(std::min(static_cast<int>(value + 0.5), limit));
    };
    return {toByte(hsl.h, 239), toByte(hsl.s, 240), toByte(hsl.l, 240)};
}

PackedRgb Hsl240ToRgb(double h, double s, double l)
{
    h /= 240;
    s /= 240;
    l /= 240;
    double red = l;
    double green = l;
    double blue = l;
    if (s != 0) {
        const double m2 = l <= 0.5 ? l * (1 + s) : l + s - l * s;
        const double m1 = 2 * l - m2;
        red = HueToValue(m1, m2, h + 1.0 / 3.0);
        green = HueToValue(m1, m2, h);
        blue = HueToValue(m1, m2, h - 1.0 / 3.0);
    }
    return PackRgb(ChannelByte(red), ChannelByte(green), ChannelByte(blue));
}

Xyz RgbToXyzD50(PackedRgb colour)
{
    const double r = LinearFromSrgb(RedOf(colour));
    const double g = LinearFromSrgb(GreenOf(colour));
    const double b = LinearFromSrgb(BlueOf(colour));
    return {
        0.436052025 * r + 0.385081593 * g + 0.143087414 * b,
        0.222491598 * r + 0.71688606 * g + 0.060621486 * b,
        0.013929122 * r + 0.097097002 * g + 0.71418547 * b,
    };
}

Chromaticity RgbToXy(PackedRgb colour)
{
    const Xyz xyz = RgbToXyzD50(colour);
    const double sum = xyz.X + xyz.Y + xyz.Z;
    if (sum == 0)
        return kD50WhitePoint;
    return {xyz.X / sum, xyz.Y / sum};
}

double RgbToCct(PackedRgb colour)
{
    Xyz xyz = RgbToXyzD50(colour);
    if (xyz.X <= 1e-20 && xyz.Y <= 1e-20 && xyz.Z <= 1e-20)
        return 0;
    if (xyz.X + xyz.Y + xyz.Z == 0)
        xyz = {0.964221, 1.0, 0.825211};
    const double denominator = xyz.X + 15 * xyz.Y + 3 * xyz.Z;
    return RobertsonCct(4 * xyz.X / denominator, 6 * xyz.Y / denominator);
}

double RobertsonCct(double u, double v)
{
    const auto lines = RobertsonLines();
    // Reciprocal temperature in 1/K; the line at infinity gets the smallest positive double so
    // that 1 / rt stays finite.
    const auto reciprocal = [&](std::size_t i) { return i == 0 ? DBL_MIN : lines[i].mired * 1e-6; };

    double previous = 0;
    std::size_t i = 0;
    double d = 0;
    for (; i < lines.size(); ++i) {
        d = (v - lines[i].v) - lines[i].t * (u - lines[i].u);
        if (i > 0 && ((d < 0 && previous >= 0) || (d >= 0 && previous < 0)))
            break;
        previous = d;
    }
    if (i == lines.size())
        return 0;

    d /= std::sqrt(1 + lines[i].t * lines[i].t);
    previous /= std::sqrt(1 + lines[i - 1].t * lines[i - 1].t);
    const double p = previous / (previous - d);
    return 1 / (reciprocal(i - 1) + (reciprocal(i) - reciprocal(i - 1)) * p);
}

} // namespace lumivex
