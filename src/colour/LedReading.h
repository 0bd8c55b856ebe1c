#pragma once

#include "colour/ColourConversions.h"

#include <cstdint>
#include <string_view>

namespace lumivex {

// Firmware from this number on delivers 12-bit counts.
inline constexpr int kFirmware12Bit = 1007;
// The raw intensity count of a saturated intensity channel.
inline constexpr int kSaturatedIntensity = 99999;

// The factor from a palette byte to a sensor count: 1 below firmware 1007, 4095/255 as a
// single-precision number from 1007 on.
float PaletteFactorForFirmware(int firmware);

// The main window's record of the LED last measured, replaced field by field as replies arrive.
struct LedReading {
    std::int16_t sensorRed = 0;
    std::int16_t sensorGreen = 0;
    std::int16_t sensorBlue = 0;
    std::int32_t rawIntensity = 0; // 0..99999, 99999 = saturated
    std::int32_t channelSum = 0;
    int redShare = 0; // 0..255
    int greenShare = 0;
    int blueShare = 0;
    double redPercent = 0; // 0..100
    double greenPercent = 0;
    double bluePercent = 0;
    double percentFactor = 0;
    double shareFactor = 0;
    std::int32_t intensityPercent = 0; // 0..100
    double hue = 0; // degrees
    int saturation = 0; // percent
    // What the HSI "Intensity" field shows: the raw intensity after a counts reply (0, for the empty
    // field, when the channel sum is not positive), the device's own after a hue reply.
    int deviceIntensity = 0;
    double x = 0.5;
    double y = 0.5;
    double colourTemperature = 0; // kelvin, 0 = none
    PackedRgb currentColour = 0;
    bool overflow = false;
    bool underflow = false;
    bool valuesFromDevice = true;

    // Fills the shares, percents, marks and current colour from one counts reply.
    void DeriveFromCounts(int red, int green, int blue, std::int32_t intensity, int fullScale);
    // Hue and saturation computed from the current colour, for a test that does not ask the
    // device for them.
    void HueSaturationFromColour();
    // Takes a colour picked in the palette as if it had been measured; `factor` is
    // PaletteFactorForFirmware.
    void TakePickedColour(PackedRgb colour, float factor);
};

// The validity rule on the display texts themselves: invalid when the three sensor-value texts
// all read as 0 or the HSI intensity text reads as 99999.
bool IsReadingValid(std::string_view red, std::string_view green, std::string_view blue, std::string_view intensity);

} // namespace lumivex
