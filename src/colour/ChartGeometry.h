#pragma once

#include <optional>

namespace lumivex {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

// Left, top inclusive; right, bottom exclusive.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    bool operator==(const Rect&) const = default;
};

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

// The chart images show x and y from 0 at 5 % in from the left and bottom edges to this value at
// the right and top edges.
inline constexpr double kChartAxisEnd = 0.887;
inline constexpr float kChartMargin = 0.05f;

// The size the xy chart's image is stretched to: the panel, computed as the system does in single
// precision. Empty when the image has no width or height (nothing is drawn).
Size StretchedImageSize(Size image, Size panel);

// The white cross-hair marking a chromaticity on the xy chart: a horizontal line at `row` across
// the client rectangle and a vertical line at `column` from its bottom to its top.
struct ChartCrossHair {
    int row = 0;
    int column = 0;
    bool operator==(const ChartCrossHair&) const = default;
};

// `client` is the panel's client rectangle, `panel` the size of its window rectangle. No cross-hair
// unless 0 <= x < 1 and 0 <= y < 1.
std::optional<ChartCrossHair> XyChartCrossHair(double x, double y, Rect client, Size panel);

} // namespace lumivex
