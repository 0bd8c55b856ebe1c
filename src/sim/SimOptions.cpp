#include "sim/SimOptions.h"

#include "sim/SimRequest.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <functional>
#include <optional>
#include <string_view>

namespace lumivex {

namespace {

struct Option {
    std::string_view name;
    bool takesValue;
    // An empty text when the value was taken, else what is wrong with it.
    std::function<std::string(const std::string& value)> apply;
};

std::string quoted(std::string_view text)
{
    return "'" + std::string(text) + "'";
}

std::optional<long long> wholeNumber(std::string_view text, long long min, long long max)
{
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < min || value > max)
        return std::nullopt;
    return value;
}

std::optional<double> decimalNumber(std::string_view text, double min, double max)
{
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !(value >= min && value <= max))
        return std::nullopt;
    return value;
}

std::string notWhole(std::string_view text, long long min, long long max)
{
    return quoted(text) + " is not a whole number from " + std::to_string(min) + " to " + std::to_string(max);
}

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = text.find(separator, from);
        parts.push_back(text.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from));
        if (at == std::string_view::npos)
            return parts;
        from = at + 1;
    }
}

bool printable(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7f; });
}

// The LED entry of one sensor, created from the sensor's default LED when first named.
SimLed& ledEntry(SimConfig& config, int board, int sensor)
{
    for (SimLedSetting& s : config.leds) {
        if (s.board == board && s.sensor == sensor)
            return s.led;
    }
    config.leds.push_back({board, sensor, defaultSimLed(board, sensor)});
    return config.leds.back().led;
}

// "B:S" at the start of an LED option: board and sensor, then the remaining parts.
std::string boardSensor(const std::vector<std::string_view>& parts, int& board, int& sensor)
{
    const auto b = wholeNumber(parts.at(0), 1, kSimMaxBoards);
    if (!b)
        return "board " + notWhole(parts.at(0), 1, kSimMaxBoards);
    const auto s = wholeNumber(parts.at(1), 1, kSimSensorsPerBoard);
    if (!s)
        return "sensor " + notWhole(parts.at(1), 1, kSimSensorsPerBoard);
    board = static_cast<int>(*b);
    sensor = static_cast<int>(*s);
    return {};
}

std::string applyLed(SimConfig& config, const std::string& value)
{
    const auto parts = split(value, ':');
    if (parts.size() < 3 || parts.size() > 4)
        return quoted(value) + " is not BOARD:SENSOR:R,G,B[:INTENSITY]";
    int board = 0, sensor = 0;
    if (auto problem = boardSensor(parts, board, sensor); !problem.empty())
        return problem;
    const auto colour = split(parts[2], ',');
    if (colour.size() != 3)
        return "colour " + quoted(parts[2]) + " is not R,G,B";
    std::array<int, 3> rgb {};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto c = wholeNumber(colour[i], 0, 255);
        if (!c)
            return "colour " + notWhole(colour[i], 0, 255);
        rgb.at(i) = static_cast<int>(*c);
    }
    SimLed& led = ledEntry(config, board, sensor);
    led.red = rgb[0];
    led.green = rgb[1];
    led.blue = rgb[2];
    if (parts.size() == 4) {
        const auto intensity = wholeNumber(parts[3], 0, 9999999);
        if (!intensity)
            return "intensity " + notWhole(parts[3], 0, 9999999);
        led.intensity = static_cast<int>(*intensity);
    }
    return {};
}

std::string applyDrift(SimConfig& config, const std::string& value)
{
    const auto parts = split(value, ':');
    if (parts.size() != 3)
        return quoted(value) + " is not BOARD:SENSOR:PERCENT_PER_MINUTE";
    int board = 0, sensor = 0;
    if (auto problem = boardSensor(parts, board, sensor); !problem.empty())
        return problem;
    const auto percent = decimalNumber(parts[2], -1000.0, 1000.0);
    if (!percent)
        return "drift " + quoted(parts[2]) + " is not a number from -1000 to 1000";
    ledEntry(config, board, sensor).driftPercentPerMinute = *percent;
    return {};
}

std::string applyFlicker(SimConfig& config, const std::string& value)
{
    const auto parts = split(value, ':');
    if (parts.size() < 3 || parts.size() > 4)
        return quoted(value) + " is not BOARD:SENSOR:PERCENT[:PERIOD_MS]";
    int board = 0, sensor = 0;
    if (auto problem = boardSensor(parts, board, sensor); !problem.empty())
        return problem;
    const auto percent = decimalNumber(parts[2], 0.0, 100.0);
    if (!percent)
        return "flicker " + quoted(parts[2]) + " is not a number from 0 to 100";
    SimLed& led = ledEntry(config, board, sensor);
    led.flickerPercent = *percent;
    if (parts.size() == 4) {
        const auto period = wholeNumber(parts[3], 1, 3600000);
        if (!period)
            return "flicker period " + notWhole(parts[3], 1, 3600000);
        led.flickerPeriodMs = static_cast<int>(*period);
    }
    return {};
}

std::string applyInputIo(SimConfig& config, const std::string& value)
{
    const auto parts = split(value, '@');
    if (parts.size() > 2)
        return quoted(value) + " is not DIGIT[@MS]";
    const auto digit = wholeNumber(parts[0], 0, 9);
    if (!digit || parts[0].size() != 1)
        return quoted(parts[0]) + " is not a digit 0..9";
    SimInputEvent event {static_cast<int>(*digit), 0};
    if (parts.size() == 2) {
        const auto ms = wholeNumber(parts[1], 0, 86400000);
        if (!ms)
            return "time " + notWhole(parts[1], 0, 86400000);
        event.afterMs = static_cast<int>(*ms);
    }
    config.inputEvents.push_back(event);
    return {};
}

std::string applyLatencyAt(SimFaults& faults, const std::string& value)
{
    const auto parts = split(value, ':');
    if (parts.size() != 2)
        return quoted(value) + " is not N:MS";
    const auto request = wholeNumber(parts[0], 1, 1000000000);
    if (!request)
        return "request " + notWhole(parts[0], 1, 1000000000);
    const auto ms = wholeNumber(parts[1], 0, kSimMaxLatencyMs);
    if (!ms)
        return "time " + notWhole(parts[1], 0, kSimMaxLatencyMs);
    faults.latencyAt[static_cast<int>(*request)] = static_cast<int>(*ms);
    return {};
}

// A whole-number option that sets one int.
Option intOption(std::string_view name, int& target, long long min, long long max, int scale = 1)
{
    return {name, true, [&target, min, max, scale](const std::string& value) -> std::string {
                const auto n = wholeNumber(value, min, max);
                if (!n)
                    return notWhole(value, min, max);
                target = static_cast<int>(*n) * scale;
                return {};
            }};
}

Option wordOption(std::string_view name, std::set<std::string>& words)
{
    return {name, true, [&words](const std::string& value) -> std::string {
                if (!isSimCommandWord(value))
                    return quoted(value) + " is no command word of the device";
                words.insert(value);
                return {};
            }};
}

Option textOption(std::string_view name, std::string& target, std::size_t length)
{
    return {name, true, [&target, length](const std::string& value) -> std::string {
                if (value.size() != length || !printable(value))
                    return quoted(value) + " is not " + std::to_string(length) + " printable characters";
                target = value;
                return {};
            }};
}

std::vector<Option> deviceOptions(SimConfig& c)
{
    SimFaults& f = c.faults;
    return {
        intOption("--firmware", c.firmware, 1, 9999),
        intOption("--boards", c.boards, 1, kSimMaxBoards),
        {"--seed", true,
            [&c](const std::string& v) -> std::string {
                const auto n = wholeNumber(v, 0, 4294967295LL);
                if (!n)
                    return notWhole(v, 0, 4294967295LL);
                c.seed = static_cast<std::uint32_t>(*n);
                return {};
            }},
        textOption("--hw", c.hardwareText, 9),
        textOption("--serial", c.serialText, 4),
        {"--long-id", false,
            [&c](const std::string&) {
                c.longIdentity = true;
                return std::string();
            }},
        {"--line-end", true,
            [&c](const std::string& v) -> std::string {
                if (v == "cr")
                    c.lineEnd = "\r";
                else if (v == "crlf")
                    c.lineEnd = "\r\n";
                else if (v == "lf")
                    c.lineEnd = "\n";
                else
                    return quoted(v) + " is none of cr, crlf, lf";
                return {};
            }},
        {"--sensor-led", true, [&c](const std::string& v) { return applyLed(c, v); }},
        {"--drift", true, [&c](const std::string& v) { return applyDrift(c, v); }},
        {"--flicker", true, [&c](const std::string& v) { return applyFlicker(c, v); }},
        {"--jitter", true,
            [&c](const std::string& v) -> std::string {
                const auto p = decimalNumber(v, 0.0, 100.0);
                if (!p)
                    return quoted(v) + " is not a number from 0 to 100";
                c.jitterPercent = *p;
                return {};
            }},
        {"--input-io", true, [&c](const std::string& v) { return applyInputIo(c, v); }},
        intOption("--latency-ms", f.latencyMs, 0, kSimMaxLatencyMs),
        {"--latency-at", true, [&f](const std::string& v) { return applyLatencyAt(f, v); }},
        intOption("--pace", f.paceBaud, 1, 10000000),
        intOption("--chunk", f.chunkSize, 1, 65536),
        intOption("--chunk-gap-ms", f.chunkGapUs, 0, 60000, 1000),
        {"--noise", false,
            [&f](const std::string&) {
                f.noiseBytes = std::max(f.noiseBytes, 2);
                return std::string();
            }},
        intOption("--noise-bytes", f.noiseBytes, 0, 1000),
        wordOption("--error-on", f.errorOn),
        wordOption("--silent-on", f.silentOn),
        {"--multiline", false,
            [&f](const std::string&) {
                f.multiLine = true;
                return std::string();
            }},
        {"--multiline-lead", true,
            [&f](const std::string& v) -> std::string {
                if (v.size() > 8 || !printable(v))
                    return quoted(v) + " is not up to 8 printable characters";
                f.multiLineLead = v;
                return {};
            }},
        {"--disconnect-after", true,
            [&f](const std::string& v) -> std::string {
                const auto n = wholeNumber(v, 0, 1000000000);
                if (!n)
                    return notWhole(v, 0, 1000000000);
                f.disconnectAfter = static_cast<int>(*n);
                return {};
            }},
    };
}

// Walks the arguments once; the first table that knows an option takes it.
std::string parseWith(const std::vector<std::string>& args, const std::vector<std::vector<Option>*>& tables,
    std::vector<std::string>* rest)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (name.rfind("--", 0) == 0) {
            if (const auto eq = name.find('='); eq != std::string::npos) {
                value = name.substr(eq + 1);
                name.resize(eq);
            }
        }
        const Option* option = nullptr;
        for (const auto* table : tables) {
            const auto it = std::find_if(table->begin(), table->end(), [&](const Option& o) { return o.name == name; });
            if (it != table->end()) {
                option = &*it;
                break;
            }
        }
        if (option == nullptr) {
            if (rest == nullptr)
                return "unknown option " + quoted(args[i]);
            rest->push_back(args[i]);
            continue;
        }
        if (option->takesValue && !value) {
            if (i + 1 >= args.size())
                return "option " + name + " needs a value";
            value = args[++i];
        } else if (!option->takesValue && value) {
            return "option " + name + " takes no value";
        }
        if (std::string problem = option->apply(value.value_or(std::string())); !problem.empty())
            return name + ": " + problem;
    }
    return {};
}

} // namespace

std::string parseSimDeviceOptions(
    const std::vector<std::string>& args, SimConfig& config, std::vector<std::string>* rest)
{
    SimConfig parsed = config;
    auto device = deviceOptions(parsed);
    if (std::string problem = parseWith(args, {&device}, rest); !problem.empty())
        return problem;
    if (std::string problem = validateSimConfig(parsed); !problem.empty())
        return problem;
    config = std::move(parsed);
    return {};
}

std::string parseSimProgramOptions(const std::vector<std::string>& args, SimProgramOptions& options)
{
    SimProgramOptions parsed = options;
    std::vector<Option> program {
        {"--pty", false,
            [&parsed](const std::string&) {
                parsed.pty = true;
                return std::string();
            }},
        {"--port", true,
            [&parsed](const std::string& v) -> std::string {
                if (v.empty())
                    return "the port name is empty";
                parsed.port = v;
                return {};
            }},
        intOption("--baud", parsed.baud, 50, 10000000),
        {"--verbose", false,
            [&parsed](const std::string&) {
                parsed.verbose = true;
                return std::string();
            }},
        {"--help", false,
            [&parsed](const std::string&) {
                parsed.help = true;
                return std::string();
            }},
        {"-h", false,
            [&parsed](const std::string&) {
                parsed.help = true;
                return std::string();
            }},
    };
    auto device = deviceOptions(parsed.device);
    if (std::string problem = parseWith(args, {&program, &device}, nullptr); !problem.empty())
        return problem;
    if (!parsed.help) {
        if (parsed.pty && !parsed.port.empty())
            return "--pty and --port exclude each other";
        if (!parsed.pty && parsed.port.empty())
            return "say where to serve the device: --pty or --port NAME";
        if (std::string problem = validateSimConfig(parsed.device); !problem.empty())
            return problem;
    }
    options = std::move(parsed);
    return {};
}

std::string simDeviceOptionsHelp()
{
    return "Device:\n"
           "  --firmware N            firmware number 1..9999 (default 1007): below 1004 no \"getctemp\",\n"
           "                          below 1007 counts of full scale 255 and no offsets or distance,\n"
           "                          from 2002 the digital outputs and the \"InputIO\" message\n"
           "  --boards N              boards of five sensors, 1..99 (default 1)\n"
           "  --seed N                seed of the jitter and of the noise bytes (default 1)\n"
           "  --hw TEXT               \"gethw\" reply, 9 characters (default LVXCS5-R2)\n"
           "  --serial TEXT           \"getserial\" reply, 4 characters (default 1042)\n"
           "  --long-id               \"getserial\" and \"getversion\" echo the request line before the value\n"
           "  --line-end cr|crlf|lf   what ends every line the device sends (default cr)\n"
           "LEDs (BOARD from 1, SENSOR 1..5):\n"
           "  --sensor-led B:S:R,G,B[:I]\n"
           "                          the LED a sensor looks at: sRGB colour and raw intensity\n"
           "                          (99999 and above saturates, 0 is dark)\n"
           "  --drift B:S:PCT         intensity drift in percent per minute (may be negative)\n"
           "  --flicker B:S:PCT[:MS]  sine flicker of the intensity, amplitude in percent, period in ms\n"
           "                          (default 1000)\n"
           "  --jitter PCT            random change of every captured intensity, in percent\n"
           "  --input-io D[@MS]       send \"InputIO<D>\" MS ms after the start (firmware 2002 and later);\n"
           "                          may be repeated\n"
           "Faults (all off by default):\n"
           "  --latency-ms N          wait N ms before working on each request\n"
           "  --latency-at N:MS       wait MS ms more (0..600000) before working on the Nth request line,\n"
           "                          counted from 1 since the start; may be repeated\n"
           "  --pace BAUD             send bytes at this rate, 10 bits per byte\n"
           "  --chunk N               send every message in pieces of N bytes\n"
           "  --chunk-gap-ms N        pause between pieces when not pacing (default 1)\n"
           "  --noise                 insert 2 non-printable junk bytes into every message\n"
           "  --noise-bytes N         insert N junk bytes instead\n"
           "  --error-on WORD         answer \"ERROR\" to this command word (may be repeated)\n"
           "  --silent-on WORD        ignore this command word: no reply (may be repeated)\n"
           "  --multiline             echo the request as an extra line before \"OK\" and value lines\n"
           "  --multiline-lead TEXT   what leads the value line of a multi-line reply (default one blank)\n"
           "  --disconnect-after N    vanish when the request after the first N arrives\n";
}

std::string simProgramHelp()
{
    return "Usage: lumivex-sim (--pty | --port NAME) [options]\n"
           "A simulated Lumivex sensor device on a serial line.\n"
           "\n"
           "Where:\n"
           "  --pty                   open a pseudo-terminal and print its path alone on the first line\n"
           "  --port NAME             serve this serial port instead\n"
           "  --baud N                line rate of --port (default 115200)\n"
           "  --verbose               show requests, replies and the outputs' states on standard error\n"
           "  -h, --help              show this text\n"
           "\n"
        + simDeviceOptionsHelp()
        + "\n"
          "Options take their value as the next argument or after '=' (--firmware=1006).\n"
          "Ctrl-C or SIGTERM ends the program. Exit status: 0 done, 1 the line could not be served,\n"
          "2 a bad option.\n";
}

} // namespace lumivex
