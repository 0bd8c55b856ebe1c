#pragma once

#include "colour/ChartGeometry.h"
#include "colour/ColourConversions.h"

#include <array>
#include <span>
#include <string_view>
#include <vector>

namespace lumivex {

// The HSI colour wheel in a panel of w x h pixels: centre (w/2 - 20, h/2) in panel coordinates,
// radius min(w, h)/2 - 2, red straight up, hue 90 to the right.
struct WheelLayout {
    Size panel;
    Point centre;
    int radius = 0;
};
WheelLayout MakeWheelLayout(Size panel);

// One spoke: a sector of the disc in its colour, centred on the line from the centre to its rim
// point. Spoke i has hue 270 + i degrees (wrapped), full saturation, half lightness. The sectors
// overlap their neighbours a little, so that at any size no angle falls between two of them.
struct WheelSpoke {
    Point rim;
    // Degrees counter-clockwise from the right, as seen on the screen.
    double startDegrees = 0;
    double spanDegrees = 0;
    PackedRgb colour = 0;
};
std::vector<WheelSpoke> WheelSpokes(Size panel);

// Centre of the cross marking hue (degrees) and saturation (percent) in a panel at (left, top).
Point WheelCrossPosition(Point panelOrigin, Size panel, int hue, int saturation);
// The same from the "Hue" and "Saturation" texts, whose whole-number parts count ("359.99" is 359).
Point WheelCrossPosition(Point panelOrigin, Size panel, std::string_view hueText, std::string_view saturationText);

// The 19 x 19 cross shared by the wheel and the palette: four arms 3 pixels wide and 5 long, the
// 9 x 9 middle empty. Offsets from the centre.
std::span<const Point> CrossMaskOffsets();
// The cross's pixels around `centre` that lie inside `clip` (the wheel's panel, the palette's
// spectrum).
std::vector<Point> CrossPixels(Point centre, Rect clip);

// The lightness bar beside the wheel, in panel coordinates, and its bitmap.
Rect WheelLightnessBarRect(Size panel);
Size WheelLightnessBitmapSize(Size panel);
// Where the bar bitmap is copied to, in the window's client coordinates.
Point WheelLightnessBitmapOrigin(Point panelOrigin, Size panel);
// The colours of the bitmap's first (h - 6) - 22 rows, top row first: the current colour's hue and
// saturation from white at the top to black at the bottom. The rows below keep what the screen
// showed.
std::vector<PackedRgb> WheelLightnessRows(Size panel, PackedRgb colour);

// The lightness arrow: position 0 (lightness 240) .. h - 7 (lightness 0), and the rows and
// columns of its 10 x 17 mask in client coordinates.
int WheelArrowPosition(Size panel, PackedRgb colour);
Point WheelArrowOrigin(Point panelOrigin, Size panel, int position);

// The arrow mask, a triangle pointing left: 'o' outline (window text colour), 'f' fill (button
// shadow colour), '.' untouched. 17 rows of 10 columns.
inline constexpr int kArrowWidth = 10;
inline constexpr int kArrowHeight = 17;
std::span<const std::string_view> ArrowMask();

} // namespace lumivex
