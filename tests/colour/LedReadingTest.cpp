#include "colour/LedReading.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <tuple>

namespace lumivex {
namespace {

std::array<int, 3> Shares(const LedReading& r)
{
    return {r.redShare, r.greenShare, r.blueShare};
}

TEST(LedReading, countsGiveSharesOverflowAndUnderflow)
{
    LedReading reading;
    reading.DeriveFromCounts(1, 2, 4, 500, 255);
    EXPECT_EQ(reading.channelSum, 7);
    EXPECT_EQ(Shares(reading), (std::array {36, 72, 145})); // truncated: 36.43, 72.86, 145.71
    EXPECT_NEAR(reading.redPercent, 14.2857, 1e-4);
    EXPECT_NEAR(reading.bluePercent, 57.1429, 1e-4);
    EXPECT_EQ(reading.currentColour, 36u | 72u << 8 | 145u << 16) << "red low";
    EXPECT_TRUE(reading.IsReadingValid());
    EXPECT_FALSE(reading.overflow || reading.underflow);

    reading.DeriveFromCounts(0, 0, 0, 1234, 255);
    EXPECT_TRUE(reading.underflow);
    EXPECT_FALSE(reading.overflow);
    EXPECT_FALSE(reading.IsReadingValid());
    EXPECT_EQ(reading.percentFactor + reading.shareFactor, 0);
    EXPECT_EQ(Shares(reading), (std::array {0, 0, 0}));
    EXPECT_EQ(reading.redPercent + reading.greenPercent + reading.bluePercent, 0);
    EXPECT_EQ(reading.currentColour, 0u);

    // Overflow is a count equal to the firmware's full scale.
    reading.DeriveFromCounts(3, 255, 1, 100, FullScaleForFirmware(1006));
    EXPECT_TRUE(reading.overflow) << "one channel at 255 with 8-bit counts";
    EXPECT_TRUE(reading.IsReadingValid());
    reading.DeriveFromCounts(3, 255, 1, 100, FullScaleForFirmware(1007));
    EXPECT_FALSE(reading.overflow) << "255 is a small count at 12 bits";
    reading.DeriveFromCounts(1, 2, 4095, 100, 4095);
    EXPECT_TRUE(reading.overflow);
    EXPECT_FALSE(reading.underflow);
}

TEST(LedReading, intensityPercentIsIntegerDivisionAndSurvivesHugeCounts)
{
    // Beyond the documented range the product must not overflow 32 bits.
    for (const auto& [intensity, percent] :
        {std::pair {0, 0}, {50000, 50}, {99998, 99}, {99999, 100}, {INT_MAX, 2147505}}) {
        LedReading reading;
        reading.DeriveFromCounts(10, 10, 10, intensity, 4095);
        EXPECT_EQ(reading.intensityPercent, percent) << intensity;
    }
}

TEST(LedReading, hueAndSaturationFromTheSharesAndWhenTheyCount)
{
    // Orange (shares 170, 85, 0), a grey, pure red, and dark: a hue of exactly 0 counts as none.
    for (const auto& [r, g, b, hue, saturation] :
        {std::tuple {200, 100, 0, 30, 100}, {10, 10, 10, 0, 0}, {300, 0, 0, 0, 100}, {0, 0, 0, 0, 0}}) {
        LedReading reading;
        reading.DeriveFromCounts(r, g, b, 1000, 4095);
        reading.HueSaturationFromColour();
        EXPECT_NEAR(reading.hue, hue, 1e-9) << r << "," << g << "," << b;
        EXPECT_EQ(reading.saturation, saturation) << r << "," << g << "," << b;
        EXPECT_EQ(reading.HasHue(), hue != 0) << r << "," << g << "," << b;
    }
    // A saturated intensity makes an otherwise good reading invalid, hue and all.
    LedReading saturated;
    saturated.DeriveFromCounts(100, 200, 50, 99999, 4095);
    EXPECT_FALSE(saturated.overflow);
    EXPECT_FALSE(saturated.IsReadingValid());
    saturated.HueSaturationFromColour();
    EXPECT_NE(saturated.hue, 0);
    EXPECT_FALSE(saturated.HasHue());
}

TEST(LedReading, pickedColourScalesBytesToTheFirmwaresCounts)
{
    LedReading reading;
    reading.DeriveFromCounts(10, 20, 30, 99999, 4095);
    reading.TakePickedColour(PackRgb(255, 128, 0), PaletteFactorForFirmware(1007));
    EXPECT_EQ(reading.sensorRed, 4094) << "255 x 16.058823f is just below 4095";
    EXPECT_EQ(reading.sensorGreen, 2055);
    EXPECT_EQ(reading.sensorBlue, 0);
    EXPECT_EQ(Shares(reading), (std::array {255, 128, 0}));
    EXPECT_EQ(reading.currentColour, PackRgb(255, 128, 0));
    const Chromaticity xy = RgbToXy(PackRgb(255, 128, 0));
    EXPECT_EQ(reading.x, xy.x);
    EXPECT_EQ(reading.y, xy.y);
    EXPECT_NEAR(reading.hue, 30.1176, 1e-4);
    EXPECT_EQ(reading.saturation, 100);
    EXPECT_EQ(reading.colourTemperature, RgbToCct(PackRgb(255, 128, 0)));
    EXPECT_FALSE(reading.valuesFromDevice);
    EXPECT_EQ(reading.deviceIntensity, 99998) << "the picked colour must count as valid";
    EXPECT_TRUE(reading.IsReadingValid());

    reading.TakePickedColour(PackRgb(255, 1, 2), PaletteFactorForFirmware(1006));
    EXPECT_EQ(
        (std::array<int, 3> {reading.sensorRed, reading.sensorGreen, reading.sensorBlue}), (std::array {255, 1, 2}));
    EXPECT_EQ(reading.deviceIntensity, 99998) << "only a saturated intensity is replaced";
}

TEST(LedReading, validityReadsTheDisplayTextsAsWholeNumbers)
{
    EXPECT_FALSE(IsReadingValid("0", "0", "0", "500"));
    EXPECT_FALSE(IsReadingValid("", "", "", "")) << "empty fields read as 0";
    EXPECT_TRUE(IsReadingValid("0", "0", "1", "500"));
    EXPECT_TRUE(IsReadingValid("12", "3", "4", ""));
    EXPECT_FALSE(IsReadingValid("12", "3", "4", "99999"));
    EXPECT_FALSE(IsReadingValid("12", "3", "4", "99999 %"));
    EXPECT_TRUE(IsReadingValid("12", "3", "4", "999990"));
}

} // namespace
} // namespace lumivex
