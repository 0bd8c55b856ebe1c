#include "sim/SimColour.h"

#include "sim/SimConfig.h"

#include <algorithm>
#include <cmath>

namespace lumivex {

namespace {

constexpr double kPi = 3.14159265358979323846;

double linearFromSrgb(double c)
{
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

} // namespace

double simHsiHue(double red, double green, double blue)
{
    const double numerator = 0.5 * ((red - green) + (red - blue));
    const double denominator = std::sqrt((red - green) * (red - green) + (red - blue) * (green - blue));
    if (denominator <= 0.0)
        return 0.0;
    const double theta = std::acos(std::clamp(numerator / denominator, -1.0, 1.0)) * 180.0 / kPi;
    const double hue = blue <= green ? theta : 360.0 - theta;
    return hue >= 360.0 ? 0.0 : hue;
}

int simHsiSaturation(double red, double green, double blue)
{
    const double sum = red + green + blue;
    if (sum <= 0.0)
        return 0;
    const double saturation = 1.0 - 3.0 * std::min({red, green, blue}) / sum;
    return static_cast<int>(std::lround(std::clamp(saturation, 0.0, 1.0) * 100.0));
}

SimXy simSrgbToXy(double red, double green, double blue)
{
    const double r = linearFromSrgb(red);
    const double g = linearFromSrgb(green);
    const double b = linearFromSrgb(blue);
    const double bigX = 0.4124 * r + 0.3576 * g + 0.1805 * b;
    const double bigY = 0.2126 * r + 0.7152 * g + 0.0722 * b;
    const double bigZ = 0.0193 * r + 0.1192 * g + 0.9505 * b;
    const double sum = bigX + bigY + bigZ;
    if (sum <= 0.0)
        return {};
    return {bigX / sum, bigY / sum};
}

double simMcCamyCct(double x, double y)
{
    const double denominator = 0.1858 - y;
    if (std::fabs(denominator) < 1e-9)
        return 0.0;
    const double n = (x - 0.3320) / denominator;
    const double cct = 449.0 * n * n * n + 3525.0 * n * n + 6823.3 * n + 5520.33;
    if (!std::isfinite(cct) || cct < 0.0)
        return 0.0;
    return std::min(cct, 99999.9);
}

SimReading simReadingFor(int red, int green, int blue, double intensity, int fullScale, double xOffset, double yOffset)
{
    SimReading reading;
    const int brightest = std::max({red, green, blue});
    if (brightest <= 0 || intensity <= 0.0)
        return reading; // dark: nothing but zeros

    const bool saturated = intensity >= kSimSaturated;
    const double level = saturated ? 1.0 : intensity / kSimSaturated;
    // Truncation keeps the brightest channel below full scale until the sensor saturates.
    const auto counts = [&](int channel) {
        const auto value = static_cast<int>(static_cast<double>(fullScale) * channel / brightest * level);
        return std::clamp(value, 0, fullScale);
    };
    reading.red = counts(red);
    reading.green = counts(green);
    reading.blue = counts(blue);
    reading.intensity = saturated ? kSimSaturated : std::max(1, static_cast<int>(std::lround(intensity)));
    if (reading.red + reading.green + reading.blue == 0)
        return SimReading {}; // too faint to register

    reading.hue = simHsiHue(reading.red, reading.green, reading.blue);
    reading.saturation = simHsiSaturation(reading.red, reading.green, reading.blue);
    // Chromaticity and temperature follow the LED's colour, not how brightly it is lit.
    const SimXy xy = simSrgbToXy(red / 255.0, green / 255.0, blue / 255.0);
    reading.x = xy.x + xOffset;
    reading.y = xy.y + yOffset;
    reading.cct = simMcCamyCct(reading.x, reading.y);
    return reading;
}

} // namespace lumivex
