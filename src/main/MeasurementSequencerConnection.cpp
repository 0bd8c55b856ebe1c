#include "app/Startup.h"
#include "base/Dialogs.h"
#include "device/CSeriell.h"
#include "device/ProtocolLog.h"
#include "device/ReplyCollector.h"
#include "device/ReplyDecode.h"
#include "device/ReplyRules.h"
#include "device/SendCommandText.h"
#include "foundation/CGlobal.h"
#include "foundation/StringTable.h"
#include "main/MeasurementSequencer.h"
#include "main/TestConfiguration.h"
#include <algorithm>
#include <chrono>

namespace lumivex {

// Connecting and disconnecting (with the search for the device's port), and the hand-overs of
// the port to the configuration dialog, the terminal and the end of the program.

void MeasurementSequencer::OnConnectButton()
{
    if (!m_portSwitch.PortClosed())
        Disconnect();
    else
        Connect();
}

void MeasurementSequencer::Disconnect()
{
    ClosePortEndingChain();
    ShowConnectionState(false);
}

void MeasurementSequencer::Connect()
{
    if (m_shutDown)
        return;
    m_chainFailed = false;
    if (m_state.settings.comPort == "Auto") {
        m_detecting = true;
        const int found = AutoDetectPort();
        m_detecting = false;
        if (!found) {
            m_chainFailed = true;
            return;
        }
    }
    m_port.Purge(kPurgeInput);
    m_hardwareText.clear();
    // A fresh chain: nothing of an earlier request is awaited any more.
    EndAwaited();
    SetChain(false);
    const int opened = m_portSwitch.SwitchComPort(1, CurrentPortSettings());
    ShowStatus(m_portSwitch.StatusText());
    if (!opened) {
        m_chainFailed = true;
        return;
    }
    m_connecting = true;
    if (!SendRequest(DeviceCommand::GetHw, "gethw\r")) {
        ConnectionFailed();
        return;
    }
    if (WaitForReply() && SendDeviceCommand(DeviceCommand::Testcon)) {
        SetChain(true);
    } else if (m_connecting) {
        ConnectionFailed();
    } else if (m_portSwitch.PortClosed()) {
        ShowConnectionState(false);
    }
}

int MeasurementSequencer::AutoDetectPort()
{
    auto closeAfterTimeout = [this] {
        m_portSwitch.SwitchComPort(0, CurrentPortSettings());
        ShowStatus(m_portSwitch.StatusText());
    };
    auto probe = [this, &closeAfterTimeout] {
        if (m_shutDown)
            return false;
        m_port.Purge(kPurgeInput);
        if (!m_replyAwaited && SendRequest(DeviceCommand::GetHw, "gethw\r") && WaitForReply())
            return true;
        closeAfterTimeout();
        return false;
    };

    if (m_port.IsOpen())
        m_port.ClosePort();
    const int opened = m_portSwitch.SwitchComPort(1, CurrentPortSettings());
    ShowStatus(m_portSwitch.StatusText());
    if (opened) {
        m_port.Purge(kPurgeOutput);
        if (probe())
            return 1;
    }
    // Every serial port the platform lists, in order, instead of COM1 to COM255.
    for (const auto& name : m_port.Backend().availablePorts()) {
        if (!m_portSwitch.PortClosed() || m_shutDown)
            break;
        if (m_port.IsOpen())
            m_port.ClosePort();
        m_port.SetPortName(name);
        m_state.settings.comPort = name;
        if (!m_port.OpenPort())
            continue;
        m_port.ClosePort();
        const int reopened = m_portSwitch.SwitchComPort(1, CurrentPortSettings());
        ShowStatus(m_portSwitch.StatusText());
        if (reopened && probe())
            return 1;
    }
    if (m_portSwitch.PortClosed()) {
        m_state.settings.comPort = "Auto";
        return 0;
    }
    return 1;
}

// ---------------------------------------------------------------- hand-overs

void MeasurementSequencer::BeforeConfiguration()
{
    if (m_portSwitch.PortClosed() || m_replyAwaited)
        return;
    if (SendDeviceCommand(DeviceCommand::GetUserTime))
        WaitForReply();
}

void MeasurementSequencer::AfterConfiguration(bool accepted, const std::string& oldPort, int oldRate)
{
    if (!accepted)
        return;
    if (m_state.settings.comPort != oldPort || m_state.settings.baudrate != oldRate) {
        ClosePortEndingChain();
        ShowConnectionState(false);
    }
}

void MeasurementSequencer::BeforeTerminal()
{
    m_terminalHadPort = !m_portSwitch.PortClosed();
    m_terminalWasConnected = m_terminalHadPort && !m_disconnectedShown;
    ClosePortEndingChain();
}

void MeasurementSequencer::Shutdown()
{
    m_shutDown = true;
    EndAwaited();
    SetChain(false);
    m_connecting = false;
}

void MeasurementSequencer::AfterTerminal()
{
    if (m_terminalHadPort) {
        const bool reopened = m_portSwitch.SwitchComPort(1, CurrentPortSettings()) == 1;
        ShowStatus(m_portSwitch.StatusText());
        // The tick showed the window disconnected while the terminal had the port; the connection
        // that stood before stands again.
        if (reopened && m_terminalWasConnected)
            ShowConnectionState(true);
    }
    m_terminalHadPort = false;
    m_terminalWasConnected = false;
}

} // namespace lumivex
