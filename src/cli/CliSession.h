#pragma once

#include "base/Dialogs.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace lumivex {

// Exit statuses of the command-line tool.
enum CliExit : int {
    kCliSuccess = 0,
    kCliDeviceFailed = 1,
    kCliUsage = 2,
    kCliDeviation = 3,
    kCliOutOfRange = 4, // a reading overflowed or underflowed: a production line stops on it
};

// Boxes of the command-line tool become lines on standard error ("lumivex-cli: " and the text in
// UTF-8); nobody is there to answer a question. Texts given to Mute are not shown.
class CliDialogs : public Dialogs {
public:
    explicit CliDialogs(std::ostream& err) : m_err(err) { }
    void message(const std::string& text) override { say(text); }
    void problem(const std::string& text) override { say(text); }
    bool askYesNo(const std::string& text) override
    {
        say(text);
        return false;
    }
    // Every box shown, as its line.
    const std::vector<std::string>& said() const { return m_said; }
    void Mute(const std::string& text) { m_muted.push_back(text); }

private:
    void say(const std::string& text);

    std::ostream& m_err;
    std::vector<std::string> m_said;
    std::vector<std::string> m_muted;
};

// What every command takes about its output.
struct CliOutputOptions {
    std::string logPath; // --log PATH: the log goes there instead of the settings' file
    bool quiet = false; // --quiet: no progress lines; the result, and errors on standard error
};

// Takes --log PATH (or --log=PATH) and --quiet out of `args`. An empty text, else the usage error.
std::string takeOutputOptions(std::vector<std::string>& args, CliOutputOptions& output);

struct SimConfig;

// The arguments a command did not take itself: with --simulate the simulated device's options,
// nothing else; and exactly one of --port and --simulate. An empty text when all is well.
std::string checkDeviceChoice(
    bool simulate, const std::string& port, const std::vector<std::string>& others, SimConfig& simConfig);

// A JSON string literal of UTF-8 text.
std::string jsonString(const std::string& utf8);

class MainFrame;
class MeasurementSequencer;
class Scheduler;
struct IniSearchInput;

// Pumps until the engine rests: nothing awaited and no chain running. Its own time-outs bound it.
void settleEngine(Scheduler& scheduler, const MeasurementSequencer& sequencer);

// The main window's start-up with the settings file of --ini (or the one found by `search`) and
// the port of --port or the simulated device's.
// A --log path replaces the settings' log file.
void startFrame(MainFrame& frame, const std::string& iniPath, const IniSearchInput& search, const std::string& port,
    bool simulate, const std::string& logPath = {});

// Connects as the CONNECT button does. On failure the reason is on `err` (when no box said it)
// and the port is closed.
bool connectFrame(
    MainFrame& frame, Scheduler& scheduler, const std::string& port, const CliDialogs& dialogs, std::ostream& err);

// Says why a command failed (unless a box did) and closes the port: kCliDeviceFailed.
int failCommand(MainFrame& frame, const CliDialogs& dialogs, std::ostream& err, const std::string& why);

} // namespace lumivex
