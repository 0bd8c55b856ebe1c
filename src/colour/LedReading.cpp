#include "colour/LedReading.h"

#include "base/NumberText.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace lumivex {

float PaletteFactorForFirmware(int firmware)
{
    return firmware < kFirmware12Bit ? 1.0f : 16.058823f;
}

void LedReading::DeriveFromCounts(int red, int green, int blue, std::int32_t intensity, int fullScale)
{
    sensorRed = static_cast<std::int16_t>(red);
    sensorGreen = static_cast<std::int16_t>(green);
    sensorBlue = static_cast<std::int16_t>(blue);
    rawIntensity = intensity;
    channelSum = sensorRed + sensorGreen + sensorBlue;

    percentFactor = channelSum > 0 ? 100.0 / channelSum : 0.0;
    shareFactor = channelSum > 0 ? 255.0 / channelSum : 0.0;
    overflow = sensorRed == fullScale || sensorGreen == fullScale || sensorBlue == fullScale;
    underflow = sensorRed == 0 && sensorGreen == 0 && sensorBlue == 0;

    redShare = static_cast<int>(sensorRed * shareFactor);
    greenShare = static_cast<int>(sensorGreen * shareFactor);
    blueShare = static_cast<int>(sensorBlue * shareFactor);
    redPercent = sensorRed * percentFactor;
    greenPercent = sensorGreen * percentFactor;
    bluePercent = sensorBlue * percentFactor;

    // 64 bits: a count beyond the documented range must not overflow the product.
    intensityPercent = static_cast<std::int32_t>(static_cast<std::int64_t>(intensity) * 100 / kSaturatedIntensity);
    currentColour = PackRgb(redShare, greenShare, blueShare);
    deviceIntensity = channelSum > 0 ? intensity : 0;
    valuesFromDevice = true;
}

void LedReading::HueSaturationFromColour()
{
    const Hsl240 hsl = RgbToHsl240(currentColour);
    hue = hsl.h * 360 / 240;
    saturation = static_cast<int>(hsl.s * 100 / 240);
}

void LedReading::TakePickedColour(PackedRgb colour, float factor)
{
    const int r = RedOf(colour);
    const int g = GreenOf(colour);
    const int b = BlueOf(colour);
    redShare = r;
    greenShare = g;
    blueShare = b;
    currentColour = PackRgb(r, g, b);
    // The product is formed in single precision, as the factor is: 255 x 16.058823f gives 4094.
    sensorRed = static_cast<std::int16_t>(static_cast<int>(static_cast<float>(r) * factor));
    sensorGreen = static_cast<std::int16_t>(static_cast<int>(static_cast<float>(g) * factor));
    sensorBlue = static_cast<std::int16_t>(static_cast<int>(static_cast<float>(b) * factor));

    const Chromaticity xy = RgbToXy(colour);
    x = xy.x;
    y = xy.y;
    HueSaturationFromColour();
    colourTemperature = RgbToCct(colour);
    if (deviceIntensity == kSaturatedIntensity)
        deviceIntensity = kSaturatedIntensity - 1;
    valuesFromDevice = false;
}

bool IsReadingValid(std::string_view red, std::string_view green, std::string_view blue, std::string_view intensity)
{
    const bool dark = readInteger(red) == 0 && readInteger(green) == 0 && readInteger(blue) == 0;
    return !dark && readInteger(intensity) != kSaturatedIntensity;
}

} // namespace lumivex
