#include "stability/StabilityScales.h"

#include <algorithm>

namespace lumivex {

std::vector<ParameterEntry> parameterEntries(const StabilityGroups& groups)
{
    std::vector<ParameterEntry> entries;
    if (groups.rgbi || groups.hsi)
        entries.push_back({StringId::ParamIntensity, ChartGroup::Intensity});
    if (groups.rgbi) {
        entries.push_back({StringId::ParamRgb, ChartGroup::Rgb});
        entries.push_back({StringId::ParamRgbIntensity, ChartGroup::Rgb | ChartGroup::Intensity});
    }
    if (groups.hsi) {
        entries.push_back({StringId::ParamHueSat, ChartGroup::HueSat});
        entries.push_back({StringId::ParamHueSatIntensity, ChartGroup::HueSat | ChartGroup::Intensity});
    }
    if (groups.xy)
        entries.push_back({StringId::ParamXy, ChartGroup::Xy});
    return entries;
}

unsigned defaultCurves(const StabilityGroups& groups)
{
    const auto entries = parameterEntries(groups);
    return entries.empty() ? 0u : entries.front().curves;
}

unsigned curveGroup(ChartCurve curve)
{
    switch (curve) {
    case ChartCurve::Red:
    case ChartCurve::Green:
    case ChartCurve::Blue:
        return ChartGroup::Rgb;
    case ChartCurve::Intensity:
        return ChartGroup::Intensity;
    case ChartCurve::Hue:
    case ChartCurve::Saturation:
        return ChartGroup::HueSat;
    case ChartCurve::X:
    case ChartCurve::Y:
        return ChartGroup::Xy;
    }
    return 0;
}

PackedRgb curveColour(ChartCurve curve)
{
    switch (curve) {
    case ChartCurve::Red:
        return PackRgb(255, 0, 0);
    case ChartCurve::Green:
        return PackRgb(0, 255, 0);
    case ChartCurve::Blue:
        return PackRgb(0, 0, 255);
    case ChartCurve::Intensity:
        return PackRgb(0, 0, 0);
    case ChartCurve::Hue:
        return PackRgb(255, 128, 0);
    case ChartCurve::Saturation:
        return PackRgb(128, 0, 255);
    case ChartCurve::X:
        return PackRgb(0, 225, 225);
    case ChartCurve::Y:
        return PackRgb(225, 0, 225);
    }
    return 0;
}

StringId curveLegend(ChartCurve curve)
{
    switch (curve) {
    case ChartCurve::Red:
        return StringId::RedCaption;
    case ChartCurve::Green:
        return StringId::GreenCaption;
    case ChartCurve::Blue:
        return StringId::BlueCaption;
    case ChartCurve::Intensity:
        return StringId::IntensCaption;
    case ChartCurve::Hue:
        return StringId::HueCaption;
    case ChartCurve::Saturation:
        return StringId::SaturCaption;
    case ChartCurve::X:
        return StringId::XCaption;
    case ChartCurve::Y:
        return StringId::YCaption;
    }
    return StringId::IntensCaption;
}

float curveValue(ChartCurve curve, const CBlinkData& reading)
{
    switch (curve) {
    case ChartCurve::Red:
        return reading.Red;
    case ChartCurve::Green:
        return reading.Green;
    case ChartCurve::Blue:
        return reading.Blue;
    case ChartCurve::Intensity:
        return static_cast<float>(static_cast<std::uint32_t>(reading.Intensity));
    case ChartCurve::Hue:
        return reading.Hue;
    case ChartCurve::Saturation:
        return reading.Saturation;
    case ChartCurve::X:
        return reading.X;
    case ChartCurve::Y:
        return reading.Y;
    }
    return 0.0f;
}

void ChartMaxima::raiseIntensity(int value)
{
    intensity = std::max(intensity, value);
}

void ChartMaxima::raiseRgb(int red, int green, int blue)
{
    rgb = std::max({rgb, red, green, blue});
}

void ChartMaxima::raiseHueSat(float hue, int saturation)
{
    // The group's maximum is whole-numbered; a hue outside the int range cannot come from a reading.
    const int wholeHue = hue > -2.0e9f && hue < 2.0e9f ? static_cast<int>(hue) : 0;
    hueSat = std::max({hueSat, wholeHue, saturation});
}

void ChartMaxima::raiseXy(float x, float y)
{
    xy = std::max({xy, x, y});
}

void ChartMaxima::raise(const CBlinkData& reading, unsigned groups)
{
    if (groups & ChartGroup::Intensity)
        raiseIntensity(reading.Intensity);
    if (groups & ChartGroup::Rgb)
        raiseRgb(reading.Red, reading.Green, reading.Blue);
    if (groups & ChartGroup::HueSat)
        raiseHueSat(reading.Hue, reading.Saturation);
    if (groups & ChartGroup::Xy)
        raiseXy(reading.X, reading.Y);
}

float ChartScales::of(unsigned group) const
{
    switch (group) {
    case ChartGroup::Intensity:
        return static_cast<float>(intensity);
    case ChartGroup::Rgb:
        return static_cast<float>(rgb);
    case ChartGroup::HueSat:
        return static_cast<float>(hueSat);
    case ChartGroup::Xy:
        return xy;
    default:
        return 0.0f;
    }
}

int intensityStep(int m)
{
    if (m <= 10)
        return 1;
    if (m <= 50)
        return 5;
    if (m <= 100)
        return 10;
    if (m <= 500)
        return 50;
    if (m <= 1000)
        return 100;
    if (m <= 5000)
        return 500;
    if (m <= 10000)
        return 1000;
    if (m <= 50000)
        return 5000;
    return 10000;
}

int rgbStep(int m)
{
    if (m <= 10)
        return 1;
    if (m <= 20)
        return 2;
    if (m <= 50)
        return 5;
    if (m <= 100)
        return 10;
    if (m <= 200)
        return 20;
    return 25;
}

int hueSatStep(int m)
{
    if (m <= 10)
        return 1;
    if (m <= 20)
        return 2;
    if (m <= 50)
        return 5;
    if (m <= 100)
        return 10;
    if (m <= 200)
        return 20;
    if (m <= 500)
        return 25;
    return 100;
}

float xyStep(float m)
{
    if (m > 0.5f)
        return 0.1f;
    if (m > 0.1f)
        return 0.05f;
    if (m > 0.05f)
        return 0.01f;
    if (m > 0.01f)
        return 0.005f;
    return 0.1f;
}

namespace {

template<typename T> bool store(T& scale, T fresh, bool firstReading)
{
    const bool changed = firstReading || scale != fresh;
    scale = fresh;
    return changed;
}

} // namespace

bool updateScales(ChartScales& scales, const ChartMaxima& maxima, unsigned curves, bool firstReading)
{
    bool changed = false;
    if (curves & ChartGroup::Intensity)
        changed |= store(scales.intensity, 10 * intensityStep(maxima.intensity), firstReading);
    if (curves & ChartGroup::Rgb)
        changed |= store(scales.rgb, 10 * rgbStep(maxima.rgb), firstReading);
    if (curves & ChartGroup::HueSat)
        changed |= store(scales.hueSat, 10 * hueSatStep(maxima.hueSat), firstReading);
    if (curves & ChartGroup::Xy)
        changed |= store(scales.xy, 10.0f * xyStep(maxima.xy), firstReading);
    return changed;
}

ChartMaxima rescanMaxima(ChartMaxima maxima, std::span<const CBlinkData> readings, unsigned curves)
{
    if (curves & ChartGroup::Intensity)
        maxima.intensity = 0;
    if (curves & ChartGroup::Rgb)
        maxima.rgb = 0;
    if (curves & ChartGroup::HueSat)
        maxima.hueSat = 0;
    if (curves & ChartGroup::Xy)
        maxima.xy = 0.0f;
    for (const CBlinkData& reading : readings)
        maxima.raise(reading, curves);
    return maxima;
}

} // namespace lumivex
