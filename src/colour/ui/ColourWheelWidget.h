#pragma once

#include "colour/ColourConversions.h"

#include <QImage>
#include <QWidget>

#include <string>

namespace lumivex {

// The HSI colour wheel: 360 spokes around a centre left of the middle, a lightness bar on the
// right with an arrow at the current colour's lightness, and a cross at the hue and saturation the
// "Hue" and "Saturation" fields show. The wheel's panel is the largest rectangle 40 pixels wider
// than high that fits the widget, centred in it: the wheel then stays whole and round, with its
// bar beside it. All positions and colours come from WheelGeometry.
class ColourWheelWidget : public QWidget {
    Q_OBJECT

public:
    explicit ColourWheelWidget(QWidget* parent = nullptr);

    // The texts of the "Hue" and "Saturation" fields and the current colour (its lightness bar and
    // arrow); the wheel redraws with them.
    void setMarks(const std::string& hueText, const std::string& saturationText, PackedRgb colour);
    const std::string& hueText() const { return m_hueText; }
    const std::string& saturationText() const { return m_saturationText; }
    PackedRgb colour() const { return m_colour; }

    // The wheel's panel in widget coordinates.
    QRect panelRect() const;

    QSize sizeHint() const override { return {400, 360}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The spokes on the face colour, drawn once per panel size.
    const QImage& wheelImage(QSize panel);

    QImage m_wheel;
    std::string m_hueText;
    std::string m_saturationText;
    PackedRgb m_colour = 0;
};

} // namespace lumivex
