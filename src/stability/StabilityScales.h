#pragma once

#include "colour/ColourConversions.h"
#include "foundation/StringTable.h"
#include "stability/CBlinkData.h"
#include "stability/StabilitySetup.h"

#include <array>
#include <span>
#include <vector>

namespace lumivex {

// The curve groups of the stability chart as bits of a curve set.
struct ChartGroup {
    static constexpr unsigned Rgb = 1;
    static constexpr unsigned Intensity = 2;
    static constexpr unsigned HueSat = 4;
    static constexpr unsigned Xy = 8;
};

// One entry of "Parameter shown": its text and the curve set it selects.
struct ParameterEntry {
    StringId text;
    unsigned curves = 0;
    bool operator==(const ParameterEntry&) const = default;
};

// The entries for the value groups that are on, in list order. The first one is the default choice.
std::vector<ParameterEntry> parameterEntries(const StabilityGroups& groups);
// The curve set of the first entry; empty (nothing drawn) when the list is empty.
unsigned defaultCurves(const StabilityGroups& groups);

enum class ChartCurve { Red, Green, Blue, Intensity, Hue, Saturation, X, Y };

// Legend and drawing order.
inline constexpr std::array<ChartCurve, 8> kCurveOrder = {ChartCurve::Red, ChartCurve::Green, ChartCurve::Blue,
    ChartCurve::Hue, ChartCurve::Saturation, ChartCurve::X, ChartCurve::Y, ChartCurve::Intensity};

unsigned curveGroup(ChartCurve curve);
PackedRgb curveColour(ChartCurve curve);
StringId curveLegend(ChartCurve curve);
// The reading's value on the curve, as drawn: intensity is taken as unsigned.
float curveValue(ChartCurve curve, const CBlinkData& reading);

// The largest values of the current readings, per group.
struct ChartMaxima {
    int intensity = 0;
    int rgb = 0; // largest of red, green, blue
    int hueSat = 0; // largest of hue (whole part) and saturation
    float xy = 0.0f; // largest of x and y

    void raiseIntensity(int value);
    void raiseRgb(int red, int green, int blue);
    void raiseHueSat(float hue, int saturation);
    void raiseXy(float x, float y);
    // All groups of `groups` from a stored reading.
    void raise(const CBlinkData& reading, unsigned groups = 0xF);
    bool operator==(const ChartMaxima&) const = default;
};

// The value at the top of the plot per group (ten divisions of one step).
struct ChartScales {
    int intensity = 100000;
    int rgb = 255;
    int hueSat = 1000;
    float xy = 1.0f;

    // The group's scale as a float, for the point arithmetic.
    float of(unsigned group) const;
    bool operator==(const ChartScales&) const = default;
};

// Label steps looked up from a group's largest value.
int intensityStep(int maximum);
int rgbStep(int maximum);
int hueSatStep(int maximum);
float xyStep(float maximum);

// Recomputes the scales of the groups in `curves` from the maxima. On the first reading of a run
// every one of them counts as changed; otherwise only those that differ. Other groups keep theirs.
bool updateScales(ChartScales& scales, const ChartMaxima& maxima, unsigned curves, bool firstReading);

// The maxima of the groups in `curves` raised afresh over `readings` (the other groups as they were).
ChartMaxima rescanMaxima(ChartMaxima maxima, std::span<const CBlinkData> readings, unsigned curves);

} // namespace lumivex
