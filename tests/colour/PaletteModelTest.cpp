#include "colour/PaletteModel.h"

#include <gtest/gtest.h>

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

    PaletteModel model {Size {300, 200}, Hsl240ToRgb(100, 100, 100)};
    std::vector<PackedRgb> reported;
};

TEST_F(PaletteModelTest, crossHairSliderAndTheWayBackFromTheMouse)
{
    EXPECT_EQ(model.CrossHairFor(0, 0), (Point {0, 188}));
    EXPECT_EQ(model.CrossHairFor(239, 240), (Point {264, 11}));
    int hue = -1, saturation = -1;
    model.SelectionFromPoint({0, 11}, hue, saturation);
    EXPECT_EQ(hue, 0);
    EXPECT_EQ(saturation, 240);
    model.SelectionFromPoint({264, 188}, hue, saturation);
    EXPECT_EQ(hue, 239);
    EXPECT_EQ(saturation, 0);
    model.SelectionFromPoint({-40, 400}, hue, saturation);
    EXPECT_EQ(hue, 0) << "no negative bytes from a drag outside";
    EXPECT_EQ(saturation, 0);
    // Selection -> position -> selection: the two formulas are a pixel apart in y (one reads the
    // height, the other height - 1), so saturation may come back up to three units low.
    for (int h = 0; h < 240; h += 7)
        for (int s = 0; s <= 240; s += 8) {
            model.SelectionFromPoint(model.CrossHairFor(h, s), hue, saturation);
            EXPECT_LE(std::abs(hue - h), 1) << h << "," << s;
            EXPECT_LE(std::abs(saturation - s), 3) << h << "," << s;
        }

    EXPECT_EQ(model.SliderPositionFor(240), 0);
    EXPECT_EQ(model.SliderPositionFor(0), 177) << "178 limited to height - 1";
    EXPECT_EQ(model.LightnessFromMouseY(11), 240);
    EXPECT_EQ(model.LightnessFromMouseY(0), 240);
    EXPECT_EQ(model.LightnessFromMouseY(188), 0);
    EXPECT_EQ(model.LightnessFromMouseY(500), 0);
}

TEST_F(PaletteModelTest, setRgbMovesTheMarksWithoutReporting)
{
    model.SetRGB(PackRgb(255, 0, 0));
    EXPECT_EQ(model.Hue(), 0);
    EXPECT_EQ(model.Saturation(), 240);
    EXPECT_EQ(model.Lightness(), 120);
    EXPECT_EQ(model.CrossHair(), (Point {0, 11}));
    EXPECT_EQ(model.SliderPosition(), 89);
    EXPECT_EQ(model.Colour(), PackRgb(255, 0, 0));
    EXPECT_TRUE(reported.empty());
}

TEST_F(PaletteModelTest, keysInTheSpectrumStepOneWithCtrlTenWithShiftElseFive)
{
    model.FocusGained(false);
    ASSERT_EQ(model.FocusPart(), PalettePart::Spectrum);
    const int start = model.Hue();
    const int lightness = model.Lightness();
    model.KeyDown(PaletteKey::Right, false, false);
    EXPECT_EQ(model.Hue(), start + 5);
    model.KeyDown(PaletteKey::Right, false, true);
    EXPECT_EQ(model.Hue(), start + 15);
    model.KeyDown(PaletteKey::Left, true, false);
    EXPECT_EQ(model.Hue(), start + 14);
    model.KeyDown(PaletteKey::Left, true, true);
    EXPECT_EQ(model.Hue(), start + 13) << "Ctrl wins over Shift";
    const int saturation = model.Saturation();
    model.KeyDown(PaletteKey::Up, false, false);
    EXPECT_EQ(model.Saturation(), saturation + 5);
    EXPECT_EQ(reported.size(), 5u);
    EXPECT_EQ(reported.back(), Hsl240ToRgb(model.Hue(), model.Saturation(), model.Lightness()));
    EXPECT_EQ(model.PreviousColour(), reported.back());
    EXPECT_EQ(model.CrossHair(), model.CrossHairFor(model.Hue(), model.Saturation()));

    EXPECT_EQ(model.KeyDown(PaletteKey::Home, false, false), PaletteKeyResult::Changed);
    EXPECT_EQ(model.Hue(), 0);
    model.KeyDown(PaletteKey::End, false, false);
    EXPECT_EQ(model.Hue(), 239) << "never 240";
    model.KeyDown(PaletteKey::Right, false, true);
    EXPECT_EQ(model.Hue(), 239);
    model.KeyDown(PaletteKey::PageUp, false, false);
    EXPECT_EQ(model.Saturation(), 240);
    model.KeyDown(PaletteKey::PageDown, false, false);
    EXPECT_EQ(model.Saturation(), 0);
    EXPECT_EQ(model.Lightness(), lightness) << "the spectrum's keys leave the lightness";
}

TEST_F(PaletteModelTest, keysInTheBarSetTheLightness)
{
    model.FocusGained(true);
    ASSERT_EQ(model.FocusPart(), PalettePart::Bar);
    const int hue = model.Hue();
    model.KeyDown(PaletteKey::PageUp, false, false);
    EXPECT_EQ(model.Lightness(), 240);
    EXPECT_EQ(model.SliderPosition(), 0);
    model.KeyDown(PaletteKey::End, false, false);
    EXPECT_EQ(model.Lightness(), 0);
    model.KeyDown(PaletteKey::Home, false, false);
    EXPECT_EQ(model.Lightness(), 240);
    model.KeyDown(PaletteKey::PageDown, false, false);
    EXPECT_EQ(model.Lightness(), 0);
    model.KeyDown(PaletteKey::Up, true, false);
    model.KeyDown(PaletteKey::Up, true, false);
    model.KeyDown(PaletteKey::Up, true, false);
    ASSERT_EQ(model.Lightness(), 3);
    model.KeyDown(PaletteKey::Down, false, false);
    EXPECT_EQ(model.Lightness(), 0) << "3 - 5 stops at 0";
    const auto count = reported.size();
    EXPECT_EQ(model.KeyDown(PaletteKey::Left, false, false), PaletteKeyResult::Ignored);
    EXPECT_EQ(model.Hue(), hue);
    EXPECT_EQ(reported.size(), count) << "hue keys do nothing in the bar";
}

TEST_F(PaletteModelTest, tabMovesBetweenThePartsAndOnToTheDialog)
{
    model.FocusGained(false);
    EXPECT_EQ(model.KeyDown(PaletteKey::Tab, false, false), PaletteKeyResult::FocusPartChanged);
    EXPECT_EQ(model.FocusPart(), PalettePart::Bar);
    EXPECT_EQ(model.KeyDown(PaletteKey::Tab, false, false), PaletteKeyResult::FocusNextControl);
    EXPECT_EQ(model.KeyDown(PaletteKey::Tab, false, true), PaletteKeyResult::FocusPartChanged);
    EXPECT_EQ(model.FocusPart(), PalettePart::Spectrum);
    EXPECT_EQ(model.KeyDown(PaletteKey::Tab, false, true), PaletteKeyResult::FocusPreviousControl);
    model.FocusLost();
    EXPECT_EQ(model.KeyDown(PaletteKey::Home, false, false), PaletteKeyResult::Ignored);
    EXPECT_TRUE(reported.empty());
}

TEST_F(PaletteModelTest, clickAndDragInTheSpectrumAndOnTheBar)
{
    model.LeftButtonDown({132, 100});
    EXPECT_EQ(model.FocusPart(), PalettePart::Spectrum);
    EXPECT_EQ(model.Dragging(), PalettePart::Spectrum);
    EXPECT_EQ(model.CrossHair(), (Point {132, 100}));
    EXPECT_EQ(model.Hue(), 119);
    EXPECT_EQ(model.Saturation(), 119);
    ASSERT_EQ(reported.size(), 1u);

    model.MouseMove({132, 100}, true);
    EXPECT_EQ(reported.size(), 1u) << "no change, no report";
    model.MouseMove({400, -30}, true);
    EXPECT_EQ(model.CrossHair(), (Point {264, 11})) << "the drag stays in the spectrum";
    EXPECT_EQ(model.Hue(), 239);
    EXPECT_EQ(model.Saturation(), 240);
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

TEST_F(PaletteModelTest, disabledPaletteIgnoresAllInput)
{
    model.SetEnabled(false);
    const PackedRgb before = model.Colour();
    model.LeftButtonDown({132, 100});
    model.FocusGained(false);
    EXPECT_EQ(model.KeyDown(PaletteKey::Home, false, false), PaletteKeyResult::Ignored);
    EXPECT_FALSE(model.DoubleClick({5, 50}));
    EXPECT_EQ(model.Colour(), before);
    EXPECT_TRUE(reported.empty());
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
