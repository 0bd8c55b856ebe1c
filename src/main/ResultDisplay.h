#pragma once

#include "colour/ColourConversions.h"
#include "colour/LedReading.h"

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lumivex {

// The chart in the main window's right-hand panel (the "SelChart" setting).
enum class ChartChoice : int { Wheel = 1, Palette = 2, XyChart = 3 };

// One value field as a printout or a widget addresses it.
struct NamedField {
    int controlId = 0;
    std::string_view name; // the field's label in the window
    std::string text;
};

// The texts of the result fields, one per control, as the window shows them after the last move.
struct ResultFields {
    // "Sensorvalues": the raw counts.
    std::string sensorRed; // 1039
    std::string sensorGreen; // 1041
    std::string sensorBlue; // 1043
    // "Test Results": shares, "Overfl." / "Underfl.", or empty.
    std::string red; // 1023
    std::string green; // 1025
    std::string blue; // 1028
    std::string intensity; // 1031, the intensity percent with " %"
    // The share percents above the red, green and blue bars.
    std::string redLabel; // 1061
    std::string greenLabel; // 1062
    std::string blueLabel; // 1063
    // HSI group.
    std::string hue; // 1045
    std::string saturation; // 1047
    std::string hsiIntensity; // 1049
    // CIE XY group.
    std::string x; // 1051
    std::string y; // 1053
    std::string colourTemperature; // 1055

    // The value fields in window order with their labels; the share labels are left out.
    std::vector<NamedField> InWindowOrder() const;
};

// The four bars beside "RED", "GREEN", "BLUE" and "INTENSITY".
struct BarPositions {
    static constexpr int kMinimum = 0;
    static constexpr int kMaximum = 100;
    static constexpr int kStep = 1;
    static constexpr int kStart = 50;
    int red = kStart; // 1064
    int green = kStart; // 1065
    int blue = kStart; // 1066
    int intensity = kStart; // 1067
};
// The bars' colours in the order red, green, blue, intensity.
inline constexpr std::array<PackedRgb, 4> kBarColours
    = {PackRgb(255, 0, 0), PackRgb(0, 255, 0), PackRgb(0, 0, 255), PackRgb(0, 0, 0)};

// The point marked on the xy chart: the last x, y the device sent, valid or not.
struct ChartPoint {
    double x = 0.5;
    double y = 0.5;
};

// CONNECT button, the two status lines and the enabled states of CONNECT and START TEST.
struct ConnectionTexts {
    std::string connectButton; // 1002
    std::string statusLine; // 1004
    std::string portLine; // 1005
    std::string portToUse; // while disconnected: "Port: " and the port CONNECT will open
    bool startEnabled = false; // 1016
    bool connectEnabled = true;
};

// What the chart widgets are asked to do; they act on it and clear it (TakeChartRequests).
struct ChartRequests {
    bool wheelRedrawRequested = false;
    bool chartRedrawRequested = false;
    bool paletteColourRequested = false; // the palette takes `paletteColour` as its selection
    PackedRgb paletteColour = 0;
};

// What changed, so that a widget knows what to copy: the field texts were moved into the controls
// (they are shown together, never one by one), the bars moved, the connection state changed, or
// a chart request is waiting.
enum class DisplayChange { FieldsMoved, BarsMoved, ConnectionShown, ChartRequested };

// The main window's result display without a window: the reading of the LED last measured and
// what the fields, bars, status lines and charts show of it. The engine's replies arrive through
// the Show... operations; the Qt window and the command-line tool copy the plain state.
class ResultDisplay {
public:
    using ChangeHandler = std::function<void(DisplayChange)>;

    ResultDisplay();

    void SetChangeHandler(ChangeHandler handler) { m_onChange = std::move(handler); }
    // The chart shown at start-up (no switching rules).
    void SetCurrentChart(ChartChoice chart) { m_chart = chart; }
    // The View menu's switch: the xy chart shows a picked colour's own x/y; the palette starts from
    // the share fields' colour and, for a picked colour, its texts are computed again.
    void SelectChart(ChartChoice chart);
    ChartChoice CurrentChart() const { return m_chart; }

    // A counts reply. `goesOn`: the device's hue, x/y and temperature follow in this test.
    void ShowRgbReading(int red, int green, int blue, int intensity, int fullScale, bool goesOn);
    void ShowHsiReading(double hue, int saturation, int intensity, bool goesOn);
    void ShowXyReading(double x, double y, bool goesOn);
    void ShowCctReading(double kelvin, bool goesOn);
    // START TEST: the bars go to 0 before the capture is sent.
    void ResetBars();
    // The end of a test: the chart views are redrawn and the fields moved into the controls.
    // `withWheel`: the test ran to its last reply, so the wheel is redrawn too.
    void EndOfTest(bool withWheel);
    // `portName`: the configured port, shown on the port line while connected and as the port to
    // use while not.
    void ShowConnectionState(bool connected, const std::string& portName);
    // The configured port changed while nothing else did (the configuration dialog, a run-only port).
    void ShowPortToUse(const std::string& portName);
    // While the measurement list or the stability run measures, CONNECT and START TEST are off.
    void SetOthersBusy(bool busy);
    // A colour picked in the palette, taken as if measured with the given firmware.
    void ShowPickedColour(PackedRgb colour, int firmware);

    const LedReading& Reading() const { return m_reading; }
    // The field texts as last moved into the controls.
    const ResultFields& Fields() const { return m_shown; }
    // The texts as written so far, including what is not moved yet.
    const ResultFields& PendingFields() const { return m_fields; }
    const BarPositions& Bars() const { return m_bars; }
    const ChartPoint& Chart() const { return m_chartPoint; }
    const ConnectionTexts& Connection() const { return m_connection; }
    const ChartRequests& Requests() const { return m_requests; }
    ChartRequests TakeChartRequests();
    // How often the texts were moved into the controls.
    int FieldsMovedCount() const { return m_movedCount; }

private:
    void MoveFields();
    void WriteColourTexts();
    void Notify(DisplayChange change) const;
    bool ReadingValid() const;

    LedReading m_reading;
    ResultFields m_fields;
    ResultFields m_shown;
    BarPositions m_bars;
    ChartPoint m_chartPoint;
    ConnectionTexts m_connection;
    ChartRequests m_requests;
    ChartChoice m_chart = ChartChoice::Wheel;
    bool m_connected = false;
    int m_movedCount = 0;
    ChangeHandler m_onChange;
};

} // namespace lumivex
