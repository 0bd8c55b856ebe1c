#include "device/CSeriell.h"

#include "base/Dialogs.h"
#include "foundation/StringTable.h"

#include <chrono>
#include <cstdio>

namespace lumivex {

namespace {
constexpr std::uint32_t kPurgeAll = SerialBackend::PurgeTxAbort | SerialBackend::PurgeRxAbort
    | SerialBackend::PurgeTxClear | SerialBackend::PurgeRxClear;
} // namespace

CSeriell::CSeriell(SerialBackend& backend, Dialogs& dialogs)
    : m_backend(backend), m_dialogs(dialogs), m_receiveBuffer(kQueueSize)
{
    // Nothing writes this file any more; an old one is cleared away as it always was.
    std::remove("OUTPUT.TMP");
}

CSeriell::~CSeriell()
{
    if (m_backend.isOpen())
        ClosePort();
}

std::string CSeriell::ProblemText(StringId id)
{
    char text[kProblemTextSize];
    std::snprintf(text, sizeof text, "%s %s\n", std::string(stringText(id)).c_str(), "");
    return text;
}

void CSeriell::Problem(StringId stringId)
{
    m_dialogs.problem(ProblemText(stringId));
}

void CSeriell::SetPortName(const std::string& name)
{
    if (name.empty()) {
        Problem(StringId::CannotOpenComPort);
        return;
    }
    m_portName = name;
}

int CSeriell::OpenPort()
{
    if (m_portName.empty()) {
        Problem(StringId::WrongComPortNumber);
        return 0;
    }
    m_openFailureLine.clear();
    if (!m_backend.open(m_portName)) {
        m_openFailureLine = OpenFailureLine(m_portName, m_backend.lastOpenError());
        return 0;
    }
    m_backend.setQueueSizes(kQueueSize, kQueueSize);
    m_backend.purge(kPurgeAll);
    if (!m_backend.setWriteTimeout(std::chrono::milliseconds(kWriteTimeoutMs)))
        m_dialogs.message(std::string(stringText(StringId::ErrorComTimeout)));
    return 1;
}

std::string CSeriell::OpenFailureLine(const std::string& portName, const SerialBackend::OpenError& error)
{
    using Failure = SerialBackend::OpenFailure;
    std::string reason;
    switch (error.reason) {
    case Failure::None:
        return {};
    case Failure::NotFound:
        reason = "not found (is the device plugged in, is the name right?)";
        break;
    case Failure::PermissionDenied:
        // The usual cause on Linux: serial devices belong to the group "dialout".
        reason = "permission denied (join the 'dialout' group: sudo usermod -aG dialout $USER, then log in again)";
        break;
    case Failure::Busy:
        reason = "busy (another program holds it)";
        break;
    case Failure::Other:
        reason = error.platformText.empty() ? std::string("cannot be opened") : error.platformText;
        break;
    }
    return "Port " + portName + ": " + reason;
}

void CSeriell::SetBaudRate(std::uint32_t rate)
{
    if (!m_backend.isOpen())
        return;
    SerialBackend::LineSettings line;
    line.baudRate = rate;
    const bool ok = m_backend.applyLineSettings(line);
    // A pseudo-terminal has no modem lines; that is no failure of the line settings.
    m_backend.setDtr(false);
    m_backend.setRts(false);
    if (!ok)
        Problem(StringId::ErrorComSettings);
}

void CSeriell::ClosePort()
{
    if (!m_backend.isOpen()) {
        Problem(StringId::ComPortWasNotOpen);
        return;
    }
    m_backend.setDtr(false);
    if (!m_backend.purge(kPurgeAll))
        Problem(StringId::ErrorEmptyingComInterface);
    if (!m_backend.close())
        Problem(StringId::ErrorClosingComInterface);
}

int CSeriell::WriteBlock(std::string_view text)
{
    if (m_backend.write(text.data(), text.size()))
        return 1;
    Problem(StringId::ErrorComWriting);
    if (m_backend.takeErrors() != 0)
        Problem(StringId::ErrorComWritingNotRemedied);
    return 0;
}

std::size_t CSeriell::ReadAvailable()
{
    // A port that hung up still hands over what arrived before and its error, once.
    if (!m_backend.isOpen() && !m_backend.hungUp())
        return 0;
    if (const auto errors = m_backend.takeErrors(); errors != 0 && m_log.IsLogging(6))
        m_log.WriteLog(6, CommErrorLine(errors));
    const std::size_t wanted = std::min<std::size_t>(kQueueSize, m_backend.bytesQueued());
    if (wanted == 0)
        return 0;
    return m_backend.read(m_receiveBuffer.data(), wanted);
}

std::string_view CSeriell::CommErrorLine(std::uint32_t errorWord)
{
    switch (errorWord) {
    case SerialBackend::CeRxOver:
        return "COMERROR  CE_RXOVER\n";
    case SerialBackend::CeOverrun:
        return "COMERROR  CE_OVERRUN\n";
    case SerialBackend::CeRxParity:
        return "COMERROR  CE_RXPARITY\n";
    case SerialBackend::CeFrame:
        return "COMERROR  CE_FRAME\n";
    case SerialBackend::CeBreak:
        return "COMERROR  CE_BREAK\n";
    case SerialBackend::CeTxFull:
        return "COMERROR  CE_TXFULL\n";
    case SerialBackend::CePto:
        return "COMERROR  CE_PTO\n";
    case SerialBackend::CeIoe:
        return "COMERROR  CE_IOE\n";
    case SerialBackend::CeDns:
        return "COMERROR  CE_DNS\n";
    case SerialBackend::CeOop:
        return "COMERROR  CE_OOP\n";
    case SerialBackend::CeMode:
        return "COMERROR  CE_MODE\n";
    default:
        return "COMERROR  default\n";
    }
}

} // namespace lumivex
