// The chart images the build generates, read back through our own bitmap reader, and the
// generator's BMP writer on small images.
#include "colour/CDib.h"
#include "colour/ChartGeometry.h"
#include "colour/ChartImage.h"

#include "Bmp.h"
#include "Chart.h"
#include "RecordingDialogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <string>
#include <tuple>

namespace lumivex {
namespace {

struct Rgb {
    int r, g, b;
};

Rgb Split(std::uint32_t c)
{
    return {static_cast<int>(c >> 16 & 0xFF), static_cast<int>(c >> 8 & 0xFF), static_cast<int>(c & 0xFF)};
}

// The pixel the xy chart's cross-hair would cross at (x, y), the image drawn at its own size.
Rgb At(const CDib& dib, double x, double y)
{
    const Size size {dib.Width(), dib.Height()};
    const auto cross = XyChartCrossHair(x, y, {0, 0, size.width, size.height}, size);
    EXPECT_TRUE(cross);
    return Split(dib.PixelRgb(cross->column, cross->row));
}

class GeneratedChart : public testing::TestWithParam<int> { };

TEST_P(GeneratedChart, readsAndLinesUpWithTheCrossHair)
{
    CDib dib;
    test::RecordingDialogs dialogs;
    const std::string path = LUMIVEX_CHART_DIR "/" + std::string(ChartImageFileName(GetParam()));
    ASSERT_EQ(LoadChartImage(path, dib, dialogs), ChartImageLoad::Loaded);
    EXPECT_EQ(dib.Width(), 640);
    EXPECT_EQ(dib.Height(), 640);
    if (GetParam() == 1) {
        EXPECT_EQ(dib.BitCount(), 8);
        EXPECT_EQ(dib.ColourCount(), 256);
    } else {
        EXPECT_EQ(dib.BitCount(), 24);
        EXPECT_FALSE(dib.HasColourTable());
    }

    // The white region is near-white; the spectral corners carry their colour; beyond the locus is
    // the dark ground. The points keep clear of grid lines and of the white-LED chart's drawings.
    const Rgb white = At(dib, 0.31, 0.365);
    EXPECT_GT(std::min({white.r, white.g, white.b}), 190);
    const Rgb green = At(dib, 0.13, 0.72);
    EXPECT_GT(green.g, 200);
    EXPECT_LT(std::max(green.r, green.b), 100);
    const Rgb red = At(dib, 0.66, 0.31);
    EXPECT_GT(red.r, 200);
    EXPECT_LT(std::max(red.g, red.b), 100);
    const Rgb violet = At(dib, 0.18, 0.03);
    EXPECT_GT(violet.b, 200);
    EXPECT_LT(violet.g, 100);
    const Rgb outside = At(dib, 0.73, 0.73);
    EXPECT_LT(std::max({outside.r, outside.g, outside.b}), 80);

    // Both axes are the same light rule, exactly where the cross-hair puts x = 0 and y = 0.
    const Rgb axis = At(dib, 0, 0.42);
    EXPECT_GT(axis.r + axis.g + axis.b, 400);
    const Rgb xAxis = At(dib, 0.63, 0);
    EXPECT_EQ(std::tie(xAxis.r, xAxis.g, xAxis.b), std::tie(axis.r, axis.g, axis.b));
    const Rgb beside = At(dib, 0.005, 0.42);
    EXPECT_NE(std::tie(beside.r, beside.g, beside.b), std::tie(axis.r, axis.g, axis.b));
}

INSTANTIATE_TEST_SUITE_P(AllThree, GeneratedChart, testing::Values(0, 1, 2), [](const auto& param) {
    std::string name(ChartImageFileName(param.param));
    std::replace_if(
        name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
});

TEST(ChartWriter, oddWidthsRoundTripThroughOurReaderAtBothDepths)
{
    std::mt19937 random(7);
    chartgen::Image image(5, 3, 0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            image.Set(x, y, random() & 0xFFFFFF);
    for (const bool eightBit : {false, true}) {
        const auto bytes = eightBit ? chartgen::EncodeBmp8(image) : chartgen::EncodeBmp24(image);
        CDib dib;
        ASSERT_TRUE(dib.Read(bytes));
        EXPECT_EQ(dib.BitCount(), eightBit ? 8 : 24);
        EXPECT_EQ(dib.ImageSize(), eightBit ? 24u : 48u);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(dib.PixelRgb(x, y), image.At(x, y)) << x << "," << y;
    }
}

TEST(ChartWriter, eightBitsKeepInksExactWhenColoursMustBeShared)
{
    chartgen::Image image(64, 64, 0);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            image.Set(x, y, chartgen::MakeRgb(x * 4, y * 4, 128));
    const chartgen::Rgb ink = chartgen::MakeRgb(1, 2, 3);
    for (int x = 0; x < 64; ++x)
        image.Set(x, 10, ink);
    const chartgen::Rgb inks[] = {ink};
    CDib dib;
    ASSERT_TRUE(dib.Read(chartgen::EncodeBmp8(image, inks)));
    int worst = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            if (y == 10) {
                EXPECT_EQ(dib.PixelRgb(x, y), ink);
                continue;
            }
            const Rgb a = Split(dib.PixelRgb(x, y));
            const Rgb b = Split(image.At(x, y));
            worst = std::max({worst, std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
        }
    EXPECT_LT(worst, 40) << "dithered, but near the original";
}

TEST(ChartAxes, matchTheMappingTheCrossHairUses)
{
    const chartgen::Axes axes {640, 480};
    EXPECT_DOUBLE_EQ(axes.Column(0), 32);
    EXPECT_DOUBLE_EQ(axes.Column(kChartAxisEnd), 640);
    EXPECT_DOUBLE_EQ(axes.Row(0), 456);
    EXPECT_NEAR(axes.Row(kChartAxisEnd), 0, 1e-12);
    EXPECT_NEAR(axes.XAt(axes.Column(0.42)), 0.42, 1e-12) << "the generator's way back";
    EXPECT_NEAR(axes.YAt(axes.Row(0.42)), 0.42, 1e-12);
}

} // namespace
} // namespace lumivex
