#include "colour/LedReading.h"

#include <gtest/gtest.h>

#include <climits>

namespace lumivex {
namespace {

TEST(LedReading, darkLedUnderflowsWithZeroFactorsAndNoHue)
{
    LedReading reading;
    reading.DeriveFromCounts(0, 0, 0, 1234, 255);
    EXPECT_TRUE(reading.underflow);
    EXPECT_FALSE(reading.overflow);
    EXPECT_EQ(reading.percentFactor, 0);
    EXPECT_EQ(reading.shareFactor, 0);
    EXPECT_EQ(reading.redShare + reading.greenShare + reading.blueShare, 0);
    EXPECT_EQ(reading.redPercent + reading.greenPercent + reading.bluePercent, 0);
    EXPECT_EQ(reading.currentColour, 0u);
    EXPECT_FALSE(reading.IsReadingValid());
    reading.HueSaturationFromColour();
    EXPECT_EQ(reading.hue, 0);
    EXPECT_EQ(reading.saturation, 0);
    EXPECT_FALSE(reading.HasHue());
}

TEST(LedReading, overflowIsACountEqualToTheFullScaleOfTheFirmware)
{
    LedReading reading;
    reading.DeriveFromCounts(3, 255, 1, 100, FullScaleForFirmware(1006));
    EXPECT_TRUE(reading.overflow) << "one channel at 255 with 8-bit counts";
    reading.DeriveFromCounts(3, 255, 1, 100, FullScaleForFirmware(1007));
    EXPECT_FALSE(reading.overflow) << "255 is a small count at 12 bits";
    reading.DeriveFromCounts(1, 2, 4095, 100, 4095);
    EXPECT_TRUE(reading.overflow);
    EXPECT_FALSE(reading.underflow);
}

TEST(LedReading, sharesAreTruncatedAndPackedRedLow)
{
    LedReading reading;
    reading.DeriveFromCounts(1, 2, 4, 500, 255);
    EXPECT_EQ(reading.channelSum, 7);
    EXPECT_EQ(reading.redShare, 36); // 36.43
    EXPECT_EQ(reading.greenShare, 72); // 72.86
    EXPECT_EQ(reading.blueShare, 145); // 145.71
    EXPECT_NEAR(reading.redPercent, 14.2857, 1e-4);
    EXPECT_NEAR(reading.bluePercent, 57.1429, 1e-4);
    EXPECT_EQ(reading.currentColour, 36u | 72u << 8 | 145u << 16);
    EXPECT_TRUE(reading.IsReadingValid());
}

TEST(LedReading, intensityPercentIsIntegerDivisionAndSurvivesHugeCounts)
{
    LedReading reading;
    const auto percent = [&](std::int32_t intensity) {
        reading.DeriveFromCounts(10, 10, 10, intensity, 4095);
        return reading.intensityPercent;
    };
    EXPECT_EQ(percent(0), 0);
    EXPECT_EQ(percent(50000), 50);
    EXPECT_EQ(percent(99998), 99);
    EXPECT_EQ(percent(99999), 100);
    // Beyond the documented range the product must not overflow 32 bits.
    EXPECT_EQ(percent(INT_MAX), 2147505);
}

TEST(LedReading, hueAndSaturationFromTheSharesAndWhenTheyCount)
{
    LedReading reading;
    reading.DeriveFromCounts(200, 100, 0, 1000, 4095); // shares 170, 85, 0
    reading.HueSaturationFromColour();
    EXPECT_NEAR(reading.hue, 30, 1e-9);
    EXPECT_EQ(reading.saturation, 100);
    EXPECT_TRUE(reading.HasHue());

    reading.DeriveFromCounts(10, 10, 10, 1000, 4095);
    reading.HueSaturationFromColour();
    EXPECT_EQ(reading.hue, 0);
    EXPECT_EQ(reading.saturation, 0);
    EXPECT_FALSE(reading.HasHue()) << "a grey's hue of exactly 0 counts as none";

    reading.DeriveFromCounts(300, 0, 0, 1000, 4095);
    reading.HueSaturationFromColour();
    EXPECT_EQ(reading.hue, 0) << "pure red has hue 0 as well";
    EXPECT_EQ(reading.saturation, 100);

    // A saturated intensity makes an otherwise good reading invalid, hue and all.
    reading.DeriveFromCounts(100, 200, 50, 99999, 4095);
    EXPECT_FALSE(reading.overflow);
    EXPECT_FALSE(reading.IsReadingValid());
    reading.HueSaturationFromColour();
    EXPECT_NE(reading.hue, 0);
    EXPECT_FALSE(reading.HasHue());
}

TEST(LedReading, pickedColourScalesBytesToTheFirmwaresCounts)
{
    LedReading reading;
    reading.DeriveFromCounts(10, 20, 30, 99999, 4095);
    reading.TakePickedColour(PackRgb(255, 128, 0), PaletteFactorForFirmware(1007));
    EXPECT_EQ(reading.sensorRed, 4094) << "255 x 16.058823f is just below 4095";
    EXPECT_EQ(reading.sensorGreen, 2055);
    EXPECT_EQ(reading.sensorBlue, 0);
    EXPECT_EQ(reading.redShare, 255);
    EXPECT_EQ(reading.greenShare, 128);
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
    EXPECT_EQ(reading.sensorRed, 255);
    EXPECT_EQ(reading.sensorGreen, 1);
    EXPECT_EQ(reading.sensorBlue, 2);
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
