#include "colour/ColourConversions.h"
#include "colour/LedReading.h"
#include "colour/Robertson1968.h"
#include "colour/SpokeColour.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <tuple>

namespace lumivex {
namespace {

// The Planckian locus by Kim et al.'s cubic spline (2002), valid 1667 K .. 25000 K, in CIE 1960 u, v.
std::array<double, 2> KimUv(double t)
{
    const double x = t <= 4000 ? -0.2661239e9 / (t * t * t) - 0.2343589e6 / (t * t) + 0.8776956e3 / t + 0.179910
                               : -3.0258469e9 / (t * t * t) + 2.1070379e6 / (t * t) + 0.2226347e3 / t + 0.240390;
    const double y = t <= 2222 ? -1.1063814 * x * x * x - 1.34811020 * x * x + 2.18555832 * x - 0.20219683
        : t <= 4000            ? -0.9549476 * x * x * x - 1.37418593 * x * x + 2.09137015 * x - 0.16748867
                               : 3.0817580 * x * x * x - 5.87338670 * x * x + 3.75112997 * x - 0.37001483;
    const double d = -2 * x + 12 * y + 3;
    return {4 * x / d, 6 * y / d};
}

TEST(RgbToHsl, greysPrimariesMixturesAndBothSaturationBranches)
{
    // Greys have no hue or saturation. Equal maxima (yellow, cyan, magenta, and a paler yellow) decide the hue branch
    // by red, then green, then blue.
    const struct {
        PackedRgb colour;
        double h, s, l;
    } cases[] = {
        {PackRgb(0, 0, 0), 0, 0, 0}, {PackRgb(1, 1, 1), 0, 0, 240.0 / 255}, {PackRgb(255, 255, 255), 0, 0, 240},
        {PackRgb(255, 0, 0), 0, 240, 120}, {PackRgb(255, 255, 0), 40, 240, 120}, {PackRgb(0, 255, 0), 80, 240, 120},
        {PackRgb(0, 255, 255), 120, 240, 120}, {PackRgb(0, 0, 255), 160, 240, 120},
        {PackRgb(255, 0, 255), 200, 240, 120}, {PackRgb(200, 200, 100), 40, 100.0 / 210 * 240, 150 * 240.0 / 255},
        {PackRgb(255, 0, 128), 240 - 128.0 / 255 * 40, 240, 120}, {PackRgb(255, 0, 1), 240 - 1.0 / 255 * 40, 240, 120},
        {PackRgb(100, 50, 50), 0, 80, 75 * 240.0 / 255}, // dark: the first saturation branch
        {PackRgb(250, 200, 200), 0, 200, 225 * 240.0 / 255}, // light: the second
    };
    // As bytes: rounded, not cut (grey 1 has lightness 0.94), and the hue held below 240 (the red with a
    // trace of blue).
    for (const auto& c : cases) {
        const Hsl240 hsl = RgbToHsl240(c.colour);
        EXPECT_NEAR(std::abs(hsl.h - c.h) + std::abs(hsl.s - c.s) + std::abs(hsl.l - c.l), 0, 1e-9)
            << std::hex << c.colour << std::dec << ": " << hsl.h << " " << hsl.s << " " << hsl.l;
        const HslBytes bytes = RgbToHslBytes(c.colour);
        EXPECT_EQ((std::array<long, 3> {bytes.h, bytes.s, bytes.l}),
            (std::array {std::min(239L, std::lround(c.h)), std::lround(c.s), std::lround(c.l)}))
            << std::hex << c.colour;
    }
}

// In-range whole numbers are all checked below; here the hue wraps and values beyond the scale give
// a full or no channel instead of wrapping, on the exact way and on the floating-point one.
TEST(Hsl240ToRgb, theHueWrapsAndValuesBeyondTheScaleClamp)
{
    for (const auto& [h, s, l, rgb] :
        {std::tuple {240.0, 240.0, 120.0, PackRgb(255, 0, 0)}, {240.5, 240.0, 120.0, PackRgb(255, 3, 0)},
            {-80.0, 240.0, 120.0, PackRgb(0, 0, 255)}, {0.0, 0.0, 300.0, PackRgb(255, 255, 255)},
            {0.0, 0.0, 300.5, PackRgb(255, 255, 255)}, {0.0, 0.0, -20.0, PackRgb(0, 0, 0)},
            {0.0, 0.0, -20.5, PackRgb(0, 0, 0)}, {0.0, 400.0, 120.0, PackRgb(255, 0, 0)}})
        EXPECT_EQ(Hsl240ToRgb(h, s, l), rgb) << h << " " << s << " " << l;
}

// The HSL formula read literally, in 240ths. Each value times 255 is a multiple of 1/240^3, so a
// whole number or at least 7e-8 away from one: a nudge of 1e-9 makes the floor of the double exact.
TEST(Hsl240ToRgb, everyWholeNumberInputTruncatesTheExactValue)
{
    long mismatches = 0;
    std::string first;
    for (int s = 0; s <= 240; ++s)
        for (int l = 0; l <= 240; ++l) {
            const double sf = s / 240.0, lf = l / 240.0;
            const double m2 = lf <= 0.5 ? lf * (1 + sf) : lf + sf - lf * sf, m1 = 2 * lf - m2;
            std::array<int, 240> channel {}; // by hue position
            for (std::size_t i = 0; i < 240; ++i) {
                const double t = static_cast<double>(i) / 240;
                const double value = 6 * t < 1 ? m1 + (m2 - m1) * 6 * t
                    : 2 * t < 1                ? m2
                    : 3 * t < 2                ? m1 + (m2 - m1) * (2.0 / 3.0 - t) * 6
                                               : m1;
                channel[i] = static_cast<int>(std::floor(value * 255 + 1e-9));
            }
            // Red leads the hue by a third of a turn, blue trails it by a third.
            const auto at = [&channel](int position) { return channel[static_cast<std::size_t>(position % 240)]; };
            for (int h = 0; h < 240; ++h)
                if (Hsl240ToRgb(h, s, l) != PackRgb(at(h + 80), at(h), at(h + 160)) && mismatches++ < 5)
                    first += testing::PrintToString(std::array {h, s, l}) + " ";
        }
    EXPECT_EQ(mismatches, 0) << "first: " << first;
}

// Fractional inputs take the floating-point way.
TEST(ColourRoundTrip, throughHsl240StaysWithinOneStep)
{
    for (int r = 0; r < 256; r += 17)
        for (int g = 0; g < 256; g += 17)
            for (int b = 0; b < 256; b += 17) {
                const Hsl240 hsl = RgbToHsl240(PackRgb(r, g, b));
                const PackedRgb c = Hsl240ToRgb(hsl.h, hsl.s, hsl.l);
                EXPECT_LE(std::max({std::abs(RedOf(c) - r), std::abs(GreenOf(c) - g), std::abs(BlueOf(c) - b)}), 1)
                    << r << "," << g << "," << b;
            }
}

// The wheel's spokes take their colours from hue, single precision, one way only.
TEST(SpokeColour, knownColoursHueOnTheCircleAndGreysWithoutHue)
{
    // Hue -120 wraps to blue; saturation 0 is grey.
    for (const auto& [h, s, rgb] : {std::tuple {0.0f, 1.0f, PackRgb(255, 0, 0)}, {120.0f, 1.0f, PackRgb(0, 255, 0)},
             {240.0f, 1.0f, PackRgb(0, 0, 255)}, {-120.0f, 1.0f, PackRgb(0, 0, 255)},
             {200.0f, 0.0f, PackRgb(127, 127, 127)}}) {
        SpokeColour colour;
        colour.SetHsl(h, s, 0.5f);
        EXPECT_EQ(colour.Rgb(), rgb) << h << " " << s;
    }
}

// The references come from Lindbloom's published sRGB -> XYZ matrix for a D50 white (Bradford), a
// source of its own for the program's coefficients: the primaries pin the matrix, the mixtures
// the curve of each channel on either side of its linear toe.
TEST(RgbToXy, blackGivesTheD50WhitePointAndColoursMatchThePublishedMatrix)
{
    const Chromaticity black = RgbToXy(PackRgb(0, 0, 0));
    EXPECT_EQ((std::array {black.x, black.y}), (std::array {0.34566929754874826, 0.3584959231843615})) << "exactly";
    for (const auto& [rgb, x, y] : {std::tuple {PackRgb(255, 0, 0), 0.64843, 0.33086},
             {PackRgb(0, 255, 0), 0.32114, 0.59787}, {PackRgb(0, 0, 255), 0.15588, 0.06604},
             {PackRgb(255, 255, 255), 0.34567, 0.35850}, {PackRgb(255, 128, 0), 0.55747, 0.40506},
             {PackRgb(8, 40, 200), 0.16487, 0.09110}, {PackRgb(255, 5, 60), 0.61906, 0.31619}}) {
        const Chromaticity xy = RgbToXy(rgb);
        EXPECT_NEAR(std::abs(xy.x - x) + std::abs(xy.y - y), 0, 2e-5) << std::hex << rgb << ": " << xy.x << " " << xy.y;
    }
}

TEST(RgbToCct, greysSitAtD50AndBlackOrColoursFarFromTheLocusHaveNone)
{
    for (const int v : {1, 50, 128, 255})
        EXPECT_NEAR(RgbToCct(PackRgb(v, v, v)), 5002, 2) << v;
    // Black; red redder than 1667 K; blue bluer than infinity; an amber just past 1667 K; pure green
    // 0.09 above the locus; pure magenta 0.12 below it; a palette violet near it but hotter than any temperature.
    for (const PackedRgb c : {PackRgb(0, 0, 0), PackRgb(255, 0, 0), PackRgb(0, 0, 255), PackRgb(255, 120, 20),
             PackRgb(0, 255, 0), PackRgb(255, 0, 255), PackRgb(118, 114, 208)})
        EXPECT_EQ(RgbToCct(c), 0) << std::hex << c;
}

// Points of Kim's spline at temperatures that are no table row, and points moved off it along its
// normal by a known distance: the temperature and Duv come back, and only points within 0.05 count.
// A temperature beyond 25000 K (the table's 30 MK^-1 row) counts neither.
TEST(CctFromUv, temperatureAndDistanceNearTheLocusAndWhichCount)
{
    for (const double kelvin : {1800.0, 2700.0, 3500.0, 4500.0, 6500.0, 9000.0, 15000.0, 20000.0})
        for (const double offset : {-0.06, -0.045, 0.0, 0.045, 0.06}) {
            SCOPED_TRACE(testing::Message() << kelvin << " K, " << offset);
            const auto on = KimUv(kelvin);
            const auto a = KimUv(1e6 / (1e6 / kelvin - 0.5));
            const auto b = KimUv(1e6 / (1e6 / kelvin + 0.5));
            const double du = b[0] - a[0], dv = b[1] - a[1], length = std::hypot(du, dv);
            // The normal on the green side: the locus runs towards higher u and v as it gets warmer.
            const CctResult r = CctFromUv(on[0] - dv / length * offset, on[1] + du / length * offset);
            EXPECT_NEAR(r.duv, offset, 1e-3);
            EXPECT_EQ(r.valid, std::abs(offset) <= 0.05);
            if (offset == 0) {
                EXPECT_NEAR(RobertsonCct(on[0], on[1]), kelvin, kelvin * 0.003);
            }
            if (r.valid) {
                EXPECT_NEAR(1e6 / r.kelvin, 1e6 / kelvin, 2);
            }
        }
    const CctResult hot = CctFromUv(0.18208, 0.27119);
    EXPECT_NEAR(hot.kelvin, 33333, 50);
    EXPECT_FALSE(hot.valid);
}

TEST(RobertsonLines, matchTheCopiedTableRowForRow)
{
    std::ifstream file(LUMIVEX_COLOUR_DATA_DIR "/robertson1968.csv");
    ASSERT_TRUE(file);
    std::string line;
    while (std::getline(file, line) && (line.empty() || line[0] == '#')) { } // up to the column names
    const auto lines = RobertsonLines();
    std::size_t row = 0;
    for (; std::getline(file, line) && !line.empty(); ++row) {
        ASSERT_LT(row, lines.size());
        std::array<double, 4> read {};
        ASSERT_EQ(std::sscanf(line.c_str(), "%lf,%lf,%lf,%lf", &read[0], &read[1], &read[2], &read[3]), 4) << line;
        EXPECT_EQ((std::array {lines[row].mired, lines[row].u, lines[row].v, lines[row].t}), read) << line;
    }
    EXPECT_EQ(row, 31u);
}

// Shares, marks, hue, validity and picked colours reach the user through the result display and
// are checked there; here what it shows only in part.
TEST(LedReading, darkCountsDivideNothingAndHugeOrSaturatedIntensitiesStayInRange)
{
    LedReading reading;
    reading.DeriveFromCounts(0, 0, 0, 1234, 255);
    EXPECT_EQ(std::tuple(reading.percentFactor, reading.shareFactor, reading.redPercent + reading.bluePercent),
        std::tuple(0.0, 0.0, 0.0))
        << "no division by a zero sum";
    // Intensity percent is integer division; beyond the documented range the product must not overflow 32 bits.
    for (const auto& [intensity, percent] :
        {std::pair {0, 0}, {50000, 50}, {99998, 99}, {INT_MAX, 2147505}, {99999, 100}}) {
        reading.DeriveFromCounts(10, 10, 10, intensity, 4095);
        EXPECT_EQ(reading.intensityPercent, percent) << intensity;
    }
    // A colour picked after a saturated reading (the last row) must count as valid in the numbers kept.
    reading.TakePickedColour(PackRgb(255, 128, 0), PaletteFactorForFirmware(1007));
    EXPECT_EQ(reading.deviceIntensity, 99998);
}

} // namespace
} // namespace lumivex
