#pragma once

// The main window's core (MainFrame: its engine, view, lists and runs) on the simulated device in
// virtual time, with its settings and log in a folder of its own.

#include "app/Startup.h"
#include "base/VirtualScheduler.h"
#include "foundation/StringTable.h"
#include "main/MainFrame.h"
#include "multisensor/CKonfList.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"

#include "InjectingBackend.h"
#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumivex::test {

using Requests = std::vector<std::string>;

// The simulated device with this firmware and this many boards.
inline SimConfig firmware(int number, int boards = 1)
{
    SimConfig config;
    config.firmware = number;
    config.boards = boards;
    return config;
}

inline std::string text(StringId id)
{
    return std::string(stringText(id));
}

inline std::string noValidResponse(int number)
{
    return "No valid response from command " + std::to_string(number);
}

struct SequencerBench {
    explicit SequencerBench(
        const SimConfig& simConfig = firmware(1007), SimPortConfig ports = {}, const std::string& comPort = "SIM")
        : device(scheduler, simConfig),
          backend(scheduler, device, ports),
          wire(backend),
          frame(scheduler, wire, dialogs),
          sequencer(initialise("[SYSTEM]\r\nCOMPORT=" + comPort + "\r\nSelChart=3\r\n; kept\r\n")),
          config(frame.Config()),
          view(frame.View()),
          state(frame.State()),
          port(frame.Port())
    {
    }

    // Runs virtual time until nothing is awaited and no chain runs (or the limit passes).
    void settle(int limitMs = 20000)
    {
        pumpUntil([this] { return !sequencer.ReplyAwaited() && !sequencer.ChainRunning(); }, limitMs);
    }
    // Pumps until the condition holds; false when it did not within the limit (virtual time).
    template<class Condition> bool pumpUntil(Condition done, int limitMs = 20000)
    {
        const auto end = scheduler.nowMicros() + std::int64_t(limitMs) * 1000;
        while (!done() && scheduler.nowMicros() < end)
            scheduler.pumpOnce();
        return done();
    }
    // Until the engine has sent the request with this number.
    bool untilCommand(int number)
    {
        return pumpUntil([this, number] { return sequencer.CommandNumber() == number; });
    }
    void connect()
    {
        sequencer.Connect();
        settle();
    }
    std::size_t sentCount() const { return sequencer.SentRequests().size(); }
    Requests sentSince(std::size_t from) const
    {
        const auto& sent = sequencer.SentRequests();
        return Requests(sent.begin() + static_cast<std::ptrdiff_t>(from), sent.end());
    }
    // START TEST, run to its end; the requests it sent.
    Requests runTest(int limitMs = 20000)
    {
        const auto from = sentCount();
        sequencer.StartTest();
        settle(limitMs);
        return sentSince(from);
    }
    // The sensor with that list number takes part in runs, with nothing to send.
    CKonfList& enable(int index)
    {
        CKonfList& record = *frame.SensorSettings().settingsByIndex(index);
        record.TestMode = kKonfManualCapture;
        record.MeasureTime = kKonfMeasureTime200ms;
        record.ChangeFlags = 0;
        return record;
    }
    // The measurement list's row of the sensor with that list number.
    ReadingRow row(int index) const
    {
        ReadingRow r;
        EXPECT_TRUE(frame.Readings().rowOf(index, r)) << index;
        return r;
    }
    // The flags that are set, of: the port switched open, its handle open, the window shown
    // connected, START TEST enabled, a reply awaited, a chain running, the last chain failed, the
    // last reply timed out.
    std::string flags() const
    {
        const MeasurementSequencer& s = sequencer;
        const std::pair<bool, const char*> flags[] = {{!s.PortClosed(), "port"}, {port.IsOpen(), "handle"},
            {!s.DisconnectedShown(), "shown"}, {s.StartEnabled(), "start"}, {s.ReplyAwaited(), "awaiting"},
            {s.ChainRunning(), "chain"}, {s.ChainFailed(), "failed"}, {s.TimedOut(), "timed-out"}};
        std::string out;
        for (const auto& [on, name] : flags) {
            if (on)
                out += (out.empty() ? "" : " ") + std::string(name);
        }
        return out;
    }
    // Whole 10 ms ticks of virtual time since `micros`.
    std::int64_t ticksSince(std::int64_t micros) const { return (scheduler.nowMicros() - micros) / 10000; }
    std::string logText() const { return readFile(dir.file("Lumivex.log")); }

    TempDir dir;
    VirtualScheduler scheduler;
    RecordingDialogs dialogs;
    SimulatedDevice device;
    SimSerialBackend backend;
    InjectingBackend wire; // what the program reads: the device's bytes and any a test slips in
    MainFrame frame;
    MeasurementSequencer& sequencer;
    TestConfiguration& config;
    ResultView& view;
    StartupState& state;
    CSeriell& port;

private:
    MeasurementSequencer& initialise(const std::string& ini)
    {
        writeFile(dir.file("Lumivex.ini"), ini);
        frame.Initialise(iniLocationOf(dir.file("Lumivex.ini")));
        return frame.Sequencer();
    }
};

// A bench whose device is connected already.
struct ConnectedBench : SequencerBench {
    explicit ConnectedBench(const SimConfig& simConfig = firmware(1007)) : SequencerBench(simConfig) { connect(); }
};

} // namespace lumivex::test
