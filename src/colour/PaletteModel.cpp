#include "colour/PaletteModel.h"

#include <algorithm>
#include <cstdio>

namespace lumivex {

PaletteLayout MakePaletteLayout(Size client)
{
    const Rect all {0, 0, client.width, client.height};
    return {all, {0, 11, client.width - 35, client.height - 11},
        {client.width - 29, 3, client.width - 2, client.height - 3}};
}

PaletteModel::PaletteModel(Size client, PackedRgb colour) : m_layout(MakePaletteLayout(client))
{
    SetRGB(colour);
}

void PaletteModel::SetRGB(PackedRgb colour)
{
    const HslBytes hsl = RgbToHslBytes(colour);
    m_hue = hsl.h;
    m_saturation = hsl.s;
    m_lightness = hsl.l;
    m_colour = colour;
    m_crossHair = CrossHairFor(m_hue, m_saturation);
    m_sliderPosition = SliderPositionFor(m_lightness);
}

Point PaletteModel::CrossHairFor(int hue, int saturation) const
{
    const Rect& s = m_layout.spectrum;
    const int width = s.Width();
    const int height = s.Height();
    return {std::min(width * hue / 239, width - 1),
        std::min(s.bottom - height * saturation / 240 - s.top + 11, s.bottom - 1)};
}

void PaletteModel::SelectionFromPoint(Point p, int& hue, int& saturation) const
{
    const int width = m_layout.spectrum.Width();
    const int height = m_layout.spectrum.Height();
    // A spectrum one pixel wide or high would divide by zero; points dragged outside the spectrum
    // would give negative bytes.
    hue = width > 1 ? std::clamp(p.x * 239 / (width - 1), 0, 239) : 0;
    saturation = height > 1 ? std::clamp((height - p.y + 10) * 240 / (height - 1), 0, 240) : 0;
}

int PaletteModel::SliderPositionFor(int lightness) const
{
    const Rect& s = m_layout.spectrum;
    const int height = s.Height();
    return std::clamp(s.bottom - height * lightness / 240 - s.top, 0, std::max(height - 1, 0));
}

int PaletteModel::LightnessFromMouseY(int y) const
{
    const int height = m_layout.spectrum.Height();
    if (height <= 1)
        return 0;
    const int p = std::clamp(y - 11, 0, height - 1);
    return std::min((height - 1 - p) * 240 / (height - 1), 240);
}

void PaletteModel::SelectAt(Point p)
{
    const Rect& s = m_layout.spectrum;
    p.x = std::clamp(p.x, s.left, std::max(s.left, s.right - 1));
    p.y = std::clamp(p.y, s.top, std::max(s.top, s.bottom - 1));
    SelectionFromPoint(p, m_hue, m_saturation);
    m_crossHair = p;
}

void PaletteModel::LightnessAt(int y)
{
    m_lightness = LightnessFromMouseY(y);
    m_sliderPosition = std::clamp(y - 11, 0, std::max(m_layout.spectrum.Height() - 1, 0));
}

void PaletteModel::UpdateColourAndNotify()
{
    m_colour = Hsl240ToRgb(m_hue, m_saturation, m_lightness);
    if (m_colour != kNoColour && m_onSelChange) {
        m_onSelChange(m_colour);
    }
}

void PaletteModel::LeftButtonDown(Point p)
{
    if (!m_enabled)
        return;
    if (m_layout.spectrum.Contains(p)) {
        SelectAt(p);
        m_focus = m_dragging = PalettePart::Spectrum;
        UpdateColourAndNotify();
    } else if (m_layout.bar.Contains(p)) {
        LightnessAt(p.y);
        m_focus = m_dragging = PalettePart::Bar;
        UpdateColourAndNotify();
    }
}

void PaletteModel::MouseMove(Point p, bool leftButtonHeld)
{
    if (!m_enabled)
        return;
    if (!leftButtonHeld) {
        m_dragging = PalettePart::None;
        return;
    }
    const int hue = m_hue;
    const int saturation = m_saturation;
    const int lightness = m_lightness;
    if (m_dragging == PalettePart::Spectrum)
        SelectAt(p);
    else if (m_dragging == PalettePart::Bar)
        LightnessAt(p.y);
    else
        return;
    if (hue != m_hue || saturation != m_saturation || lightness != m_lightness)
        UpdateColourAndNotify();
}

bool PaletteModel::DoubleClick(Point p) const
{
    return m_enabled && (m_layout.spectrum.Contains(p) || m_layout.bar.Contains(p));
}

PaletteKeyResult PaletteModel::KeyDown(PaletteKey key, bool ctrl, bool shift)
{
    if (!m_enabled || m_focus == PalettePart::None)
        return PaletteKeyResult::Ignored;
    const bool spectrum = m_focus == PalettePart::Spectrum;
    const int step = ctrl ? 1 : shift ? 10 : 5;
    switch (key) {
    case PaletteKey::Tab:
        if (!shift) {
            if (!spectrum)
                return PaletteKeyResult::FocusNextControl;
            m_focus = PalettePart::Bar;
        } else {
            if (spectrum)
                return PaletteKeyResult::FocusPreviousControl;
            m_focus = PalettePart::Spectrum;
        }
        return PaletteKeyResult::FocusPartChanged;
    case PaletteKey::Left:
    case PaletteKey::Right:
        if (!spectrum)
            return PaletteKeyResult::Ignored;
        m_hue = std::clamp(m_hue + (key == PaletteKey::Right ? step : -step), 0, 239);
        break;
    case PaletteKey::Up:
    case PaletteKey::Down: {
        int& value = spectrum ? m_saturation : m_lightness;
        value = std::clamp(value + (key == PaletteKey::Up ? step : -step), 0, 240);
        break;
    }
    case PaletteKey::PageUp:
    case PaletteKey::PageDown:
        (spectrum ? m_saturation : m_lightness) = key == PaletteKey::PageUp ? 240 : 0;
        break;
    case PaletteKey::Home:
        if (spectrum)
            m_hue = 0;
        else
            m_lightness = 240;
        break;
    case PaletteKey::End:
        if (spectrum)
            m_hue = 239;
        else
            m_lightness = 0;
        break;
    }
    if (spectrum)
        m_crossHair = CrossHairFor(m_hue, m_saturation);
    else
        m_sliderPosition = SliderPositionFor(m_lightness);
    UpdateColourAndNotify();
    return PaletteKeyResult::Changed;
}

void PaletteModel::FocusGained(bool shift)
{
    m_focus = shift ? PalettePart::Bar : PalettePart::Spectrum;
}

PackedRgb PaletteModel::SpectrumColour(int x, int j) const
{
    const int w = m_layout.client.Width() - 36;
    const int h = m_layout.client.Height() - 23;
    return Hsl240ToRgb(w > 0 ? x * 240.0 / w : 0.0, h > 0 ? j * 240.0 / h : 0.0, 120);
}

PackedRgb PaletteModel::BarColour(int j) const
{
    const int h = m_layout.client.Height() - 23;
    return Hsl240ToRgb(std::min(m_hue, 240), std::min(m_saturation, 240), h > 0 ? j * 240.0 / h : 0.0);
}

Point PaletteModel::SliderArrowOrigin() const
{
    const int barHeight = m_layout.bar.Height();
    return {m_layout.client.Width() - 12, std::min(m_sliderPosition, barHeight - 17) + 3};
}

std::optional<PackedRgb> PaletteModel::ColourAt(Point p) const
{
    const int w = m_layout.client.Width();
    const int h = m_layout.client.Height();
    const int j = h - 12 - p.y;
    if (j < 0 || j > h - 23)
        return std::nullopt;
    if (p.x >= 0 && p.x <= w - 36)
        return SpectrumColour(p.x, j);
    if (p.x >= w - 29 && p.x <= w - 16)
        return BarColour(j);
    return std::nullopt;
}

std::string PaletteModel::TooltipText(PackedRgb colour)
{
    char text[32];
    std::snprintf(text, sizeof text, kTooltipFormat.data(), RedOf(colour), GreenOf(colour), BlueOf(colour));
    return text;
}

} // namespace lumivex
