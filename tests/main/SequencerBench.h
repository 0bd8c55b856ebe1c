#pragma once

// The main window's engine wired to the simulated device in virtual time.

#include "app/Startup.h"
#include "base/VirtualScheduler.h"
#include "device/CSeriell.h"
#include "device/ComPortSwitch.h"
#include "foundation/CGlobal.h"
#include "foundation/Settings.h"
#include "main/MeasurementSequencer.h"
#include "main/SequencerLinks.h"
#include "main/TestConfiguration.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"

#include "InjectingBackend.h"
#include "RecordingDialogs.h"
#include "TempDir.h"

#include <memory>
#include <string>
#include <vector>

namespace lumivex::test {

// The simulated device with this firmware and this many boards.
inline SimConfig firmware(int number, int boards = 1)
{
    SimConfig config;
    config.firmware = number;
    config.boards = boards;
    return config;
}

// Remembers what the engine asked the window to show, one line per call.
class RecordingView : public SequencerView {
public:
    void ShowRgbReading(int r, int g, int b, int i, int scale, bool goesOn) override
    {
        red = r;
        green = g;
        blue = b;
        intensity = i;
        fullScale = scale;
        calls.push_back("rgb " + std::to_string(r) + " " + std::to_string(g) + " " + std::to_string(b) + " "
            + std::to_string(i) + " /" + std::to_string(scale) + (goesOn ? " more" : " last"));
    }
    void ShowHsiReading(double h, int s, int i, bool goesOn) override
    {
        hue = h;
        saturation = s;
        hsiIntensity = i;
        calls.push_back(goesOn ? "hsi more" : "hsi last");
    }
    void ShowXyReading(double x, double y, bool goesOn) override
    {
        lastX = x;
        lastY = y;
        calls.push_back(goesOn ? "xy more" : "xy last");
    }
    void ShowCctReading(double kelvin, bool goesOn) override
    {
        lastCct = kelvin;
        calls.push_back(goesOn ? "cct more" : "cct last");
    }
    void ResetBars() override { calls.push_back("bars 0"); }
    void TestEnded(bool withWheel) override { calls.push_back(withWheel ? "end wheel" : "end"); }
    void ShowConnectionState(bool connected) override { calls.push_back(connected ? "connected" : "disconnected"); }
    void SetOthersBusy(bool busy) override { calls.push_back(busy ? "others busy" : "others idle"); }
    void ShowStatusText(const std::string& text) override { status = text; }
    void BoardListChanged() override { calls.push_back("boards"); }

    std::vector<std::string> calls;
    std::string status;
    int red = 0, green = 0, blue = 0, intensity = 0, fullScale = 0;
    double hue = 0;
    int saturation = 0, hsiIntensity = 0;
    double lastX = 0, lastY = 0, lastCct = 0;
};

// A measurement list that only remembers its size and marks and the values last handed over.
class PlainMeasurementList : public MeasurementListLink {
public:
    void SetBusy(bool busy) override { m_busy = busy; }
    bool Busy() const { return m_busy; }
    bool IsMeasuring() const override { return m_measuring; }
    void SetMeasuring(bool on) { m_measuring = on; }
    int RowCount() const override { return m_rows; }
    void Rebuild(int rows) override { m_rows = rows; }
    void StoreValues(int listIndex, const SensorValues& values, int) override
    {
        lastIndex = listIndex;
        lastValues = values;
    }
    bool OutOfRange() const override { return m_outOfRange; }
    void SetOutOfRange(bool on) override { m_outOfRange = on; }
    void ResetBoard(int board) override { lastResetBoard = board; }

    int lastIndex = 0;
    SensorValues lastValues;
    int lastResetBoard = 0;

private:
    bool m_busy = false;
    bool m_measuring = false;
    int m_rows = 5;
    bool m_outOfRange = false;
};

struct SequencerBench {
    explicit SequencerBench(SimConfig simConfig = {}, SimPortConfig ports = {}, std::string comPort = "SIM")
        : device(scheduler, simConfig),
          backend(scheduler, device, ports),
          wire(backend),
          port(wire, dialogs),
          portSwitch(port, dialogs, {}),
          state(makeState(comPort)),
          config(state.settings),
          sequencer({scheduler, port, portSwitch, state, log, dialogs, config, view, list, stability})
    {
        log.SetFilePath(dir.file("Lumivex.log"));
        log.SetLevel(9);
        sequencer.Start();
    }

    static StartupState makeState(const std::string& comPort)
    {
        StartupState s;
        s.settings.comPort = comPort;
        return s;
    }

    // Runs virtual time until nothing is awaited and no chain runs (or the limit passes).
    void settle(int limitMs = 20000)
    {
        const auto end = scheduler.nowMicros() + std::int64_t(limitMs) * 1000;
        while ((sequencer.ReplyAwaited() || sequencer.ChainRunning()) && scheduler.nowMicros() < end)
            scheduler.pumpOnce();
    }
    // Pumps until the condition holds; false when it did not within the limit (virtual time).
    template<class Condition> bool pumpUntil(Condition done, int limitMs = 20000)
    {
        const auto end = scheduler.nowMicros() + std::int64_t(limitMs) * 1000;
        while (!done() && scheduler.nowMicros() < end)
            scheduler.pumpOnce();
        return done();
    }
    void connect()
    {
        sequencer.Connect();
        settle();
    }
    std::string logText() const { return readFile(dir.file("Lumivex.log")); }

    TempDir dir;
    VirtualScheduler scheduler;
    SimulatedDevice device;
    SimSerialBackend backend;
    InjectingBackend wire; // what the program reads: the device's bytes and any a test slips in
    RecordingDialogs dialogs;
    CSeriell port;
    ComPortSwitch portSwitch;
    StartupState state;
    CGlobal log;
    TestConfiguration config;
    RecordingView view;
    PlainMeasurementList list;
    StabilityPortGuard stability;
    MeasurementSequencer sequencer;
};

} // namespace lumivex::test
