#include "stability/StabilityChartFrame.h"

#include <cstdint>
#include <cstdio>

namespace lumivex {

namespace {

constexpr int kTopMargin = 40;
constexpr int kDivisions = 10;

struct FrameBuilder {
    ChartFrame& frame;
    const TextMeasure& measure;
    int textHeight = 0;

    void line(Point from, Point to, PackedRgb colour = kChartBlack, int width = 1)
    {
        frame.lines.push_back({from, to, colour, width});
    }
    void text(std::string s, Point topLeft, PackedRgb colour = kChartBlack)
    {
        frame.texts.push_back({std::move(s), topLeft, colour});
    }
    int width(std::string_view s) const { return measure(s).width; }
    void centred(std::string s, int x, int top)
    {
        const int w = width(s);
        text(std::move(s), {x - w / 2, top});
    }
    void rightAligned(std::string s, int right, int middle)
    {
        const int w = width(s);
        text(std::move(s), {right - w, middle - textHeight / 2});
    }
};

std::string formatted(const char* format, int value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string formatted(const char* format, double value)
{
    char text[48];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

void drawLegend(FrameBuilder& b, unsigned curves, int top)
{
    int x = b.frame.geometry.left;
    const int middle = top + b.textHeight / 2;
    for (const ChartCurve curve : kCurveOrder) {
        if (!(curves & curveGroup(curve)))
            continue;
        const std::string legend(stringText(curveLegend(curve)));
        const PackedRgb colour = curveColour(curve);
        b.line({x, middle}, {x + 20, middle}, colour, 2);
        b.text(legend, {x + 22, top}, colour);
        x += 32 + b.width(legend);
    }
}

void drawReadingAxis(FrameBuilder& b, const FrameInput& in)
{
    const PlotGeometry& g = b.frame.geometry;
    b.centred("0", g.left, g.baseline + 12);
    if (in.readings < 2 || g.step <= 0)
        return;
    const int sampleWidth = b.width(in.timeScale ? "555555" : "55");
    const int every = readingLabelInterval(in.readings, g.step, sampleWidth, in.timeScale);
    for (int i = 1; i <= in.readings; ++i) {
        const int x = g.slotEndX(i);
        const bool labelled = i % every == 0;
        if (i < in.readings)
            b.line({x, g.top - 10}, {x, g.baseline + (labelled ? 12 : 6)}, kChartGrid);
        if (labelled)
            b.centred(readingLabel(i, in.readings, in.timeScale, in.durationMs), x, g.baseline + 12);
    }
    if (in.timeScale && in.readings % every != 0)
        b.centred(" ms", g.slotEndX(in.readings + 1), g.baseline + 12);
}

void drawValueGrid(FrameBuilder& b)
{
    const PlotGeometry& g = b.frame.geometry;
    for (int j = 1; j <= kDivisions; ++j)
        b.line({g.left - 6, g.gridY(j)}, {g.right + 6, g.gridY(j)}, kChartGrid);
}

void drawIntensityAxis(FrameBuilder& b, const FrameInput& in)
{
    const PlotGeometry& g = b.frame.geometry;
    const int x = g.right + 10;
    b.text(std::string(stringText(StringId::IntensCaption)), {x, g.top / 2 - b.textHeight / 2});
    b.text("0", {x, g.baseline - b.textHeight / 2});
    drawValueGrid(b);
    const int step = intensityStep(in.maxima.intensity);
    for (int j = 1; j <= kDivisions; ++j)
        b.text(formatted("%d", j * step), {x, g.gridY(j) - b.textHeight / 2});
}

void drawLeftAxis(FrameBuilder& b, const FrameInput& in)
{
    const PlotGeometry& g = b.frame.geometry;
    StringId title;
    if (in.curves & ChartGroup::Rgb)
        title = StringId::AxisTitleRgb;
    else if (in.curves & ChartGroup::HueSat)
        title = StringId::AxisTitleHueSat;
    else if (in.curves & ChartGroup::Xy)
        title = StringId::AxisTitleXy;
    else
        return;

    const int right = g.left - 4;
    const std::string titleText(stringText(title));
    const int titleX = right - b.width(titleText);
    b.text(titleText, {titleX < 0 ? 6 : titleX, g.top / 2 - b.textHeight / 2});

    const bool xy = title == StringId::AxisTitleXy;
    b.rightAligned(xy ? "0.0" : "0", right, g.baseline);
    if (!(in.curves & ChartGroup::Intensity))
        drawValueGrid(b);
    for (int j = 1; j <= kDivisions; ++j) {
        std::string label;
        if (title == StringId::AxisTitleRgb)
            label = formatted("%d", j * rgbStep(in.maxima.rgb));
        else if (title == StringId::AxisTitleHueSat)
            label = formatted("%d.0", j * hueSatStep(in.maxima.hueSat));
        else
            label = formatted("%1.2f", static_cast<double>(static_cast<float>(j) * xyStep(in.maxima.xy)));
        b.rightAligned(std::move(label), right, g.gridY(j));
    }
}

} // namespace

int readingLabelInterval(int readings, float step, int sampleWidth, bool timeScale)
{
    const float needed = static_cast<float>(sampleWidth + 2);
    int k = 5;
    bool thinned = false;
    if (needed > step) {
        if (readings <= 50) {
            thinned = true;
            k = 2;
            if (timeScale) {
                // Rounded; bounded so that a plot with no width simply labels no reading.
                const float rounded = step > 0 ? needed / step + 0.5f : static_cast<float>(readings + 1);
                k = rounded < static_cast<float>(readings + 1) ? static_cast<int>(rounded) : readings + 1;
            }
        } else if (timeScale && needed > 5 * step) {
            k = 10;
        }
    }
    return readings > 50 || thinned ? k : 1;
}

std::string readingLabel(int reading, int readings, bool timeScale, int durationMs)
{
    if (!timeScale || readings < 1)
        return formatted("%d", reading);
    // Whole milliseconds, exact, so that the last label shows the whole duration.
    const auto ms = static_cast<std::int64_t>(reading) * durationMs / readings;
    return formatted("%d", static_cast<int>(ms)) + (reading == readings ? " ms" : "");
}

ChartFrame drawChartFrame(const FrameInput& in, const TextMeasure& measure)
{
    ChartFrame frame;
    frame.area = in.area;
    FrameBuilder b {frame, measure};
    const Size sample = measure("100000");
    b.textHeight = sample.height;

    PlotGeometry& g = frame.geometry;
    g.left = sample.width + 10;
    g.bottom = sample.height + 50;
    g.right = in.area.width - g.left - 10;
    g.top = kTopMargin;
    g.baseline = in.area.height - g.bottom;
    g.division = static_cast<float>(in.area.height - g.bottom - g.top) / kDivisions;
    g.step = in.readings > 0 ? static_cast<float>(g.right - g.left) / static_cast<float>(in.readings) : 0.0f;

    b.line({g.left, g.top - 10}, {g.left, g.baseline + 2});
    b.line({g.left - 2, g.baseline}, {g.right + 2, g.baseline});
    b.line({g.right, g.top - 10}, {g.right, g.baseline + 2});

    const int bottomLine = in.area.height - sample.height - 10;
    const std::string title(stringText(StringId::ReadingsAxisTitle));
    b.text(title, {in.area.width / 2 - b.width(title) / 2, bottomLine});
    drawLegend(b, in.curves, bottomLine);

    drawReadingAxis(b, in);
    if (in.curves & ChartGroup::Intensity)
        drawIntensityAxis(b, in);
    drawLeftAxis(b, in);
    return frame;
}

} // namespace lumivex
