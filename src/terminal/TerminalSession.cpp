#include "terminal/TerminalSession.h"

#include "app/Startup.h"
#include "base/Dialogs.h"
#include "device/CSeriell.h"
#include "device/ProtocolLog.h"
#include "device/ReplyText.h"
#include "device/SendCommandText.h"
#include "foundation/StringTable.h"

#include <chrono>

namespace lumivex {

namespace {
constexpr std::uint32_t kPurgeInput = SerialBackend::PurgeRxAbort | SerialBackend::PurgeRxClear; // 10

// Where the last `lines` lines of the text begin.
std::size_t startOfLastLines(std::string_view text, std::size_t lines)
{
    std::size_t at = text.size();
    while (at > 0) {
        const std::size_t lineFeed = text.rfind('\n', at - 1);
        if (lineFeed == std::string_view::npos)
            return 0;
        if (lines-- == 0)
            return lineFeed + 1;
        at = lineFeed;
    }
    return 0;
}
} // namespace

TerminalSession::TerminalSession(Scheduler& scheduler, CSeriell& port, Dialogs& dialogs)
    : m_scheduler(scheduler),
      m_port(port),
      m_dialogs(dialogs),
      m_portSwitch(port, dialogs, [this](const std::string&) { Notify(TerminalChange::StatusChanged); })
{
}

TerminalSession::~TerminalSession()
{
    // The window that listened is going or gone.
    m_changed = {};
    End();
}

PortSettings TerminalSession::HandedOver(const StartupState& state)
{
    return portSettingsOf(state);
}

void TerminalSession::Notify(TerminalChange change, std::string_view appended)
{
    if (m_changed)
        m_changed(change, appended);
}

bool TerminalSession::Open(const PortSettings& settings)
{
    if (m_timer != 0 || m_ended)
        return !PortClosed();
    m_settings = settings;
    if (!m_portSwitch.SwitchComPort(1, m_settings))
        m_dialogs.message(std::string(stringText(StringId::CannotOpenComPort)));
    // Whatever the device said before the terminal opened is not a reply to anything typed here.
    m_port.Purge(kPurgeInput);
    m_timer = m_scheduler.setTimer(std::chrono::milliseconds(kTickMs), [this] { OnTick(); });
    return !PortClosed();
}

void TerminalSession::SetCommandText(std::string text)
{
    if (text == m_command)
        return;
    m_command = std::move(text);
    SetHint({});
    Notify(TerminalChange::CommandChanged);
}

void TerminalSession::SetHint(std::string_view hint)
{
    if (hint == m_hint)
        return;
    m_hint = hint;
    Notify(TerminalChange::HintChanged);
}

void TerminalSession::Send()
{
    if (m_ended)
        return;
    if (PortClosed()) {
        SetHint(kHintPortClosed);
        return;
    }
    if (!SendEnabled()) {
        // An empty edit keeps nothing back, so there is nothing to explain.
        if (!m_command.empty())
            SetHint(kHintTooShort);
        return;
    }
    const std::string request = m_command + '\r';
    m_tickCounter = 0;
    // The terminal's requests are the user's own: they are not logged.
    if (!SendCommandText(m_port, m_dialogs, m_port.Log(), request, false)) {
        m_dialogs.message(std::string(stringText(ProtocolLog::kWriteFailedMessage)));
        m_awaiting = false;
        // The command stays in the edit, so that the user can shorten it or send it again.
        return;
    }
    m_awaiting = true;
    // Read on the next tick at the earliest, so the echo always stands before its reply. A line the
    // device left open is ended first, so that the echo is a line of its own.
    std::string echo = m_lineLength > 0 ? "\r\n" : "";
    echo.append(kEchoPrefix).append(m_command).append("\r\n");
    AppendResponse(echo);
    Remember(m_command);
    m_command.clear();
    SetHint({});
    Notify(TerminalChange::CommandChanged);
}

void TerminalSession::Remember(const std::string& command)
{
    if (m_sent.empty() || m_sent.back() != command)
        m_sent.push_back(command);
    if (m_sent.size() > kMaxRecalledCommands)
        m_sent.pop_front();
    m_recalled = m_sent.size();
    m_typed.clear();
}

void TerminalSession::RecallEarlier()
{
    if (m_recalled == 0)
        return;
    if (m_recalled == m_sent.size())
        m_typed = m_command;
    --m_recalled;
    SetCommandText(m_sent[m_recalled]);
}

void TerminalSession::RecallLater()
{
    if (m_recalled >= m_sent.size())
        return;
    ++m_recalled;
    SetCommandText(m_recalled == m_sent.size() ? m_typed : m_sent[m_recalled]);
}

void TerminalSession::ClearList()
{
    if (m_response.empty())
        return;
    m_response.clear();
    m_lineLength = 0;
    m_lineCount = 0;
    Notify(TerminalChange::ResponseCleared);
}

void TerminalSession::End()
{
    if (m_ended)
        return;
    m_ended = true;
    if (m_timer != 0) {
        m_scheduler.killTimer(m_timer);
        m_timer = 0;
    }
    // Closes the port when its handle is valid, sets the closed flag and closes the debug file.
    if (!PortClosed())
        m_portSwitch.SwitchComPort(0, m_settings);
    m_awaiting = false;
}

void TerminalSession::OnTick()
{
    if (PortClosed())
        return;
    if (m_awaiting) {
        if (m_tickCounter > kReplyLimitTicks) {
            m_awaiting = false;
            m_tickCounter = 0;
            m_dialogs.message(std::string(stringText(ProtocolLog::kNoReturnMessage)));
        } else {
            ++m_tickCounter;
        }
    } else {
        m_tickCounter = 0;
    }
    // The box above may have run the event loop, and the window may have ended the session.
    if (!m_ended && !PortClosed())
        ReadPort();
}

void TerminalSession::ReadPort()
{
    std::string text;
    for (;;) {
        const std::size_t n = m_port.ReadAvailable();
        if (n == 0)
            break;
        m_portSwitch.RecordReceived(m_port.ReceiveBuffer(), n);
        text += ReplyText::join(std::string_view(m_port.ReceiveBuffer(), n), JoinRules::MainWindow);
    }
    if (text.empty())
        return;
    // A reply line has come: only the new text is looked at, so a long line costs no more per tick.
    if (text.find('\r') != std::string::npos)
        m_awaiting = false;
    AppendResponse(text);
}

void TerminalSession::AppendResponse(std::string_view joined)
{
    std::string folded;
    folded.reserve(joined.size() + joined.size() / kMaxLineLength * 2);
    std::size_t breaks = 0;
    for (const char c : joined) {
        if (c == '\n') {
            ++breaks;
            m_lineLength = 0;
        } else if (c != '\r') {
            if (m_lineLength == kMaxLineLength) {
                folded += "\r\n";
                ++breaks;
                m_lineLength = 0;
            }
            ++m_lineLength;
        }
        folded += c;
    }
    m_response += folded;
    m_lineCount += breaks;

    // Trimmed in steps of a whole history, so that the cost per received byte stays constant.
    if (m_lineCount > 2 * kMaxHistoryLines) {
        std::size_t drop = m_lineCount - kMaxHistoryLines;
        std::size_t at = 0;
        for (; drop > 0; --drop)
            at = m_response.find('\n', at) + 1;
        m_response.erase(0, at);
        m_lineCount = kMaxHistoryLines;
    }
    if (breaks >= kMaxHistoryLines) {
        // This text alone holds more lines than the box keeps: it gets what is left, not all of it.
        Notify(TerminalChange::ResponseCleared);
        Notify(TerminalChange::ResponseAppended,
            std::string_view(m_response).substr(startOfLastLines(m_response, kMaxHistoryLines)));
        return;
    }
    Notify(TerminalChange::ResponseAppended, folded);
}

} // namespace lumivex
