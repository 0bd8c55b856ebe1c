#include "cli/StabilityCommand.h"

#include "base/FormatText.h"
#include "cli/CliArguments.h"
#include "sim/SimOptions.h"

namespace lumivex {

namespace {

std::string readGroups(const std::string& list, StabilityCommandOptions& options)
{
    options.rgbi = options.hsi = options.xy = false;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string group = list.substr(start, comma - start);
        if (group == "rgbi")
            options.rgbi = true;
        else if (group == "hsi")
            options.hsi = true;
        else if (group == "xy")
            options.xy = true;
        else
            return "--groups takes rgbi, hsi and xy separated by commas, not \"" + group + "\"";
        start = comma + 1;
    }
    options.groupsGiven = true;
    return {};
}

} // namespace

std::string parseStabilityCommand(const std::vector<std::string>& args, StabilityCommandOptions& options)
{
    // What only this command takes is read here; the rest is the single-LED test's choice.
    std::vector<std::string> rest;
    bool readingsGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string name = arg;
        std::optional<std::string> inlineValue;
        if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
        }
        const bool own = name == "--readings" || name == "--delay" || name == "--groups" || name == "--report";
        if (name == "--csv") {
            options.csv = true;
            continue;
        }
        if (name == "--details")
            return "unknown argument \"--details\" (it belongs to lumivex-cli test)";
        if (!own) {
            rest.push_back(arg);
            continue;
        }
        std::string value;
        if (inlineValue)
            value = *inlineValue;
        else if (i + 1 < args.size() && !isOption(args[i + 1]))
            value = args[++i];
        if (value.empty())
            return name + (name == "--report" ? " needs a path" : " needs a value");
        if (name == "--readings") {
            if (!readNumber(value, 1, 100, options.readings))
                return "--readings takes a whole number from 1 to 100, not \"" + value + "\"";
            readingsGiven = true;
        } else if (name == "--delay") {
            if (!readNumber(value, 0, 20000, options.delayMs) || (options.delayMs > 0 && options.delayMs < 10))
                return "--delay takes 0 or a whole number of ms from 10 to 20000, not \"" + value + "\"";
        } else if (name == "--groups") {
            if (auto error = readGroups(value, options); !error.empty())
                return error;
        } else {
            options.reportPath = value;
        }
    }
    if (auto error = parseTestCommand(rest, options.led); !error.empty())
        return error;
    options.help = options.led.help;
    options.json = options.led.json;
    if (options.help)
        return {};
    if (options.json && options.csv)
        return "give --json or --csv, not both";
    if (!readingsGiven)
        return "--readings N is needed (1 to 100)";
    return {};
}

std::string stabilityCommandHelp()
{
    return "Usage: lumivex-cli stability [--ini PATH] (--port NAME | --simulate [simulator options])\n"
           "                             [--board N] [--led N] [--mode manual|user|pwm] [--range I]\n"
           "                             [--average F] [--user-time MS] [--user-area 3x3|9x9]\n"
           "                             --readings N [--delay MS] [--groups rgbi,hsi,xy]\n"
           "                             [--report PATH] [--json | --csv]\n"
           "\n"
           "Connects to the sensor device and measures one LED repeatedly, as the stability analysis\n"
           "does: the capture settings of the test mode once, then for each reading a capture and the\n"
           "value requests of the groups, with a pause between readings. Each reading is printed as it\n"
           "arrives (with --json, progress goes to standard error and one document follows at the\n"
           "end), then the means and maxima and the run's duration. Ctrl-C ends the run after the\n"
           "reading in progress; what was read is reported.\n"
           "\n"
           "  --board N, --led N    the LED (board from 1, LED 1..5; default 1 and 1)\n"
           "  --mode M              manual (default), user or pwm\n"
           "  --range I             capture range 1..11 of manual and PWM mode (default 5, 200 ms 3x3)\n"
           "  --average F           PWM averaging factor 0..15\n"
           "  --user-time MS, --user-area A\n"
           "                        user capture time 1..10000 ms and area\n"
           "  --readings N          number of readings, 1..100\n"
           "  --delay MS            pause after each reading: 0 or 10..20000 ms (default 0)\n"
           "  --groups LIST         value groups read, from rgbi, hsi, xy (default: CheckRGB, CheckHSI\n"
           "                        and CheckXY of the settings file)\n"
           "  --report PATH         write the text report and its data file (PATH with \"dat\" in place\n"
           "                        of its last three characters)\n"
           "  --json, --csv         one JSON document, or comma-separated readings\n"
           "  --log PATH            write the log there instead of the settings' log file\n"
           "  --quiet               print nothing but the result (no progress lines with --json)\n"
           "\n"
           "Exit status: 0 the run completed (or was ended by Ctrl-C), 1 the port, the device or the\n"
           "run failed (the message on standard error), 2 usage error.\n"
           "\n"
           "Simulator options (with --simulate):\n"
        + simDeviceOptionsHelp();
}

} // namespace lumivex
