#pragma once

#include <cstdint>

namespace lumivex {

// A colour packed as the system keeps it: red in the low byte, green in the second, blue in the
// third; the top byte is unused.
using PackedRgb = std::uint32_t;

constexpr PackedRgb PackRgb(int red, int green, int blue)
{
    return static_cast<PackedRgb>(red & 0xFF) | static_cast<PackedRgb>(green & 0xFF) << 8
        | static_cast<PackedRgb>(blue & 0xFF) << 16;
}
constexpr int RedOf(PackedRgb colour)
{
    return static_cast<int>(colour & 0xFF);
}
constexpr int GreenOf(PackedRgb colour)
{
    return static_cast<int>(colour >> 8 & 0xFF);
}
constexpr int BlueOf(PackedRgb colour)
{
    return static_cast<int>(colour >> 16 & 0xFF);
}

// Hue, saturation and lightness on the 0..240 scale of the system's colour dialogs.
struct Hsl240 {
    double h = 0;
    double s = 0;
    double l = 0;
};

struct HslBytes {
    std::uint8_t h = 0; // at most 239
    std::uint8_t s = 0; // at most 240
    std::uint8_t l = 0; // at most 240
};

struct Chromaticity {
    double x = 0;
    double y = 0;
};

// The D50 white point that RgbToXy gives for black.
inline constexpr Chromaticity kD50WhitePoint {0.34566929754874826, 0.3584959231843615};

Hsl240 RgbToHsl240(PackedRgb colour);
HslBytes RgbToHslBytes(PackedRgb colour);
// Each channel is 255 times the HSL formula's value, truncated; exactly so for whole-number inputs.
// Inputs outside 0..240 give channels that are held to 0..255.
PackedRgb Hsl240ToRgb(double h, double s, double l);
// CIE 1931 x, y of the colour taken as sRGB, adapted to a D50 white.
Chromaticity RgbToXy(PackedRgb colour);
// Correlated colour temperature in kelvin by Robertson's method; 0 when none can be found or it
// means nothing (CctResult::valid).
double RgbToCct(PackedRgb colour);

// The sRGB -> XYZ (D50) step shared by RgbToXy and RgbToCct.
struct Xyz {
    double X = 0;
    double Y = 0;
    double Z = 0;
};
Xyz RgbToXyzD50(PackedRgb colour);

// Robertson's interpolation on CIE 1960 u, v; 0 when no pair of isotemperature lines brackets the
// point. Exposed for tests that probe the method away from the sRGB gamut.
double RobertsonCct(double u, double v);

// A correlated colour temperature is only meaningful near the Planckian locus and within the range
// where the term is in use.
inline constexpr double kMaxPlanckianDistance = 0.05;
inline constexpr double kMinCctKelvin = 1000;
inline constexpr double kMaxCctKelvin = 25000;

struct CctResult {
    double kelvin = 0; // RobertsonCct
    // CIE 1960 u, v distance from the Planckian locus; positive above it (towards green).
    double duv = 0;
    // |duv| <= kMaxPlanckianDistance and kMinCctKelvin <= kelvin <= kMaxCctKelvin.
    bool valid = false;
};
CctResult CctFromUv(double u, double v);
// The signed distance of CctResult::duv, from the locus through the Planckian points of Robertson's
// table (1667 K and hotter) joined by straight lines; between rows the line is within 1.1e-4 of the
// curve.
double PlanckianDuv(double u, double v);

} // namespace lumivex
