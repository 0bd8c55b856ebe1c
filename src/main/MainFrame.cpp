#include "main/MainFrame.h"

#include "app/StringTable.h"
#include "base/Dialogs.h"
#include "device/ReplyRules.h"

namespace lumivex {

MainFrame::MainFrame(Scheduler& scheduler, SerialBackend& backend, Dialogs& dialogs)
    : m_scheduler(scheduler),
      m_dialogs(dialogs),
      m_port(backend, dialogs),
      m_portSwitch(m_port, dialogs, {}),
      m_view([this] { return m_state.settings.comPort; })
{
}

MainFrame::~MainFrame()
{
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
    m_state = startApplication(location, m_log, m_port.Log());
    m_config = std::make_unique<TestConfiguration>(m_state.settings);
    const int chart = m_state.settings.selChart;
    m_view.Display().SetCurrentChart(static_cast<ChartChoice>(chart >= 1 && chart <= 3 ? chart : 1));
    m_view.ShowConnectionState(false);
    Wire();
    m_sequencer->Start();
}

void MainFrame::Wire()
{
    m_sequencer = std::make_unique<MeasurementSequencer>(MeasurementSequencer::Links {
        m_scheduler, m_port, m_portSwitch, m_state, m_log, m_dialogs, *m_config, m_view, m_list, m_stability});
}

FileWriteResult MainFrame::Finish(int windowX, int windowY)
{
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
