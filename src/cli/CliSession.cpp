#include "cli/CliSession.h"

#include "app/Startup.h"
#include "base/Windows1252.h"
#include "main/MainFrame.h"
#include "sim/SimOptions.h"
#include "sim/SimSerialBackend.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

namespace lumivex {

std::string checkDeviceChoice(
    bool simulate, const std::string& port, const std::vector<std::string>& others, SimConfig& simConfig)
{
    std::vector<std::string> rest;
    if (!simulate)
        rest = others;
    else if (auto error = parseSimDeviceOptions(others, simConfig, &rest); !error.empty())
        return error;
    if (!rest.empty())
        return "unknown argument \"" + rest.front() + "\"";
    if (simulate == !port.empty())
        return "give either --port NAME or --simulate";
    return {};
}

void CliDialogs::say(const std::string& text)
{
    if (std::find(m_muted.begin(), m_muted.end(), text) != m_muted.end())
        return;
    std::string line = windows1252ToUtf8(text);
    while (!line.empty() && (line.back() == '\n' || line.back() == ' '))
        line.pop_back();
    m_said.push_back(line);
    m_err << "lumivex-cli: " << line << '\n';
}

std::string jsonString(const std::string& utf8)
{
    std::string out = "\"";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

void settleEngine(Scheduler& scheduler, const MeasurementSequencer& sequencer)
{
    while (sequencer.ReplyAwaited() || sequencer.ChainRunning()) {
        if (!scheduler.pumpOnce())
            break;
    }
}

std::string takeOutputOptions(std::vector<std::string>& args, CliOutputOptions& output)
{
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--quiet") {
            output.quiet = true;
        } else if (arg.rfind("--log=", 0) == 0) {
            output.logPath = arg.substr(6);
            if (output.logPath.empty())
                return "--log needs a path";
        } else if (arg == "--log") {
            if (i + 1 >= args.size() || args[i + 1].empty() || args[i + 1].rfind("--", 0) == 0)
                return "--log needs a path";
            output.logPath = args[++i];
        } else {
            rest.push_back(arg);
        }
    }
    args = std::move(rest);
    return {};
}

void startFrame(MainFrame& frame, const std::string& iniPath, const IniSearchInput& search, const std::string& port,
    bool simulate, const std::string& logPath)
{
    frame.SetLogFile(logPath);
    if (iniPath.empty())
        frame.Initialise(search);
    else
        frame.Initialise(iniLocationOf(iniPath));
    frame.State().settings.comPort = simulate ? std::string(SimSerialBackend::kPortName) : port;
}

int failCommand(MainFrame& frame, const CliDialogs& dialogs, std::ostream& err, const std::string& why)
{
    if (dialogs.said().empty())
        err << "lumivex-cli: " << windows1252ToUtf8(why) << '\n';
    if (!frame.PortSwitch().PortClosed())
        frame.PortSwitch().SwitchComPort(0, {});
    return kCliDeviceFailed;
}

bool connectFrame(
    MainFrame& frame, Scheduler& scheduler, const std::string& port, const CliDialogs& dialogs, std::ostream& err)
{
    auto& sequencer = frame.Sequencer();
    sequencer.Connect();
    settleEngine(scheduler, sequencer);
    if (!sequencer.DisconnectedShown())
        return true;
    if (port == "Auto")
        failCommand(frame, dialogs, err, "no sensor device answered on any serial port");
    else
        failCommand(frame, dialogs, err,
            sequencer.StatusText().empty() ? "the sensor device did not answer" : sequencer.StatusText());
    return false;
}

} // namespace lumivex
