// Our bitmap reader on files laid out by hand, on hostile headers and on the chart images the build
// generates (and the generator's BMP writer); the colour conversions, chart geometry and palette.
#include "colour/CDib.h"
#include "colour/ChartGeometry.h"
#include "colour/ChartImage.h"
#include "colour/ColourConversions.h"
#include "colour/LedReading.h"
#include "colour/PaletteModel.h"
#include "colour/Robertson1968.h"
#include "colour/SpokeColour.h"
#include "colour/WheelGeometry.h"

#include "Bmp.h"
#include "Chart.h"
#include "RecordingDialogs.h"
#include "ui/TestBitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace lumivex {
namespace {

using test::BmpFile;
using Bytes = BmpFile::Bytes;

std::vector<DibColour> Greys(int n)
{
    std::vector<DibColour> table;
    for (int i = 0; i < n; ++i)
        table.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), 0});
    return table;
}

// 3 x 2 pixels at 24 bits: rows of 9 bytes padded to 12, bottom row first; the top row is blue, green, red.
BmpFile Small24()
{
    return {.width = 3,
        .height = 2,
        .pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0}};
}

BmpFile Small8()
{
    BmpFile f {.width = 5, .height = 2, .bitCount = 8, .table = Greys(256)};
    f.pixels = {7, 1, 2, 3, 255, 0, 0, 0, 10, 11, 12, 13, 14, 0, 0, 0};
    f.table[7] = {0x30, 0x20, 0x10, 0};
    return f;
}

// A one-bit image with all its rows there: the cheapest file that decodes to width x height pixels.
BmpFile Mono(std::int32_t width, std::int32_t height)
{
    BmpFile f {.width = width, .height = height, .bitCount = 1, .table = Greys(2)};
    f.pixels.resize(static_cast<std::size_t>((width + 31) / 32 * 4) * static_cast<std::size_t>(height));
    return f;
}

template<class Change> BmpFile With(BmpFile f, Change change)
{
    change(f);
    return f;
}

bool ReadThroughFile(const Bytes& bytes, CDib& dib)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::tmpfile(), &std::fclose);
    std::fwrite(bytes.data(), 1, bytes.size(), file.get());
    std::rewind(file.get());
    return dib.Read(file.get());
}

TEST(CDib, readsEachDepthFromMemoryAndFromAFile)
{
    const struct {
        const char* what;
        BmpFile file;
        int colours;
        std::uint32_t imageSize;
        std::vector<std::tuple<int, int, std::uint32_t>> pixels; // x, y from the top, colour
    } cases[] = {
        {"24 bits, rows bottom-up; the size 0 in the header means padded rows times height", Small24(), 0, 24,
            {{0, 0, 0x0000FF}, {1, 0, 0x00FF00}, {2, 0, 0xFF0000}, {0, 1, 0x030201}, {2, 1, 0x090807}}},
        {"8 bits, colours used 0 means 2^8", Small8(), 256, 16, {{0, 1, 0x102030}, {4, 1, 0xFFFFFF}, {4, 0, 0x0E0E0E}}},
        {"8 bits with a short table named by colours used: an index beyond it draws black",
            With(Small8(), [](BmpFile& f) { f.coloursUsed = 8, f.table = Greys(8); }), 8, 16,
            {{3, 1, 0x030303}, {4, 1, 0}}},
        {"1 bit", {.width = 10, .bitCount = 1, .table = Greys(2), .pixels = {0b10100000, 0b01000000, 0, 0}}, 2, 4,
            {{0, 0, 0x010101}, {1, 0, 0}, {2, 0, 0x010101}, {9, 0, 0x010101}}},
        {"4 bits", {.width = 3, .bitCount = 4, .table = Greys(16), .pixels = {0x1F, 0x70, 0, 0}}, 16, 4,
            {{0, 0, 0x010101}, {1, 0, 0x0F0F0F}, {2, 0, 0x070707}}},
        {"16 bits, 5-5-5", {.width = 2, .bitCount = 16, .pixels = {0x00, 0x7C, 0x1F, 0x00}}, 0, 4,
            {{0, 0, 0xFF0000}, {1, 0, 0x0000FF}}},
        {"32 bits", {.bitCount = 32, .pixels = {0x11, 0x22, 0x33, 0xEE}}, 0, 4, {{0, 0, 0x332211}}},
        {"top-down rows: the first stored row is the top one", With(Small24(), [](BmpFile& f) { f.height = -2; }), 0,
            24, {{0, 0, 0x030201}, {2, 1, 0xFF0000}}},
        {"the header's image size wins when not 0",
            With(Small24(), [](BmpFile& f) { f.sizeImage = 40, f.pixels.resize(40, 0xAA); }), 0, 40,
            {{2, 0, 0xFF0000}}},
        {"a gap between the colour table and the pixels is part of the info block",
            With(Small8(), [](BmpFile& f) { f.gap = 6; }), 256, 16, {{0, 1, 0x102030}}},
        {"width 0: reads, but has nothing to draw", {.width = 0, .height = 1000000}, 0, 0, {}},
        {"4096 x 4096 is within the bound", Mono(4096, 4096), 2, 512 * 4096, {{4095, 4095, 0}}},
        {"so is a wide strip of as many pixels", Mono(16384, 1024), 2, 2048 * 1024, {{16383, 0, 0}}},
    };
    for (const auto& c : cases) {
        const Bytes bytes = c.file.Build();
        for (const bool viaFile : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.what << (viaFile ? ", from a file" : ", from memory"));
            CDib dib;
            ASSERT_TRUE(viaFile ? ReadThroughFile(bytes, dib) : dib.Read(bytes));
            // Without a colour table the painter uses a halftone palette.
            EXPECT_EQ(std::tuple(dib.Width(), dib.Height(), dib.IsTopDown(), dib.BitCount(), dib.ColourCount(),
                          dib.HasColourTable(), dib.ImageSize(), dib.Info().size()),
                std::tuple(c.file.width, std::abs(c.file.height),
                    c.file.height<0, int(c.file.bitCount), c.colours, c.colours> 0, c.imageSize,
                    std::size_t(c.file.DataOffset() - 14)));
            const auto argb = dib.ToArgb32();
            ASSERT_EQ(argb.size(), static_cast<std::size_t>(dib.Width() * dib.Height()));
            for (const auto& [x, y, rgb] : c.pixels) {
                EXPECT_EQ(dib.PixelRgb(x, y), rgb) << x << "," << y;
                EXPECT_EQ(argb[static_cast<std::size_t>(y * dib.Width() + x)], 0xFF000000 | rgb);
            }
        }
    }
}

TEST(CDib, rejectsHostileHeadersWithAFailedReadAndAnEmptyImage)
{
    // A file made from a good one: a header field changed, or the bytes cut short.
    const struct {
        const char* what;
        BmpFile (*base)();
        void (*change)(BmpFile&);
        std::size_t cut = SIZE_MAX;
    } cases[] = {
        {"empty", Small24, nullptr, 0},
        {"file header only", Small24, nullptr, 14},
        {"type MB", Small24, [](BmpFile& f) { f.type = "MB"; }},
        {"type BA", Small24, [](BmpFile& f) { f.type = "BA"; }},
        {"core header (12)", Small24, [](BmpFile& f) { f.infoSize = 12; }},
        {"V4 header (108)", Small24, [](BmpFile& f) { f.infoSize = 108; }},
        {"offset inside the info header", Small24, [](BmpFile& f) { f.offset = 40; }},
        {"offset 0", Small24, [](BmpFile& f) { f.offset = 0; }},
        {"offset beyond the file", Small24, [](BmpFile& f) { f.offset = 0xFFFFFFF0; }},
        {"pixel data one byte short", Small24, nullptr, 54 + 24 - 1},
        {"colour table cut off", Small8, nullptr, 54 + 100},
        {"width 2^31-1", Small24, [](BmpFile& f) { f.width = INT_MAX; }},
        {"height -2^31", Small24, [](BmpFile& f) { f.height = INT_MIN; }},
        {"negative width", Small24, [](BmpFile& f) { f.width = -3; }},
        {"more pixels than 4096 x 4096", [] { return Mono(4097, 4096); }, nullptr},
        {"a wide strip of more pixels than 4096 x 4096", [] { return Mono(16384, 1025); }, nullptr},
        {"huge width and height", Small24, [](BmpFile& f) { f.width = f.height = 0x10000; }},
        {"bit count 0", Small24, [](BmpFile& f) { f.bitCount = 0; }},
        {"bit count 7", Small24, [](BmpFile& f) { f.bitCount = 7; }},
        {"bit count 64", Small24, [](BmpFile& f) { f.bitCount = 64; }},
        {"colours used 2^32-1", Small8, [](BmpFile& f) { f.coloursUsed = 0xFFFFFFFF; }},
        {"colours used beyond the table", Small8, [](BmpFile& f) { f.coloursUsed = 257; }},
        {"8 bits with a short table and colours used 0", Small8, [](BmpFile& f) { f.table = Greys(16); }},
        {"image size smaller than the rows", Small24, [](BmpFile& f) { f.sizeImage = 12; }},
        {"image size 4 GiB", Small24, [](BmpFile& f) { f.sizeImage = 0xFFFFFFFF; }},
        {"run-length compressed", Small8, [](BmpFile& f) { f.compression = 1; }},
        {"bit fields", Small24, [](BmpFile& f) { f.compression = 3; }},
    };
    for (const auto& c : cases) {
        BmpFile file = c.base();
        if (c.change)
            c.change(file);
        Bytes bytes = file.Build();
        bytes.resize(std::min(bytes.size(), c.cut));
        for (const bool viaFile : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.what << (viaFile ? ", from a file" : ", from memory"));
            CDib dib;
            ASSERT_TRUE(dib.Read(Small24().Build())); // a previous image must not survive the failure
            EXPECT_FALSE(viaFile ? ReadThroughFile(bytes, dib) : dib.Read(bytes));
            EXPECT_EQ(std::tuple(dib.IsEmpty(), dib.Width(), dib.ImageSize(), dib.ToArgb32().size()),
                std::tuple(true, 0, 0u, 0u));
        }
    }
}

using Rgb = std::array<int, 3>;

Rgb Split(std::uint32_t c)
{
    return {static_cast<int>(c >> 16 & 0xFF), static_cast<int>(c >> 8 & 0xFF), static_cast<int>(c & 0xFF)};
}

// Which image the working folder or the program's own folder gives is the window's (tst_charts, tst_configuration).
TEST(GeneratedCharts, readAndLineUpWithTheCrossHair)
{
    for (const auto& [choice, name] :
        {std::pair {0, "CIE1931_2.bmp"}, {1, "CIE1964_10.bmp"}, {2, "CIE-Normfarbtafel.bmp"}}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ChartImageFileName(choice), name);
        CDib dib;
        test::RecordingDialogs dialogs;
        ASSERT_EQ(LoadChartImage(LUMIVEX_CHART_DIR "/" + std::string(name), dib, dialogs), ChartImageLoad::Loaded);
        EXPECT_EQ(std::tuple(dib.Width(), dib.Height(), dib.BitCount(), dib.ColourCount()),
            std::tuple(640, 640, choice == 1 ? 8 : 24, choice == 1 ? 256 : 0));
        // The pixel the cross-hair crosses at (x, y), the image drawn at its own size.
        const auto at = [&dib](double x, double y) {
            const auto cross = XyChartCrossHair(x, y, {0, 0, dib.Width(), dib.Height()}, {dib.Width(), dib.Height()});
            EXPECT_TRUE(cross);
            return cross ? Split(dib.PixelRgb(cross->column, cross->row)) : Rgb {};
        };
        // The white region is near-white; the spectral corners carry their colour; beyond the locus is
        // the dark ground. The points keep clear of grid lines and of the white-LED chart's drawings.
        for (const auto& [what, x, y, low, high] :
            {std::tuple {"white", 0.31, 0.365, Rgb {191, 191, 191}, Rgb {255, 255, 255}},
                {"green", 0.13, 0.72, Rgb {0, 201, 0}, Rgb {99, 255, 99}},
                {"red", 0.66, 0.31, Rgb {201, 0, 0}, Rgb {255, 99, 99}},
                {"violet", 0.18, 0.03, Rgb {0, 0, 201}, Rgb {255, 99, 255}},
                {"outside", 0.73, 0.73, Rgb {0, 0, 0}, Rgb {79, 79, 79}}}) {
            const Rgb c = at(x, y);
            for (std::size_t i = 0; i < 3; ++i)
                EXPECT_TRUE(c[i] >= low[i] && c[i] <= high[i]) << what << " " << testing::PrintToString(c);
        }
        // Both axes are the same light rule, exactly where the cross-hair puts x = 0 and y = 0.
        const Rgb axis = at(0, 0.42);
        EXPECT_GT(axis[0] + axis[1] + axis[2], 400);
        EXPECT_EQ(at(0.63, 0), axis);
        EXPECT_NE(at(0.005, 0.42), axis);
    }
}

// Odd widths pad the rows at both depths; 24 bits are exact, 8 bits dither all but the inks.
TEST(ChartWriter, roundTripsThroughOurReaderAndEightBitsKeepInksExactWhenColoursMustBeShared)
{
    chartgen::Image image(63, 64, 0);
    const chartgen::Rgb ink = chartgen::MakeRgb(1, 2, 3);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 63; ++x)
            image.Set(x, y, y == 10 ? ink : chartgen::MakeRgb(x * 4, y * 4, 128));
    const chartgen::Rgb inks[] = {ink};
    for (const bool eightBit : {false, true}) {
        CDib dib;
        ASSERT_TRUE(dib.Read(eightBit ? chartgen::EncodeBmp8(image, inks) : chartgen::EncodeBmp24(image)));
        EXPECT_EQ(
            std::tuple(dib.BitCount(), dib.ImageSize()), std::tuple(eightBit ? 8 : 24, eightBit ? 4096u : 12288u));
        int worst = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 63; ++x) {
                const Rgb a = Split(dib.PixelRgb(x, y)), b = Split(image.At(x, y));
                EXPECT_TRUE(y != 10 || a == b) << "the ink at " << x;
                for (std::size_t i = 0; i < 3; ++i)
                    worst = std::max(worst, std::abs(a[i] - b[i]));
            }
        EXPECT_LE(worst, eightBit ? 39 : 0) << "dithered, but near the original";
    }
}

TEST(ChartAxes, matchTheMappingTheCrossHairUses)
{
    const chartgen::Axes axes {640, 480};
    // The axis ends, and the generator's way back.
    EXPECT_NEAR(std::abs(axes.Column(0) - 32) + std::abs(axes.Column(kChartAxisEnd) - 640) + std::abs(axes.Row(0) - 456)
            + std::abs(axes.Row(kChartAxisEnd)) + std::abs(axes.XAt(axes.Column(0.42)) - 0.42)
            + std::abs(axes.YAt(axes.Row(0.42)) - 0.42),
        0, 1e-9);
}

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
TEST(Hsl240ToRgb, theHueWrapsValuesBeyondTheScaleClampAndRoundTripsStayWithinOneStep)
{
    for (const auto& [h, s, l, rgb] :
        {std::tuple {240.0, 240.0, 120.0, PackRgb(255, 0, 0)}, {240.5, 240.0, 120.0, PackRgb(255, 3, 0)},
            {-80.0, 240.0, 120.0, PackRgb(0, 0, 255)}, {0.0, 0.0, 300.0, PackRgb(255, 255, 255)},
            {0.0, 0.0, 300.5, PackRgb(255, 255, 255)}, {0.0, 0.0, -20.0, PackRgb(0, 0, 0)},
            {0.0, 0.0, -20.5, PackRgb(0, 0, 0)}, {0.0, 400.0, 120.0, PackRgb(255, 0, 0)}})
        EXPECT_EQ(Hsl240ToRgb(h, s, l), rgb) << h << " " << s << " " << l;
    // Fractional inputs take the floating-point way: a round trip stays within one step.
    for (int r = 0; r < 256; r += 17)
        for (int g = 0; g < 256; g += 17)
            for (int b = 0; b < 256; b += 17) {
                const Hsl240 hsl = RgbToHsl240(PackRgb(r, g, b));
                const PackedRgb c = Hsl240ToRgb(hsl.h, hsl.s, hsl.l);
                EXPECT_LE(std::max({std::abs(RedOf(c) - r), std::abs(GreenOf(c) - g), std::abs(BlueOf(c) - b)}), 1)
                    << r << "," << g << "," << b;
            }
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

// The wheel's spokes take their colours from hue, single precision: hue -120 wraps to blue, saturation 0 is grey.
TEST(SpokeColour, knownColoursHueOnTheCircleAndGreysWithoutHue)
{
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
            EXPECT_TRUE(offset != 0 || std::abs(RobertsonCct(on[0], on[1]) - kelvin) <= kelvin * 0.003);
            EXPECT_TRUE(!r.valid || std::abs(1e6 / r.kelvin - 1e6 / kelvin) <= 2) << r.kelvin;
        }
    const CctResult hot = CctFromUv(0.18208, 0.27119);
    EXPECT_TRUE(std::abs(hot.kelvin - 33333) <= 50 && !hot.valid) << hot.kelvin;
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

TEST(XyChartCrossHair, originAxisEndClientOffsetAndNothingOutsideTheUnitSquare)
{
    const Rect client {0, 0, 300, 200};
    const Size panel {300, 200};
    EXPECT_EQ(XyChartCrossHair(0, 0, client, panel), (ChartCrossHair {190, 15})) << "5 % in from left and bottom";
    // The axis end lands on the right edge and the top row for any panel.
    for (const Size size : {Size {300, 200}, Size {301, 199}, Size {257, 311}, Size {640, 640}, Size {333, 97}})
        EXPECT_EQ(XyChartCrossHair(kChartAxisEnd, kChartAxisEnd, {0, 0, size.width, size.height}, size),
            (ChartCrossHair {0, size.width}))
            << size.width << "x" << size.height;
    const ChartCrossHair plain = XyChartCrossHair(0.3127, 0.329, client, panel).value();
    EXPECT_EQ(
        XyChartCrossHair(0.3127, 0.329, {10, 5, 310, 205}, panel), (ChartCrossHair {plain.row + 5, plain.column + 10}));
    for (const auto& [x, y] : {std::pair {1.0, 0.3}, {0.3, 1.0}, {-0.0001, 0.3} /* from the device */, {0.3, -1.0},
             {std::numeric_limits<double>::quiet_NaN(), 0.3}})
        EXPECT_FALSE(XyChartCrossHair(x, y, client, panel)) << x << "," << y;
    EXPECT_TRUE(XyChartCrossHair(0.9999, 0.9999, client, panel)) << "beyond the axis end, but inside the square";

    for (const auto& [image, stretched] :
        {std::pair {Size {640, 640}, Size {300, 200}}, {{0, 640}, {}}, {{640, 0}, {}}})
        EXPECT_EQ(StretchedImageSize(image, panel), stretched) << image.width << "x" << image.height;
}

TEST(Wheel, spokesPutRedUpHue90RightAndRunFromTheRimToTheCentre)
{
    const Size panel {300, 200};
    const WheelLayout layout = MakeWheelLayout(panel);
    EXPECT_EQ(std::tuple(layout.centre, layout.radius), std::tuple(Point {130, 100}, 98));
    const auto spokes = WheelSpokes(panel);
    ASSERT_EQ(spokes.size(), 360u);
    // Spoke i lies at i degrees clockwise from the left: red straight up, hue 90 to the right, 270
    // to the left, 180 down.
    for (const auto& [i, rim, colour] :
        {std::tuple {90, Point {130, 2}, PackRgb(255, 0, 0)}, {180, Point {228, 100}, PackRgb(127, 255, 0)},
            {0, Point {32, 100}, PackRgb(127, 0, 255)}, {270, Point {130, 198}, PackRgb(0, 255, 255)}}) {
        const WheelSpoke& s = spokes[static_cast<std::size_t>(i)];
        EXPECT_LE(std::abs(s.rim.x - rim.x) + std::abs(s.rim.y - rim.y), i == 270 ? 1 : 0) << i;
        EXPECT_EQ(s.colour, colour) << i;
    }
    for (std::size_t i = 0; i < spokes.size(); ++i) {
        const WheelSpoke &s = spokes[i], &next = spokes[(i + 1) % 360];
        // Each sector overlaps the next by more than the painter's rounding (1/16 degree): no background between.
        EXPECT_GT(next.startDegrees + next.spanDegrees - s.startDegrees - (i == 359 ? 360 : 0), 0.125) << i;
        // The rim is on the circle, and the sector drawn lies around it (angles counter-clockwise, y downwards).
        const double middle = (s.startDegrees + s.spanDegrees / 2) * std::acos(-1.0) / 180;
        EXPECT_NEAR(std::hypot(s.rim.x - layout.centre.x, s.rim.y - layout.centre.y), layout.radius, 1.5) << i;
        EXPECT_LE(std::hypot(layout.centre.x + std::cos(middle) * layout.radius - s.rim.x,
                      layout.centre.y - std::sin(middle) * layout.radius - s.rim.y),
            1.5)
            << i;
    }
}

TEST(Wheel, crossMarksHueAsAngleAndSaturationAsDistanceReadFromTheirTexts)
{
    const Point origin {10, 20};
    const Size panel {300, 200};
    // Hue 0 straight up at the rim, 90 to the right; saturation 0 at the centre.
    for (const auto& [hue, saturation, at] : {std::tuple {0, 100, Point {140, 22}}, {90, 100, Point {238, 120}},
             {0, 0, Point {140, 120}}, {77, 0, Point {140, 120}}, {359, 0, Point {140, 120}}})
        EXPECT_EQ(WheelCrossPosition(origin, panel, hue, saturation), at) << hue << " " << saturation;
    // Straight down, half way out; the wheel's pi and the truncation may cost a pixel.
    const Point down = WheelCrossPosition(origin, panel, 180, 50);
    EXPECT_LE(std::max(std::abs(down.x - 140), std::abs(down.y - 169)), 1);

    // 359.99 is read as 359 (angle 89 degrees), a pixel and more left of where 360 would be.
    EXPECT_EQ(
        std::pair(WheelCrossPosition(origin, panel, "359.99", "100 %"), WheelCrossPosition(origin, panel, 360, 100)),
        std::pair(Point {138, 22}, Point {140, 22}));
    EXPECT_EQ(WheelCrossPosition(origin, panel, "---", "---"), (Point {140, 120}));
}

TEST(Wheel, crossHasFourThreeByFiveArmsAnEmptyMiddleAndIsClipped)
{
    const Rect panel {10, 20, 310, 220};
    std::set<std::pair<int, int>> points;
    for (const Point p : CrossPixels({160, 120}, panel)) {
        const int dx = p.x - 160, dy = p.y - 120;
        const int far = std::max(std::abs(dx), std::abs(dy)), near = std::min(std::abs(dx), std::abs(dy));
        EXPECT_TRUE(far >= 5 && far <= 9 && near <= 1) << dx << "," << dy;
        points.insert({dx, dy});
    }
    EXPECT_EQ(points.size(), 60u);
    for (const auto& [x, y] : points)
        EXPECT_TRUE(points.contains({-x, y}) && points.contains({y, x}));
    // At the panel's top-left corner only the arms pointing right and down remain, each without its
    // line of pixels outside the panel: 2 x 5 pixels each.
    const auto corner = CrossPixels({10, 20}, panel);
    EXPECT_TRUE(std::ranges::all_of(corner, [&panel](Point p) { return panel.Contains(p); }));
    EXPECT_EQ(corner.size(), 2u * 5 * 2);
    EXPECT_TRUE(CrossPixels({400, 400}, panel).empty());
}

TEST(Wheel, lightnessBarRunsFromWhiteToBlackAndTheArrowFollowsTheLightness)
{
    const Size panel {300, 200};
    EXPECT_EQ(WheelLightnessBitmapSize(panel), (Size {19, 194}));
    EXPECT_EQ(WheelLightnessBitmapOrigin({10, 20}, panel), (Point {283, 20}));
    const auto rows = WheelLightnessRows(panel, PackRgb(255, 0, 0));
    ASSERT_EQ(rows.size(), 172u);
    EXPECT_EQ(std::tuple(rows.front(), rows.back()), std::tuple(PackRgb(255, 255, 255), PackRgb(0, 0, 0)));
    EXPECT_TRUE(RedOf(rows[85]) == 255 && GreenOf(rows[85]) <= 2) << "the middle of the bar is the full colour";
    EXPECT_EQ(WheelLightnessRows({300, 29}, PackRgb(255, 0, 0)), std::vector<PackedRgb> {0})
        << "a one-row bar must not divide by zero";
    EXPECT_TRUE(WheelLightnessRows({300, 20}, PackRgb(255, 0, 0)).empty());

    // 194 for black limited to h - 7.
    EXPECT_EQ((std::array {WheelArrowPosition(panel, PackRgb(255, 255, 255)), WheelArrowPosition(panel, 0),
                  WheelArrowPosition(panel, PackRgb(128, 128, 128))}),
        (std::array {0, 193, 97}));
    EXPECT_EQ(WheelArrowOrigin({10, 20}, panel, 0), (Point {302, 12}));
    EXPECT_EQ(WheelArrowOrigin({10, 20}, panel, 193), (Point {302, 205}));
    // The arrow's mask is a triangle pointing left.
    const auto mask = ArrowMask();
    ASSERT_EQ(mask.size(), static_cast<std::size_t>(kArrowHeight));
    for (std::size_t row = 0; row < mask.size(); ++row) {
        ASSERT_EQ(mask[row].size(), static_cast<std::size_t>(kArrowWidth));
        const std::size_t tip = mask[row].find_first_not_of('.');
        EXPECT_EQ(tip, static_cast<std::size_t>(std::abs(static_cast<int>(row) - 8))) << row;
        EXPECT_TRUE(mask[row][tip] == 'o' && mask[row].back() == 'o') << row;
    }
}

// A 300 x 200 palette: spectrum x 0..264, y 11..188 (265 x 178), bar x 271..297.
class PaletteModelTest : public testing::Test {
protected:
    PaletteModelTest()
    {
        model.SetSelChangeHandler([this](PackedRgb colour) { reported.push_back(colour); });
    }
    std::array<int, 3> Hsl() const { return {model.Hue(), model.Saturation(), model.Lightness()}; }
    std::array<int, 2> SelectionFrom(Point p) const
    {
        std::array<int, 2> hueAndSaturation {-1, -1};
        model.SelectionFromPoint(p, hueAndSaturation[0], hueAndSaturation[1]);
        return hueAndSaturation;
    }

    PaletteModel model {Size {300, 200}, Hsl240ToRgb(100, 100, 100)};
    std::vector<PackedRgb> reported;
};

TEST_F(PaletteModelTest, crossHairSliderPaintedColoursAndTheWayBackFromTheMouse)
{
    EXPECT_EQ(model.CrossHairFor(0, 0), (Point {0, 188}));
    EXPECT_EQ(model.CrossHairFor(239, 240), (Point {264, 11}));
    // No negative bytes from a drag outside.
    for (const auto& [p, selection] : {std::pair {Point {0, 11}, std::array {0, 240}},
             {Point {264, 188}, std::array {239, 0}}, {Point {-40, 400}, std::array {0, 0}}})
        EXPECT_EQ(SelectionFrom(p), selection) << p.x << "," << p.y;
    // Selection -> position -> selection: the two formulas are a pixel apart in y (one reads the
    // height, the other height - 1), so saturation may come back up to three units low.
    for (int h = 0; h < 240; h += 7)
        for (int s = 0; s <= 240; s += 8) {
            const auto back = SelectionFrom(model.CrossHairFor(h, s));
            EXPECT_TRUE(std::abs(back[0] - h) <= 1 && std::abs(back[1] - s) <= 3) << h << "," << s;
        }
    EXPECT_EQ(model.SliderPositionFor(240), 0);
    EXPECT_EQ(model.SliderPositionFor(0), 177) << "178 limited to height - 1";
    for (const auto& [y, lightness] : {std::pair {11, 240}, {0, 240}, {188, 0}, {500, 0}})
        EXPECT_EQ(model.LightnessFromMouseY(y), lightness) << y;

    // A colour from the program moves the marks without a report.
    model.SetRGB(PackRgb(255, 0, 0));
    EXPECT_EQ(Hsl(), (std::array {0, 240, 120}));
    EXPECT_EQ(std::tuple(model.CrossHair(), model.SliderPosition(), model.Colour()),
        std::tuple(Point {0, 11}, 89, PackRgb(255, 0, 0)));
    EXPECT_TRUE(reported.empty());

    // Spectrum: hue grows to the right (a third of the way: green), saturation upwards, at middle lightness.
    EXPECT_EQ((std::array {model.SpectrumColour(0, 0), model.SpectrumColour(0, 177), model.SpectrumColour(88, 177)}),
        (std::array {PackRgb(127, 127, 127), PackRgb(255, 0, 0), PackRgb(0, 255, 0)}));
    EXPECT_EQ(model.ColourAt({0, 188}), PackRgb(127, 127, 127));
    EXPECT_EQ(model.ColourAt({0, 11}), PackRgb(255, 0, 0));
    model.SetRGB(PackRgb(0, 0, 255));
    EXPECT_EQ(model.ColourAt({275, 188}), PackRgb(0, 0, 0)) << "bar: black at the bottom";
    EXPECT_EQ(model.ColourAt({275, 11}), PackRgb(255, 255, 255));
    EXPECT_FALSE(model.ColourAt({268, 50}) || model.ColourAt({5, 195}));
    EXPECT_EQ(PaletteModel::TooltipText(PackRgb(1, 22, 255)), "RGB(1,22,255)");
    EXPECT_EQ(model.SliderArrowOrigin(), (Point {288, 89 + 3}));
    model.SetRGB(PackRgb(0, 0, 0));
    EXPECT_EQ(model.SliderArrowOrigin(), (Point {288, 194 - 17 + 3})) << "the arrow stays on the bar";
}

TEST_F(PaletteModelTest, keysStepOneWithCtrlTenWithShiftElseFiveInThePartWithTheFocusAndTabMovesOn)
{
    using enum PaletteKey;
    using enum PaletteKeyResult;
    const struct {
        PaletteKey key;
        bool ctrl, shift;
        PaletteKeyResult result;
        PalettePart part; // with the focus afterwards
        std::array<int, 3> hsl;
    } steps[] = {
        // In the spectrum, from pure red: the keys move the hue and saturation and leave the lightness.
        {Right, false, false, Changed, PalettePart::Spectrum, {5, 240, 120}},
        {Right, false, true, Changed, PalettePart::Spectrum, {15, 240, 120}},
        {Left, true, false, Changed, PalettePart::Spectrum, {14, 240, 120}},
        {Left, true, true, Changed, PalettePart::Spectrum, {13, 240, 120}}, // Ctrl wins over Shift
        {Down, false, false, Changed, PalettePart::Spectrum, {13, 235, 120}},
        {Up, true, false, Changed, PalettePart::Spectrum, {13, 236, 120}},
        {PageDown, false, false, Changed, PalettePart::Spectrum, {13, 0, 120}},
        {PageUp, false, false, Changed, PalettePart::Spectrum, {13, 240, 120}},
        {End, false, false, Changed, PalettePart::Spectrum, {239, 240, 120}}, // never 240
        {Right, false, true, Changed, PalettePart::Spectrum, {239, 240, 120}},
        {Home, false, false, Changed, PalettePart::Spectrum, {0, 240, 120}},
        {Tab, false, false, FocusPartChanged, PalettePart::Bar, {0, 240, 120}},
        // In the bar the keys set the lightness; hue keys do nothing.
        {PageUp, false, false, Changed, PalettePart::Bar, {0, 240, 240}},
        {End, false, false, Changed, PalettePart::Bar, {0, 240, 0}},
        {Home, false, false, Changed, PalettePart::Bar, {0, 240, 240}},
        {PageDown, false, false, Changed, PalettePart::Bar, {0, 240, 0}},
        {Up, true, false, Changed, PalettePart::Bar, {0, 240, 1}},
        {Up, false, false, Changed, PalettePart::Bar, {0, 240, 6}},
        {Down, false, true, Changed, PalettePart::Bar, {0, 240, 0}}, // 6 - 10 stops at 0
        {Left, false, false, Ignored, PalettePart::Bar, {0, 240, 0}},
        {Tab, false, false, FocusNextControl, PalettePart::Bar, {0, 240, 0}},
        {Tab, false, true, FocusPartChanged, PalettePart::Spectrum, {0, 240, 0}},
        {Tab, false, true, FocusPreviousControl, PalettePart::Spectrum, {0, 240, 0}},
    };
    model.SetRGB(PackRgb(255, 0, 0));
    model.FocusGained(false);
    std::vector<PackedRgb> reports;
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const auto& step = steps[i];
        SCOPED_TRACE(testing::Message() << "step " << i);
        EXPECT_EQ(model.KeyDown(step.key, step.ctrl, step.shift), step.result);
        EXPECT_EQ(std::tuple(model.FocusPart(), Hsl()), std::tuple(step.part, step.hsl));
        if (step.result == Changed)
            reports.push_back(Hsl240ToRgb(step.hsl[0], step.hsl[1], step.hsl[2]));
        EXPECT_EQ(reported, reports);
        EXPECT_EQ(std::tuple(model.CrossHair(), model.SliderPosition()),
            std::tuple(
                model.CrossHairFor(model.Hue(), model.Saturation()), model.SliderPositionFor(model.Lightness())));
    }
    model.FocusGained(true);
    EXPECT_EQ(model.FocusPart(), PalettePart::Bar) << "Shift+Tab from the next control lands on the bar";
    model.FocusLost();
    EXPECT_EQ(model.KeyDown(Home, false, false), Ignored);
}

TEST_F(PaletteModelTest, clickAndDragInTheSpectrumAndOnTheBarUnlessDisabled)
{
    const int lightness = model.Lightness();
    model.LeftButtonDown({132, 100});
    EXPECT_EQ(std::tuple(model.FocusPart(), model.Dragging(), model.CrossHair(), Hsl()),
        std::tuple(PalettePart::Spectrum, PalettePart::Spectrum, Point {132, 100}, std::array {119, 119, lightness}));
    ASSERT_EQ(reported.size(), 1u);

    model.MouseMove({132, 100}, true);
    EXPECT_EQ(reported.size(), 1u) << "no change, no report";
    model.MouseMove({400, -30}, true);
    EXPECT_EQ(std::tuple(model.CrossHair(), Hsl(), reported.size()),
        std::tuple(Point {264, 11}, std::array {239, 240, lightness}, 2u))
        << "the drag stays in the spectrum";
    model.MouseMove({10, 10}, false);
    EXPECT_EQ(model.Dragging(), PalettePart::None);

    model.LeftButtonDown({280, 11});
    EXPECT_EQ(std::tuple(model.FocusPart(), model.Lightness(), model.Colour()),
        std::tuple(PalettePart::Bar, 240, PackRgb(255, 255, 255)));
    model.MouseMove({280, 1000}, true);
    EXPECT_EQ(std::tuple(model.Lightness(), model.SliderPosition(), reported.size()), std::tuple(0, 177, 4u));

    EXPECT_TRUE(model.DoubleClick({264, 50}) && model.DoubleClick({271, 50}));
    for (const int x : {265, 270}) { // between the spectrum and the bar
        model.LeftButtonDown({x, 50});
        EXPECT_FALSE(model.DoubleClick({x, 50})) << x;
    }
    EXPECT_EQ(reported.size(), 4u);

    model.SetEnabled(false);
    const PackedRgb before = model.Colour();
    model.LeftButtonDown({132, 100});
    model.FocusGained(false);
    EXPECT_EQ(model.KeyDown(PaletteKey::Home, false, false), PaletteKeyResult::Ignored);
    EXPECT_FALSE(model.DoubleClick({5, 50}));
    EXPECT_EQ(std::tuple(model.Colour(), reported.size()), std::tuple(before, 4u));
}

} // namespace
} // namespace lumivex
