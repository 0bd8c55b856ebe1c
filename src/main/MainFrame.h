#pragma once

#include "app/Startup.h"
#include "base/AtomicFile.h"
#include "base/Clock.h"
#include "device/CSeriell.h"
#include "device/ComPortSwitch.h"
#include "foundation/CGlobal.h"
#include "main/MeasurementListAdapter.h"
#include "main/MeasurementSequencer.h"
#include "main/ResultView.h"
#include "main/SequencerLinks.h"
#include "main/TestConfiguration.h"
#include "multisensor/MeasurementRun.h"
#include "multisensor/MeasurementRunView.h"
#include "multisensor/ReadingLists.h"
#include "multisensor/SensorSettingsList.h"
#include "stability/StabilityRun.h"

#include <functional>
#include <memory>
#include <string>

namespace lumivex {

class Dialogs;
class Scheduler;
class SerialBackend;

// Which menu items are enabled and checked; items that are never offered are simply absent.
struct MenuState {
    int checkedChart = 1; // 1 "HSI Color Wheel", 2 "RGB Color Palette", 3 "XY Chart (White LED's)"
    bool connect = true; // "Connect Lumivex"
    bool disconnect = false; // "Disconnect Lumivex"
    bool startTest = false;
    bool resetBoard = false;
    bool measurements = true; // "Measurements"
    bool measurementSettings = true;
    bool openColourReport = true;
    bool saveColourReport = true;
    bool startStability = true;
    bool openStabilityReport = true;
};

// The measurement list's window, when it is open; the run reports to nobody otherwise.
class RunViewRelay : public MeasurementRunView {
public:
    void SetTarget(MeasurementRunView* target) { m_target = target; }
    void ShowTitle(const std::string& title) override;
    void EnablePerform(bool enabled) override;
    void ShowProgress(int position, int count) override;
    void FillRows() override;

private:
    MeasurementRunView* m_target = nullptr;
};

// The stability window, when it is open.
class StabilityViewRelay : public StabilityRunView {
public:
    void SetTarget(StabilityRunView* target) { m_target = target; }
    void ShowTitle(const std::string& title) override;
    void ShowRunning(bool running) override;
    void ReadingsCleared() override;
    void ReadingTaken(int number, int count) override;
    void RunEnded(bool completed) override;

private:
    StabilityRunView* m_target = nullptr;
};

// What the main window owns and does, without its widgets: the port and its switch, the log,
// the settings, the test configuration, the result display and the request engine, the sensor
// settings, the readings and the measurement list's run, wired together; the start-up order, the
// menu rules and the ways the program ends. The Qt window and the command-line tool drive it; the
// modeless windows plug into its links.
class MainFrame {
public:
    MainFrame(Scheduler& scheduler, SerialBackend& backend, Dialogs& dialogs);
    ~MainFrame();
    MainFrame(const MainFrame&) = delete;
    MainFrame& operator=(const MainFrame&) = delete;

    // Start-up: settings located and loaded, the log opened with its start line, the test
    // configuration and the display set up from the settings, the port's input purged and the
    // 10 ms timer started.
    void Initialise(const IniSearchInput& search);
    void Initialise(const IniLocation& location);
    // A log file for this run instead of the settings' one; given before Initialise.
    void SetLogFile(std::string path) { m_logFile = std::move(path); }
    // The end: the timer stopped, the window position recorded, every setting saved. Returns
    // false when the settings file could not be written.
    FileWriteResult Finish(int windowX, int windowY);

    // Menu items, recomputed whenever a menu opens.
    MenuState Menu() const;
    // The Enter key (the dialog's OK): true when the window should ask string 217 before it
    // closes; while connected it does nothing at all (`ignored` is set).
    bool EnterAsksToClose(bool& ignored) const;
    bool Connected() const { return !m_sequencer->DisconnectedShown(); }

    // Menu commands that toggle the connection only in the matching state.
    void MenuConnect();
    void MenuDisconnect();
    // View menu: the chart choice (1..3), kept as "SelChart".
    void SelectChart(int choice);

    StartupState& State() { return m_state; }
    const StartupState& State() const { return m_state; }
    CGlobal& Log() { return m_log; }
    CSeriell& Port() { return m_port; }
    ComPortSwitch& PortSwitch() { return m_portSwitch; }
    TestConfiguration& Config() { return *m_config; }
    ResultView& View() { return m_view; }
    MeasurementSequencer& Sequencer() { return *m_sequencer; }
    const MeasurementSequencer& Sequencer() const { return *m_sequencer; }
    SensorSettingsList& SensorSettings() { return m_sensorSettings; }
    ReadingLists& Readings() { return m_readings; }
    const ReadingLists& Readings() const { return m_readings; }
    MeasurementRun& Run() { return *m_run; }
    StabilityPortGuard& Stability() { return m_stability; }
    StabilityRun& StabilityAnalysis() { return *m_stabilityRun; }
    // What the stability run addresses and how it captures: the main window's choices.
    StabilityChoice CurrentStabilityChoice() const;
    // The stability window (null: none) sees what its run shows.
    void SetStabilityView(StabilityRunView* view) { m_stabilityView.SetTarget(view); }
    // A loaded stability report's LED (board and LED), test mode, range and user area become the
    // main window's choices, as its next measurement uses them. An LED on a board the device does
    // not have leaves board and LED as they are.
    void ApplyStabilitySetup(const StabilitySetup& setup);
    // The main window's test choices changed: the open stability window refreshes.
    std::function<void()> stabilityChoicesChanged;

    // "Perform measurement": the value groups and the firmware handed to the readings first.
    void PerformMeasurement();
    // The main window's value-group flags become the settings' "CheckRGB", "CheckHSI", "CheckXY"
    // (what the run reads) and, with the firmware, the readings' checks. Called whenever a flag
    // changes and before each run.
    void SyncReadingChecks();
    // The measurement list's window (null: none) sees what the run shows.
    void SetRunView(MeasurementRunView* view) { m_runView.SetTarget(view); }

    // Shown flags of the modeless windows (set by their windows).
    bool measurementListShown = false;
    bool settingsListShown = false;
    bool stabilityShown = false;

    // Test menu "Measurements" and "Measurement settings", before the window opens: the button's
    // log line and, when no list exists yet (no device connected so far), one board's worth of
    // rows and default settings. The value groups are handed to the readings, since the columns
    // are fixed when the window opens.
    void PrepareMeasurementList();
    void PrepareSettingsList();

    // Set by the window that shows the lists. `listsChanged`: the lists were rebuilt (a new board
    // count) or the main window's test stored a row or reset a board's settings: fill the shown
    // windows again. `settingsChanged`: the settings records changed (loaded, read back from the
    // device): the list of settings refills. `valueGroupsChanged`: "CheckRGB", "CheckHSI" or
    // "CheckXY" changed: a shown list of measurements is built again with its new columns.
    std::function<void()> listsChanged;
    std::function<void()> settingsChanged;
    std::function<void()> valueGroupsChanged;

private:
    void Wire();

    Scheduler& m_scheduler;
    Dialogs& m_dialogs;
    CGlobal m_log;
    std::string m_logFile;
    CSeriell m_port;
    StartupState m_state;
    ComPortSwitch m_portSwitch;
    ResultView m_view;
    RunViewRelay m_runView;
    SensorSettingsList m_sensorSettings;
    ReadingLists m_readings;
    StabilityPortGuard m_stability;
    SchedulerClock m_clock;
    StabilityViewRelay m_stabilityView;
    std::unique_ptr<StabilityRun> m_stabilityRun;
    std::unique_ptr<TestConfiguration> m_config;
    // Made once the settings are loaded; the engine is destroyed first, the run after it.
    std::unique_ptr<MeasurementRun> m_run;
    std::unique_ptr<MeasurementListAdapter> m_list;
    std::unique_ptr<MeasurementSequencer> m_sequencer;
};

} // namespace lumivex
