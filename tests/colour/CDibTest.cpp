// Our bitmap reader on files laid out by hand, on hostile headers, and on the chart images the
// build generates (and the generator's BMP writer on small images).
#include "colour/CDib.h"
#include "colour/ChartGeometry.h"
#include "colour/ChartImage.h"

#include "Bmp.h"
#include "Chart.h"
#include "RecordingDialogs.h"
#include "ui/TestBitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <memory>
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
    EXPECT_NEAR(std::abs(axes.Column(0) - 32) + std::abs(axes.Column(kChartAxisEnd) - 640) + std::abs(axes.Row(0) - 456)
            + std::abs(axes.Row(kChartAxisEnd)),
        0, 1e-9);
    // The generator's way back.
    EXPECT_NEAR(std::abs(axes.XAt(axes.Column(0.42)) - 0.42) + std::abs(axes.YAt(axes.Row(0.42)) - 0.42), 0, 1e-12);
}

} // namespace
} // namespace lumivex
