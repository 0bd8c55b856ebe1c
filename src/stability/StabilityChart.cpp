#include "stability/StabilityChart.h"

#include <algorithm>
#include <cmath>

namespace lumivex {

StabilityChart::StabilityChart(TextMeasure measure)
    : m_measure(measure ? std::move(measure) : TextMeasure([](std::string_view) { return Size {}; }))
{
}

void StabilityChart::markAll()
{
    m_frameMarked = m_curvesMarked = m_rescanMarked = true;
}

void StabilityChart::setCurves(unsigned curves)
{
    m_curves = curves;
    markAll();
}

void StabilityChart::setAreaSize(Size area)
{
    if (area == m_area)
        return;
    m_area = area;
    markAll();
}

void StabilityChart::setReadingsSetting(int readings)
{
    if (readings == m_readings)
        return;
    m_readings = readings;
    markAll();
}

void StabilityChart::setTimeScale(bool on)
{
    if (on == m_timeScale)
        return;
    m_timeScale = on;
    m_frameMarked = m_curvesMarked = true;
}

void StabilityChart::setDurationMs(int durationMs)
{
    if (durationMs == m_durationMs)
        return;
    m_durationMs = durationMs;
    if (m_timeScale)
        m_frameMarked = m_curvesMarked = true;
}

void StabilityChart::clearReadings()
{
    m_maxima = {};
    m_drawn = 0;
}

void StabilityChart::beginRun()
{
    clearReadings();
    m_running = true;
}

bool StabilityChart::updateScales(bool firstReading)
{
    if (!lumivex::updateScales(m_scales, m_maxima, m_curves, firstReading))
        return false;
    m_frameMarked = m_curvesMarked = true;
    return true;
}

ChartUpdate StabilityChart::readingAdded(std::span<const CBlinkData> readings)
{
    ChartUpdate update;
    if (readings.size() <= m_drawn)
        return update;
    const std::size_t from = m_drawn;
    for (std::size_t i = from; i < readings.size(); ++i)
        m_maxima.raise(readings[i]);
    const bool changed = updateScales(from == 0);
    m_drawn = readings.size();
    if (changed) {
        paint(readings);
        update.fullRedraw = true;
        return update;
    }
    for (std::size_t i = from; i < readings.size(); ++i)
        drawReading(readings[i], i == 0, update.segments);
    m_picture.curves.insert(m_picture.curves.end(), update.segments.begin(), update.segments.end());
    return update;
}

void StabilityChart::readingsReplaced(std::span<const CBlinkData> readings)
{
    m_maxima = {};
    m_drawn = readings.size();
    updateScales(true);
    markAll();
    paint(readings);
}

std::span<const CBlinkData> StabilityChart::shown(std::span<const CBlinkData> readings) const
{
    return m_running ? readings.first(std::min(readings.size(), m_drawn)) : readings;
}

bool StabilityChart::paint(std::span<const CBlinkData> all)
{
    const auto readings = shown(all);
    // Before the frame: a changed scale changes its labels.
    if (m_rescanMarked && m_curvesMarked && !readings.empty()) {
        m_rescanMarked = false;
        m_maxima = rescanMaxima(m_maxima, readings, m_curves);
        updateScales(false);
    }
    bool changed = false;
    if (m_frameMarked && m_readings >= 1) {
        m_frameMarked = false;
        m_picture.frame
            = drawChartFrame({m_area, m_readings, m_curves, m_timeScale, m_durationMs, m_maxima}, m_measure);
        // The frame clears the area, and its geometry may be new.
        m_curvesMarked = true;
        changed = true;
    }
    if (m_curvesMarked) {
        m_curvesMarked = false;
        drawCurves(readings);
        changed = true;
    }
    return changed;
}

void StabilityChart::drawCurves(std::span<const CBlinkData> readings)
{
    m_picture.curves.clear();
    m_statistics.clear();
    for (std::size_t i = 0; i < readings.size(); ++i)
        drawReading(readings[i], i == 0, m_picture.curves);
}

int StabilityChart::pointY(float value, float scale) const
{
    const PlotGeometry& g = m_picture.frame.geometry;
    // A value far off the plot (a negative intensity taken as unsigned) stays a drawable coordinate.
    const float height = value * 10.0f * g.division / scale;
    if (std::isnan(height))
        return g.baseline;
    return g.baseline - static_cast<int>(std::clamp(height, -1.0e7f, 1.0e7f));
}

void StabilityChart::drawReading(const CBlinkData& reading, bool first, std::vector<ChartLine>& out)
{
    if (first)
        m_statistics.clear();
    m_statistics.add(reading, m_curves);

    const PlotGeometry& g = m_picture.frame.geometry;
    if (!g.valid())
        return;
    m_x = first ? static_cast<float>(g.left) + g.step / 2 : m_x + g.step;
    for (std::size_t c = 0; c < kCurveOrder.size(); ++c) {
        const ChartCurve curve = kCurveOrder[c];
        const float scale = m_scales.of(curveGroup(curve));
        if (!(m_curves & curveGroup(curve)) || !(scale > 0))
            continue;
        const Point point {static_cast<int>(m_x), pointY(curveValue(curve, reading), scale)};
        const PackedRgb colour = curveColour(curve);
        if (!first)
            out.push_back({m_previous[c], point, colour, 2});
        else if (m_readings == 1)
            out.push_back({{g.left, point.y}, {g.slotEndX(1), point.y}, colour, 2});
        m_previous[c] = point;
    }
}

} // namespace lumivex
