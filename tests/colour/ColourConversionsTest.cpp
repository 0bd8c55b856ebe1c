#include "colour/ColourConversions.h"
#include "colour/Robertson1968.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <numeric>
#include <sstream>
#include <string>

namespace lumivex {
namespace {

using Matrix = std::array<std::array<double, 3>, 3>;
using Vector = std::array<double, 3>;

Matrix Multiply(const Matrix& a, const Matrix& b)
{
    Matrix c {};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                c[i][j] += a[i][k] * b[k][j];
    return c;
}

Vector Apply(const Matrix& m, const Vector& v)
{
    return {m[0][0] * v[0] + m[0][1] * v[1] + m[0][2] * v[2], m[1][0] * v[0] + m[1][1] * v[1] + m[1][2] * v[2],
        m[2][0] * v[0] + m[2][1] * v[1] + m[2][2] * v[2]};
}

Matrix Inverse(const Matrix& m)
{
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1])
        - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) + m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    Matrix r {};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const int i1 = (j + 1) % 3, i2 = (j + 2) % 3, j1 = (i + 1) % 3, j2 = (i + 2) % 3;
            r[i][j] = (m[i1][j1] * m[i2][j2] - m[i1][j2] * m[i2][j1]) / det;
        }
    return r;
}

// A second way to sRGB -> XYZ (D50): the D65 matrix built from the sRGB primaries and white, then a
// Bradford chromatic adaptation to D50 (Lindbloom's white points).
Matrix ReferenceSrgbToXyzD50()
{
    const double px[] = {0.64, 0.30, 0.15};
    const double py[] = {0.33, 0.60, 0.06};
    Matrix primaries {};
    for (int k = 0; k < 3; ++k) {
        primaries[0][k] = px[k] / py[k];
        primaries[1][k] = 1;
        primaries[2][k] = (1 - px[k] - py[k]) / py[k];
    }
    const Vector d65 {0.95047, 1.0, 1.08883};
    const Vector d50 {0.96422, 1.0, 0.82521};
    const Vector scale = Apply(Inverse(primaries), d65);
    Matrix toXyz65 = primaries;
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k)
            toXyz65[i][k] *= scale[k];
    const Matrix bradford {{{0.8951, 0.2664, -0.1614}, {-0.7502, 1.7135, 0.0367}, {0.0389, -0.0685, 1.0296}}};
    const Vector cone65 = Apply(bradford, d65);
    const Vector cone50 = Apply(bradford, d50);
    Matrix gain {};
    for (int k = 0; k < 3; ++k)
        gain[k][k] = cone50[k] / cone65[k];
    return Multiply(Multiply(Multiply(Inverse(bradford), gain), bradford), toXyz65);
}

double Linear(int byte)
{
    const double c = byte / 255.0;
    return c > 0.04045 ? std::pow((c + 0.055) / 1.055, 2.4) : c / 12.92;
}

Vector ReferenceXyz(PackedRgb colour)
{
    static const Matrix m = ReferenceSrgbToXyzD50();
    return Apply(m, {Linear(RedOf(colour)), Linear(GreenOf(colour)), Linear(BlueOf(colour))});
}

// The Planckian locus by Kim et al.'s cubic spline (2002), valid 1667 K .. 25000 K.
Chromaticity KimPlanckian(double t)
{
    const double x = t <= 4000 ? -0.2661239e9 / (t * t * t) - 0.2343589e6 / (t * t) + 0.8776956e3 / t + 0.179910
                               : -3.0258469e9 / (t * t * t) + 2.1070379e6 / (t * t) + 0.2226347e3 / t + 0.240390;
    double y;
    if (t <= 2222)
        y = -1.1063814 * x * x * x - 1.34811020 * x * x + 2.18555832 * x - 0.20219683;
    else if (t <= 4000)
        y = -0.9549476 * x * x * x - 1.37418593 * x * x + 2.09137015 * x - 0.16748867;
    else
        y = 3.0817580 * x * x * x - 5.87338670 * x * x + 3.75112997 * x - 0.37001483;
    return {x, y};
}

// CCT as the temperature of the nearest Planckian point in CIE 1960 u, v: a scan in steps of one
// mired, then golden-section refinement around the best step.
double ReferenceCct(double u, double v)
{
    const auto distance = [&](double mired) {
        const Chromaticity p = KimPlanckian(1e6 / mired);
        const double d = -2 * p.x + 12 * p.y + 3;
        return std::hypot(u - 4 * p.x / d, v - 6 * p.y / d);
    };
    double best = 40;
    for (double mired = 40; mired <= 600; mired += 1)
        if (distance(mired) < distance(best))
            best = mired;
    double lo = std::max(40.0, best - 1);
    double hi = std::min(600.0, best + 1);
    const double phi = (std::sqrt(5.0) - 1) / 2;
    while (hi - lo > 1e-7) {
        const double a = hi - phi * (hi - lo);
        const double b = lo + phi * (hi - lo);
        if (distance(a) < distance(b))
            hi = b;
        else
            lo = a;
    }
    return 1e6 / ((lo + hi) / 2);
}

TEST(RgbToHsl240, huesSaturationsAndLightnessesOfGreysPrimariesAndMixtures)
{
    for (const int v : {0, 1, 128, 254, 255}) {
        const Hsl240 hsl = RgbToHsl240(PackRgb(v, v, v));
        EXPECT_EQ(hsl.h, 0) << v;
        EXPECT_EQ(hsl.s, 0) << v;
        EXPECT_DOUBLE_EQ(hsl.l, v * 240.0 / 255) << v;
    }
    struct Case {
        PackedRgb colour;
        double hue;
    };
    // Equal maxima (yellow, cyan, magenta, and a paler yellow) decide the hue branch by red, then
    // green, then blue.
    for (const Case c : {Case {PackRgb(255, 0, 0), 0}, Case {PackRgb(255, 255, 0), 40}, Case {PackRgb(0, 255, 0), 80},
             Case {PackRgb(0, 255, 255), 120}, Case {PackRgb(0, 0, 255), 160}, Case {PackRgb(255, 0, 255), 200},
             Case {PackRgb(200, 200, 100), 40}, Case {PackRgb(255, 0, 128), 240 - 128.0 / 255 * 40}}) {
        EXPECT_NEAR(RgbToHsl240(c.colour).h, c.hue, 1e-9) << std::hex << c.colour;
    }
    const Hsl240 red = RgbToHsl240(PackRgb(255, 0, 0));
    EXPECT_DOUBLE_EQ(red.s, 240);
    EXPECT_DOUBLE_EQ(red.l, 120);
    // Dark and light colours take the two saturation branches.
    EXPECT_NEAR(RgbToHsl240(PackRgb(100, 50, 50)).s, 80, 1e-9);
    EXPECT_NEAR(RgbToHsl240(PackRgb(250, 200, 200)).s, 200, 1e-9);
}

TEST(RgbToHslBytes, roundsToNearestAndHoldsHueBelow240)
{
    // Grey 1 has lightness 0.94: rounded, not cut to 0.
    EXPECT_EQ(RgbToHslBytes(PackRgb(1, 1, 1)).l, 1);
    EXPECT_EQ(RgbToHslBytes(PackRgb(255, 255, 255)).l, 240);
    EXPECT_EQ(RgbToHslBytes(PackRgb(255, 0, 0)).s, 240);
    // A red with a trace of blue lies at hue 239.84, which would round to 240.
    EXPECT_GT(RgbToHsl240(PackRgb(255, 0, 1)).h, 239.5);
    EXPECT_EQ(RgbToHslBytes(PackRgb(255, 0, 1)).h, 239);
}

TEST(Hsl240ToRgb, knownColoursWrapTheHueAndClampBeyondTheScale)
{
    const struct {
        double h, s, l;
        PackedRgb rgb;
    } cases[] = {
        {0, 240, 120, PackRgb(255, 0, 0)},
        {80, 240, 120, PackRgb(0, 255, 0)},
        {160, 240, 120, PackRgb(0, 0, 255)},
        {240, 240, 120, PackRgb(255, 0, 0)}, // the hue wraps
        {0, 0, 240, PackRgb(255, 255, 255)},
        {0, 240, 0, PackRgb(0, 0, 0)},
        // Beyond the scale: full or no channel instead of wrapping.
        {0, 0, 300, PackRgb(255, 255, 255)},
        {0, 0, -20, PackRgb(0, 0, 0)},
        {0, 400, 120, PackRgb(255, 0, 0)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Hsl240ToRgb(c.h, c.s, c.l), c.rgb) << c.h << " " << c.s << " " << c.l;
}

TEST(Hsl240ToRgb, roundTripOverA16StepGridStaysWithinOneStep)
{
    for (int r = 0; r < 256; r += 17)
        for (int g = 0; g < 256; g += 17)
            for (int b = 0; b < 256; b += 17) {
                const Hsl240 hsl = RgbToHsl240(PackRgb(r, g, b));
                const PackedRgb back = Hsl240ToRgb(hsl.h, hsl.s, hsl.l);
                EXPECT_LE(std::abs(RedOf(back) - r), 1) << r << "," << g << "," << b;
                EXPECT_LE(std::abs(GreenOf(back) - g), 1) << r << "," << g << "," << b;
                EXPECT_LE(std::abs(BlueOf(back) - b), 1) << r << "," << g << "," << b;
            }
}

// Exact rational arithmetic for a reference that owes nothing to floating point. Reduced only on
// request: over the HSL formula's whole-number domain the terms stay far inside 64 bits.
struct Fraction {
    std::int64_t num = 0;
    std::int64_t den = 1;
    Fraction Reduced() const
    {
        const std::int64_t g = std::gcd(num, den);
        return {num / g, den / g};
    }
    friend Fraction operator+(Fraction a, Fraction b) { return {a.num * b.den + b.num * a.den, a.den * b.den}; }
    friend Fraction operator-(Fraction a, Fraction b) { return {a.num * b.den - b.num * a.den, a.den * b.den}; }
    friend Fraction operator*(Fraction a, Fraction b) { return {a.num * b.num, a.den * b.den}; }
    friend bool operator<(Fraction a, Fraction b) { return a.num * b.den < b.num * a.den; }
    std::int64_t Floor() const { return num >= 0 ? num / den : -((-num + den - 1) / den); }
};

// The HSL formula read literally, with h, s, l as fractions of 240 and the hue in turns: the 240
// channel bytes that one saturation and lightness give at hue positions 0/240 .. 239/240 of a turn.
std::array<int, 240> ExactChannelsAround(int s, int l)
{
    const Fraction one {1}, half {1, 2}, sf {s, 240}, lf {l, 240};
    const Fraction m2 = (half < lf ? lf + sf - lf * sf : lf * (one + sf)).Reduced();
    const Fraction m1 = (Fraction {2} * lf - m2).Reduced();
    const Fraction rise = (m2 - m1).Reduced();
    std::array<int, 240> bytes {};
    for (int position = 0; position < 240; ++position) {
        const Fraction t {position, 240};
        Fraction value = m1;
        if (Fraction {6} * t < one)
            value = m1 + rise * Fraction {6} * t;
        else if (Fraction {2} * t < one)
            value = m2;
        else if (Fraction {3} * t < Fraction {2})
            value = m1 + rise * (Fraction {2, 3} - t) * Fraction {6};
        bytes[static_cast<std::size_t>(position)]
            = static_cast<int>(std::clamp<std::int64_t>((value * Fraction {255}).Floor(), 0, 255));
    }
    return bytes;
}

TEST(Hsl240ToRgb, everyWholeNumberInputTruncatesTheExactValue)
{
    long mismatches = 0;
    std::string first;
    for (int s = 0; s <= 240; ++s)
        for (int l = 0; l <= 240; ++l) {
            const std::array<int, 240> channel = ExactChannelsAround(s, l);
            // Red leads the hue by a third of a turn, blue trails it by a third.
            const auto at = [&channel](int position) { return channel[static_cast<std::size_t>(position % 240)]; };
            for (int h = 0; h < 240; ++h)
                if (Hsl240ToRgb(h, s, l) != PackRgb(at(h + 80), at(h), at(h + 160)) && mismatches++ < 5)
                    first += testing::PrintToString(std::array {h, s, l}) + " ";
        }
    EXPECT_EQ(mismatches, 0) << "first: " << first;
}

TEST(RgbToXy, blackAndGreysGiveTheD50WhitePoint)
{
    const Chromaticity black = RgbToXy(PackRgb(0, 0, 0));
    EXPECT_EQ(black.x, 0.34566929754874826) << "exactly";
    EXPECT_EQ(black.y, 0.3584959231843615);
    for (const int v : {1, 60, 128, 255}) {
        const Chromaticity xy = RgbToXy(PackRgb(v, v, v));
        EXPECT_NEAR(xy.x, black.x, 2e-6) << v;
        EXPECT_NEAR(xy.y, black.y, 2e-6) << v;
    }
}

TEST(RgbToXy, agreesWithAnIndependentBradfordAdaptation)
{
    for (int r = 0; r < 256; r += 51)
        for (int g = 0; g < 256; g += 51)
            for (int b = 0; b < 256; b += 51) {
                if (r + g + b == 0)
                    continue;
                const Vector xyz = ReferenceXyz(PackRgb(r, g, b));
                const double sum = xyz[0] + xyz[1] + xyz[2];
                const Chromaticity xy = RgbToXy(PackRgb(r, g, b));
                EXPECT_NEAR(xy.x, xyz[0] / sum, 1e-4) << r << "," << g << "," << b;
                EXPECT_NEAR(xy.y, xyz[1] / sum, 1e-4) << r << "," << g << "," << b;
            }
}

TEST(RgbToXy, primariesMatchPublishedD50Chromaticities)
{
    // Lindbloom's sRGB primaries adapted to D50 (Bradford).
    struct Case {
        PackedRgb colour;
        double x, y;
    };
    for (const Case c : {Case {PackRgb(255, 0, 0), 0.648431, 0.330856}, Case {PackRgb(0, 255, 0), 0.321152, 0.597871},
             Case {PackRgb(0, 0, 255), 0.155886, 0.066044}}) {
        const Chromaticity xy = RgbToXy(c.colour);
        EXPECT_NEAR(xy.x, c.x, 1e-4) << std::hex << c.colour;
        EXPECT_NEAR(xy.y, c.y, 1e-4) << std::hex << c.colour;
    }
}

TEST(RgbToCct, greysSitAtD50AndBlackOrColoursBeyondTheIsotemperatureLinesHaveNone)
{
    for (const int v : {1, 50, 128, 255})
        EXPECT_NEAR(RgbToCct(PackRgb(v, v, v)), 5002, 2) << v;
    EXPECT_EQ(RgbToCct(PackRgb(0, 0, 0)), 0);
    EXPECT_EQ(RgbToCct(PackRgb(255, 0, 0)), 0); // redder than 1667 K
    EXPECT_EQ(RgbToCct(PackRgb(0, 0, 255)), 0); // bluer than infinity
    EXPECT_EQ(RgbToCct(PackRgb(255, 120, 20)), 0); // an amber just past 1667 K
}

// Reference: the nearest point of the Planckian locus (Kim et al.'s spline) found by direct search.
// Robertson's interpolation and the spline differ by well under 0.5 % near the locus.
TEST(RgbToCct, agreesWithADirectSearchAlongThePlanckianLocus)
{
    for (const PackedRgb colour : {PackRgb(255, 255, 255), PackRgb(255, 200, 150), PackRgb(255, 180, 100),
             PackRgb(255, 160, 60), PackRgb(255, 140, 40), PackRgb(255, 230, 200), PackRgb(255, 245, 235),
             PackRgb(230, 240, 255), PackRgb(200, 220, 255), PackRgb(180, 200, 255), PackRgb(255, 220, 160)}) {
        const Vector xyz = ReferenceXyz(colour);
        const double d = xyz[0] + 15 * xyz[1] + 3 * xyz[2];
        const double reference = ReferenceCct(4 * xyz[0] / d, 6 * xyz[1] / d);
        EXPECT_NEAR(RgbToCct(colour), reference, reference * 0.005) << std::hex << colour;
    }
}

TEST(RgbToCct, coloursFarFromThePlanckianLocusHaveNone)
{
    const struct {
        const char* name;
        PackedRgb colour;
    } cases[] = {
        {"pure green, 0.09 above the locus", PackRgb(0, 255, 0)},
        {"pure magenta, 0.12 below it", PackRgb(255, 0, 255)},
        {"a palette violet near it but hotter than any temperature", PackRgb(118, 114, 208)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RgbToCct(c.colour), 0) << c.name;
}

TEST(CctFromUv, publishedIlluminantsAreValidAtTheirTemperatures)
{
    // The CIE illuminants' chromaticities (2 degree observer) with their commonly quoted CCT and Duv.
    const struct {
        const char* name;
        double x, y, kelvin, duv;
    } cases[] = {
        {"A", 0.44757, 0.40745, 2856, 0.0},
        {"D50", 0.34567, 0.35850, 5003, 0.0033},
        {"D65", 0.31271, 0.32902, 6504, 0.0032},
    };
    for (const auto& c : cases) {
        const double d = -2 * c.x + 12 * c.y + 3;
        const CctResult r = CctFromUv(4 * c.x / d, 6 * c.y / d);
        EXPECT_TRUE(r.valid) << c.name;
        EXPECT_NEAR(r.kelvin, c.kelvin, c.kelvin * 0.002) << c.name;
        EXPECT_NEAR(r.duv, c.duv, 3e-4) << c.name;
    }
}

// Points moved off Kim's spline along its normal by a known distance: Duv comes back, and only
// those within 0.05 count. A temperature beyond 25000 K (the table's 30 MK^-1 row) counts neither.
TEST(CctFromUv, distanceFromTheLocusDecidesValidity)
{
    const auto uvOf = [](double kelvin) {
        const Chromaticity p = KimPlanckian(kelvin);
        const double d = -2 * p.x + 12 * p.y + 3;
        return std::array {4 * p.x / d, 6 * p.y / d};
    };
    for (const double kelvin : {1800.0, 3000.0, 6500.0, 20000.0})
        for (const double offset : {-0.06, -0.045, 0.0, 0.045, 0.06}) {
            const auto on = uvOf(kelvin);
            const auto a = uvOf(1e6 / (1e6 / kelvin - 0.5));
            const auto b = uvOf(1e6 / (1e6 / kelvin + 0.5));
            const double du = b[0] - a[0], dv = b[1] - a[1], length = std::hypot(du, dv);
            // The normal on the green side: the locus runs towards higher u and v as it gets warmer.
            const CctResult r = CctFromUv(on[0] - dv / length * offset, on[1] + du / length * offset);
            EXPECT_NEAR(r.duv, offset, 1e-3) << kelvin << " K, " << offset;
            EXPECT_EQ(r.valid, std::abs(offset) <= 0.05) << kelvin << " K, " << offset;
            if (r.valid) {
                EXPECT_NEAR(1e6 / r.kelvin, 1e6 / kelvin, 2) << kelvin << " K, " << offset;
            }
        }
    const CctResult hot = CctFromUv(0.18208, 0.27119);
    EXPECT_NEAR(hot.kelvin, 33333, 50);
    EXPECT_FALSE(hot.valid);
}

TEST(RobertsonCct, planckianPointsBetweenTableRowsComeBackAtTheirTemperature)
{
    // Kim's spline points at temperatures that are no table row, read back by Robertson's method.
    for (const double t : {1800.0, 2700.0, 3500.0, 4500.0, 6500.0, 9000.0, 15000.0}) {
        const Chromaticity p = KimPlanckian(t);
        const double d = -2 * p.x + 12 * p.y + 3;
        EXPECT_NEAR(RobertsonCct(4 * p.x / d, 6 * p.y / d), t, t * 0.003) << t;
    }
}

TEST(RobertsonLines, matchTheCopiedTableRowForRow)
{
    std::ifstream file(LUMIVEX_COLOUR_DATA_DIR "/robertson1968.csv");
    ASSERT_TRUE(file);
    std::string line;
    std::size_t row = 0;
    bool header = true;
    const auto lines = RobertsonLines();
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        if (header) {
            header = false;
            continue;
        }
        ASSERT_LT(row, lines.size());
        std::istringstream fields(line);
        double mired, u, v, t;
        char comma;
        fields >> mired >> comma >> u >> comma >> v >> comma >> t;
        EXPECT_EQ(lines[row].mired, mired) << line;
        EXPECT_EQ(lines[row].u, u) << line;
        EXPECT_EQ(lines[row].v, v) << line;
        EXPECT_EQ(lines[row].t, t) << line;
        ++row;
    }
    EXPECT_EQ(row, 31u);
}

} // namespace
} // namespace lumivex
