#include "colour/CDib.h"
#include "colour/ChartImage.h"

#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace lumivex {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A bitmap file laid out by hand, so that each header field can be made to lie.
struct BmpFile {
    std::string type = "BM";
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bitCount = 24;
    std::uint32_t infoSize = 40;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::uint32_t coloursUsed = 0;
    std::vector<DibColour> table;
    Bytes pixels; // as stored: bottom-up rows, padded
    std::int64_t offset = -1; // -1: right after the table

    Bytes Build() const
    {
        Bytes out(type.begin(), type.end());
        const std::uint32_t dataOffset
            = offset >= 0 ? static_cast<std::uint32_t>(offset) : static_cast<std::uint32_t>(54 + 4 * table.size());
        Put(out, dataOffset + static_cast<std::uint32_t>(pixels.size()), 4);
        Put(out, 0, 4);
        Put(out, dataOffset, 4);
        Put(out, infoSize, 4);
        Put(out, static_cast<std::uint32_t>(width), 4);
        Put(out, static_cast<std::uint32_t>(height), 4);
        Put(out, 1, 2);
        Put(out, bitCount, 2);
        Put(out, compression, 4);
        Put(out, sizeImage, 4);
        Put(out, 2835, 4);
        Put(out, 2835, 4);
        Put(out, coloursUsed, 4);
        Put(out, 0, 4);
        for (const DibColour& c : table) {
            out.push_back(c.blue);
            out.push_back(c.green);
            out.push_back(c.red);
            out.push_back(c.reserved);
        }
        out.insert(out.end(), pixels.begin(), pixels.end());
        return out;
    }
};

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

BmpFile Small8()
{
    BmpFile f;
    f.width = 5;
    f.height = 2;
    f.bitCount = 8;
    f.table = Greys(256);
    f.table[7] = {0x30, 0x20, 0x10, 0};
    f.pixels = {7, 1, 2, 3, 255, 0, 0, 0, 10, 11, 12, 13, 14, 0, 0, 0};
    return f;
}

// A one-bit image with all its rows there: the cheapest file that decodes to width x height pixels.
BmpFile Mono(std::int32_t width, std::int32_t height)
{
    BmpFile f;
    f.width = width;
    f.height = height;
    f.bitCount = 1;
    f.table = Greys(2);
    f.pixels.resize(static_cast<std::size_t>((width + 31) / 32 * 4) * static_cast<std::size_t>(height));
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

TEST(CDib, reads24BitRowsBottomUpWithoutColourTable)
{
    const Bytes bytes = Small24().Build();
    for (const bool viaFile : {false, true}) {
        CDib dib;
        ASSERT_TRUE(viaFile ? ReadThroughFile(bytes, dib) : dib.Read(bytes));
        EXPECT_EQ(dib.Width(), 3);
        EXPECT_EQ(dib.Height(), 2);
        EXPECT_EQ(dib.BitCount(), 24);
        EXPECT_FALSE(dib.HasColourTable()) << "the painter uses a halftone palette";
        EXPECT_EQ(dib.ColourCount(), 0);
        EXPECT_EQ(dib.ImageSize(), 24u) << "padded rows times height when the header says 0";
        EXPECT_EQ(dib.PixelRgb(0, 0), 0x0000FFu);
        EXPECT_EQ(dib.PixelRgb(1, 0), 0x00FF00u);
        EXPECT_EQ(dib.PixelRgb(2, 0), 0xFF0000u);
        EXPECT_EQ(dib.PixelRgb(0, 1), 0x030201u);
        EXPECT_EQ(dib.PixelRgb(2, 1), 0x090807u);
        const auto argb = dib.ToArgb32();
        ASSERT_EQ(argb.size(), 6u);
        EXPECT_EQ(argb[2], 0xFFFF0000u);
        EXPECT_EQ(argb[3], 0xFF030201u);
    }
}

TEST(CDib, reads8BitWithTheColourCountRules)
{
    CDib dib;
    ASSERT_TRUE(dib.Read(Small8().Build()));
    EXPECT_EQ(dib.ColourCount(), 256) << "colours used 0 means 2^8";
    EXPECT_TRUE(dib.HasColourTable());
    EXPECT_EQ(dib.ColourTable()[7].red, 0x10);
    EXPECT_EQ(dib.PixelRgb(0, 1), 0x102030u);
    EXPECT_EQ(dib.PixelRgb(4, 1), 0xFFFFFFu);
    EXPECT_EQ(dib.PixelRgb(4, 0), 0x0E0E0Eu);

    // A short table named by colours used; an index beyond it draws black.
    BmpFile f = Small8();
    f.table = Greys(8);
    f.coloursUsed = 8;
    ASSERT_TRUE(dib.Read(f.Build()));
    EXPECT_EQ(dib.ColourCount(), 8);
    EXPECT_EQ(dib.PixelRgb(3, 1), 0x030303u);
    EXPECT_EQ(dib.PixelRgb(4, 1), 0x000000u);
}

TEST(CDib, unpacksOneFourSixteenAndThirtyTwoBitPixels)
{
    CDib dib;
    BmpFile one;
    one.bitCount = 1;
    one.width = 10;
    one.table = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    one.pixels = {0b10100000, 0b01000000, 0, 0};
    ASSERT_TRUE(dib.Read(one.Build()));
    EXPECT_EQ(dib.ColourCount(), 2);
    EXPECT_EQ(dib.PixelRgb(0, 0), 0xFFFFFFu);
    EXPECT_EQ(dib.PixelRgb(1, 0), 0u);
    EXPECT_EQ(dib.PixelRgb(2, 0), 0xFFFFFFu);
    EXPECT_EQ(dib.PixelRgb(9, 0), 0xFFFFFFu);

    BmpFile four;
    four.bitCount = 4;
    four.width = 3;
    four.table = Greys(16);
    four.pixels = {0x1F, 0x70, 0, 0};
    ASSERT_TRUE(dib.Read(four.Build()));
    EXPECT_EQ(dib.ColourCount(), 16);
    EXPECT_EQ(dib.PixelRgb(0, 0), 0x010101u);
    EXPECT_EQ(dib.PixelRgb(1, 0), 0x0F0F0Fu);
    EXPECT_EQ(dib.PixelRgb(2, 0), 0x070707u);

    BmpFile sixteen;
    sixteen.bitCount = 16;
    sixteen.width = 2;
    sixteen.pixels = {0x00, 0x7C, 0x1F, 0x00}; // 5-5-5 red, blue
    ASSERT_TRUE(dib.Read(sixteen.Build()));
    EXPECT_FALSE(dib.HasColourTable());
    EXPECT_EQ(dib.PixelRgb(0, 0), 0xFF0000u);
    EXPECT_EQ(dib.PixelRgb(1, 0), 0x0000FFu);

    BmpFile thirtyTwo;
    thirtyTwo.bitCount = 32;
    thirtyTwo.pixels = {0x11, 0x22, 0x33, 0xEE};
    ASSERT_TRUE(dib.Read(thirtyTwo.Build()));
    EXPECT_EQ(dib.PixelRgb(0, 0), 0x332211u);
}

TEST(CDib, topDownRowsImageSizeFieldGapsAndAnEmptyImage)
{
    BmpFile f = Small24();
    f.height = -2;
    CDib dib;
    ASSERT_TRUE(dib.Read(f.Build()));
    EXPECT_TRUE(dib.IsTopDown());
    EXPECT_EQ(dib.Height(), 2);
    EXPECT_EQ(dib.PixelRgb(0, 0), 0x030201u) << "the first stored row is the top one";

    f = Small24();
    f.pixels.resize(40, 0xAA);
    f.sizeImage = 40;
    ASSERT_TRUE(dib.Read(f.Build()));
    EXPECT_EQ(dib.ImageSize(), 40u) << "the header's figure wins when not 0";
    EXPECT_EQ(dib.PixelRgb(2, 0), 0xFF0000u);

    // A gap between the colour table and the pixels is part of the info block.
    BmpFile gap = Small8();
    gap.offset = 54 + 1024 + 6;
    Bytes bytes = gap.Build();
    bytes.insert(bytes.begin() + 54 + 1024, 6, 0);
    ASSERT_TRUE(dib.Read(bytes));
    EXPECT_EQ(dib.Info().size(), 40u + 1024 + 6);
    EXPECT_EQ(dib.PixelRgb(0, 1), 0x102030u);

    BmpFile empty;
    empty.width = 0;
    empty.height = 1000000;
    ASSERT_TRUE(dib.Read(empty.Build())) << "reads, but has nothing to draw";
    EXPECT_EQ(dib.ImageSize(), 0u);
    EXPECT_TRUE(dib.ToArgb32().empty());

    for (const auto& [width, height] : {std::pair {4096, 4096}, std::pair {16384, 1024}}) {
        ASSERT_TRUE(dib.Read(Mono(width, height).Build())) << width << "x" << height << ": within the bound";
        EXPECT_EQ(dib.Width(), width);
    }
}

struct BadFile {
    const char* what;
    std::function<Bytes()> make;
};

// Names the case in test output (and keeps CTest's discovered names stable between builds).
void PrintTo(const BadFile& file, std::ostream* out)
{
    *out << file.what;
}

Bytes Modified(BmpFile f, const std::function<void(BmpFile&)>& change)
{
    change(f);
    return f.Build();
}

Bytes Truncated(const BmpFile& f, std::size_t size)
{
    Bytes b = f.Build();
    b.resize(size);
    return b;
}

const BadFile kBadFiles[] = {
    {"empty", [] { return Bytes {}; }},
    {"13 bytes", [] { return Truncated(Small24(), 13); }},
    {"file header only", [] { return Truncated(Small24(), 14); }},
    {"type MB", [] { return Modified(Small24(), [](BmpFile& f) { f.type = "MB"; }); }},
    {"type BA", [] { return Modified(Small24(), [](BmpFile& f) { f.type = "BA"; }); }},
    {"core header (12)", [] { return Modified(Small24(), [](BmpFile& f) { f.infoSize = 12; }); }},
    {"V4 header (108)", [] { return Modified(Small24(), [](BmpFile& f) { f.infoSize = 108; }); }},
    {"V5 header (124)", [] { return Modified(Small24(), [](BmpFile& f) { f.infoSize = 124; }); }},
    {"offset inside the info header", [] { return Modified(Small24(), [](BmpFile& f) { f.offset = 40; }); }},
    {"offset 0", [] { return Modified(Small24(), [](BmpFile& f) { f.offset = 0; }); }},
    {"offset beyond the file", [] { return Modified(Small24(), [](BmpFile& f) { f.offset = 0xFFFFFFF0; }); }},
    {"pixel data one byte short", [] { return Truncated(Small24(), 54 + 24 - 1); }},
    {"colour table cut off", [] { return Truncated(Small8(), 54 + 100); }},
    {"width 2^31-1", [] { return Modified(Small24(), [](BmpFile& f) { f.width = INT_MAX; }); }},
    {"height 2^31-1", [] { return Modified(Small24(), [](BmpFile& f) { f.height = INT_MAX; }); }},
    {"height -2^31", [] { return Modified(Small24(), [](BmpFile& f) { f.height = INT_MIN; }); }},
    {"negative width", [] { return Modified(Small24(), [](BmpFile& f) { f.width = -3; }); }},
    {"more pixels than 4096 x 4096", [] { return Mono(4097, 4096).Build(); }},
    {"a wide strip of more pixels than 4096 x 4096", [] { return Mono(16384, 1025).Build(); }},
    {"huge width and height", [] { return Modified(Small24(), [](BmpFile& f) { f.width = f.height = 0x10000; }); }},
    {"bit count 0", [] { return Modified(Small24(), [](BmpFile& f) { f.bitCount = 0; }); }},
    {"bit count 7", [] { return Modified(Small24(), [](BmpFile& f) { f.bitCount = 7; }); }},
    {"bit count 64", [] { return Modified(Small24(), [](BmpFile& f) { f.bitCount = 64; }); }},
    {"bit count 65535", [] { return Modified(Small24(), [](BmpFile& f) { f.bitCount = 0xFFFF; }); }},
    {"colours used 2^32-1", [] { return Modified(Small8(), [](BmpFile& f) { f.coloursUsed = 0xFFFFFFFF; }); }},
    {"colours used beyond the table", [] { return Modified(Small8(), [](BmpFile& f) { f.coloursUsed = 257; }); }},
    {"8 bits with a short table and colours used 0",
        [] { return Modified(Small8(), [](BmpFile& f) { f.table = Greys(16); }); }},
    {"image size smaller than the rows", [] { return Modified(Small24(), [](BmpFile& f) { f.sizeImage = 12; }); }},
    {"image size 4 GiB", [] { return Modified(Small24(), [](BmpFile& f) { f.sizeImage = 0xFFFFFFFF; }); }},
    {"run-length compressed", [] { return Modified(Small8(), [](BmpFile& f) { f.compression = 1; }); }},
    {"bit fields", [] { return Modified(Small24(), [](BmpFile& f) { f.compression = 3; }); }},
};

class CDibRejects : public testing::TestWithParam<BadFile> { };

TEST_P(CDibRejects, withAFailedReadAndAnEmptyImage)
{
    const Bytes bytes = GetParam().make();
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

TEST(ChartImage, loadReportsReadErrorOnlyForAFileThatIsThere)
{
    test::TempDir dir;
    test::RecordingDialogs dialogs;
    CDib image;

    EXPECT_EQ(LoadChartImage(dir.file("missing.bmp"), image, dialogs), ChartImageLoad::CannotOpen);
    EXPECT_TRUE(dialogs.messages.empty()) << "a missing chart leaves the panel blank without a box";

    const Bytes good = Small8().Build();
    test::writeFile(dir.file("good.bmp"), std::string(good.begin(), good.end()));
    EXPECT_EQ(LoadChartImage(dir.file("good.bmp"), image, dialogs), ChartImageLoad::Loaded);
    EXPECT_EQ(image.Width(), 5);
    EXPECT_TRUE(dialogs.messages.empty());

    test::writeFile(dir.file("text.bmp"), "BM but not a bitmap at all, really");
    EXPECT_EQ(LoadChartImage(dir.file("text.bmp"), image, dialogs), ChartImageLoad::ReadError);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "Read error");
    EXPECT_TRUE(image.IsEmpty()) << "the previous chart is freed before the load";
}

} // namespace
} // namespace lumivex
