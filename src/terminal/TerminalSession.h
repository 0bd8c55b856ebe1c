#pragma once

#include "base/Scheduler.h"
#include "device/ComPortSwitch.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

namespace lumivex {

class CSeriell;
class Dialogs;
struct StartupState;

// What changed in the terminal, for the window that shows it.
enum class TerminalChange {
    ResponseAppended, // the text passed along was added to the end of the response
    ResponseCleared,
    CommandChanged, // the command text or the Send-enabled flag
    StatusChanged, // the port status line
    HintChanged, // the line that says why a command was not sent
};

// The terminal of the dialog `CDlgTerminal`: raw requests typed by the user go to the device with
// a carriage return, and whatever the device sends is shown, solicited or not. The terminal takes
// the main window's serial port for its lifetime and switches it with a port switch of its own,
// so that the status texts go to its own status line. The port is read on a 200 ms tick, which
// also counts the wait for a reply line (about 20 s).
class TerminalSession {
public:
    static constexpr int kTickMs = 200;
    // A reply is waited for while the tick counter has not passed this.
    static constexpr int kReplyLimitTicks = 100;
    static constexpr std::size_t kMinCommandLength = 5;
    // The response box keeps the latest lines only, and folds a line that grows longer than
    // kMaxLineLength: a device that floods the line cannot fill the memory or slow each tick down.
    static constexpr std::size_t kMaxLineLength = 1024;
    static constexpr std::size_t kMaxHistoryLines = 5000;
    // Each sent command stands on a line of its own before its reply, so that replies can be matched.
    static constexpr std::string_view kEchoPrefix = "> ";
    // Up and Down in the command edit recall this many of the commands sent.
    static constexpr std::size_t kMaxRecalledCommands = 100;
    static constexpr std::string_view kHintTooShort = "Not sent: a command has at least 5 characters.";
    static constexpr std::string_view kHintPortClosed = "Not sent: the COM port is not open.";

    using ChangeHandler = std::function<void(TerminalChange change, std::string_view appended)>;

    TerminalSession(Scheduler& scheduler, CSeriell& port, Dialogs& dialogs);
    // Ends the session if that has not happened yet (the window being destroyed).
    ~TerminalSession();
    TerminalSession(const TerminalSession&) = delete;
    TerminalSession& operator=(const TerminalSession&) = delete;

    // What the main window hands over: the port name and rate and the serial debug file.
    static PortSettings HandedOver(const StartupState& state);

    void SetChangeHandler(ChangeHandler handler) { m_changed = std::move(handler); }

    // Opens the port (message 104 when that fails), purges its input and starts the tick. True
    // when the port is open.
    bool Open(const PortSettings& settings);

    // The command edit, after every change (Windows-1252).
    void SetCommandText(std::string text);
    // Sends the command with a carriage return, shows it in the response and awaits a reply line.
    // While the port is closed or the command is too short nothing is sent, the command stays, and
    // the hint says why.
    void Send();
    // Up and Down: the command sent before the one shown, or after it; past the latest, what was
    // being typed before the first Up.
    void RecallEarlier();
    void RecallLater();
    // Empties the response box.
    void ClearList();
    // Stops the tick and closes the port and the serial debug file. Once only; later calls do
    // nothing.
    void End();

    const std::string& CommandText() const { return m_command; }
    bool SendEnabled() const { return m_command.size() >= kMinCommandLength; }
    // What was received since the last "Clear list", joined (Windows-1252, CR LF line ends), long
    // lines folded; at least the last kMaxHistoryLines lines of it.
    const std::string& Response() const { return m_response; }
    // Why the last Send sent nothing; empty once the command changes or a command is sent.
    const std::string& Hint() const { return m_hint; }
    // The commands sent, oldest first, without a repeat in a row.
    const std::deque<std::string>& SentCommands() const { return m_sent; }
    const std::string& StatusText() const { return m_portSwitch.StatusText(); }
    bool PortClosed() const { return m_portSwitch.PortClosed(); }
    bool DebugFileOpen() const { return m_portSwitch.DebugFileOpen(); }
    bool Awaiting() const { return m_awaiting; }
    int TickCounter() const { return m_tickCounter; }
    bool Ended() const { return m_ended; }

private:
    void OnTick();
    void ReadPort();
    // Adds received text to the response (folded, trimmed) and tells the window.
    void AppendResponse(std::string_view joined);
    void Notify(TerminalChange change, std::string_view appended = {});
    void SetHint(std::string_view hint);
    void Remember(const std::string& command);

    Scheduler& m_scheduler;
    CSeriell& m_port;
    Dialogs& m_dialogs;
    ComPortSwitch m_portSwitch;
    PortSettings m_settings;
    ChangeHandler m_changed;

    Scheduler::TimerId m_timer = 0;
    std::string m_command;
    std::string m_response;
    std::size_t m_lineLength = 0; // characters of the response's last line
    std::size_t m_lineCount = 0; // line breaks in the response
    std::string m_hint;
    std::deque<std::string> m_sent;
    std::size_t m_recalled = 0; // index into m_sent; its size while nothing is recalled
    std::string m_typed; // the command being typed when Up was first pressed
    bool m_awaiting = false;
    int m_tickCounter = 0;
    bool m_ended = false;
};

} // namespace lumivex
