#include "main/MainFrame.h"

#include "base/Dialogs.h"
#include "device/ReplyRules.h"
#include "foundation/StringTable.h"

#include <algorithm>

namespace lumivex {

void RunViewRelay::ShowTitle(const std::string& title)
{
    if (m_target)
        m_target->ShowTitle(title);
}

void RunViewRelay::EnablePerform(bool enabled)
{
    if (m_target)
        m_target->EnablePerform(enabled);
}

void RunViewRelay::ShowProgress(int position, int count)
{
    if (m_target)
        m_target->ShowProgress(position, count);
}

void RunViewRelay::FillRows()
{
    if (m_target)
        m_target->FillRows();
}

void StabilityViewRelay::ShowTitle(const std::string& title)
{
    if (m_target)
        m_target->ShowTitle(title);
}

void StabilityViewRelay::ShowRunning(bool running)
{
    if (m_target)
        m_target->ShowRunning(running);
}

void StabilityViewRelay::ReadingsCleared()
{
    if (m_target)
        m_target->ReadingsCleared();
}

void StabilityViewRelay::ReadingTaken(int number, int count)
{
    if (m_target)
        m_target->ReadingTaken(number, count);
}

void StabilityViewRelay::RunEnded(bool completed)
{
    if (m_target)
        m_target->RunEnded(completed);
}

MainFrame::MainFrame(Scheduler& scheduler, SerialBackend& backend, Dialogs& dialogs)
    : m_scheduler(scheduler),
      m_dialogs(dialogs),
      m_port(backend, dialogs),
      m_portSwitch(m_port, dialogs, {}),
      m_view([this] { return m_state.settings.comPort; }),
      m_sensorSettings(dialogs, DeviationSettings {}),
      m_readings(dialogs),
      m_clock(scheduler)
{
}

MainFrame::~MainFrame()
{
    if (m_stabilityRun)
        m_stabilityRun->Abort();
    if (m_run) {
        m_run->Cancel();
        m_run->StopInputPoll();
    }
    if (m_sequencer) {
        m_sequencer->Shutdown();
        m_sequencer->Stop();
    }
}

void MainFrame::Initialise(const IniSearchInput& search)
{
    Initialise(locateIni(search, m_dialogs));
}

void MainFrame::Initialise(const IniLocation& location)
{
    m_state = startApplication(location, m_log, m_port.Log(), m_logFile);
    m_config = std::make_unique<TestConfiguration>(m_state.settings);
    m_sensorSettings.setDeviationSettings(DeviationSettings::fromSettings(m_state.settings));
    const int chart = m_state.settings.selChart;
    m_view.Display().SetCurrentChart(static_cast<ChartChoice>(chart >= 1 && chart <= 3 ? chart : 1));
    m_view.ShowConnectionState(false);
    Wire();
    m_sequencer->Start();
}

void MainFrame::Wire()
{
    auto firmware = [this] { return m_sequencer ? m_sequencer->FirmwareNumber() : 0; };
    MeasurementRun::Links run {m_scheduler, m_port, m_dialogs, m_log, m_state.settings, m_sensorSettings, m_readings,
        m_runView, firmware, m_state.loggingOn};
    run.recorder = [this](const char* data, std::size_t size) { m_portSwitch.RecordReceived(data, size); };
    run.returnPort = [this] {
        if (m_sequencer)
            m_sequencer->ReclaimPort();
        else
            m_port.Backend().setBytesArrivedCallback({});
    };
    run.setAside = [this] { return m_sequencer ? m_sequencer->TakeUnsolicited() : std::vector<std::string> {}; };
    m_run = std::make_unique<MeasurementRun>(std::move(run));
    m_list = std::make_unique<MeasurementListAdapter>(
        MeasurementListAdapter::Links {*m_run, m_readings, m_sensorSettings, *m_config, firmware, [this] {
                                           if (listsChanged)
                                               listsChanged();
                                       }});
    m_sensorSettings.setSettingsChangedHandler([this] {
        if (settingsChanged)
            settingsChanged();
    });
    StabilityRun::Links stability {m_scheduler, m_port, m_dialogs, m_log, m_clock, m_stabilityView,
        [this] { return CurrentStabilityChoice(); }, firmware, m_state.loggingOn};
    stability.recorder = [this](const char* data, std::size_t size) { m_portSwitch.RecordReceived(data, size); };
    stability.returnPort = [this] {
        if (m_sequencer)
            m_sequencer->ReclaimPort();
        else
            m_port.Backend().setBytesArrivedCallback({});
    };
    stability.portBusy = [this] { return m_sequencer && (m_sequencer->ReplyAwaited() || m_sequencer->ChainRunning()); };
    m_stabilityRun = std::make_unique<StabilityRun>(std::move(stability));
    m_stabilityRun->SetInitialSettings(m_state.settings.readings, m_state.settings.delay, m_state.settings.average);
    m_stability.runMeasuring = [this] { return m_stabilityRun->IsMeasuring(); };
    m_config->refreshStability = [this] {
        // In PWM mode the main window's option list is the averaging factor.
        if (m_config->testMode == kPwmCapture)
            m_stabilityRun->SetAveraging(m_config->stabilityAveragingFactor);
        if (stabilityChoicesChanged)
            stabilityChoicesChanged();
    };
    m_sequencer = std::make_unique<MeasurementSequencer>(MeasurementSequencer::Links {
        m_scheduler, m_port, m_portSwitch, m_state, m_log, m_dialogs, *m_config, m_view, *m_list, m_stability});
    m_config->valueGroupsChanged = [this] {
        SyncReadingChecks();
        if (valueGroupsChanged)
            valueGroupsChanged();
    };
    SyncReadingChecks();
}

void MainFrame::SyncReadingChecks()
{
    if (!m_config)
        return;
    Settings& settings = m_state.settings;
    settings.checkRgb = m_config->checkRgb ? 1 : 0;
    settings.checkHsi = m_config->checkHsi ? 1 : 0;
    settings.checkXy = m_config->checkXy ? 1 : 0;
    m_readings.setChecks(
        {m_config->checkRgb, m_config->checkHsi, m_config->checkXy, m_sequencer ? m_sequencer->FirmwareNumber() : 0});
}

void MainFrame::PerformMeasurement()
{
    if (!m_run)
        return;
    SyncReadingChecks();
    m_run->PerformMeasurement();
}

void MainFrame::PrepareMeasurementList()
{
    m_log.WriteLog(9, ">>> BUTTON Messsungen");
    if (m_readings.sensorCount() == 0)
        m_readings.CreateEmptyReadings(5);
    if (m_sensorSettings.settingsCount() == 0)
        m_sensorSettings.CreateDefaultSettings(5);
    SyncReadingChecks();
}

void MainFrame::PrepareSettingsList()
{
    m_log.WriteLog(9, ">>> BUTTON Messsungen");
    if (m_sensorSettings.settingsCount() == 0)
        m_sensorSettings.CreateDefaultSettings(5);
}

StabilityChoice MainFrame::CurrentStabilityChoice() const
{
    StabilityChoice choice;
    if (!m_config)
        return choice;
    const TestConfiguration& c = *m_config;
    // The board chosen in the main window counts: the run addresses the LED the user sees chosen.
    choice.ledIndex = c.ledIndex < 0 || c.boardNumber < 1 ? -1 : 5 * (c.boardNumber - 1) + c.ledIndex;
    choice.testMode = c.testMode;
    choice.rangeIndex = c.stabilityRangeIndex;
    choice.userTimeMs = c.userTime;
    choice.userArea = c.userArea == 1 ? 1 : 0;
    choice.checkRgb = c.checkRgb;
    choice.checkHsi = c.checkHsi;
    choice.checkXy = c.checkXy;
    return choice;
}

void MainFrame::ApplyStabilitySetup(const StabilitySetup& setup)
{
    if (!m_config)
        return;
    TestConfiguration& c = *m_config;
    const int board = setup.ledIndex >= 0 ? setup.ledIndex / 5 : -1;
    if (board >= 0 && board < static_cast<int>(c.boardList.size())) {
        c.OnBoardChanged(board);
        c.OnLedChanged(setup.ledIndex % 5);
    }
    const bool knownRange
        = setup.rangeIndex >= 0 && setup.rangeIndex < static_cast<int>(TestConfiguration::kRangeTexts.size());
    if (setup.testMode == kPwmCapture) {
        // PWM captures with the range remembered from manual mode.
        c.OnTestModeChanged(kManualCapture);
        if (knownRange)
            c.OnOptionChanged(setup.rangeIndex);
        c.OnTestModeChanged(kPwmCapture);
        c.OnOptionChanged(std::clamp(setup.averaging, 0, TestConfiguration::kPwmFactors - 1));
    } else if (setup.testMode == kManualCapture) {
        c.OnTestModeChanged(kManualCapture);
        if (knownRange)
            c.OnOptionChanged(setup.rangeIndex);
    } else if (setup.testMode == kUserCapture) {
        c.OnTestModeChanged(kUserCapture);
        c.OnArea(setup.userArea);
    }
}

FileWriteResult MainFrame::Finish(int windowX, int windowY)
{
    if (m_stabilityRun) {
        m_stabilityRun->Abort();
        m_state.settings.readings = m_stabilityRun->readingCount();
        m_state.settings.delay = m_stabilityRun->delayMs();
        m_state.settings.average = m_stabilityRun->averaging();
    }
    if (m_run) {
        m_run->Cancel();
        m_run->StopInputPoll();
    }
    if (m_sequencer)
        m_sequencer->Stop();
    m_state.settings.lumivexPosX = windowX;
    m_state.settings.lumivexPosY = windowY;
    if (m_config)
        m_config->StoreInto(m_state.settings);
    return saveSettingsAtEnd(m_state);
}

MenuState MainFrame::Menu() const
{
    MenuState menu;
    menu.checkedChart = m_state.settings.selChart;
    const bool connected = !m_portSwitch.PortClosed();
    menu.connect = !connected;
    menu.disconnect = connected;

    const int firmware = m_sequencer ? m_sequencer->FirmwareNumber() : 0;
    menu.startTest = m_sequencer && m_sequencer->StartEnabled();
    menu.resetBoard = firmware >= kFirmwareWideCounts && !stabilityShown && menu.startTest;

    menu.measurements = !stabilityShown;
    menu.measurementSettings = !stabilityShown;
    menu.openColourReport = !stabilityShown;
    menu.saveColourReport = !stabilityShown;
    menu.startStability = !measurementListShown;
    menu.openStabilityReport = !measurementListShown;
    return menu;
}

bool MainFrame::EnterAsksToClose(bool& ignored) const
{
    ignored = !m_portSwitch.PortClosed();
    return !ignored;
}

void MainFrame::MenuConnect()
{
    if (m_portSwitch.PortClosed())
        m_sequencer->OnConnectButton();
}

void MainFrame::MenuDisconnect()
{
    if (!m_portSwitch.PortClosed())
        m_sequencer->OnConnectButton();
}

void MainFrame::SelectChart(int choice)
{
    if (choice < 1 || choice > 3)
        return;
    m_state.settings.selChart = static_cast<std::int16_t>(choice);
    m_view.Display().SelectChart(static_cast<ChartChoice>(choice));
}

} // namespace lumivex
