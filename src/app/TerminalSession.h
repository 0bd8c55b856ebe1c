#pragma once

#include "base/Scheduler.h"
#include "device/ComPortSwitch.h"

#include <cstddef>
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
    // Sends the command with a carriage return and awaits a reply line. Does nothing while the
    // port is closed or the command is too short.
    void Send();
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
    bool m_awaiting = false;
    int m_tickCounter = 0;
    bool m_ended = false;
};

} // namespace lumivex
