#include "colour/ColourConversions.h"

#include "colour/Robertson1968.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>

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

// Whole numbers up to this size go through integer arithmetic without any risk of overflow.
constexpr double kExactInputLimit = 1 << 20;

bool IsWholeNumber(double value)
{
    return std::abs(value) <= kExactInputLimit && std::floor(value) == value;
}

std::int64_t FloorDivide(std::int64_t numerator, std::int64_t denominator)
{
    const std::int64_t quotient = numerator / denominator;
    return quotient * denominator > numerator ? quotient - 1 : quotient;
}

// HueToValue for whole-number inputs, exactly: m1 and m2 in units of 1/240^2, the hue position in
// 240ths of a turn. The value is a multiple of 1/(240^2 * 40), so its byte is an integer division.
int ExactChannelByte(std::int64_t m1, std::int64_t m2, std::int64_t position)
{
    position = (position % 240 + 240) % 240;
    std::int64_t value = m1 * 40;
    if (position < 40)
        value = m1 * 40 + (m2 - m1) * position;
    else if (position < 120)
        value = m2 * 40;
    else if (position < 160)
        value = m1 * 40 + (m2 - m1) * (160 - position);
    return static_cast<int>(std::clamp<std::int64_t>(FloorDivide(value * 255, 240 * 240 * 40), 0, 255));
}

// Floating point lands a step low wherever the exact value is a whole byte (hsl(0, 4, 240) would
// give 254 for red), so whole-number inputs, all the palette's own, are computed exactly.
PackedRgb ExactHsl240ToRgb(std::int64_t h, std::int64_t s, std::int64_t l)
{
    const std::int64_t m2 = l <= 120 ? l * (240 + s) : 240 * (l + s) - l * s;
    const std::int64_t m1 = 480 * l - m2;
    return PackRgb(ExactChannelByte(m1, m2, h + 80), ExactChannelByte(m1, m2, h), ExactChannelByte(m1, m2, h - 80));
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
    if (IsWholeNumber(h) && IsWholeNumber(s) && IsWholeNumber(l))
        return ExactHsl240ToRgb(
            static_cast<std::int64_t>(h), static_cast<std::int64_t>(s), static_cast<std::int64_t>(l));
    // Fractions come only from painting gradients, where a byte one step low cannot be seen.
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
    const CctResult cct = CctFromUv(4 * xyz.X / denominator, 6 * xyz.Y / denominator);
    return cct.valid ? cct.kelvin : 0;
}

CctResult CctFromUv(double u, double v)
{
    CctResult result;
    result.kelvin = RobertsonCct(u, v);
    result.duv = PlanckianDuv(u, v);
    // Far from the locus Robertson's lines cross each other and bracket points at random.
    result.valid = std::abs(result.duv) <= kMaxPlanckianDistance && result.kelvin >= kMinCctKelvin
        && result.kelvin <= kMaxCctKelvin;
    return result;
}

double PlanckianDuv(double u, double v)
{
    const auto lines = RobertsonLines();
    double nearest = std::numeric_limits<double>::infinity();
    double signedNearest = 0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const double du = lines[i].u - lines[i - 1].u;
        const double dv = lines[i].v - lines[i - 1].v;
        const double along
            = std::clamp(((u - lines[i - 1].u) * du + (v - lines[i - 1].v) * dv) / (du * du + dv * dv), 0.0, 1.0);
        const double offU = u - (lines[i - 1].u + along * du);
        const double offV = v - (lines[i - 1].v + along * dv);
        const double distance = std::hypot(offU, offV);
        if (distance < nearest) {
            nearest = distance;
            // The locus runs towards higher u and v as it gets warmer: left of it is above.
            signedNearest = du * offV - dv * offU >= 0 ? distance : -distance;
        }
    }
    return signedNearest;
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
