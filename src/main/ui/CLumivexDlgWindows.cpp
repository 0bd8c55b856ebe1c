// The windows and dialogs the main window's menu opens: the modeless list of measurements, list
// of settings and stability analysis, the reports, the configuration dialog and the terminal.
#include "main/ui/CLumivexDlg.h"

#include "base/Dialogs.h"
#include "configuration/ConfigurationModel.h"
#include "configuration/ui/CDlgKonfig.h"
#include "controls/ui/UiText.h"
#include "main/ColourTestReport.h"
#include "main/ui/TestConfigPanel.h"
#include "stability/StabilityFiles.h"
#include "terminal/ui/CDlgTerminal.h"

#include <QGuiApplication>
#include <QScreen>

namespace lumivex {

// Each opens its window from the menu; the modeless ones are closed again by the same command.
void CLumivexDlg::openMeasurementList()
{
    if (m_measurementList) {
        closeMeasurementList();
        return;
    }
    m_frame.PrepareMeasurementList();
    Settings& settings = m_frame.State().settings;
    CDlgMessliste::Links links {m_frame.Run(), m_frame.Readings(), m_frame.SensorSettings(), settings, m_dialogs,
        [this] { whileWaiting([this] { m_frame.PerformMeasurement(); }); },
        [this] {
            m_frame.SyncReadingChecks();
            SaveTestReportOfList(m_frame.Readings(), m_frame.State().settings, m_dialogs);
        },
        [this] { return !m_frame.PortSwitch().PortClosed(); }};
    auto* list = new CDlgMessliste(std::move(links), this);
    m_measurementList = list;
    connect(list, &CDlgMessliste::closing, this, [this] {
        m_frame.SetRunView(nullptr);
        m_frame.measurementListShown = false;
        m_measurementList = nullptr;
    });
    m_frame.SetRunView(list);
    m_frame.measurementListShown = true;
    list->adjustSize();
    moveInsideScreen(list, QPoint(settings.messlistPosX, settings.messlistPosY));
    list->show();
}

void CLumivexDlg::closeMeasurementList()
{
    // Refused with message 197 while a run is active; the window stays then.
    if (m_measurementList)
        m_measurementList->CloseAtExit();
    if (m_stabilityWindow)
        m_stabilityWindow->CloseAtExit();
    if (m_settingsList)
        m_settingsList->close();
}

void CLumivexDlg::openMeasurementSettings()
{
    if (m_settingsList) {
        m_settingsList->close();
        return;
    }
    m_frame.PrepareSettingsList();
    Settings& settings = m_frame.State().settings;
    auto* list = new CDlgKonfListe(
        m_frame.SensorSettings(), settings, [this] { return m_frame.Sequencer().FirmwareNumber(); }, m_dialogs, this);
    m_settingsList = list;
    connect(list, &CDlgKonfListe::closed, this, [this] {
        m_frame.settingsListShown = false;
        m_settingsList = nullptr;
        // What was set up there shows in the list of measurements (its hint, its rows).
        if (m_measurementList)
            m_measurementList->FillRows();
    });
    m_frame.settingsListShown = true;
    list->adjustSize();
    moveInsideScreen(list, QPoint(settings.konfListPosX, settings.konfListPosY));
    list->show();
}
void CLumivexDlg::openStabilityAnalysis()
{
    if (m_stabilityWindow) {
        closeStabilityAnalysis();
        return;
    }
    m_frame.Log().WriteLog(9, ">>> BUTTON Start Stability Analysis");
    Settings& settings = m_frame.State().settings;
    CDlgBlink::Links links {m_frame.StabilityAnalysis(), settings, m_dialogs,
        [this] { return m_frame.CurrentStabilityChoice(); }, [this] { return !m_frame.PortSwitch().PortClosed(); },
        [this] { whileWaiting([this] { m_frame.StabilityAnalysis().Measure(); }); },
        [this](const StabilitySetup& setup) {
            m_frame.ApplyStabilitySetup(setup);
            showEverything();
        }};
    auto* window = new CDlgBlink(std::move(links), this);
    m_stabilityWindow = window;
    connect(window, &CDlgBlink::closing, this, [this] {
        m_frame.SetStabilityView(nullptr);
        m_frame.stabilityShown = false;
        m_stabilityWindow = nullptr;
    });
    m_frame.SetStabilityView(window);
    m_frame.stabilityShown = true;
    // Never smaller than its controls and a readable chart need (the stored default is small).
    QSize size = QSize(settings.winSizeX, settings.winSizeY).expandedTo(window->sizeHint());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize() - QSize(kFrameAllowanceWidth, kFrameAllowanceHeight));
    window->resize(size);
    moveInsideScreen(window, QPoint(settings.dlgBlinkPosX, settings.dlgBlinkPosY));
    window->show();
}

void CLumivexDlg::closeStabilityAnalysis()
{
    // During a run this cancels it; the window stays until the run is over.
    if (m_stabilityWindow)
        m_stabilityWindow->close();
}

void CLumivexDlg::openStabilityReport()
{
    ::lumivex::openStabilityReport(m_frame.State().settings, m_dialogs);
}

void CLumivexDlg::openColourTestReport()
{
    OpenColourTestReport(m_frame.State().settings, m_dialogs);
}

void CLumivexDlg::saveColourTestReport()
{
    m_frame.SyncReadingChecks();
    SaveColourTestReport(m_frame.Readings(), m_frame.State().settings, m_dialogs);
}

void CLumivexDlg::openConfiguration()
{
    whileWaiting([this] {
        MeasurementSequencer& sequencer = m_frame.Sequencer();
        sequencer.BeforeConfiguration();
        StartupState& state = m_frame.State();
        const std::string oldPort = state.settings.comPort;
        const int oldRate = state.settings.baudrate;
        // Asked afresh each time: an adapter plugged in since the last time is offered too.
        std::vector<PortEntry> present;
        if (m_portDirectory)
            present = m_portDirectory->presentPorts();
        for (const auto& name : m_frame.Port().Backend().availablePorts())
            present.push_back({name, {}});
        ConfigurationModel model(
            state.settings, state.location.workingFolder, present, m_portDirectory && m_portDirectory->usesComNames());
        bool accepted = false;
        {
            CDlgKonfig dialog(model, m_dialogs, this);
            accepted = dialog.exec() == QDialog::Accepted;
        }
        ConfigurationChanges changes;
        if (accepted)
            changes = model.apply(state.settings, m_frame.Log(), m_frame.Port().Log());
        sequencer.AfterConfiguration(accepted, oldPort, oldRate);
        m_frame.View().PortSettingChanged();
        if (changes.chartTable && m_frame.View().Display().CurrentChart() == ChartChoice::XyChart)
            loadChartImage();
        // The user time the device reported before the dialog opened.
        m_config->showConfiguration();
    });
}

void CLumivexDlg::openTerminal()
{
    // The terminal takes the port for as long as it is open and gives it back: a connection that
    // stood before stands again afterwards.
    whileWaiting([this] {
        MeasurementSequencer& sequencer = m_frame.Sequencer();
        sequencer.BeforeTerminal();
        {
            CDlgTerminal terminal(
                m_scheduler, m_frame.Port(), m_dialogs, TerminalSession::HandedOver(m_frame.State()), this);
            terminal.exec();
        }
        sequencer.AfterTerminal();
    });
}

} // namespace lumivex
