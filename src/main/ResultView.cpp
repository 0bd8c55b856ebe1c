#include "main/ResultView.h"

#include "foundation/StringTable.h"

#include <utility>

namespace lumivex {

ResultView::ResultView(PortNameSource portName)
    : m_portName(std::move(portName)), m_statusText(stringText(StringId::WelcomeText))
{
}

void ResultView::ShowRgbReading(int red, int green, int blue, int intensity, int fullScale, bool goesOn)
{
    m_display.ShowRgbReading(red, green, blue, intensity, fullScale, goesOn);
    const LedReading& reading = m_display.Reading();
    m_numbers.counts = true;
    m_numbers.red = reading.sensorRed;
    m_numbers.green = reading.sensorGreen;
    m_numbers.blue = reading.sensorBlue;
    m_numbers.rawIntensity = reading.rawIntensity;
    m_numbers.fullScale = fullScale;
    m_numbers.intensity = reading.deviceIntensity;
    if (!goesOn) {
        m_numbers.hueSaturation = true;
        m_numbers.hue = reading.hue;
        m_numbers.saturation = reading.saturation;
    }
}

void ResultView::ShowHsiReading(double hue, int saturation, int intensity, bool goesOn)
{
    m_display.ShowHsiReading(hue, saturation, intensity, goesOn);
    m_numbers.hueSaturation = true;
    m_numbers.hue = hue;
    m_numbers.saturation = saturation;
    m_numbers.intensity = intensity;
}

void ResultView::ShowXyReading(double x, double y, bool goesOn)
{
    m_display.ShowXyReading(x, y, goesOn);
    m_numbers.xy = true;
    m_numbers.x = x;
    m_numbers.y = y;
}

void ResultView::ShowCctReading(double kelvin, bool goesOn)
{
    m_display.ShowCctReading(kelvin, goesOn);
    m_numbers.colourTemperature = true;
    m_numbers.kelvin = kelvin;
}

void ResultView::ResetBars()
{
    m_display.ResetBars();
}

void ResultView::TestStarted(int board, int led, int testMode)
{
    StringId mode = StringId::ManualCapture;
    if (testMode == 1)
        mode = StringId::UserCapture;
    else if (testMode == 2)
        mode = StringId::PwmCapture;
    m_subjectText
        = "Board " + std::to_string(board) + ", LED " + std::to_string(led) + ", " + std::string(stringText(mode));
    m_testRunning = true;
    m_numbers = {};
    if (m_onStatusText)
        m_onStatusText();
}

void ResultView::ShowPickedColour()
{
    m_subjectText = "Picked colour, not a measurement";
    if (m_onStatusText)
        m_onStatusText();
}

void ResultView::TestEnded(bool withWheel)
{
    m_testRunning = false;
    if (m_onStatusText)
        m_onStatusText();
    ++m_testsEnded;
    m_lastWithWheel = withWheel;
    m_display.EndOfTest(withWheel);
}

void ResultView::ShowConnectionState(bool connected)
{
    m_connected = connected;
    m_display.ShowConnectionState(connected, m_portName ? m_portName() : std::string());
}

void ResultView::PortSettingChanged()
{
    m_display.ShowPortToUse(m_portName ? m_portName() : std::string());
}

void ResultView::SetOthersBusy(bool busy)
{
    m_othersBusy = busy;
    m_display.SetOthersBusy(busy);
}

void ResultView::ShowStatusText(const std::string& text)
{
    m_statusText = text;
    if (m_onStatusText)
        m_onStatusText();
}

void ResultView::BoardListChanged()
{
    ++m_boardListChanges;
    if (m_onBoardList)
        m_onBoardList();
}

} // namespace lumivex
