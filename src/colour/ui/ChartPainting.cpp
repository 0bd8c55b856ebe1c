#include "colour/ui/ChartPainting.h"

#include "colour/WheelGeometry.h"

#include <QPainter>

namespace lumivex {

void paintPixels(QPainter& painter, const std::vector<Point>& pixels, const QColor& colour)
{
    for (const Point p : pixels)
        painter.fillRect(p.x, p.y, 1, 1, colour);
}

void paintArrow(QPainter& painter, Point origin, const QColor& outline, const QColor& fill)
{
    const auto mask = ArrowMask();
    for (int row = 0; row < static_cast<int>(mask.size()); ++row) {
        for (int column = 0; column < static_cast<int>(mask[row].size()); ++column) {
            const char cell = mask[row][column];
            if (cell == 'o')
                painter.fillRect(origin.x + column, origin.y + row, 1, 1, outline);
            else if (cell == 'f')
                painter.fillRect(origin.x + column, origin.y + row, 1, 1, fill);
        }
    }
}

} // namespace lumivex
