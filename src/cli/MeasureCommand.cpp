#include "cli/MeasureCommand.h"

#include "cli/CliSession.h"
#include "sim/SimOptions.h"

#include <utility>

namespace lumivex {

std::string parseMeasureCommand(const std::vector<std::string>& allArgs, MeasureCommandOptions& options)
{
    std::vector<std::string> args = allArgs;
    if (auto error = takeOutputOptions(args, options.output); !error.empty())
        return error;
    std::pair<const char*, std::string*> paths[] = {
        {"--ini", &options.iniPath},
        {"--port", &options.port},
        {"--settings", &options.settingsPath},
        {"--reference", &options.referencePath},
        {"--save-reference", &options.saveReferencePath},
        {"--report", &options.reportPath},
    };
    std::vector<std::string> others;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto eq = arg.find('=');
        const std::string name = arg.rfind("--", 0) == 0 ? arg.substr(0, eq) : arg;
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (name == "--simulate") {
            options.simulate = true;
            continue;
        }
        if (name == "--json") {
            options.json = true;
            continue;
        }
        if (name == "--on-input") {
            options.onInput = true;
            continue;
        }
        std::string* target = nullptr;
        for (const auto& [option, path] : paths) {
            if (name == option)
                target = path;
        }
        if (!target) {
            others.push_back(arg);
            continue;
        }
        if (eq != std::string::npos)
            *target = arg.substr(eq + 1);
        else if (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0)
            *target = args[++i];
        else
            target->clear();
        if (target->empty())
            return name + (name == "--port" ? " needs a port name" : " needs a path");
    }
    if (options.help)
        return {};

    if (auto error = checkDeviceChoice(options.simulate, options.port, others, options.simConfig); !error.empty())
        return error;
    // A reference brings the settings it was measured with; two sources would leave one unused.
    if (!options.settingsPath.empty() && !options.referencePath.empty())
        return "give --settings or --reference, not both (a reference holds its own settings)";
    // Every run of a station would overwrite the reference it is compared with.
    if (options.onInput && !options.saveReferencePath.empty())
        return "--save-reference cannot be combined with --on-input (measure the reference once without it)";
    return {};
}

std::string measureCommandHelp()
{
    return "Usage: lumivex-cli measure [--ini PATH] (--port NAME | --simulate [simulator options])\n"
           "                           [--settings FILE.cfg | --reference FILE.ref]\n"
           "                           [--save-reference FILE.ref] [--report PATH] [--json] [--on-input]\n"
           "\n"
           "Connects to the sensor device, sends the pending sensor settings, measures every sensor\n"
           "that takes part, compares with the reference and prints one row per sensor in the\n"
           "measurement list's columns, followed by the comparison: \"-OK-\", \"Error -I-X-Y-\" (the\n"
           "intensity, x or y out of its limits) or \"---\" (not compared). From firmware 2002 the\n"
           "device's outputs signal the result as the measurement list does (1 pass, 0 fail).\n"
           "\n"
           "  --ini PATH            settings file (default: Lumivex.ini in the current folder, else\n"
           "                        beside the program); its CheckRGB, CheckHSI and CheckXY choose the\n"
           "                        values read and the columns, and it gives the log file and level\n"
           "  --port NAME           serial port: COMn, a device such as /dev/ttyUSB0, or Auto\n"
           "  --simulate            use the built-in simulated sensor device; the simulator options\n"
           "                        below may follow\n"
           "  --settings FILE.cfg   the sensor settings (default: a new list for the device's\n"
           "                        boards, in which no sensor is set up, so nothing is measured)\n"
           "  --reference FILE.ref  compare with this reference (FILE.dat beside it); its settings\n"
           "                        are the ones used\n"
           "  --save-reference FILE.ref\n"
           "                        keep this run as a reference: the settings in FILE.ref, the\n"
           "                        readings in FILE.dat\n"
           "  --report PATH         write the test report (tab-separated text)\n"
           "  --json                print one JSON document: the rows with their values, reading\n"
           "                        flags and deviations, and a summary\n"
           "  --log PATH            write the log there instead of the settings' log file\n"
           "  --quiet               print nothing but the result (no waiting line with --on-input)\n"
           "  --on-input            line station (firmware 2002 and later): wait for the device's input\n"
           "                        signal (\"InputIO2\"), run, print the result as one JSON line with\n"
           "                        its run number, and wait again, until SIGINT or SIGTERM; the run in\n"
           "                        progress finishes, the outputs are switched off and the exit status\n"
           "                        is 0. --report is rewritten after every run. A run that fails prints\n"
           "                        a line with \"result\": \"error\" (its reason on standard error) and\n"
           "                        the station waits again; a lost port ends it with status 1\n"
           "\n"
           "Exit status: 0 every compared sensor passed (or nothing was compared), 3 at least one\n"
           "sensor deviates from the reference, 1 the port, the device, a file or the run failed\n"
           "(the message on standard error), 2 usage error.\n"
           "\n"
           "Simulator options (with --simulate):\n"
        + simDeviceOptionsHelp();
}

} // namespace lumivex
