#pragma once

#include "colour/ChartGeometry.h"
#include "colour/ColourConversions.h"

#include <QColor>

#include <vector>

class QPainter;

namespace lumivex {

// A packed colour (red in the low byte) as Qt's colour.
inline QColor qColour(PackedRgb colour)
{
    return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour));
}

// Single pixels in one colour, as the cross of the wheel and the palette is set.
void paintPixels(QPainter& painter, const std::vector<Point>& pixels, const QColor& colour);

// The lightness arrow (ArrowMask) with its top-left corner at `origin`.
void paintArrow(QPainter& painter, Point origin, const QColor& outline, const QColor& fill);

} // namespace lumivex
