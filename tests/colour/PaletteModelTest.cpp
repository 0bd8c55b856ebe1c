#include "colour/PaletteModel.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <vector>

namespace lumivex {
namespace {

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
    PaletteKeyResult Key(PaletteKey key, bool ctrl = false, bool shift = false)
    {
        return model.KeyDown(key, ctrl, shift);
    }

    PaletteModel model {Size {300, 200}, Hsl240ToRgb(100, 100, 100)};
    std::vector<PackedRgb> reported;
};

TEST_F(PaletteModelTest, crossHairSliderAndTheWayBackFromTheMouse)
{
    EXPECT_EQ(model.CrossHairFor(0, 0), (Point {0, 188}));
    EXPECT_EQ(model.CrossHairFor(239, 240), (Point {264, 11}));
    EXPECT_EQ(SelectionFrom({0, 11}), (std::array {0, 240}));
    EXPECT_EQ(SelectionFrom({264, 188}), (std::array {239, 0}));
    EXPECT_EQ(SelectionFrom({-40, 400}), (std::array {0, 0})) << "no negative bytes from a drag outside";
    // Selection -> position -> selection: the two formulas are a pixel apart in y (one reads the
    // height, the other height - 1), so saturation may come back up to three units low.
    for (int h = 0; h < 240; h += 7)
        for (int s = 0; s <= 240; s += 8) {
            const auto back = SelectionFrom(model.CrossHairFor(h, s));
            EXPECT_LE(std::abs(back[0] - h), 1) << h << "," << s;
            EXPECT_LE(std::abs(back[1] - s), 3) << h << "," << s;
        }

    EXPECT_EQ(model.SliderPositionFor(240), 0);
    EXPECT_EQ(model.SliderPositionFor(0), 177) << "178 limited to height - 1";
    for (const auto& [y, lightness] : {std::pair {11, 240}, {0, 240}, {188, 0}, {500, 0}})
        EXPECT_EQ(model.LightnessFromMouseY(y), lightness) << y;

    // A colour from the program moves the marks without a report.
    model.SetRGB(PackRgb(255, 0, 0));
    EXPECT_EQ(Hsl(), (std::array {0, 240, 120}));
    EXPECT_EQ(model.CrossHair(), (Point {0, 11}));
    EXPECT_EQ(model.SliderPosition(), 89);
    EXPECT_EQ(model.Colour(), PackRgb(255, 0, 0));
    EXPECT_TRUE(reported.empty());
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
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const auto& step = steps[i];
        SCOPED_TRACE(testing::Message() << "step " << i);
        const std::size_t reports = reported.size();
        EXPECT_EQ(Key(step.key, step.ctrl, step.shift), step.result);
        EXPECT_EQ(model.FocusPart(), step.part);
        EXPECT_EQ(Hsl(), step.hsl);
        EXPECT_EQ(reported.size(), reports + (step.result == Changed ? 1 : 0));
        if (step.result == Changed) {
            EXPECT_EQ(reported.back(), Hsl240ToRgb(step.hsl[0], step.hsl[1], step.hsl[2]));
            EXPECT_EQ(model.PreviousColour(), reported.back());
        }
        EXPECT_EQ(model.CrossHair(), model.CrossHairFor(model.Hue(), model.Saturation()));
        EXPECT_EQ(model.SliderPosition(), model.SliderPositionFor(model.Lightness()));
    }
    model.FocusGained(true);
    EXPECT_EQ(model.FocusPart(), PalettePart::Bar) << "Shift+Tab from the next control lands on the bar";
    model.FocusLost();
    EXPECT_EQ(Key(Home), Ignored);
}

TEST_F(PaletteModelTest, aDisabledPaletteIgnoresMouseAndKeys)
{
    model.SetEnabled(false);
    const PackedRgb before = model.Colour();
    model.LeftButtonDown({132, 100});
    model.FocusGained(false);
    EXPECT_EQ(Key(PaletteKey::Home), PaletteKeyResult::Ignored);
    EXPECT_FALSE(model.DoubleClick({5, 50}));
    EXPECT_EQ(model.Colour(), before);
    EXPECT_TRUE(reported.empty());
}

TEST_F(PaletteModelTest, clickAndDragInTheSpectrumAndOnTheBar)
{
    const int lightness = model.Lightness();
    model.LeftButtonDown({132, 100});
    EXPECT_EQ(model.FocusPart(), PalettePart::Spectrum);
    EXPECT_EQ(model.Dragging(), PalettePart::Spectrum);
    EXPECT_EQ(model.CrossHair(), (Point {132, 100}));
    EXPECT_EQ(Hsl(), (std::array {119, 119, lightness}));
    ASSERT_EQ(reported.size(), 1u);

    model.MouseMove({132, 100}, true);
    EXPECT_EQ(reported.size(), 1u) << "no change, no report";
    model.MouseMove({400, -30}, true);
    EXPECT_EQ(model.CrossHair(), (Point {264, 11})) << "the drag stays in the spectrum";
    EXPECT_EQ(Hsl(), (std::array {239, 240, lightness}));
    EXPECT_EQ(reported.size(), 2u);
    model.MouseMove({10, 10}, false);
    EXPECT_EQ(model.Dragging(), PalettePart::None);

    model.LeftButtonDown({280, 11});
    EXPECT_EQ(model.FocusPart(), PalettePart::Bar);
    EXPECT_EQ(model.Lightness(), 240);
    EXPECT_EQ(model.Colour(), PackRgb(255, 255, 255));
    model.MouseMove({280, 1000}, true);
    EXPECT_EQ(model.Lightness(), 0);
    EXPECT_EQ(model.SliderPosition(), 177);
    EXPECT_EQ(reported.size(), 4u);

    EXPECT_TRUE(model.DoubleClick({264, 50}) && model.DoubleClick({271, 50}));
    for (const int x : {265, 270}) { // between the spectrum and the bar
        model.LeftButtonDown({x, 50});
        EXPECT_FALSE(model.DoubleClick({x, 50})) << x;
    }
    EXPECT_EQ(reported.size(), 4u);
}

TEST_F(PaletteModelTest, paintedColoursAndTheTooltip)
{
    // Spectrum: hue grows to the right, saturation upwards, at middle lightness.
    EXPECT_EQ(model.SpectrumColour(0, 0), PackRgb(127, 127, 127));
    EXPECT_EQ(model.SpectrumColour(0, 177), PackRgb(255, 0, 0));
    EXPECT_EQ(model.SpectrumColour(88, 177), PackRgb(0, 255, 0)) << "a third of the way: green";
    EXPECT_EQ(model.ColourAt({0, 188}), PackRgb(127, 127, 127));
    EXPECT_EQ(model.ColourAt({0, 11}), PackRgb(255, 0, 0));
    model.SetRGB(PackRgb(0, 0, 255));
    EXPECT_EQ(model.ColourAt({275, 188}), PackRgb(0, 0, 0)) << "bar: black at the bottom";
    EXPECT_EQ(model.ColourAt({275, 11}), PackRgb(255, 255, 255));
    EXPECT_FALSE(model.ColourAt({268, 50}));
    EXPECT_FALSE(model.ColourAt({5, 195}));
    EXPECT_EQ(PaletteModel::TooltipText(PackRgb(1, 22, 255)), "RGB(1,22,255)");
    EXPECT_EQ(model.SliderArrowOrigin(), (Point {288, 89 + 3}));
    model.SetRGB(PackRgb(0, 0, 0));
    EXPECT_EQ(model.SliderArrowOrigin(), (Point {288, 194 - 17 + 3})) << "the arrow stays on the bar";
}

} // namespace
} // namespace lumivex
