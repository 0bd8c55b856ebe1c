#pragma once

#include "base/Scheduler.h"
#include "device/AwaitedReply.h"
#include "device/DeviceExchange.h"
#include "multisensor/CKonfList.h"
#include "multisensor/RunPlan.h"

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace lumivex {

class CGlobal;
class CSeriell;
class Dialogs;
class MeasurementRunView;
class ReadingLists;
class SensorSettingsList;
enum class StringId : int;
struct Settings;

// The measurement list's run: sends the pending sensor settings, switches the pass/fail outputs
// off, captures, reads every sensor taking part, compares with the reference and signals the
// result on the outputs. One request at a time through its own exchange on the shared port;
// each reply is read as its bytes arrive and the tick budgets are counted by a 10 ms timer that
// exists only during a run. Waits pump the scheduler.
//
// The port: while a run is active the run holds the backend's bytes-arrived callback (the main
// window's engine keeps off the port while IsMeasuring() is true, so nothing else reads); at the
// end it hands the callback back through Links::returnPort. A run does not start while the main
// window's own request is outstanding (SetBusy).
class MeasurementRun {
public:
    static constexpr int kTickMs = 10;
    static constexpr int kInputPollMs = 50;

    struct Links {
        Scheduler& scheduler;
        CSeriell& port;
        Dialogs& dialogs;
        CGlobal& log;
        // "CheckRGB", "CheckHSI", "CheckXY" and "NoChangeXYOffset", read when a run starts.
        const Settings& settings;
        SensorSettingsList& sensorSettings;
        ReadingLists& readings;
        MeasurementRunView& view;
        // The connected device's firmware number (0: not known).
        std::function<int()> firmware;
        bool loggingOn = true;
        // Every chunk read, before anything looks at it (the serial debug file).
        DeviceExchange::Recorder recorder = {};
        // Gives the bytes-arrived callback back to the port's owner at the end of a run; without
        // it the callback is cleared.
        std::function<void()> returnPort = {};
        // The "InputIO<digit>" messages the port's owner read while it held the callback: the input
        // poll looks at them as at its own.
        std::function<std::vector<std::string>()> setAside = {};
    };

    // How the last PerformMeasurement ended.
    enum class RunEnd {
        NotStarted, // port closed, no sensors, or the main window's reply outstanding
        Failed, // settings, outputs, capture or read failed, or the run was cancelled
        Measured, // every sensor taking part was read (and compared, when a reference is loaded)
    };

    explicit MeasurementRun(Links links);
    ~MeasurementRun();
    MeasurementRun(const MeasurementRun&) = delete;
    MeasurementRun& operator=(const MeasurementRun&) = delete;

    // "Perform measurement". Returns when the run is over (or did not start).
    void PerformMeasurement();

    // The run holds the port.
    bool IsMeasuring() const { return m_running; }
    // The main window marks its own requests; no run starts while one is outstanding.
    void SetBusy(bool busy) { m_busy = busy; }
    bool Busy() const { return m_busy; }
    // Ends a run at once, without further requests or messages (the program is closing).
    void Cancel();
    // Reads what has arrived. Called on the bytes-arrived callback while a run holds it; an owner
    // that keeps the callback may forward to it instead.
    void ReadArrived();
    // Reads only on the 10 ms tick, as a polled port does, instead of as bytes arrive. For
    // comparisons (the benchmark); the program never sets it.
    void SetTickOnly(bool on) { m_tickOnly = on; }

    // The window opened: the device's input is watched for the start signal every 50 ms while the
    // firmware has it (0 or 2002 on), the port is open and sensors are known; signals that came
    // before are dropped. Closed: no more.
    void StartInputPoll();
    void StopInputPoll();
    // An "InputIO<digit>" message, read here or by whoever held the port then; the digit 2 starts
    // a run while none is active.
    void HandleInputMessage(const std::string& line);
    // The digit of the last input message (0 after each poll).
    int InputNumber() const { return m_inputNumber; }

    // The window's OK or close box: while a run is active it is refused with message 197.
    bool ConfirmClose();
    // The window is destroyed: both outputs off, whatever the device answers.
    void SwitchOutputsOffOnClose();

    // Set by a negative x or y read; the end of a completed run warns and clears it.
    bool XyWarning() const { return m_xyWarning; }
    void SetXyWarning(bool on) { m_xyWarning = on; }

    // --- state the window and the tests read ---
    bool Awaiting() const { return m_reply.Awaiting(); }
    const CapturePlan& LastPlan() const { return m_plan; }
    // The requests of the last run, in order, with their kinds and budgets.
    const std::vector<RunRequest>& LastRunRequests() const { return m_sent; }
    const std::string& Title() const { return m_title; }
    RunEnd LastEnd() const { return m_lastEnd; }
    // Runs that took the port since this object was made (the line station counts its results).
    int RunCount() const { return m_runCount; }

private:
    // Sends one request and pumps until its reply is accepted, refused or timed out. True when
    // it was accepted.
    bool Exchange(const RunRequest& request);
    void OnTick();
    void Take(AwaitedReply::Step step);
    void HandleComplete();
    void StoreTexts(const ReadingTexts& texts);
    void EndAwaited();
    // A failed reply: the awaited request ends with the message.
    void FailAwaited(StringId message);
    void Tell(StringId message);
    void ShowTitle(StringId suffix);
    void ShowBaseTitle();

    bool SendSettings(const std::vector<CKonfList>& sensors);
    struct OutputState {
        int output;
        bool on;
    };
    bool SwitchOutputs(std::initializer_list<OutputState> states);
    bool Capture(const std::vector<const CKonfList*>& sensors);
    bool ReadAll(const std::vector<CKonfList>& sensors);
    // Rows filled, pass/fail signalled, the port handed back.
    void EndRun(bool measured);
    // A run that ends before its capture: nothing of the readings changed.
    void EndFailed();
    void Finish();
    // The run takes the port's bytes-arrived callback and starts its tick timer; Release undoes it.
    void HoldPort();
    void ReleasePort();
    void OnInputPoll();
    int CurrentFirmware() const { return m_firmwareSource ? m_firmwareSource() : 0; }

    Scheduler& m_scheduler;
    CSeriell& m_port;
    Dialogs& m_dialogs;
    CGlobal& m_log;
    const Settings& m_settings;
    SensorSettingsList& m_sensorSettings;
    ReadingLists& m_readings;
    MeasurementRunView& m_view;
    std::function<int()> m_firmwareSource;
    bool m_loggingOn;
    std::function<void()> m_returnPort;
    std::function<std::vector<std::string>()> m_setAside;
    DeviceExchange m_exchange;

    Scheduler::TimerId m_timer = 0;
    Scheduler::TimerId m_pollTimer = 0;
    int m_inputNumber = 0;
    bool m_running = false;
    RunEnd m_lastEnd = RunEnd::NotStarted;
    int m_runCount = 0;
    bool m_busy = false;
    bool m_tickOnly = false;
    bool m_cancelled = false;
    bool m_timedOut = false; // a reply of this run never came: the outputs are left alone
    AwaitedReply m_reply {m_exchange, m_log, m_loggingOn};
    bool m_replyOk = false;
    ListReply m_kind = ListReply::None;
    int m_firmware = 0; // of the run in progress
    bool m_xyWarning = false;
    CapturePlan m_plan;
    // The sensor being read, as it was when the run began, and its offsets read so far.
    CKonfList m_context;
    std::string m_xOffsetText;
    std::string m_yOffsetText;
    std::string m_title;
    std::vector<RunRequest> m_sent;
};

} // namespace lumivex
