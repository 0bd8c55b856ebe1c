#pragma once

#include "colour/ChartImage.h"

#include <QImage>
#include <QWidget>

#include <string>

namespace lumivex {

class Dialogs;

// The xy chart: a chromaticity chart image stretched over the chart's panel, with the measured
// chromaticity marked by a white cross-hair. The panel is the largest rectangle of the image's
// shape that fits the widget, centred in it, so that the image keeps its proportions while it
// fills the panel; the cross-hair is placed in that panel by XyChartCrossHair.
class XyChartWidget : public QWidget {
    Q_OBJECT

public:
    explicit XyChartWidget(QWidget* parent = nullptr);

    // Frees the image and reads the file. Unless the result is Loaded the chart stays empty; a
    // file that is not a bitmap we can read has shown "Read error".
    ChartImageLoad load(const std::string& path, Dialogs& dialogs);
    bool hasImage() const { return !m_image.isNull(); }
    QSize imageSize() const { return m_image.size(); }

    // The chromaticity to mark; outside 0 <= x, y < 1 there is no cross-hair.
    void setPoint(double x, double y);
    double pointX() const { return m_x; }
    double pointY() const { return m_y; }

    // Where the image and the cross-hair are drawn, in widget coordinates; empty without an image.
    QRect panelRect() const;

    QSize sizeHint() const override { return {360, 360}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
    double m_x = 0.5;
    double m_y = 0.5;
};

} // namespace lumivex
