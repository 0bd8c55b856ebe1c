#pragma once

#include "colour/ChartGeometry.h"
#include "colour/ColourConversions.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace lumivex {

// The palette control's rectangles for a client area of W x H.
struct PaletteLayout {
    Rect client;
    Rect spectrum; // client with right - 35, top + 11, bottom - 11
    Rect bar; // left W - 29, right W - 2, top 3, bottom H - 3
};
PaletteLayout MakePaletteLayout(Size client);

enum class PalettePart { None, Spectrum, Bar };
enum class PaletteKey { Left, Right, Up, Down, PageUp, PageDown, Home, End, Tab };
enum class PaletteKeyResult {
    Ignored,
    Changed, // the selection changed and was reported
    FocusPartChanged,
    FocusNextControl, // Tab from the bar: the dialog moves the focus on
    FocusPreviousControl, // Shift+Tab from the spectrum
};

// The state and rules of the RGB colour palette (a hue x saturation spectrum with a lightness
// bar), without any painting: the widget forwards mouse and key events here and draws what this
// holds. Hue, saturation and lightness are bytes on the 0..240 scale.
class PaletteModel {
public:
    static constexpr PackedRgb kNoColour = 0xFFFFFFFF;
    static constexpr std::string_view kTooltipFormat = "RGB(%d,%d,%d)";
    using SelChangeHandler = std::function<void(PackedRgb)>;

    explicit PaletteModel(Size client, PackedRgb colour = 0);

    // Receives "WM_XCOLORPICKER_SELCHANGE" (the packed colour) after each user change.
    void SetSelChangeHandler(SelChangeHandler handler) { m_onSelChange = std::move(handler); }

    const PaletteLayout& Layout() const { return m_layout; }
    bool IsEnabled() const { return m_enabled; }
    // While disabled the control ignores all input (and does not paint).
    void SetEnabled(bool enabled) { m_enabled = enabled; }

    int Hue() const { return m_hue; }
    int Saturation() const { return m_saturation; }
    int Lightness() const { return m_lightness; }
    PackedRgb Colour() const { return m_colour; }
    Point CrossHair() const { return m_crossHair; }
    int SliderPosition() const { return m_sliderPosition; }
    PalettePart FocusPart() const { return m_focus; }
    PalettePart Dragging() const { return m_dragging; }

    // Takes a colour from the program; moves the cross-hair and slider without reporting.
    void SetRGB(PackedRgb colour);

    void LeftButtonDown(Point p);
    void MouseMove(Point p, bool leftButtonHeld);
    void LeftButtonUp() { m_dragging = PalettePart::None; }
    // True when a double click at p asks for "WM_XCOLORPICKER_SELENDOK".
    bool DoubleClick(Point p) const;
    PaletteKeyResult KeyDown(PaletteKey key, bool ctrl, bool shift);
    void FocusGained(bool shift);
    void FocusLost() { m_focus = PalettePart::None; }

    // The mappings between positions and the selection.
    Point CrossHairFor(int hue, int saturation) const;
    void SelectionFromPoint(Point p, int& hue, int& saturation) const;
    int SliderPositionFor(int lightness) const;
    int LightnessFromMouseY(int y) const;

    // What to paint: spectrum pixel (x, H - 12 - j) for x in 0..W-36, j in 0..H-23; bar row j at
    // y = H - 12 - j over columns W-29 .. W-16; the slider arrow's top-left corner.
    PackedRgb SpectrumColour(int x, int j) const;
    PackedRgb BarColour(int j) const;
    Point SliderArrowOrigin() const;

    // The tooltip: the colour of the spectrum or bar pixel under the mouse.
    std::optional<PackedRgb> ColourAt(Point p) const;
    static std::string TooltipText(PackedRgb colour);

private:
    void SelectAt(Point p);
    void LightnessAt(int y);
    void UpdateColourAndNotify();

    PaletteLayout m_layout;
    SelChangeHandler m_onSelChange;
    bool m_enabled = true;
    int m_hue = 0;
    int m_saturation = 0;
    int m_lightness = 0;
    PackedRgb m_colour = 0;
    Point m_crossHair;
    int m_sliderPosition = 0;
    PalettePart m_focus = PalettePart::None;
    PalettePart m_dragging = PalettePart::None;
};

} // namespace lumivex
