#include "cli/TestCommand.h"

#include "base/FormatText.h"
#include "cli/CliArguments.h"
#include "cli/CliSession.h"
#include "sim/SimOptions.h"

namespace lumivex {

std::string parseTestCommand(const std::vector<std::string>& allArgs, TestCommandOptions& options)
{
    std::vector<std::string> args = allArgs;
    if (auto error = takeOutputOptions(args, options.output); !error.empty())
        return error;
    std::vector<std::string> others;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string name = arg;
        std::optional<std::string> inlineValue;
        if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
        }
        auto value = [&](std::string& out, const char* what = "a value") -> std::string {
            if (inlineValue) {
                out = *inlineValue;
            } else if (i + 1 < args.size() && !isOption(args[i + 1])) {
                out = args[++i];
            } else {
                return name + " needs " + what;
            }
            return out.empty() ? name + " needs " + what : std::string();
        };
        auto number = [&](int low, int high, int& out) -> std::string {
            std::string text;
            if (auto error = value(text); !error.empty())
                return error;
            if (!readNumber(text, low, high, out))
                return formatText(
                    "%s takes a whole number from %d to %d, not \"%s\"", name.c_str(), low, high, text.c_str());
            return {};
        };

        std::string error;
        int n = 0;
        if (name == "--help" || name == "-h") {
            options.help = true;
        } else if (name == "--ini") {
            error = value(options.iniPath, "a path");
        } else if (name == "--port") {
            error = value(options.port, "a port name");
        } else if (name == "--simulate") {
            options.simulate = true;
        } else if (name == "--board") {
            error = number(1, 99, options.board);
        } else if (name == "--led") {
            error = number(1, 5, options.led);
        } else if (name == "--mode") {
            std::string mode;
            error = value(mode);
            if (error.empty()) {
                if (mode == "manual")
                    options.mode = 0;
                else if (mode == "user")
                    options.mode = 1;
                else if (mode == "pwm")
                    options.mode = 2;
                else
                    error = "--mode is manual, user or pwm, not \"" + mode + "\"";
            }
        } else if (name == "--range") {
            if ((error = number(0, 11, n)).empty())
                options.range = n;
        } else if (name == "--average") {
            if ((error = number(0, 15, n)).empty())
                options.average = n;
        } else if (name == "--user-time") {
            if ((error = number(1, 10000, n)).empty())
                options.userTime = n;
        } else if (name == "--user-area") {
            std::string area;
            error = value(area);
            if (error.empty()) {
                if (area == "3x3")
                    options.userArea = 0;
                else if (area == "9x9")
                    options.userArea = 1;
                else
                    error = "--user-area is 3x3 or 9x9, not \"" + area + "\"";
            }
        } else if (name == "--json") {
            options.json = true;
        } else if (name == "--details") {
            options.details = true;
        } else {
            others.push_back(arg);
        }
        if (!error.empty())
            return error;
    }
    if (options.help)
        return {};

    if (auto error = checkDeviceChoice(options.simulate, options.port, others, options.simConfig); !error.empty())
        return error;
    if (options.range && options.mode != 0)
        return "--range belongs to --mode manual";
    if (options.average && options.mode != 2)
        return "--average belongs to --mode pwm";
    if ((options.userTime || options.userArea) && options.mode != 1)
        return "--user-time and --user-area belong to --mode user";
    if (options.simulate && options.board > options.simConfig.boards)
        return formatText("--board %d: the simulated device has %d board(s)", options.board, options.simConfig.boards);
    return {};
}

std::string testCommandHelp()
{
    return "Usage: lumivex-cli test [--ini PATH] (--port NAME | --simulate [simulator options])\n"
           "                        [--board N] [--led N] [--mode manual|user|pwm] [--range I]\n"
           "                        [--average F] [--user-time MS] [--user-area 3x3|9x9] [--details]\n"
           "                        [--json]\n"
           "\n"
           "Connects to the sensor device, tests one LED and prints every value field as the main\n"
           "window shows it, one \"Name: text\" line per field (or one JSON object with --json).\n"
           "\n"
           "  --ini PATH          settings file (default: Lumivex.ini in the current folder, else\n"
           "                      beside the program); it also gives the log file and level\n"
           "  --port NAME         serial port: COMn, a device such as /dev/ttyUSB0, or Auto to\n"
           "                      search the ports for the device\n"
           "  --simulate          use the built-in simulated sensor device; the simulator options\n"
           "                      below may follow\n"
           "  --board N           board, from 1 (default 1)\n"
           "  --led N             LED on the board, 1 to 5 (default 1)\n"
           "  --mode M            manual (default), user or pwm capture\n"
           "  --range I           manual capture range 0 to 11 (default 5, \"MED 3x3 200ms\";\n"
           "                      0 DISABLE, 1 UTH 3x3 10ms ... 6 LOW 3x3 600ms, 7 ULT 9x9 20ms ...\n"
           "                      11 LOW 9x9 600ms)\n"
           "  --average F         PWM averaging factor 0 to 15 (5 x (F + 1) runs; default 0)\n"
           "  --user-time MS      user capture time 1 to 10000 ms (default: the settings' UserRange,\n"
           "                      which must lie in the same range)\n"
           "  --user-area A       user capture area 3x3 or 9x9 (default: the settings' UserArea)\n"
           "  --details           also print the device's identity (Hardware, Serial Number,\n"
           "                      Firmware Number) and the tested sensor's X offset, Y offset and\n"
           "                      Distance (empty where the firmware has none, below 1007)\n"
           "  --json              print one JSON document instead of lines (below)\n"
           "  --log PATH          write the log there instead of the settings' log file\n"
           "  --quiet             print nothing but the result (errors still on standard error)\n"
           "\n"
           "A PWM test first sets the sensor's capture time to the one its reply time-out assumes\n"
           "(code 2, 200 ms), whatever an earlier run left on the device.\n"
           "\n"
           "The JSON document, version 2, on one line:\n"
           "  {\"version\": 2, \"time\": \"2026-12-07T22:08:17Z\" (UTC),\n"
           "   \"device\": {\"port\": \"/dev/ttyUSB0\", \"hardware\": \"...\", \"serial\": \"...\", \"firmware\": "
           "1007},\n"
           "   \"board\": 1, \"led\": 1, \"mode\": \"manual\" | \"user\" | \"pwm\",\n"
           "   manual: \"range\": {\"index\": 5, \"name\": \"MED 3x3 200ms\"}; pwm: \"averaging\": 0;\n"
           "   user: \"userTimeMs\": 800, \"userArea\": \"3x3\" | \"9x9\";\n"
           "   with --details: \"sensor\": {\"xOffset\", \"yOffset\", \"distance\"} (null below firmware 1007),\n"
           "   \"values\": {NAME: {\"value\": number or null, \"status\": STATUS}, ...},\n"
           "   \"status\": the worst STATUS of the values}\n"
           "NAME, for the value groups the test read: counts.red, counts.green, counts.blue (the\n"
           "sensor counts), share.red, share.green, share.blue (RED, GREEN, BLUE: 0 to 255),\n"
           "percent.intensity (INTENSITY), intensity, hue, saturation (percent), x, y, cct_k (kelvin)\n"
           "and duv (CIE 1960 distance of x, y from the Planckian locus, positive towards green).\n"
           "STATUS: \"ok\"; \"overflow\" (a count at full scale, an intensity of 99999); \"underflow\"\n"
           "(all three counts 0); \"invalid\" (what the window shows as \"---\" or leaves empty, value\n"
           "null; a duv beyond 0.05, where a colour temperature means nothing). The status order,\n"
           "worst first, is overflow, underflow, invalid, ok.\n"
           "\n"
           "Exit status: 0 the test ran, 1 the port or the device failed (the message on standard\n"
           "error), 2 usage error (also a UserRange outside 1 to 10000 for a user test), 4 the test\n"
           "ran but a value overflowed or underflowed (with lines or JSON alike).\n"
           "\n"
           "Simulator options (with --simulate):\n"
        + simDeviceOptionsHelp();
}

std::string cliHelp()
{
    return "Usage: lumivex-cli COMMAND [options]\n"
           "\n"
           "Headless runs of Lumivex for scripts and production lines.\n"
           "\n"
           "Commands:\n"
           "  test      test one LED and print its values (lumivex-cli test --help)\n"
           "  measure   measure every sensor of the list, compare with a reference and print the\n"
           "            rows (lumivex-cli measure --help)\n"
           "  stability measure one LED repeatedly and print the readings and their statistics\n"
           "            (lumivex-cli stability --help)\n"
           "  inspect   print the fields of a stability data, sensor settings or reference data file\n"
           "            (lumivex-cli inspect --help)\n"
           "  ports     list the serial ports present and, with --probe, which of them answer as a\n"
           "            sensor device (lumivex-cli ports --help)\n"
           "\n"
           "Every command also takes:\n"
           "  --log PATH  write the log there instead of the settings' log file (by default Lumivex.log\n"
           "              in the current folder)\n"
           "  --quiet     print nothing but the result: no progress lines; errors still on standard\n"
           "              error\n";
}

} // namespace lumivex
