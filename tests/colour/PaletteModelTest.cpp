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

TEST_F(PaletteModelTest, keysInTheSpectrumStepOneWithCtrlTenWithShiftElseFive)
{
    model.FocusGained(false);
    ASSERT_EQ(model.FocusPart(), PalettePart::Spectrum);
    const auto start = Hsl();
    Key(PaletteKey::Right);
    EXPECT_EQ(model.Hue(), start[0] + 5);
    Key(PaletteKey::Right, false, true);
    EXPECT_EQ(model.Hue(), start[0] + 15);
    Key(PaletteKey::Left, true, false);
    EXPECT_EQ(model.Hue(), start[0] + 14);
    Key(PaletteKey::Left, true, true);
    EXPECT_EQ(model.Hue(), start[0] + 13) << "Ctrl wins over Shift";
    Key(PaletteKey::Up);
    EXPECT_EQ(model.Saturation(), start[1] + 5);
    EXPECT_EQ(reported.size(), 5u);
    EXPECT_EQ(reported.back(), Hsl240ToRgb(model.Hue(), model.Saturation(), model.Lightness()));
    EXPECT_EQ(model.PreviousColour(), reported.back());
    EXPECT_EQ(model.CrossHair(), model.CrossHairFor(model.Hue(), model.Saturation()));

    EXPECT_EQ(Key(PaletteKey::Home), PaletteKeyResult::Changed);
    EXPECT_EQ(model.Hue(), 0);
    Key(PaletteKey::End);
    EXPECT_EQ(model.Hue(), 239) << "never 240";
    Key(PaletteKey::Right, false, true);
    EXPECT_EQ(model.Hue(), 239);
    Key(PaletteKey::PageUp);
    EXPECT_EQ(model.Saturation(), 240);
    Key(PaletteKey::PageDown);
    EXPECT_EQ(model.Saturation(), 0);
    EXPECT_EQ(model.Lightness(), start[2]) << "the spectrum's keys leave the lightness";
}

TEST_F(PaletteModelTest, keysInTheBarSetTheLightness)
{
    model.FocusGained(true);
    ASSERT_EQ(model.FocusPart(), PalettePart::Bar);
    const int hue = model.Hue();
    Key(PaletteKey::PageUp);
    EXPECT_EQ(model.Lightness(), 240);
    EXPECT_EQ(model.SliderPosition(), 0);
    for (const auto& [key, lightness] :
        {std::pair {PaletteKey::End, 0}, {PaletteKey::Home, 240}, {PaletteKey::PageDown, 0}}) {
        Key(key);
        EXPECT_EQ(model.Lightness(), lightness);
    }
    for (int i = 0; i < 3; ++i)
        Key(PaletteKey::Up, true, false);
    ASSERT_EQ(model.Lightness(), 3);
    Key(PaletteKey::Down);
    EXPECT_EQ(model.Lightness(), 0) << "3 - 5 stops at 0";
    const auto count = reported.size();
    EXPECT_EQ(Key(PaletteKey::Left), PaletteKeyResult::Ignored);
    EXPECT_EQ(model.Hue(), hue);
    EXPECT_EQ(reported.size(), count) << "hue keys do nothing in the bar";
}

TEST_F(PaletteModelTest, tabMovesBetweenThePartsAndOnToTheDialogAndADisabledPaletteIgnoresAll)
{
    model.FocusGained(false);
    EXPECT_EQ(Key(PaletteKey::Tab), PaletteKeyResult::FocusPartChanged);
    EXPECT_EQ(model.FocusPart(), PalettePart::Bar);
    EXPECT_EQ(Key(PaletteKey::Tab), PaletteKeyResult::FocusNextControl);
    EXPECT_EQ(Key(PaletteKey::Tab, false, true), PaletteKeyResult::FocusPartChanged);
    EXPECT_EQ(model.FocusPart(), PalettePart::Spectrum);
    EXPECT_EQ(Key(PaletteKey::Tab, false, true), PaletteKeyResult::FocusPreviousControl);
    model.FocusLost();
    EXPECT_EQ(Key(PaletteKey::Home), PaletteKeyResult::Ignored);

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

    model.LeftButtonDown({268, 50}); // between the spectrum and the bar
    EXPECT_EQ(reported.size(), 4u);
    EXPECT_TRUE(model.DoubleClick({5, 50}));
    EXPECT_TRUE(model.DoubleClick({290, 50}));
    EXPECT_FALSE(model.DoubleClick({268, 50}));
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
