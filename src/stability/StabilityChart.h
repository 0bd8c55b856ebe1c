#pragma once

#include "stability/CBlinkData.h"
#include "stability/StabilityChartFrame.h"
#include "stability/StabilityScales.h"
#include "stability/StabilityStatistics.h"

#include <array>
#include <span>
#include <vector>

namespace lumivex {

// Everything the chart shows: the frame, then the curve segments (2 pixels wide) on top of it.
struct ChartPicture {
    ChartFrame frame;
    std::vector<ChartLine> curves;
};

// What one reading of a run changed on the chart.
struct ChartUpdate {
    bool fullRedraw = false; // the whole picture is new
    std::vector<ChartLine> segments; // otherwise only these were added to it
};

// The stability window's chart and statistics: scales, frame, curves and the twelve results. The
// window keeps the readings and hands them in; it paints picture() and shows results().
//
// Changes of size, readings setting, curve set, time scale or duration only mark what has to be
// redrawn; paint() does the marked work. During a run (beginRun() .. endRun()) only the readings
// already announced with readingAdded() are drawn, so a repaint in the middle of a reading never
// shows or sums its half-filled record.
class StabilityChart {
public:
    explicit StabilityChart(TextMeasure measure);

    // "Parameter shown" chose a curve set (ChartGroup bits), or a value-group box changed.
    void setCurves(unsigned curves);
    unsigned curves() const { return m_curves; }
    void setAreaSize(Size area);
    void setReadingsSetting(int readings);
    int readingsSetting() const { return m_readings; }
    void setTimeScale(bool on);
    bool timeScale() const { return m_timeScale; }
    void setDurationMs(int durationMs);

    // The result fields at the start of a run.
    void clearResults() { m_statistics.clear(); }
    // The records were deleted: maxima and drawn count start again.
    void clearReadings();
    void beginRun();
    void endRun() { m_running = false; }
    bool running() const { return m_running; }

    // Raised by the run as the values of a reading arrive.
    ChartMaxima& maxima() { return m_maxima; }
    const ChartMaxima& maxima() const { return m_maxima; }
    const ChartScales& scales() const { return m_scales; }

    // Recomputes the scales of the curve set; when one changed, frame and curves are marked and
    // the caller's next paint() redraws them. True when a full redraw is due.
    bool updateScales(bool firstReading);

    // After each reading of a run, `readings` holding the run's records up to the new one: raises
    // the maxima by it, updates the scales (the first reading's rule for reading 1) and either
    // redraws in full or adds the new segments.
    ChartUpdate readingAdded(std::span<const CBlinkData> readings);
    // A loaded report replaced the records: scales, maxima and curves are made afresh.
    void readingsReplaced(std::span<const CBlinkData> readings);

    // Does the marked work. True when the picture changed.
    bool paint(std::span<const CBlinkData> readings);

    const ChartPicture& picture() const { return m_picture; }
    const StabilityResults& results() const { return m_statistics.results(); }
    int drawnCount() const { return static_cast<int>(m_drawn); }

private:
    void markAll();
    std::span<const CBlinkData> shown(std::span<const CBlinkData> readings) const;
    void drawCurves(std::span<const CBlinkData> readings);
    void drawReading(const CBlinkData& reading, bool first, std::vector<ChartLine>& out);
    int pointY(float value, float scale) const;

    TextMeasure m_measure;
    unsigned m_curves = 0;
    Size m_area;
    int m_readings = 0;
    bool m_timeScale = false;
    int m_durationMs = 0;

    ChartMaxima m_maxima;
    ChartScales m_scales;
    StabilityStatistics m_statistics;
    ChartPicture m_picture;

    bool m_frameMarked = true;
    bool m_curvesMarked = true;
    bool m_rescanMarked = true;
    bool m_running = false;
    std::size_t m_drawn = 0;

    float m_x = 0.0f; // the last drawn reading's x
    std::array<Point, kCurveOrder.size()> m_previous {}; // its point per curve
};

} // namespace lumivex
