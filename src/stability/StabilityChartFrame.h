#pragma once

#include "colour/ChartGeometry.h"
#include "colour/ColourConversions.h"
#include "stability/StabilityScales.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lumivex {

// The size of a text in the chart font (the window's Arial, height 16, weight 600). The core has no
// fonts, so the window measures for it.
using TextMeasure = std::function<Size(std::string_view text)>;

inline constexpr PackedRgb kChartBlack = PackRgb(0, 0, 0);
inline constexpr PackedRgb kChartGrid = PackRgb(225, 225, 225);

// A straight line as the painter draws it: solid, `width` pixels wide, both ends included.
struct ChartLine {
    Point from;
    Point to;
    PackedRgb colour = kChartBlack;
    int width = 1;
    bool operator==(const ChartLine&) const = default;
};

// A text in the chart font, its top-left corner at `topLeft`.
struct ChartText {
    std::string text; // Windows-1252
    Point topLeft;
    PackedRgb colour = kChartBlack;
    bool operator==(const ChartText&) const = default;
};

// Where the plot lies in the chart area.
struct PlotGeometry {
    int left = 0; // L, the left axis
    int right = 0; // R, the right axis
    int bottom = 0; // B, margin below the baseline
    int top = 0; // T, margin above the top division
    int baseline = 0; // Y0
    float division = 0.0f; // D, height of one of the ten divisions
    float step = 0.0f; // S, width of one reading's slot

    // Curves are drawn only into a plot that has room.
    bool valid() const { return left > 0 && right > left && bottom > 0 && top > 0 && step > 0 && division > 0; }
    int gridY(int j) const { return baseline - static_cast<int>(static_cast<float>(j) * division); }
    int slotEndX(int reading) const
    {
        return static_cast<int>(static_cast<float>(left) + static_cast<float>(reading) * step);
    }
    bool operator==(const PlotGeometry&) const = default;
};

// What the frame is drawn from.
struct FrameInput {
    Size area; // the chart control's client area
    int readings = 0; // the readings setting
    unsigned curves = 0; // ChartGroup bits
    bool timeScale = false; // "Time scale in ms"
    int durationMs = 0; // of the run, for the time labels
    ChartMaxima maxima; // the axis steps are looked up from these
};

// The cleared area (white, black 1-pixel border), then lines in order, then texts.
struct ChartFrame {
    Size area;
    PlotGeometry geometry;
    std::vector<ChartLine> lines;
    std::vector<ChartText> texts;
};

ChartFrame drawChartFrame(const FrameInput& input, const TextMeasure& measure);

// Every how many readings the horizontal axis is labelled (1: every reading). `sampleWidth` is the
// width of "55", or of "555555" with the time scale.
int readingLabelInterval(int readings, float step, int sampleWidth, bool timeScale);
// Reading i's label: i, or with the time scale the whole milliseconds i * duration / readings, the
// last reading's with " ms".
std::string readingLabel(int reading, int readings, bool timeScale, int durationMs);

} // namespace lumivex
