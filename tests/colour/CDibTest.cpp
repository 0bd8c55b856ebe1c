#include "colour/CDib.h"
#include "colour/ChartImage.h"

#include "TempDir.h"
#include "ui/TestBitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string>
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

// 3 x 2 pixels at 24 bits: rows of 9 bytes padded to 12, bottom row first.
BmpFile Small24()
{
    BmpFile f;
    f.width = 3;
    f.height = 2;
    f.pixels = {
        0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0, 0, 0, // bottom row
        0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0, 0, 0, // top row: blue, green, red
    };
    return f;
}

// One row of `width` pixels at `bitCount` bits.
BmpFile Row(std::uint16_t bitCount, std::int32_t width, std::vector<DibColour> table, Bytes pixels)
{
    BmpFile f;
    f.bitCount = bitCount;
    f.width = width;
    f.table = std::move(table);
    f.pixels = std::move(pixels);
    return f;
}

BmpFile Small8()
{
    BmpFile f = Row(8, 5, Greys(256), {7, 1, 2, 3, 255, 0, 0, 0, 10, 11, 12, 13, 14, 0, 0, 0});
    f.height = 2;
    f.table[7] = {0x30, 0x20, 0x10, 0};
    return f;
}

// A one-bit image with all its rows there: the cheapest file that decodes to width x height pixels.
BmpFile Mono(std::int32_t width, std::int32_t height)
{
    BmpFile f = Row(1, width, Greys(2), {});
    f.height = height;
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
    std::FILE* file = std::tmpfile();
    if (!file)
        return false;
    if (!bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::rewind(file);
    const bool ok = dib.Read(file);
    std::fclose(file);
    return ok;
}

struct Pixel {
    int x, y;
    std::uint32_t rgb;
};

TEST(CDib, readsEachDepthFromMemoryAndFromAFile)
{
    const struct {
        const char* what;
        BmpFile file;
        int colours;
        std::uint32_t imageSize;
        std::vector<Pixel> pixels; // y from the top
    } cases[] = {
        {"24 bits, rows bottom-up; the size 0 in the header means padded rows times height", Small24(), 0, 24,
            {{0, 0, 0x0000FF}, {1, 0, 0x00FF00}, {2, 0, 0xFF0000}, {0, 1, 0x030201}, {2, 1, 0x090807}}},
        {"8 bits, colours used 0 means 2^8", Small8(), 256, 16, {{0, 1, 0x102030}, {4, 1, 0xFFFFFF}, {4, 0, 0x0E0E0E}}},
        {"8 bits with a short table named by colours used: an index beyond it draws black",
            With(Small8(),
                [](BmpFile& f) {
                    f.table = Greys(8);
                    f.coloursUsed = 8;
                }),
            8, 16, {{3, 1, 0x030303}, {4, 1, 0}}},
        {"1 bit", Row(1, 10, {{0, 0, 0, 0}, {255, 255, 255, 0}}, {0b10100000, 0b01000000, 0, 0}), 2, 4,
            {{0, 0, 0xFFFFFF}, {1, 0, 0}, {2, 0, 0xFFFFFF}, {9, 0, 0xFFFFFF}}},
        {"4 bits", Row(4, 3, Greys(16), {0x1F, 0x70, 0, 0}), 16, 4,
            {{0, 0, 0x010101}, {1, 0, 0x0F0F0F}, {2, 0, 0x070707}}},
        {"16 bits, 5-5-5", Row(16, 2, {}, {0x00, 0x7C, 0x1F, 0x00}), 0, 4, {{0, 0, 0xFF0000}, {1, 0, 0x0000FF}}},
        {"32 bits", Row(32, 1, {}, {0x11, 0x22, 0x33, 0xEE}), 0, 4, {{0, 0, 0x332211}}},
        {"top-down rows: the first stored row is the top one", With(Small24(), [](BmpFile& f) { f.height = -2; }), 0,
            24, {{0, 0, 0x030201}, {2, 1, 0xFF0000}}},
        {"the header's image size wins when not 0",
            With(Small24(),
                [](BmpFile& f) {
                    f.pixels.resize(40, 0xAA);
                    f.sizeImage = 40;
                }),
            0, 40, {{2, 0, 0xFF0000}}},
        {"a gap between the colour table and the pixels is part of the info block",
            With(Small8(), [](BmpFile& f) { f.gap = 6; }), 256, 16, {{0, 1, 0x102030}}},
        {"width 0: reads, but has nothing to draw",
            With(BmpFile {},
                [](BmpFile& f) {
                    f.width = 0;
                    f.height = 1000000;
                }),
            0, 0, {}},
        {"4096 x 4096 is within the bound", Mono(4096, 4096), 2, 512 * 4096, {{4095, 4095, 0}}},
        {"so is a wide strip of as many pixels", Mono(16384, 1024), 2, 2048 * 1024, {{16383, 0, 0}}},
    };
    for (const auto& c : cases) {
        const Bytes bytes = c.file.Build();
        for (const bool viaFile : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.what << (viaFile ? ", from a file" : ", from memory"));
            CDib dib;
            ASSERT_TRUE(viaFile ? ReadThroughFile(bytes, dib) : dib.Read(bytes));
            EXPECT_EQ(dib.Width(), c.file.width);
            EXPECT_EQ(dib.Height(), std::abs(c.file.height));
            EXPECT_EQ(dib.IsTopDown(), c.file.height < 0);
            EXPECT_EQ(dib.BitCount(), c.file.bitCount);
            EXPECT_EQ(dib.ColourCount(), c.colours);
            EXPECT_EQ(dib.HasColourTable(), c.colours > 0) << "without one the painter uses a halftone palette";
            EXPECT_EQ(dib.ImageSize(), c.imageSize);
            EXPECT_EQ(dib.Info().size(), c.file.DataOffset() - 14);
            const auto argb = dib.ToArgb32();
            ASSERT_EQ(argb.size(), static_cast<std::size_t>(dib.Width() * dib.Height()));
            for (const Pixel& p : c.pixels) {
                EXPECT_EQ(dib.PixelRgb(p.x, p.y), p.rgb) << p.x << "," << p.y;
                EXPECT_EQ(argb[static_cast<std::size_t>(p.y * dib.Width() + p.x)], 0xFF000000 | p.rgb);
            }
        }
    }
}

// A file made from a good one: a header field changed, or the bytes cut short.
struct BadFile {
    const char* what;
    BmpFile (*base)();
    void (*change)(BmpFile&);
    std::size_t cut = SIZE_MAX;
};

// Names the case in test output (and keeps CTest's discovered names stable between builds).
void PrintTo(const BadFile& file, std::ostream* out)
{
    *out << file.what;
}

const BadFile kBadFiles[] = {
    {"empty", Small24, nullptr, 0},
    {"13 bytes", Small24, nullptr, 13},
    {"file header only", Small24, nullptr, 14},
    {"type MB", Small24, [](BmpFile& f) { f.type = "MB"; }},
    {"type BA", Small24, [](BmpFile& f) { f.type = "BA"; }},
    {"core header (12)", Small24, [](BmpFile& f) { f.infoSize = 12; }},
    {"V4 header (108)", Small24, [](BmpFile& f) { f.infoSize = 108; }},
    {"V5 header (124)", Small24, [](BmpFile& f) { f.infoSize = 124; }},
    {"offset inside the info header", Small24, [](BmpFile& f) { f.offset = 40; }},
    {"offset 0", Small24, [](BmpFile& f) { f.offset = 0; }},
    {"offset beyond the file", Small24, [](BmpFile& f) { f.offset = 0xFFFFFFF0; }},
    {"pixel data one byte short", Small24, nullptr, 54 + 24 - 1},
    {"colour table cut off", Small8, nullptr, 54 + 100},
    {"width 2^31-1", Small24, [](BmpFile& f) { f.width = INT_MAX; }},
    {"height 2^31-1", Small24, [](BmpFile& f) { f.height = INT_MAX; }},
    {"height -2^31", Small24, [](BmpFile& f) { f.height = INT_MIN; }},
    {"negative width", Small24, [](BmpFile& f) { f.width = -3; }},
    {"more pixels than 4096 x 4096", [] { return Mono(4097, 4096); }, nullptr},
    {"a wide strip of more pixels than 4096 x 4096", [] { return Mono(16384, 1025); }, nullptr},
    {"huge width and height", Small24, [](BmpFile& f) { f.width = f.height = 0x10000; }},
    {"bit count 0", Small24, [](BmpFile& f) { f.bitCount = 0; }},
    {"bit count 7", Small24, [](BmpFile& f) { f.bitCount = 7; }},
    {"bit count 64", Small24, [](BmpFile& f) { f.bitCount = 64; }},
    {"bit count 65535", Small24, [](BmpFile& f) { f.bitCount = 0xFFFF; }},
    {"colours used 2^32-1", Small8, [](BmpFile& f) { f.coloursUsed = 0xFFFFFFFF; }},
    {"colours used beyond the table", Small8, [](BmpFile& f) { f.coloursUsed = 257; }},
    {"8 bits with a short table and colours used 0", Small8, [](BmpFile& f) { f.table = Greys(16); }},
    {"image size smaller than the rows", Small24, [](BmpFile& f) { f.sizeImage = 12; }},
    {"image size 4 GiB", Small24, [](BmpFile& f) { f.sizeImage = 0xFFFFFFFF; }},
    {"run-length compressed", Small8, [](BmpFile& f) { f.compression = 1; }},
    {"bit fields", Small24, [](BmpFile& f) { f.compression = 3; }},
};

class CDibRejects : public testing::TestWithParam<BadFile> { };

TEST_P(CDibRejects, withAFailedReadAndAnEmptyImage)
{
    BmpFile file = GetParam().base();
    if (GetParam().change)
        GetParam().change(file);
    Bytes bytes = file.Build();
    bytes.resize(std::min(bytes.size(), GetParam().cut));
    for (const bool viaFile : {false, true}) {
        CDib dib;
        ASSERT_TRUE(dib.Read(Small24().Build())); // a previous image must not survive the failure
        EXPECT_FALSE(viaFile ? ReadThroughFile(bytes, dib) : dib.Read(bytes)) << (viaFile ? "file" : "memory");
        EXPECT_TRUE(dib.IsEmpty());
        EXPECT_EQ(dib.Width(), 0);
        EXPECT_EQ(dib.ImageSize(), 0u);
        EXPECT_TRUE(dib.ToArgb32().empty());
    }
}

INSTANTIATE_TEST_SUITE_P(HostileHeaders, CDibRejects, testing::ValuesIn(kBadFiles), [](const auto& param) {
    std::string name;
    for (const char c : std::string(param.param.what))
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
});

TEST(ChartImage, namesByChoiceAndAChartInTheWorkingFolderWinsOverTheProgramsOwn)
{
    EXPECT_EQ(ChartImageFileName(0), "CIE1931_2.bmp");
    EXPECT_EQ(ChartImageFileName(1), "CIE1964_10.bmp");
    for (const int other : {2, 7, -1})
        EXPECT_EQ(ChartImageFileName(other), "CIE-Normfarbtafel.bmp") << other;

    test::TempDir work;
    test::TempDir own;
    EXPECT_EQ(ChartImagePath(work.path().string(), own.path().string(), 1), (own.path() / "CIE1964_10.bmp").string());
    test::writeFile(work.file("CIE1964_10.bmp"), "x");
    EXPECT_EQ(ChartImagePath(work.path().string(), own.path().string(), 1), work.file("CIE1964_10.bmp"));
    EXPECT_EQ(ChartImagePath(work.path().string(), own.path().string(), 0), (own.path() / "CIE1931_2.bmp").string());
}

} // namespace
} // namespace lumivex
