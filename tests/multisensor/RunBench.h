#pragma once

// The measurement list run wired to the simulated device in virtual time.

#include "base/VirtualScheduler.h"
#include "device/CSeriell.h"
#include "foundation/CGlobal.h"
#include "foundation/Settings.h"
#include "foundation/StringTable.h"
#include "multisensor/MeasurementRun.h"
#include "multisensor/MeasurementRunView.h"
#include "multisensor/ReadingLists.h"
#include "multisensor/SensorSettingsList.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"

#include "InjectingBackend.h"
#include "RecordingDialogs.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace lumivex::test {

inline std::string text(StringId id)
{
    return std::string(stringText(id));
}

// Boxes with the virtual time at which they were shown.
class TimedDialogs : public RecordingDialogs {
public:
    explicit TimedDialogs(const Scheduler& scheduler) : m_scheduler(scheduler) { }
    void message(const std::string& text) override
    {
        RecordingDialogs::message(text);
        shownAt.push_back(m_scheduler.nowMicros());
    }
    std::vector<std::int64_t> shownAt;

private:
    const Scheduler& m_scheduler;
};

class RecordingRunView : public MeasurementRunView {
public:
    void ShowTitle(const std::string& title) override { titles.push_back(title); }
    void EnablePerform(bool enabled) override { performEnabled = enabled; }
    void ShowProgress(int position, int count) override
    {
        progress.push_back(std::to_string(position) + "/" + std::to_string(count));
        if (onProgress)
            onProgress();
    }
    void FillRows() override { ++fills; }

    std::vector<std::string> titles;
    std::vector<std::string> progress;
    bool performEnabled = true;
    int fills = 0;
    std::function<void()> onProgress; // what the user does while the run waits
};

struct RunBench {
    // `runFirmware`: the firmware number the program believes in; by default the device's own.
    explicit RunBench(SimConfig sim = {}, int runFirmware = -1)
        : device(scheduler, sim),
          backend(scheduler, device),
          wire(backend),
          dialogs(scheduler),
          port(wire, dialogs),
          settings(offsetsFree()),
          konf(dialogs, DeviationSettings::fromSettings(settings)),
          readings(dialogs),
          firmware(runFirmware < 0 ? sim.firmware : runFirmware),
          run({scheduler, port, dialogs, log, settings, konf, readings, view, [this] { return firmware; }, true, {},
              [this] { ++portsReturned; }})
    {
        device.setTrace([this](std::string_view direction, std::string_view line) {
            if (direction == "<") {
                received.emplace_back(line);
                receivedAt.push_back(scheduler.nowMicros());
                if (onRequest)
                    onRequest(received.back());
            }
        });
        port.SetPortName(SimSerialBackend::kPortName);
        port.OpenPort();
        const int sensors = 5 * sim.boards;
        konf.CreateDefaultSettings(sensors);
        readings.CreateEmptyReadings(sensors);
    }

    // The offsets may be sent: the switch that holds them back is tested on its own.
    static Settings offsetsFree()
    {
        Settings s;
        s.noChangeXyOffset = 0;
        return s;
    }

    // Every sensor set up alike, nothing pending.
    void setAll(std::uint8_t testMode, std::uint8_t measureTime, std::uint8_t pwmRuns = 0)
    {
        for (const auto& record : konf.records())
            set(record->Index, testMode, measureTime, pwmRuns);
        konf.setModified(false);
    }
    CKonfList& set(int index, std::uint8_t testMode, std::uint8_t measureTime, std::uint8_t pwmRuns = 0)
    {
        CKonfList& r = *konf.settingsByIndex(index);
        r.TestMode = testMode;
        r.MeasureTime = measureTime;
        r.PwmRuns = pwmRuns;
        r.ChangeFlags = 0;
        return r;
    }
    // Only the records named take part.
    void disableAllBut(std::initializer_list<int> indexes)
    {
        for (const auto& record : konf.records()) {
            if (std::find(indexes.begin(), indexes.end(), record->Index) == indexes.end())
                record->MeasureTime = 0;
        }
    }

    void perform() { run.PerformMeasurement(); }
    ReadingRow row(int index) const
    {
        ReadingRow r;
        readings.rowOf(index, r);
        return r;
    }
    const CMessList& result(int index) const { return *readings.resultByIndex(index); }

    VirtualScheduler scheduler;
    SimulatedDevice device;
    SimSerialBackend backend;
    InjectingBackend wire;
    TimedDialogs dialogs;
    CSeriell port;
    CGlobal log;
    Settings settings;
    SensorSettingsList konf;
    ReadingLists readings;
    RecordingRunView view;
    int firmware;
    int portsReturned = 0;
    std::vector<std::string> received; // request lines as the device took them
    std::vector<std::int64_t> receivedAt;
    std::function<void(const std::string&)> onRequest; // as the device takes a request
    MeasurementRun run;
};

} // namespace lumivex::test
