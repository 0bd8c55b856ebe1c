#pragma once

#include "stability/StabilityChart.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <span>

namespace lumivex {

// The stability chart: paints the core model's picture into a backing image, in full when the model
// redrew and segment by segment while a run adds readings, so a 100-reading run stays smooth.
class StabilityChartWidget : public QWidget {
    Q_OBJECT

public:
    using Readings = std::function<std::span<const CBlinkData>()>;
    StabilityChartWidget(Readings readings, QWidget* parent = nullptr);

    StabilityChart& model() { return m_model; }
    // The model's marked work done and shown (after a change of choice, size or records).
    void refresh();
    // A reading of a run was added.
    void readingAdded();

    QSize sizeHint() const override { return {560, 380}; }
    QSize minimumSizeHint() const override { return {320, 220}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void renderAll();
    void drawLines(const std::vector<ChartLine>& lines);

    Readings m_readings;
    QFont m_font;
    StabilityChart m_model;
    QImage m_image;
};

} // namespace lumivex
