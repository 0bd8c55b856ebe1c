#pragma once

#include <functional>
#include <string>

namespace lumivex {

// What the main window's request engine tells the window. The result display and the connection
// state are shown by it; the engine decides when.
class SequencerView {
public:
    virtual ~SequencerView() = default;

    // A value reply of a test. `goesOn`: further replies of the same test follow.
    virtual void ShowRgbReading(int red, int green, int blue, int intensity, int fullScale, bool goesOn) = 0;
    virtual void ShowHsiReading(double hue, int saturation, int intensity, bool goesOn) = 0;
    virtual void ShowXyReading(double x, double y, bool goesOn) = 0;
    virtual void ShowCctReading(double kelvin, bool goesOn) = 0;
    // START TEST puts the four bars to 0 before the capture is sent.
    virtual void ResetBars() = 0;
    // A test's first request went out: its values will be those of this LED (board from 1, LED
    // 1..5) in this test mode.
    virtual void TestStarted(int /*board*/, int /*led*/, int /*testMode*/) { }
    // The test is over (also when a failed send ended it early): redraw the chart views and move
    // the fields into the controls. `withWheel`: the wheel is redrawn as well (after "getdistance").
    virtual void TestEnded(bool withWheel) = 0;

    virtual void ShowConnectionState(bool connected) = 0;
    virtual void SetOthersBusy(bool busy) = 0;
    virtual void ShowStatusText(const std::string& text) = 0;
    // The board list changed (a "testcon" reply reported the boards).
    virtual void BoardListChanged() = 0;
};

// Which reply of a test handed the values over: each brings its own part of them.
enum class ValuesFrom { Rgbi, Xy, XOffset, YOffset, Distance };

// The values of one test as the measurement list's row for the tested sensor receives them.
struct SensorValues {
    int red = 0, green = 0, blue = 0, intensity = 0;
    double x = 0, y = 0;
    double xOffset = 0, yOffset = 0, distance = 0;
    std::string xOffsetText, yOffsetText;
    ValuesFrom from = ValuesFrom::Rgbi;
};

// The measurement list as the main window's engine sees it. The list's own run keeps off the
// port while the busy mark is set; the engine keeps off while the list measures.
class MeasurementListLink {
public:
    virtual ~MeasurementListLink() = default;
    virtual void SetBusy(bool busy) = 0;
    virtual bool IsMeasuring() const = 0;
    // Rows held: 5 per board. Rebuild makes the list (and the sensor settings list) that long.
    virtual int RowCount() const = 0;
    virtual void Rebuild(int rows) = 0;
    // A value reply of the main window's test for the sensor in row `listIndex` (from 1).
    virtual void StoreValues(int listIndex, const SensorValues& values, int testMode) = 0;
    // Set by a negative x or y; the end of the test warns and clears it.
    virtual bool OutOfRange() const = 0;
    virtual void SetOutOfRange(bool on) = 0;
    // After "Reset Board": the board whose sensor settings go back to their defaults.
    virtual void ResetBoard(int board) = 0;
};

// The stability run as the engine sees it: while it measures, the engine keeps off the port.
class StabilityLink {
public:
    virtual ~StabilityLink() = default;
    virtual bool IsMeasuring() const = 0;
};

// Whether the port is taken for a stability run: the run itself, or a borrower that sends on the
// stability run's terms (the command-line tool's one-off requests).
class StabilityPortGuard : public StabilityLink {
public:
    bool IsMeasuring() const override { return measuring || (runMeasuring && runMeasuring()); }
    bool measuring = false;
    std::function<bool()> runMeasuring;
};

} // namespace lumivex
