#include "colour/ChartGeometry.h"
#include "colour/PaletteModel.h"
#include "colour/WheelGeometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <set>
#include <tuple>
#include <vector>

namespace lumivex {
namespace {

TEST(XyChartCrossHair, originAxisEndClientOffsetAndNothingOutsideTheUnitSquare)
{
    const Rect client {0, 0, 300, 200};
    const Size panel {300, 200};
    EXPECT_EQ(XyChartCrossHair(0, 0, client, panel), (ChartCrossHair {190, 15})) << "5 % in from left and bottom";
    // The axis end lands on the right edge and the top row for any panel.
    for (const Size size : {Size {300, 200}, Size {301, 199}, Size {257, 311}, Size {640, 640}, Size {333, 97}})
        EXPECT_EQ(XyChartCrossHair(kChartAxisEnd, kChartAxisEnd, {0, 0, size.width, size.height}, size),
            (ChartCrossHair {0, size.width}))
            << size.width << "x" << size.height;
    const ChartCrossHair plain = XyChartCrossHair(0.3127, 0.329, client, panel).value();
    EXPECT_EQ(
        XyChartCrossHair(0.3127, 0.329, {10, 5, 310, 205}, panel), (ChartCrossHair {plain.row + 5, plain.column + 10}));
    for (const auto& [x, y] : {std::pair {1.0, 0.3}, {0.3, 1.0}, {-0.0001, 0.3} /* from the device */, {0.3, -1.0},
             {std::numeric_limits<double>::quiet_NaN(), 0.3}})
        EXPECT_FALSE(XyChartCrossHair(x, y, client, panel)) << x << "," << y;
    EXPECT_TRUE(XyChartCrossHair(0.9999, 0.9999, client, panel)) << "beyond the axis end, but inside the square";

    for (const auto& [image, stretched] :
        {std::pair {Size {640, 640}, Size {300, 200}}, {{0, 640}, {}}, {{640, 0}, {}}})
        EXPECT_EQ(StretchedImageSize(image, panel), stretched) << image.width << "x" << image.height;
}

TEST(Wheel, spokesPutRedUpHue90RightAndRunFromTheRimToTheCentre)
{
    const Size panel {300, 200};
    const WheelLayout layout = MakeWheelLayout(panel);
    EXPECT_EQ(std::tuple(layout.centre, layout.radius), std::tuple(Point {130, 100}, 98));
    const auto spokes = WheelSpokes(panel);
    ASSERT_EQ(spokes.size(), 360u);
    // Spoke i lies at i degrees clockwise from the left: red straight up, hue 90 to the right, 270
    // to the left, 180 down.
    for (const auto& [i, rim, colour] :
        {std::tuple {90, Point {130, 2}, PackRgb(255, 0, 0)}, {180, Point {228, 100}, PackRgb(127, 255, 0)},
            {0, Point {32, 100}, PackRgb(127, 0, 255)}, {270, Point {130, 198}, PackRgb(0, 255, 255)}}) {
        const WheelSpoke& s = spokes[static_cast<std::size_t>(i)];
        EXPECT_LE(std::abs(s.rim.x - rim.x) + std::abs(s.rim.y - rim.y), i == 270 ? 1 : 0) << i;
        EXPECT_EQ(s.colour, colour) << i;
    }
    for (std::size_t i = 0; i < spokes.size(); ++i) {
        const WheelSpoke &s = spokes[i], &next = spokes[(i + 1) % 360];
        // Each sector overlaps the next by more than the painter's rounding (1/16 degree): no background between.
        EXPECT_GT(next.startDegrees + next.spanDegrees - s.startDegrees - (i == 359 ? 360 : 0), 0.125) << i;
        // The rim is on the circle, and the sector drawn lies around it (angles counter-clockwise, y downwards).
        const double middle = (s.startDegrees + s.spanDegrees / 2) * std::acos(-1.0) / 180;
        EXPECT_NEAR(std::hypot(s.rim.x - layout.centre.x, s.rim.y - layout.centre.y), layout.radius, 1.5) << i;
        EXPECT_NEAR(std::hypot(layout.centre.x + std::cos(middle) * layout.radius - s.rim.x,
                        layout.centre.y - std::sin(middle) * layout.radius - s.rim.y),
            0, 1.5)
            << i;
    }
}

TEST(Wheel, crossMarksHueAsAngleAndSaturationAsDistanceReadFromTheirTexts)
{
    const Point origin {10, 20};
    const Size panel {300, 200};
    // Hue 0 straight up at the rim, 90 to the right; saturation 0 at the centre.
    for (const auto& [hue, saturation, at] : {std::tuple {0, 100, Point {140, 22}}, {90, 100, Point {238, 120}},
             {0, 0, Point {140, 120}}, {77, 0, Point {140, 120}}, {359, 0, Point {140, 120}}})
        EXPECT_EQ(WheelCrossPosition(origin, panel, hue, saturation), at) << hue << " " << saturation;
    // Straight down, half way out; the wheel's pi and the truncation may cost a pixel.
    const Point down = WheelCrossPosition(origin, panel, 180, 50);
    EXPECT_LE(std::max(std::abs(down.x - 140), std::abs(down.y - 169)), 1);

    // 359.99 is read as 359 (angle 89 degrees), a pixel and more left of where 360 would be.
    const Point fromText = WheelCrossPosition(origin, panel, "359.99", "100 %");
    EXPECT_EQ(fromText, (Point {138, 22}));
    EXPECT_NE(fromText, WheelCrossPosition(origin, panel, 360, 100));
    EXPECT_EQ(WheelCrossPosition(origin, panel, "---", "---"), (Point {140, 120}));
}

TEST(Wheel, crossHasFourThreeByFiveArmsAnEmptyMiddleAndIsClipped)
{
    const Rect panel {10, 20, 310, 220};
    std::set<std::pair<int, int>> points;
    for (const Point p : CrossPixels({160, 120}, panel)) {
        const int dx = p.x - 160, dy = p.y - 120;
        const int far = std::max(std::abs(dx), std::abs(dy)), near = std::min(std::abs(dx), std::abs(dy));
        EXPECT_TRUE(far >= 5 && far <= 9 && near <= 1) << dx << "," << dy;
        points.insert({dx, dy});
    }
    EXPECT_EQ(points.size(), 60u);
    for (const auto& [x, y] : points)
        EXPECT_TRUE(points.contains({-x, y}) && points.contains({y, x}));
    // At the panel's top-left corner only the arms pointing right and down remain, each without its
    // line of pixels outside the panel: 2 x 5 pixels each.
    const auto corner = CrossPixels({10, 20}, panel);
    EXPECT_TRUE(std::ranges::all_of(corner, [&panel](Point p) { return panel.Contains(p); }));
    EXPECT_EQ(corner.size(), 2u * 5 * 2);
    EXPECT_TRUE(CrossPixels({400, 400}, panel).empty());
}

TEST(Wheel, lightnessBarRunsFromWhiteToBlackAndTheArrowFollowsTheLightness)
{
    const Size panel {300, 200};
    EXPECT_EQ(WheelLightnessBitmapSize(panel), (Size {19, 194}));
    EXPECT_EQ(WheelLightnessBitmapOrigin({10, 20}, panel), (Point {283, 20}));
    const auto rows = WheelLightnessRows(panel, PackRgb(255, 0, 0));
    ASSERT_EQ(rows.size(), 172u);
    EXPECT_EQ(std::tuple(rows.front(), rows.back()), std::tuple(PackRgb(255, 255, 255), PackRgb(0, 0, 0)));
    EXPECT_TRUE(RedOf(rows[85]) == 255 && GreenOf(rows[85]) <= 2) << "the middle of the bar is the full colour";
    EXPECT_EQ(WheelLightnessRows({300, 29}, PackRgb(255, 0, 0)), std::vector<PackedRgb> {0})
        << "a one-row bar must not divide by zero";
    EXPECT_TRUE(WheelLightnessRows({300, 20}, PackRgb(255, 0, 0)).empty());

    // 194 for black limited to h - 7.
    EXPECT_EQ((std::array {WheelArrowPosition(panel, PackRgb(255, 255, 255)), WheelArrowPosition(panel, 0),
                  WheelArrowPosition(panel, PackRgb(128, 128, 128))}),
        (std::array {0, 193, 97}));
    EXPECT_EQ(WheelArrowOrigin({10, 20}, panel, 0), (Point {302, 12}));
    EXPECT_EQ(WheelArrowOrigin({10, 20}, panel, 193), (Point {302, 205}));
    // The arrow's mask is a triangle pointing left.
    const auto mask = ArrowMask();
    ASSERT_EQ(mask.size(), static_cast<std::size_t>(kArrowHeight));
    for (std::size_t row = 0; row < mask.size(); ++row) {
        ASSERT_EQ(mask[row].size(), static_cast<std::size_t>(kArrowWidth));
        const std::size_t tip = mask[row].find_first_not_of('.');
        EXPECT_EQ(tip, static_cast<std::size_t>(std::abs(static_cast<int>(row) - 8))) << row;
        EXPECT_TRUE(mask[row][tip] == 'o' && mask[row].back() == 'o') << row;
    }
}

// A 300 x 200 palette: spectrum x 0..264, y 11..188 (265 x 178), bar x 271..297.
class PaletteModelTest : public testing::Test {
protected:
    PaletteModelTest()
    {
        model.SetSelChangeHandler([this](PackedRgb colour) { reported.push_back(colour); });
    }
    std::array<int, 3> Hsl() const { return {model.Hue(), model.Saturation(), model.Lightness()}; }
    std::array<int, 2> SelectionFrom(Point p) const
    {
        std::array<int, 2> hueAndSaturation {-1, -1};
        model.SelectionFromPoint(p, hueAndSaturation[0], hueAndSaturation[1]);
        return hueAndSaturation;
    }

    PaletteModel model {Size {300, 200}, Hsl240ToRgb(100, 100, 100)};
    std::vector<PackedRgb> reported;
};

TEST_F(PaletteModelTest, crossHairSliderPaintedColoursAndTheWayBackFromTheMouse)
{
    EXPECT_EQ(model.CrossHairFor(0, 0), (Point {0, 188}));
    EXPECT_EQ(model.CrossHairFor(239, 240), (Point {264, 11}));
    // No negative bytes from a drag outside.
    for (const auto& [p, selection] : {std::pair {Point {0, 11}, std::array {0, 240}},
             {Point {264, 188}, std::array {239, 0}}, {Point {-40, 400}, std::array {0, 0}}})
        EXPECT_EQ(SelectionFrom(p), selection) << p.x << "," << p.y;
    // Selection -> position -> selection: the two formulas are a pixel apart in y (one reads the
    // height, the other height - 1), so saturation may come back up to three units low.
    for (int h = 0; h < 240; h += 7)
        for (int s = 0; s <= 240; s += 8) {
            const auto back = SelectionFrom(model.CrossHairFor(h, s));
            EXPECT_TRUE(std::abs(back[0] - h) <= 1 && std::abs(back[1] - s) <= 3) << h << "," << s;
        }
    EXPECT_EQ(model.SliderPositionFor(240), 0);
    EXPECT_EQ(model.SliderPositionFor(0), 177) << "178 limited to height - 1";
    for (const auto& [y, lightness] : {std::pair {11, 240}, {0, 240}, {188, 0}, {500, 0}})
        EXPECT_EQ(model.LightnessFromMouseY(y), lightness) << y;

    // A colour from the program moves the marks without a report.
    model.SetRGB(PackRgb(255, 0, 0));
    EXPECT_EQ(Hsl(), (std::array {0, 240, 120}));
    EXPECT_EQ(std::tuple(model.CrossHair(), model.SliderPosition(), model.Colour()),
        std::tuple(Point {0, 11}, 89, PackRgb(255, 0, 0)));
    EXPECT_TRUE(reported.empty());

    // Spectrum: hue grows to the right (a third of the way: green), saturation upwards, at middle lightness.
    EXPECT_EQ((std::array {model.SpectrumColour(0, 0), model.SpectrumColour(0, 177), model.SpectrumColour(88, 177)}),
        (std::array {PackRgb(127, 127, 127), PackRgb(255, 0, 0), PackRgb(0, 255, 0)}));
    EXPECT_EQ(model.ColourAt({0, 188}), PackRgb(127, 127, 127));
    EXPECT_EQ(model.ColourAt({0, 11}), PackRgb(255, 0, 0));
    model.SetRGB(PackRgb(0, 0, 255));
    EXPECT_EQ(model.ColourAt({275, 188}), PackRgb(0, 0, 0)) << "bar: black at the bottom";
    EXPECT_EQ(model.ColourAt({275, 11}), PackRgb(255, 255, 255));
    EXPECT_FALSE(model.ColourAt({268, 50}) || model.ColourAt({5, 195}));
    EXPECT_EQ(PaletteModel::TooltipText(PackRgb(1, 22, 255)), "RGB(1,22,255)");
    EXPECT_EQ(model.SliderArrowOrigin(), (Point {288, 89 + 3}));
    model.SetRGB(PackRgb(0, 0, 0));
    EXPECT_EQ(model.SliderArrowOrigin(), (Point {288, 194 - 17 + 3})) << "the arrow stays on the bar";
}

TEST_F(PaletteModelTest, keysStepOneWithCtrlTenWithShiftElseFiveInThePartWithTheFocusAndTabMovesOn)
{
    using enum PaletteKey;
    using enum PaletteKeyResult;
    const struct {
        PaletteKey key;
        bool ctrl, shift;
        PaletteKeyResult result;
        PalettePart part; // with the focus afterwards
        std::array<int, 3> hsl;
    } steps[] = {
        // In the spectrum, from pure red: the keys move the hue and saturation and leave the lightness.
        {Right, false, false, Changed, PalettePart::Spectrum, {5, 240, 120}},
        {Right, false, true, Changed, PalettePart::Spectrum, {15, 240, 120}},
        {Left, true, false, Changed, PalettePart::Spectrum, {14, 240, 120}},
        {Left, true, true, Changed, PalettePart::Spectrum, {13, 240, 120}}, // Ctrl wins over Shift
        {Down, false, false, Changed, PalettePart::Spectrum, {13, 235, 120}},
        {Up, true, false, Changed, PalettePart::Spectrum, {13, 236, 120}},
        {PageDown, false, false, Changed, PalettePart::Spectrum, {13, 0, 120}},
        {PageUp, false, false, Changed, PalettePart::Spectrum, {13, 240, 120}},
        {End, false, false, Changed, PalettePart::Spectrum, {239, 240, 120}}, // never 240
        {Right, false, true, Changed, PalettePart::Spectrum, {239, 240, 120}},
        {Home, false, false, Changed, PalettePart::Spectrum, {0, 240, 120}},
        {Tab, false, false, FocusPartChanged, PalettePart::Bar, {0, 240, 120}},
        // In the bar the keys set the lightness; hue keys do nothing.
        {PageUp, false, false, Changed, PalettePart::Bar, {0, 240, 240}},
        {End, false, false, Changed, PalettePart::Bar, {0, 240, 0}},
        {Home, false, false, Changed, PalettePart::Bar, {0, 240, 240}},
        {PageDown, false, false, Changed, PalettePart::Bar, {0, 240, 0}},
        {Up, true, false, Changed, PalettePart::Bar, {0, 240, 1}},
        {Up, false, false, Changed, PalettePart::Bar, {0, 240, 6}},
        {Down, false, true, Changed, PalettePart::Bar, {0, 240, 0}}, // 6 - 10 stops at 0
        {Left, false, false, Ignored, PalettePart::Bar, {0, 240, 0}},
        {Tab, false, false, FocusNextControl, PalettePart::Bar, {0, 240, 0}},
        {Tab, false, true, FocusPartChanged, PalettePart::Spectrum, {0, 240, 0}},
        {Tab, false, true, FocusPreviousControl, PalettePart::Spectrum, {0, 240, 0}},
    };
    model.SetRGB(PackRgb(255, 0, 0));
    model.FocusGained(false);
    std::vector<PackedRgb> reports;
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const auto& step = steps[i];
        SCOPED_TRACE(testing::Message() << "step " << i);
        EXPECT_EQ(model.KeyDown(step.key, step.ctrl, step.shift), step.result);
        EXPECT_EQ(std::tuple(model.FocusPart(), Hsl()), std::tuple(step.part, step.hsl));
        if (step.result == Changed)
            reports.push_back(Hsl240ToRgb(step.hsl[0], step.hsl[1], step.hsl[2]));
        EXPECT_EQ(reported, reports);
        EXPECT_EQ(std::tuple(model.CrossHair(), model.SliderPosition()),
            std::tuple(
                model.CrossHairFor(model.Hue(), model.Saturation()), model.SliderPositionFor(model.Lightness())));
    }
    model.FocusGained(true);
    EXPECT_EQ(model.FocusPart(), PalettePart::Bar) << "Shift+Tab from the next control lands on the bar";
    model.FocusLost();
    EXPECT_EQ(model.KeyDown(Home, false, false), Ignored);
}

TEST_F(PaletteModelTest, clickAndDragInTheSpectrumAndOnTheBarUnlessDisabled)
{
    const int lightness = model.Lightness();
    model.LeftButtonDown({132, 100});
    EXPECT_EQ(std::tuple(model.FocusPart(), model.Dragging(), model.CrossHair(), Hsl()),
        std::tuple(PalettePart::Spectrum, PalettePart::Spectrum, Point {132, 100}, std::array {119, 119, lightness}));
    ASSERT_EQ(reported.size(), 1u);

    model.MouseMove({132, 100}, true);
    EXPECT_EQ(reported.size(), 1u) << "no change, no report";
    model.MouseMove({400, -30}, true);
    EXPECT_EQ(std::tuple(model.CrossHair(), Hsl(), reported.size()),
        std::tuple(Point {264, 11}, std::array {239, 240, lightness}, 2u))
        << "the drag stays in the spectrum";
    model.MouseMove({10, 10}, false);
    EXPECT_EQ(model.Dragging(), PalettePart::None);

    model.LeftButtonDown({280, 11});
    EXPECT_EQ(std::tuple(model.FocusPart(), model.Lightness(), model.Colour()),
        std::tuple(PalettePart::Bar, 240, PackRgb(255, 255, 255)));
    model.MouseMove({280, 1000}, true);
    EXPECT_EQ(std::tuple(model.Lightness(), model.SliderPosition(), reported.size()), std::tuple(0, 177, 4u));

    EXPECT_TRUE(model.DoubleClick({264, 50}) && model.DoubleClick({271, 50}));
    for (const int x : {265, 270}) { // between the spectrum and the bar
        model.LeftButtonDown({x, 50});
        EXPECT_FALSE(model.DoubleClick({x, 50})) << x;
    }
    EXPECT_EQ(reported.size(), 4u);

    model.SetEnabled(false);
    const PackedRgb before = model.Colour();
    model.LeftButtonDown({132, 100});
    model.FocusGained(false);
    EXPECT_EQ(model.KeyDown(PaletteKey::Home, false, false), PaletteKeyResult::Ignored);
    EXPECT_FALSE(model.DoubleClick({5, 50}));
    EXPECT_EQ(std::tuple(model.Colour(), reported.size()), std::tuple(before, 4u));
}

} // namespace
} // namespace lumivex
