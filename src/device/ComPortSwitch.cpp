#include "device/ComPortSwitch.h"

#include "base/Dialogs.h"
#include "device/CSeriell.h"
#include "foundation/StringTable.h"

#include <cstdio>

namespace lumivex {

ComPortSwitch::ComPortSwitch(CSeriell& port, Dialogs& dialogs, StatusLine statusLine)
    : m_port(port), m_dialogs(dialogs), m_statusLine(std::move(statusLine))
{
}

ComPortSwitch::~ComPortSwitch()
{
    CloseDebugFile();
}

void ComPortSwitch::ShowStatus(const std::string& text)
{
    m_statusText = text;
    if (m_statusLine)
        m_statusLine(text);
}

bool ComPortSwitch::AcceptsPortName(const std::string& name) const
{
    return name.compare(0, 3, "COM") == 0 || m_port.Backend().isPortName(name);
}

int ComPortSwitch::SwitchComPort(int mode, const PortSettings& settings)
{
    if (mode == 0) {
        if (m_port.IsOpen())
            m_port.ClosePort();
        m_portClosed = true;
        ShowStatus(std::string(stringText(StringId::ComPortNotOpen)));
        CloseDebugFile();
        return 1;
    }
    if (mode != 1 || !m_portClosed)
        return 1;

    const std::string& name = settings.comPort;
    if (name.size() < 3) {
        m_dialogs.problem(CSeriell::ProblemText(StringId::NoComPortEntry));
        ShowStatus(std::string(stringText(StringId::NoComPortEntry)));
        return 0;
    }
    if (!AcceptsPortName(name)) {
        if (m_port.IsOpen())
            m_port.ClosePort();
        ShowStatus(std::string(stringText(StringId::WrongComPortNumber)));
        return 0;
    }
    const auto rate = static_cast<std::uint32_t>(settings.baudrate);
    if (m_port.IsOpen()) {
        if (m_port.PortName() == name && m_port.BaudRate() == rate)
            return 1;
        m_port.ClosePort();
    }
    m_port.SetPortName(name);
    if (!m_port.OpenPort()) {
        std::string status(stringText(StringId::CannotOpenComPort));
        // The message stays as it is; the port and the reason follow on a line of their own.
        if (!m_port.OpenFailureLine().empty())
            status += "\n" + m_port.OpenFailureLine();
        ShowStatus(status);
        return 0;
    }
    m_port.SetBaudRateValue(rate);
    m_port.SetBaudRate(rate);
    m_portClosed = false;

    char status[256];
    std::snprintf(status, sizeof status, std::string(stringText(StringId::ComPortActive)).c_str(), name.c_str(),
        static_cast<long>(settings.baudrate));
    ShowStatus(status);

    if (settings.serialDebugFile && !settings.serialDebugFilePath.empty() && !m_debugFile)
        m_debugFile = std::fopen(settings.serialDebugFilePath.c_str(), "wb+");
    return 1;
}

void ComPortSwitch::RecordReceived(const char* data, std::size_t size)
{
    if (!m_debugFile || size == 0)
        return;
    std::fwrite(data, 1, size, m_debugFile);
    // Flushed at once so that the record survives a crash, which is when it is wanted most.
    std::fflush(m_debugFile);
}

void ComPortSwitch::CloseDebugFile()
{
    if (m_debugFile) {
        std::fclose(m_debugFile);
        m_debugFile = nullptr;
    }
}

} // namespace lumivex
