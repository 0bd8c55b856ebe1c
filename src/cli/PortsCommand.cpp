#include "cli/PortsCommand.h"

#include "base/Windows1252.h"
#include "device/PortDirectory.h"
#include "main/MainFrame.h"

#include <ostream>
#include <sstream>

namespace lumivex {

namespace {

// What a port answered: the device's identity, or why not.
std::string probePort(const PortsCommandOptions& options, const std::string& port, const IniSearchInput& search,
    Scheduler& scheduler, SerialBackend& backend)
{
    // A port that does not answer is the common case here, not an error: its messages are kept.
    std::ostringstream quiet;
    CliDialogs dialogs(quiet);
    MainFrame frame(scheduler, backend, dialogs);
    startFrame(frame, options.iniPath, search, port, false, options.output.logPath);
    if (!connectFrame(frame, scheduler, port, dialogs, quiet)) {
        // The first reason given, by a box or else by the connection's status line.
        std::string why = dialogs.said().empty() ? quiet.str() : dialogs.said().front();
        if (const std::string prefix = "lumivex-cli: "; why.rfind(prefix, 0) == 0)
            why.erase(0, prefix.size());
        while (!why.empty() && why.back() == '\n')
            why.pop_back();
        // One line per port: a box's lines are joined.
        for (auto at = why.find('\n'); at != std::string::npos; at = why.find('\n', at))
            why.replace(at, 1, "; ");
        return why.empty() ? "no sensor device" : "no sensor device: " + why;
    }
    const auto& sequencer = frame.Sequencer();
    std::string answer = "sensor device " + windows1252ToUtf8(sequencer.HardwareText()) + ", serial "
        + windows1252ToUtf8(sequencer.SerialText()) + ", firmware " + std::to_string(sequencer.FirmwareNumber());
    frame.PortSwitch().SwitchComPort(0, {});
    return answer;
}

} // namespace

std::string parsePortsCommand(const std::vector<std::string>& allArgs, PortsCommandOptions& options)
{
    std::vector<std::string> args = allArgs;
    if (auto error = takeOutputOptions(args, options.output); !error.empty())
        return error;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--probe") {
            options.probe = true;
        } else if (arg == "--ini" || arg.rfind("--ini=", 0) == 0) {
            if (arg != "--ini")
                options.iniPath = arg.substr(6);
            else if (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0)
                options.iniPath = args[++i];
            if (options.iniPath.empty())
                return "--ini needs a path";
        } else {
            return "unknown argument \"" + arg + "\"";
        }
    }
    return {};
}

std::string portsCommandHelp()
{
    return "Usage: lumivex-cli ports [--probe] [--ini PATH] [--log PATH] [--quiet]\n"
           "\n"
           "Lists the serial ports present, one line per port: its name (to give to --port) and what\n"
           "the system knows of the device behind it, separated by a tab. On Linux the stable\n"
           "/dev/serial/by-id links follow the ports.\n"
           "\n"
           "  --probe      also connect to each port as the CONNECT button does and add a third\n"
           "               column: \"sensor device\" with its hardware, serial number and firmware,\n"
           "               or \"no sensor device\" and why. A port that does not answer takes a few\n"
           "               seconds.\n"
           "  --ini PATH   settings file for the baud rate and the log (default: Lumivex.ini in the\n"
           "               current folder, else beside the program)\n"
           "  --log PATH   write the log there instead of the settings' log file\n"
           "  --quiet      print nothing but the ports (no line saying that none was found)\n"
           "\n"
           "Exit status: 0 listed (also when there is none), 2 usage error.\n";
}

int runPortsCommand(const PortsCommandOptions& options, const PortDirectory& ports, const IniSearchInput& search,
    Scheduler& scheduler, SerialBackend& backend, std::ostream& out, std::ostream& err)
{
    const auto present = ports.presentPorts();
    if (present.empty() && !options.output.quiet)
        err << "lumivex-cli: no serial port found\n";
    for (const PortEntry& port : present) {
        out << port.name << '\t' << windows1252ToUtf8(port.description);
        if (options.probe)
            out << '\t' << probePort(options, port.name, search, scheduler, backend);
        out << '\n' << std::flush;
    }
    return kCliSuccess;
}

} // namespace lumivex
