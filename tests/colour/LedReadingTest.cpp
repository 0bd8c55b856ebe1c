#include "colour/LedReading.h"
#include "base/NumberText.h"

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
    EXPECT_EQ(reading.channelSum, 0);
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
    EXPECT_NEAR(reading.redPercent, 100.0 / 7, 1e-12);
    EXPECT_NEAR(reading.bluePercent, 400.0 / 7, 1e-12);
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
    EXPECT_EQ(percent(INT_MAX), static_cast<std::int32_t>(INT_MAX * 100LL / 99999));
}

TEST(LedReading, saturatedIntensityMakesAnOtherwiseGoodReadingInvalid)
{
    LedReading reading;
    reading.DeriveFromCounts(100, 200, 50, 99999, 4095);
    EXPECT_FALSE(reading.overflow);
    EXPECT_FALSE(reading.IsReadingValid());
    reading.HueSaturationFromColour();
    EXPECT_NE(reading.hue, 0);
    EXPECT_FALSE(reading.HasHue());
}

TEST(LedReading, computedHueAndSaturationFromTheShares)
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

    // Pure red has hue 0 as well.
    reading.DeriveFromCounts(300, 0, 0, 1000, 4095);
    reading.HueSaturationFromColour();
    EXPECT_EQ(reading.hue, 0);
    EXPECT_EQ(reading.saturation, 100);
}

TEST(LedReading, pickedColourScalesBytesToTheFirmwaresCounts)
{
    EXPECT_EQ(PaletteFactorForFirmware(1006), 1.0f);
    EXPECT_EQ(PaletteFactorForFirmware(1007), 16.058823f);

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
    EXPECT_NEAR(reading.hue, 128.0 / 255 * 60, 1e-9);
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

TEST(ReadInteger, stopsAtTheFirstNonDigitLikeTheCLibrary)
{
    EXPECT_EQ(readInteger("359.99"), 359);
    EXPECT_EQ(readInteger("45 %"), 45);
    EXPECT_EQ(readInteger("  \t-12x"), -12);
    EXPECT_EQ(readInteger("+7"), 7);
    EXPECT_EQ(readInteger("---"), 0);
    EXPECT_EQ(readInteger(""), 0);
    EXPECT_EQ(readInteger("99999999999999"), INT_MAX);
    EXPECT_EQ(readInteger("-99999999999999"), INT_MIN);
}

} // namespace
} // namespace lumivex
