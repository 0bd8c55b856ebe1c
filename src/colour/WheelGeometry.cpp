#include "colour/WheelGeometry.h"
#include "base/NumberText.h"

#include "colour/LedReading.h"
#include "colour/SpokeColour.h"

#include <algorithm>
#include <cmath>

namespace lumivex {

namespace {

// The wheel's own value of pi; rim points and cross positions truncate, so it shows in the pixels.
constexpr double kPi = 3.141592654;

// Four arms x three pixels across x five along.
std::array<Point, 60> MakeCross()
{
    std::array<Point, 60> points {};
    std::size_t n = 0;
    for (int along = 0; along < 5; ++along) {
        for (int across = -1; across <= 1; ++across) {
            const int far = 9 - along; // 9 .. 5 from the centre
            points[n++] = {-far, across};
            points[n++] = {far, across};
            points[n++] = {across, -far};
            points[n++] = {across, far};
        }
    }
    return points;
}

const std::array<Point, 60> kCross = MakeCross();

constexpr std::array<std::string_view, kArrowHeight> kArrow {
    "........oo",
    ".......ofo",
    "......offo",
    ".....offfo",
    "....offffo",
    "...offfffo",
    "..offffffo",
    ".offfffffo",
    "offffffffo",
    ".offfffffo",
    "..offffffo",
    "...offfffo",
    "....offffo",
    ".....offfo",
    "......offo",
    ".......ofo",
    "........oo",
};

} // namespace

WheelLayout MakeWheelLayout(Size panel)
{
    return {panel, {panel.width / 2 - 20, panel.height / 2}, std::min(panel.width, panel.height) / 2 - 2};
}

std::vector<WheelSpoke> WheelSpokes(Size panel)
{
    const WheelLayout layout = MakeWheelLayout(panel);
    std::vector<WheelSpoke> spokes;
    spokes.reserve(360);
    for (int i = 0; i < 360; ++i) {
        const double angle = i * kPi / 180;
        const Point rim {static_cast<int>(layout.centre.x - std::cos(angle) * layout.radius),
            static_cast<int>(layout.centre.y - std::sin(angle) * layout.radius)};
        SpokeColour spoke;
        spoke.SetHsl(static_cast<float>((270 + i) % 360), 1.0f, 0.5f);
        // Spoke i points i degrees clockwise from the left: 180 - i counter-clockwise from the right.
        // A degree and a half each, a quarter more than the gap on either side.
        spokes.push_back({rim, 180 - i - 0.75, 1.5, spoke.Rgb()});
    }
    return spokes;
}

Point WheelCrossPosition(Point panelOrigin, Size panel, int hue, int saturation)
{
    int angle = hue + 90;
    if (angle > 360)
        angle -= 360;
    const double radians = angle * kPi / 180;
    const double rho = (std::min(panel.width, panel.height) * 0.5 - 2) * saturation / 100;
    return {static_cast<int>(panelOrigin.x + panel.width / 2 - 20 - std::cos(radians) * rho),
        static_cast<int>(panelOrigin.y + panel.height / 2 - std::sin(radians) * rho)};
}

Point WheelCrossPosition(Point panelOrigin, Size panel, std::string_view hueText, std::string_view saturationText)
{
    return WheelCrossPosition(panelOrigin, panel, readInteger(hueText), readInteger(saturationText));
}

std::span<const Point> CrossMaskOffsets()
{
    return kCross;
}

std::vector<Point> CrossPixels(Point centre, Rect clip)
{
    std::vector<Point> pixels;
    for (const Point offset : kCross) {
        const Point p {centre.x + offset.x, centre.y + offset.y};
        if (clip.Contains(p))
            pixels.push_back(p);
    }
    return pixels;
}

Rect WheelLightnessBarRect(Size panel)
{
    return {panel.width - 29, 3, panel.width - 2, panel.height - 3};
}

Size WheelLightnessBitmapSize(Size panel)
{
    return {19, panel.height - 6};
}

Point WheelLightnessBitmapOrigin(Point panelOrigin, Size panel)
{
    return {panelOrigin.x + panel.width - 27, panelOrigin.y};
}

std::vector<PackedRgb> WheelLightnessRows(Size panel, PackedRgb colour)
{
    const Hsl240 hsl = RgbToHsl240(colour);
    const double hue = std::min(hsl.h, 240.0);
    const double saturation = std::min(hsl.s, 240.0);
    const int n = (panel.height - 6) - 22;
    std::vector<PackedRgb> rows(static_cast<std::size_t>(std::max(n, 0)));
    for (int i = 0; i < n; ++i) {
        // A bar of one row would divide by zero; it shows black.
        const double lightness = n > 1 ? i * 240.0 / (n - 1) : 0.0;
        rows[static_cast<std::size_t>(n - 1 - i)] = Hsl240ToRgb(hue, saturation, lightness);
    }
    return rows;
}

int WheelArrowPosition(Size panel, PackedRgb colour)
{
    const int l = static_cast<int>(RgbToHsl240(colour).l);
    const int bar = panel.height - 6;
    return std::clamp(bar - bar * l / 240, 0, std::max(panel.height - 7, 0));
}

Point WheelArrowOrigin(Point panelOrigin, Size panel, int position)
{
    return {panelOrigin.x + panel.width - 8,
        std::min(panelOrigin.y + position, panelOrigin.y + panel.height - 7) - kArrowHeight / 2};
}

std::span<const std::string_view> ArrowMask()
{
    return kArrow;
}

} // namespace lumivex
