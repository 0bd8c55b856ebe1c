#pragma once

#include "main/ResultDisplay.h"
#include "main/SequencerLinks.h"

#include <functional>
#include <string>
#include <utility>

namespace lumivex {

// The numbers the last test's replies carried, by value group, before any display rule; a group
// not read in that test stays false.
struct TestNumbers {
    bool counts = false;
    int red = 0;
    int green = 0;
    int blue = 0;
    int rawIntensity = 0;
    int fullScale = 0;
    // Hue and saturation: the device's, or computed from the counts when it is not asked.
    bool hueSaturation = false;
    double hue = 0;
    int saturation = 0;
    // The HSI "Intensity" field's number.
    int intensity = 0;
    bool xy = false;
    double x = 0;
    double y = 0;
    bool colourTemperature = false;
    double kelvin = 0;
};

// The main window as its engine sees it, without a window: the display calls go to a
// ResultDisplay, the rest is kept as plain state. The command-line tool uses it as it is; the Qt
// window derives from it and copies the state into its controls when told.
class ResultView : public SequencerView {
public:
    // The configured port name ("COMPORT"), read when the connected state is shown, after a
    // search for the device may have changed it.
    using PortNameSource = std::function<std::string()>;

    explicit ResultView(PortNameSource portName);

    ResultDisplay& Display() { return m_display; }
    const ResultDisplay& Display() const { return m_display; }
    // Told after the information text or the board list changed, so that a window can copy them
    // (the result display tells its own changes through its change handler).
    void SetStatusTextHandler(std::function<void()> handler) { m_onStatusText = std::move(handler); }
    void SetBoardListHandler(std::function<void()> handler) { m_onBoardList = std::move(handler); }

    void ShowRgbReading(int red, int green, int blue, int intensity, int fullScale, bool goesOn) override;
    void ShowHsiReading(double hue, int saturation, int intensity, bool goesOn) override;
    void ShowXyReading(double x, double y, bool goesOn) override;
    void ShowCctReading(double kelvin, bool goesOn) override;
    void ResetBars() override;
    void TestStarted(int board, int led, int testMode) override;
    void TestEnded(bool withWheel) override;
    // The fields now show a colour picked from the palette, not a measurement.
    void ShowPickedColour();
    void ShowConnectionState(bool connected) override;
    // The configured port changed: the window names the port it will use while disconnected.
    void PortSettingChanged();
    void SetOthersBusy(bool busy) override;
    void ShowStatusText(const std::string& text) override;
    void BoardListChanged() override;

    bool Connected() const { return m_connected; }
    bool OthersBusy() const { return m_othersBusy; }
    // The information field: the welcome text until the engine reports something.
    const std::string& StatusText() const { return m_statusText; }
    // What the values shown are: the LED and mode of the test that runs or ran last, or a colour
    // picked from the palette; empty before the first test.
    const std::string& SubjectText() const { return m_subjectText; }
    bool TestRunning() const { return m_testRunning; }
    int BoardListChanges() const { return m_boardListChanges; }
    int TestsEnded() const { return m_testsEnded; }
    bool LastTestEndedWithWheel() const { return m_lastWithWheel; }
    // The numbers of the test that runs or ran last.
    const TestNumbers& LastTestNumbers() const { return m_numbers; }

private:
    ResultDisplay m_display;
    PortNameSource m_portName;
    bool m_connected = false;
    bool m_othersBusy = false;
    std::string m_statusText;
    std::string m_subjectText;
    bool m_testRunning = false;
    int m_boardListChanges = 0;
    int m_testsEnded = 0;
    bool m_lastWithWheel = false;
    TestNumbers m_numbers;
    std::function<void()> m_onStatusText;
    std::function<void()> m_onBoardList;
};

} // namespace lumivex
