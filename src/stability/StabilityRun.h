#pragma once

#include "base/Scheduler.h"
#include "device/AwaitedReply.h"
#include "device/DeviceExchange.h"
#include "stability/CBlinkData.h"
#include "stability/StabilitySetup.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumivex {

class CGlobal;
class CSeriell;
class Clock;
class Dialogs;
enum class StringId : int;

// What the stability run takes from the main window when it starts (and for its title).
struct StabilityChoice {
    int ledIndex = 0; // 5 x (board - 1) + LED, from 0; -1: no LED chosen
    int testMode = 0; // 0 manual, 1 user, 2 PWM; 3 or more allows no run
    int rangeIndex = 5; // manual: the chosen range; PWM: the remembered manual range; user: 1
    int userTimeMs = 800;
    int userArea = 0; // 0 3x3, 1 9x9
    bool checkRgb = true; // the main window's value-group flags
    bool checkHsi = true;
    bool checkXy = true;

    int board() const { return ledIndex / 5 + 1; }
    int sensor() const { return ledIndex % 5 + 1; }
};

// What the run tells its window. The run decides; the window copies it into its controls.
class StabilityRunView {
public:
    virtual ~StabilityRunView() = default;
    virtual void ShowTitle(const std::string& title) = 0;
    // The run's controls: disabled while it runs, given back (by the record count) when it ends.
    virtual void ShowRunning(bool running) = 0;
    // The settings were accepted and the last run's readings deleted: results and chart start over.
    virtual void ReadingsCleared() = 0;
    // Reading `number` of `count` is complete (its values are in Readings().back()).
    virtual void ReadingTaken(int number, int count) = 0;
    // The run ended; `completed`: the loop finished or was cancelled (the duration is new).
    virtual void RunEnded(bool completed) = 0;
};

class NoStabilityView : public StabilityRunView {
public:
    void ShowTitle(const std::string&) override { }
    void ShowRunning(bool) override { }
    void ReadingsCleared() override { }
    void ReadingTaken(int, int) override { }
    void RunEnded(bool) override { }
};

// The stability analysis' run: the capture settings of the main window's test mode once, then
// for each reading a capture and one request per value group, each reading stored as a record;
// a pause between readings. Requests go one at a time through its own exchange on the shared
// port; replies are read as their bytes arrive, the time-outs counted by a 10 ms timer that runs
// only while a reply is awaited, the pause by a one-shot timer. Waits pump the scheduler.
class StabilityRun {
public:
    static constexpr int kTickMs = 10;
    static constexpr int kMinReadings = 1;
    static constexpr int kMaxReadings = 100;
    static constexpr int kMinDelayMs = 10;
    static constexpr int kMaxDelayMs = 20000;
    static constexpr int kAveragingFactors = 16;

    // Request kinds, numbered as the protocol log counts them.
    enum class Kind : int { None = 0, Set = 1, Capture = 2, CapturePwm = 3, Rgbi = 5, Hsi = 6, Xy = 7 };
    struct Request {
        std::string text;
        Kind kind = Kind::None;
        int ticks = 0;
        friend bool operator==(const Request&, const Request&) = default;
    };

    struct Links {
        Scheduler& scheduler;
        CSeriell& port;
        Dialogs& dialogs;
        CGlobal& log;
        Clock& clock;
        StabilityRunView& view;
        // The main window's choices, read when they are needed.
        std::function<StabilityChoice()> choice;
        // The connected device's firmware number (1007 on: the wide "getrgbi" layout).
        std::function<int()> firmware;
        bool loggingOn = true;
        DeviceExchange::Recorder recorder = {};
        // Gives the bytes-arrived callback back to the port's owner after a run.
        std::function<void()> returnPort = {};
        // The port's owner is waiting for a reply of its own: no run starts then.
        std::function<bool()> portBusy = {};
    };

    explicit StabilityRun(Links links);
    ~StabilityRun();
    StabilityRun(const StabilityRun&) = delete;
    StabilityRun& operator=(const StabilityRun&) = delete;

    // --- the run's own settings ---
    int readingCount() const { return m_readingCount; }
    int delayMs() const { return m_delayMs; }
    int averaging() const { return m_averaging; }
    StabilityGroups boxes; // "RGBI", "HSI", "XY"
    // Start values (from the settings file); out-of-range values give way to the nearest valid.
    void SetInitialSettings(int readings, int delayMs, int averaging);
    // An edited count: refused with message 223 outside 1..100 (false). A new valid count scales
    // a known duration by new / old, so the time axis of the shown run stays right.
    bool SetReadingCount(int readings);
    // An edited delay: refused with message 231 unless 0 or 10..20000.
    bool SetDelay(int delayMs);
    void SetAveraging(int factor);
    // The edits' texts as the window hands them over: no number counts as out of range.
    bool SetReadingCountText(std::string_view text);
    bool SetDelayText(std::string_view text);

    // "Measure". Returns when the run is over (or did not start).
    void Measure();
    // The Cancel button: the reading in progress finishes and no other starts; a pause between
    // readings ends at once.
    void RequestCancel();
    // The program is closing: the run ends now, without further requests or messages.
    void Abort();
    bool IsMeasuring() const { return m_running; }

    // The title: string 236 with the test mode, board, sensor, time and area (and the averaging in
    // PWM mode); during a run followed by " - Measurement is started".
    std::string IdleTitle() const;
    std::string Title() const { return m_running ? IdleTitle() + runningSuffix() : IdleTitle(); }
    // Record flags for the present choices and boxes.
    std::uint16_t RecordFlags(const StabilityChoice& choice) const;

    // --- results ---
    const std::vector<CBlinkData>& Readings() const { return m_readings; }
    int DurationMs() const { return m_durationMs; }
    // A loaded report replaces readings, count and duration.
    void Replace(std::vector<CBlinkData> readings, int readingCount, int durationMs);
    void ClearReadings() { m_readings.clear(); }
    // The requests of the last run, in order (tests, the command-line tool's details).
    const std::vector<Request>& SentRequests() const { return m_sent; }

    // Reads what has arrived (the bytes-arrived callback while a run holds the port).
    void ReadArrived();
    // Reads only on the 10 ms tick, as a polled port does, instead of as bytes arrive. For
    // comparisons (the benchmark); the program never sets it.
    void SetTickOnly(bool on) { m_tickOnly = on; }

private:
    static std::string runningSuffix();
    bool Exchange(Request request);
    void StartTicks();
    void StopTicks();
    void OnTick();
    void Take(AwaitedReply::Step step);
    void HandleComplete();
    void EndAwaited();
    void FailAwaited(StringId message);
    void Tell(StringId message);
    bool Pause();
    std::optional<std::int64_t> Now();
    void HoldPort();
    void ReleasePort();
    // Controls back, flags cleared, title restored.
    void GiveBack();
    // A failed step: its message (the records so far stay), then the controls back.
    void EndFailed(std::optional<StringId> message);

    Scheduler& m_scheduler;
    CSeriell& m_port;
    Dialogs& m_dialogs;
    CGlobal& m_log;
    Clock& m_clock;
    StabilityRunView& m_view;
    std::function<StabilityChoice()> m_choice;
    std::function<int()> m_firmwareSource;
    bool m_loggingOn;
    std::function<void()> m_returnPort;
    std::function<bool()> m_portBusy;
    DeviceExchange m_exchange;

    int m_readingCount = 1;
    int m_delayMs = 0;
    int m_averaging = 0;

    Scheduler::TimerId m_tickTimer = 0;
    Scheduler::TimerId m_pauseTimer = 0;
    bool m_running = false;
    bool m_cancelRequested = false;
    bool m_aborted = false;
    AwaitedReply m_reply {m_exchange, m_log, m_loggingOn};
    bool m_replyOk = false;
    bool m_pausing = false;
    bool m_tickOnly = false;
    Kind m_kind = Kind::None;
    int m_firmware = 0;
    std::vector<CBlinkData> m_readings;
    std::vector<Request> m_sent;
    int m_durationMs = 0;
};

// The requests of the run's parts, exactly as they are written.
std::string stabilitySetUserTime(int userTimeMs, int board);
std::string stabilitySetCapTime(int timeCode, int areaCode, int sensor, int board);
std::string stabilitySetAverage(int factor, int board);
std::string stabilityCapture(int timeCode, int areaCode, int sensor, int board);
std::string stabilityCapturePwm(int factor, int sensor, int board);
// "getrgbi", "gethsi", "getxy" for one sensor.
std::string stabilityRead(std::string_view word, int sensor, int board);

} // namespace lumivex
