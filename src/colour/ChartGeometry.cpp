#include "colour/ChartGeometry.h"

namespace lumivex {

Size StretchedImageSize(Size image, Size panel)
{
    if (image.width <= 0 || image.height <= 0)
        return {};
    const float w = static_cast<float>(image.width);
    const float h = static_cast<float>(image.height);
    return {static_cast<int>(w * (static_cast<float>(panel.width) / w)),
        static_cast<int>(h * (static_cast<float>(panel.height) / h))};
}

std::optional<ChartCrossHair> XyChartCrossHair(double x, double y, Rect client, Size panel)
{
    if (!(x >= 0 && x < 1 && y >= 0 && y < 1))
        return std::nullopt;
    const float mx = static_cast<float>(panel.width) * kChartMargin;
    const float my = static_cast<float>(panel.height) * kChartMargin;
    // The margins are single precision, the rest double, and x / 0.887 comes first: a point at the
    // axis end then lands exactly on the edge, not a rounding step short of it (a column to the left).
    const double px = (panel.width - static_cast<double>(mx)) * (x / kChartAxisEnd);
    const double py = (panel.height - static_cast<double>(my)) * (y / kChartAxisEnd);
    return ChartCrossHair {static_cast<int>(client.bottom - py - my), static_cast<int>(client.left + px + mx)};
}

} // namespace lumivex
