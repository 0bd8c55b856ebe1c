#include "main/ResultDisplay.h"

#include "base/NumberText.h"

#include "base/FormatText.h"
#include "foundation/StringTable.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

namespace lumivex {

namespace {

constexpr std::string_view kNotValid = "---";
constexpr std::string_view kZeroHue = "0.00";
constexpr std::string_view kPercentSign = "%";

// Labels of the value fields in the window, with their control ids.
struct FieldLabel {
    int controlId;
    std::string_view name;
    std::string ResultFields::*text;
};
constexpr std::array<FieldLabel, 13> kFieldLabels = {{
    {1039, "Red", &ResultFields::sensorRed},
    {1041, "Green", &ResultFields::sensorGreen},
    {1043, "Blue", &ResultFields::sensorBlue},
    {1023, "RED", &ResultFields::red},
    {1025, "GREEN", &ResultFields::green},
    {1028, "BLUE", &ResultFields::blue},
    {1031, "INTENSITY", &ResultFields::intensity},
    {1045, "Hue", &ResultFields::hue},
    {1047, "Saturation", &ResultFields::saturation},
    {1049, "Intensity", &ResultFields::hsiIntensity},
    {1051, "X", &ResultFields::x},
    {1053, "Y", &ResultFields::y},
    {1055, "Color temperature", &ResultFields::colourTemperature},
}};

// Truncation towards zero that stays defined for any double a reply may carry.
int truncated(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (value <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(value);
}

// A bar stands within its range even for counts outside the device's (negative ones, for example).
int barPosition(double percent)
{
    return std::clamp(truncated(percent), BarPositions::kMinimum, BarPositions::kMaximum);
}

std::string wholeNumber(int value)
{
    return formatText("%d", value);
}

std::string percentText(int value)
{
    return formatText("%d %%", value);
}

// A hue of exactly 0 is no hue: it shows as "0.00" whatever the validity.
std::string hueText(double hue, bool valid)
{
    if (hue == 0)
        return std::string(kZeroHue);
    return valid ? formatText("%.2f", hue) : std::string(kNotValid);
}

std::string saturationText(int saturation, bool shown)
{
    return shown ? formatText("%d %s", saturation, kPercentSign.data()) : std::string(kNotValid);
}

std::string chromaticityText(double value, bool shown)
{
    return shown ? formatText("%.4f", value) : std::string(kNotValid);
}

std::string temperatureText(double kelvin, bool shown)
{
    return shown ? formatText("%d K", truncated(kelvin + 0.5)) : std::string(kNotValid);
}

} // namespace

std::vector<NamedField> ResultFields::InWindowOrder() const
{
    std::vector<NamedField> fields;
    fields.reserve(kFieldLabels.size());
    for (const FieldLabel& label : kFieldLabels)
        fields.push_back({label.controlId, label.name, this->*label.text});
    return fields;
}

ResultDisplay::ResultDisplay()
{
    // The window starts disconnected.
    ShowConnectionState(false, {});
}

void ResultDisplay::Notify(DisplayChange change) const
{
    if (m_onChange)
        m_onChange(change);
}

void ResultDisplay::MoveFields()
{
    m_shown = m_fields;
    ++m_movedCount;
    Notify(DisplayChange::FieldsMoved);
}

bool ResultDisplay::ReadingValid() const
{
    return IsReadingValid(m_fields.sensorRed, m_fields.sensorGreen, m_fields.sensorBlue, m_fields.hsiIntensity);
}

void ResultDisplay::ShowRgbReading(int red, int green, int blue, int intensity, int fullScale, bool goesOn)
{
    LedReading& r = m_reading;
    r.DeriveFromCounts(red, green, blue, intensity, fullScale);

    if (r.overflow) {
        // Only the saturated channels say so; the others have no meaningful share.
        const std::string overflow(stringText(StringId::Overflow));
        m_fields.red = r.sensorRed == fullScale ? overflow : std::string();
        m_fields.green = r.sensorGreen == fullScale ? overflow : std::string();
        m_fields.blue = r.sensorBlue == fullScale ? overflow : std::string();
        m_fields.intensity.clear();
    } else if (r.underflow) {
        const std::string underflow(stringText(StringId::Underflow));
        m_fields.red = m_fields.green = m_fields.blue = underflow;
        m_fields.intensity.clear();
    } else {
        m_fields.red = wholeNumber(r.redShare);
        m_fields.green = wholeNumber(r.greenShare);
        m_fields.blue = wholeNumber(r.blueShare);
        m_fields.intensity = percentText(r.intensityPercent);
    }
    m_fields.sensorRed = wholeNumber(r.sensorRed);
    m_fields.sensorGreen = wholeNumber(r.sensorGreen);
    m_fields.sensorBlue = wholeNumber(r.sensorBlue);
    m_fields.hsiIntensity = r.channelSum > 0 ? wholeNumber(r.rawIntensity) : std::string();

    if (goesOn) {
        // The device's own values follow; nothing of the previous LED may stand beside the new counts.
        m_fields.hue.clear();
        m_fields.saturation.clear();
        m_fields.x.clear();
        m_fields.y.clear();
        m_fields.colourTemperature.clear();
    } else {
        r.HueSaturationFromColour();
        const bool valid = ReadingValid();
        m_fields.hue = hueText(r.hue, valid);
        // A colour on the red axis (green = blue) has hue 0 but a real saturation, shown as the
        // device's own reply would show it; only a grey (no hue, no saturation) shows "---".
        m_fields.saturation = saturationText(r.saturation, valid && (r.hue != 0 || r.saturation != 0));
    }

    if (m_chart == ChartChoice::Palette) {
        m_requests.paletteColourRequested = true;
        m_requests.paletteColour = r.currentColour;
        Notify(DisplayChange::ChartRequested);
    }

    if (r.overflow) {
        m_bars.red = m_bars.green = m_bars.blue = BarPositions::kMaximum;
        m_bars.intensity = BarPositions::kMinimum;
        m_fields.redLabel.clear();
        m_fields.greenLabel.clear();
        m_fields.blueLabel.clear();
    } else {
        // Bars truncate, the labels above them round.
        m_bars.red = barPosition(r.redPercent);
        m_bars.green = barPosition(r.greenPercent);
        m_bars.blue = barPosition(r.bluePercent);
        m_bars.intensity = r.channelSum > 0 ? barPosition(r.intensityPercent) : BarPositions::kMinimum;
        m_fields.redLabel = percentText(truncated(r.redPercent + 0.5));
        m_fields.greenLabel = percentText(truncated(r.greenPercent + 0.5));
        m_fields.blueLabel = percentText(truncated(r.bluePercent + 0.5));
    }
    Notify(DisplayChange::BarsMoved);

    if (!goesOn)
        MoveFields();
}

void ResultDisplay::ShowHsiReading(double hue, int saturation, int intensity, bool goesOn)
{
    m_reading.hue = hue;
    m_reading.saturation = saturation;
    // Hue and saturation are judged by the intensity of the counts reply, still in the field.
    const bool valid = ReadingValid();
    m_fields.hue = hueText(hue, valid);
    m_fields.saturation = saturationText(saturation, saturation != 0 && valid);
    m_reading.deviceIntensity = intensity;
    m_fields.hsiIntensity = wholeNumber(intensity);

    if (!goesOn && m_chart == ChartChoice::Wheel) {
        m_requests.wheelRedrawRequested = true;
        Notify(DisplayChange::ChartRequested);
    }
    MoveFields();
}

void ResultDisplay::ShowXyReading(double x, double y, bool goesOn)
{
    m_reading.x = x;
    m_reading.y = y;
    const bool valid = ReadingValid();
    m_fields.x = chromaticityText(x, x != 0 && valid);
    m_fields.y = chromaticityText(y, y != 0 && valid);
    // The chart marks what the device said, even where the field cannot show it.
    m_chartPoint = {x, y};

    if (!goesOn && m_chart == ChartChoice::XyChart) {
        m_requests.chartRedrawRequested = true;
        Notify(DisplayChange::ChartRequested);
    }
}

void ResultDisplay::ShowCctReading(double kelvin, bool)
{
    m_reading.colourTemperature = kelvin;
    m_fields.colourTemperature = temperatureText(kelvin, kelvin != 0 && ReadingValid());
}

void ResultDisplay::ResetBars()
{
    m_bars.red = m_bars.green = m_bars.blue = m_bars.intensity = BarPositions::kMinimum;
    Notify(DisplayChange::BarsMoved);
}

void ResultDisplay::EndOfTest(bool withWheel)
{
    bool requested = false;
    if (m_chart == ChartChoice::XyChart) {
        m_requests.chartRedrawRequested = true;
        requested = true;
    }
    if (withWheel && m_chart == ChartChoice::Wheel) {
        m_requests.wheelRedrawRequested = true;
        requested = true;
    }
    if (requested)
        Notify(DisplayChange::ChartRequested);
    MoveFields();
}

void ResultDisplay::ShowConnectionState(bool connected, const std::string& portName)
{
    m_connected = connected;
    m_connection.connectButton = std::string(stringText(connected ? StringId::Disconnect : StringId::Connect));
    m_connection.statusLine = std::string(stringText(connected ? StringId::Connected : StringId::NotConnected));
    m_connection.portLine = connected ? portName : std::string(stringText(StringId::Connected));
    m_connection.startEnabled = connected;
    ShowPortToUse(portName);
}

void ResultDisplay::ShowPortToUse(const std::string& portName)
{
    // Connected, the port line itself names the port.
    m_connection.portToUse = m_connected || portName.empty() ? std::string() : "Port: " + portName;
    Notify(DisplayChange::ConnectionShown);
}

void ResultDisplay::SetOthersBusy(bool busy)
{
    m_connection.connectEnabled = !busy;
    // START TEST comes back only where the window shows a connection.
    m_connection.startEnabled = !busy && m_connected;
    Notify(DisplayChange::ConnectionShown);
}

void ResultDisplay::ShowPickedColour(PackedRgb colour, int firmware)
{
    LedReading& r = m_reading;
    r.TakePickedColour(colour, PaletteFactorForFirmware(firmware));
    // A picked colour counts as valid even after a saturated measurement.
    if (m_fields.hsiIntensity == wholeNumber(kSaturatedIntensity))
        m_fields.hsiIntensity = wholeNumber(kSaturatedIntensity - 1);

    m_fields.red = wholeNumber(r.redShare);
    m_fields.green = wholeNumber(r.greenShare);
    m_fields.blue = wholeNumber(r.blueShare);
    m_fields.sensorRed = wholeNumber(r.sensorRed);
    m_fields.sensorGreen = wholeNumber(r.sensorGreen);
    m_fields.sensorBlue = wholeNumber(r.sensorBlue);
    WriteColourTexts();
    MoveFields();
}

void ResultDisplay::WriteColourTexts()
{
    const LedReading& r = m_reading;
    const bool valid = ReadingValid();
    m_fields.x = chromaticityText(r.x, valid);
    m_fields.y = chromaticityText(r.y, valid);
    m_fields.hue = valid ? formatText("%.2f", r.hue) : hueText(r.hue, false);
    m_fields.saturation = valid ? percentText(r.saturation) : std::string(kNotValid);
    m_fields.colourTemperature = temperatureText(r.colourTemperature, r.colourTemperature != 0 && valid);
}

void ResultDisplay::SelectChart(ChartChoice chart)
{
    if (chart == m_chart)
        return;
    m_chart = chart;
    LedReading& r = m_reading;
    if (chart == ChartChoice::XyChart && !r.valuesFromDevice) {
        // A picked colour has no device x/y: the chart shows where the colour lies.
        const Chromaticity xy = RgbToXy(r.currentColour);
        m_chartPoint = {xy.x, xy.y};
    }
    if (chart == ChartChoice::Palette) {
        // The palette starts from the colour the share fields show.
        r.currentColour = PackRgb(readInteger(m_fields.red), readInteger(m_fields.green), readInteger(m_fields.blue));
        if (!r.valuesFromDevice) {
            const Chromaticity xy = RgbToXy(r.currentColour);
            r.x = xy.x;
            r.y = xy.y;
            r.HueSaturationFromColour();
            r.colourTemperature = RgbToCct(r.currentColour);
            WriteColourTexts();
        }
        m_requests.paletteColourRequested = true;
        m_requests.paletteColour = r.currentColour;
        MoveFields();
        Notify(DisplayChange::ChartRequested);
    }
}

ChartRequests ResultDisplay::TakeChartRequests()
{
    return std::exchange(m_requests, ChartRequests {});
}

} // namespace lumivex
