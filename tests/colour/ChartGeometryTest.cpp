#include "colour/ChartGeometry.h"
#include "colour/WheelGeometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

namespace lumivex {
namespace {

TEST(XyChartCrossHair, originAxisEndClientOffsetAndNothingOutsideTheUnitSquare)
{
    const Rect client {0, 0, 300, 200};
    const Size panel {300, 200};
    EXPECT_EQ(XyChartCrossHair(0, 0, client, panel), (ChartCrossHair {190, 15})) << "5 % in from left and bottom";
    // The axis end lands on the right edge and the top row for any panel.
    for (const Size size : {Size {300, 200}, Size {301, 199}, Size {257, 311}, Size {640, 640}, Size {333, 97}}) {
        EXPECT_EQ(XyChartCrossHair(kChartAxisEnd, kChartAxisEnd, {0, 0, size.width, size.height}, size),
            (ChartCrossHair {0, size.width}))
            << size.width << "x" << size.height;
    }
    const auto moved = XyChartCrossHair(0.3127, 0.329, {10, 5, 310, 205}, panel);
    const auto plain = XyChartCrossHair(0.3127, 0.329, client, panel);
    ASSERT_TRUE(moved && plain);
    EXPECT_EQ(moved->column, plain->column + 10);
    EXPECT_EQ(moved->row, plain->row + 5);

    for (const auto& [x, y] : {std::pair {1.0, 0.3}, {0.3, 1.0}, {-0.0001, 0.3} /* from the device */, {0.3, -1.0},
             {std::numeric_limits<double>::quiet_NaN(), 0.3}})
        EXPECT_FALSE(XyChartCrossHair(x, y, client, panel)) << x << "," << y;
    EXPECT_TRUE(XyChartCrossHair(0.9999, 0.9999, client, panel)) << "beyond the axis end, but inside the square";

    EXPECT_EQ(StretchedImageSize({640, 640}, {300, 200}), (Size {300, 200}));
    EXPECT_EQ(StretchedImageSize({0, 640}, {300, 200}), Size {});
    EXPECT_EQ(StretchedImageSize({640, 0}, {300, 200}), Size {});
}

TEST(Wheel, spokesPutRedUpHue90RightAndRunFromTheRimToTheCentre)
{
    const Size panel {300, 200};
    const WheelLayout layout = MakeWheelLayout(panel);
    EXPECT_EQ(layout.centre, (Point {130, 100}));
    EXPECT_EQ(layout.radius, 98);
    const auto spokes = WheelSpokes(panel);
    ASSERT_EQ(spokes.size(), 360u);
    // Spoke i lies at i degrees clockwise from the left.
    EXPECT_EQ(spokes[90].rim, (Point {130, 2}));
    EXPECT_EQ(spokes[90].colour, PackRgb(255, 0, 0)) << "red straight up";
    EXPECT_EQ(spokes[180].rim, (Point {228, 100}));
    EXPECT_EQ(spokes[180].colour, PackRgb(127, 255, 0)) << "hue 90 to the right";
    EXPECT_EQ(spokes[0].rim, (Point {32, 100}));
    EXPECT_EQ(spokes[0].colour, PackRgb(127, 0, 255)) << "hue 270 to the left";
    EXPECT_NEAR(spokes[270].rim.y, 198, 1);
    EXPECT_EQ(spokes[270].colour, PackRgb(0, 255, 255)) << "hue 180 down";
    for (const WheelSpoke& s : spokes) {
        const double r = std::hypot(s.rim.x - layout.centre.x, s.rim.y - layout.centre.y);
        EXPECT_NEAR(r, layout.radius, 1.5);
        // The sector drawn for the spoke lies around it (angles counter-clockwise, y grows downwards).
        const double middle = (s.startDegrees + s.spanDegrees / 2) * std::acos(-1.0) / 180;
        EXPECT_NEAR(layout.centre.x + std::cos(middle) * layout.radius, s.rim.x, 1.5);
        EXPECT_NEAR(layout.centre.y - std::sin(middle) * layout.radius, s.rim.y, 1.5);
    }
}

TEST(Wheel, crossMarksHueAsAngleAndSaturationAsDistanceReadFromTheirTexts)
{
    const Point origin {10, 20};
    const Size panel {300, 200};
    EXPECT_EQ(WheelCrossPosition(origin, panel, 0, 100), (Point {140, 22})) << "hue 0 straight up at the rim";
    EXPECT_EQ(WheelCrossPosition(origin, panel, 90, 100), (Point {238, 120})) << "hue 90 to the right";
    // Straight down, half way out; the wheel's pi and the truncation may cost a pixel.
    const Point down = WheelCrossPosition(origin, panel, 180, 50);
    EXPECT_NEAR(down.x, 140, 1);
    EXPECT_NEAR(down.y, 169, 1);
    for (const int hue : {0, 77, 200, 359})
        EXPECT_EQ(WheelCrossPosition(origin, panel, hue, 0), (Point {140, 120})) << "saturation 0 at the centre";

    // 359.99 is read as 359 (angle 89 degrees), a pixel and more left of where 360 would be.
    const Point fromText = WheelCrossPosition(origin, panel, "359.99", "100 %");
    EXPECT_EQ(fromText, (Point {138, 22}));
    EXPECT_NE(fromText, WheelCrossPosition(origin, panel, 360, 100));
    EXPECT_EQ(WheelCrossPosition(origin, panel, "---", "---"), (Point {140, 120}));
}

TEST(Wheel, crossHasFourThreeByFiveArmsAnEmptyMiddleAndIsClipped)
{
    std::set<std::pair<int, int>> points;
    for (const Point p : CrossMaskOffsets()) {
        EXPECT_LE(std::max(std::abs(p.x), std::abs(p.y)), 9);
        EXPECT_FALSE(std::abs(p.x) <= 4 && std::abs(p.y) <= 4) << p.x << "," << p.y;
        EXPECT_TRUE(std::abs(p.x) <= 1 || std::abs(p.y) <= 1);
        points.insert({p.x, p.y});
    }
    EXPECT_EQ(points.size(), 60u);
    for (const auto& [x, y] : points)
        EXPECT_TRUE(points.contains({-x, y}) && points.contains({y, x}));

    const Rect panel {10, 20, 310, 220};
    EXPECT_EQ(CrossPixels({160, 120}, panel).size(), 60u);
    // At the panel's top-left corner only the arms pointing right and down remain, each without its
    // line of pixels outside the panel: 2 x 5 pixels each.
    const auto corner = CrossPixels({10, 20}, panel);
    for (const Point p : corner)
        EXPECT_TRUE(panel.Contains(p));
    EXPECT_EQ(corner.size(), 2u * 5 * 2);
    EXPECT_TRUE(CrossPixels({400, 400}, panel).empty());
}

TEST(Wheel, lightnessBarRunsFromWhiteToBlackAndTheArrowFollowsTheLightness)
{
    const Size panel {300, 200};
    EXPECT_EQ(WheelLightnessBarRect(panel), (Rect {271, 3, 298, 197}));
    EXPECT_EQ(WheelLightnessBitmapSize(panel), (Size {19, 194}));
    EXPECT_EQ(WheelLightnessBitmapOrigin({10, 20}, panel), (Point {283, 20}));
    const auto rows = WheelLightnessRows(panel, PackRgb(255, 0, 0));
    ASSERT_EQ(rows.size(), 172u);
    EXPECT_EQ(rows.front(), PackRgb(255, 255, 255));
    EXPECT_EQ(rows.back(), PackRgb(0, 0, 0));
    EXPECT_EQ(RedOf(rows[85]), 255) << "the middle of the bar is the full colour";
    EXPECT_LE(GreenOf(rows[85]), 2);
    EXPECT_EQ(WheelLightnessRows({300, 29}, PackRgb(255, 0, 0)), std::vector<PackedRgb> {0})
        << "a one-row bar must not divide by zero";
    EXPECT_TRUE(WheelLightnessRows({300, 20}, PackRgb(255, 0, 0)).empty());

    EXPECT_EQ(WheelArrowPosition(panel, PackRgb(255, 255, 255)), 0);
    EXPECT_EQ(WheelArrowPosition(panel, PackRgb(0, 0, 0)), 193) << "194 limited to h - 7";
    EXPECT_EQ(WheelArrowPosition(panel, PackRgb(128, 128, 128)), 97);
    EXPECT_EQ(WheelArrowOrigin({10, 20}, panel, 0), (Point {302, 12}));
    EXPECT_EQ(WheelArrowOrigin({10, 20}, panel, 193), (Point {302, 205}));
    // The arrow's mask is a triangle pointing left.
    const auto mask = ArrowMask();
    ASSERT_EQ(mask.size(), static_cast<std::size_t>(kArrowHeight));
    for (std::size_t row = 0; row < mask.size(); ++row) {
        ASSERT_EQ(mask[row].size(), static_cast<std::size_t>(kArrowWidth));
        const std::size_t tip = mask[row].find_first_not_of('.');
        EXPECT_EQ(tip, static_cast<std::size_t>(std::abs(static_cast<int>(row) - 8))) << row;
        EXPECT_EQ(mask[row][tip], 'o');
        EXPECT_EQ(mask[row].back(), 'o');
    }
}

} // namespace
} // namespace lumivex
