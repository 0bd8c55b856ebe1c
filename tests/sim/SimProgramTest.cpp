// The simulated device's command-line options, shared by every front-end, and the real
// lumivex-sim program on a pseudo-terminal, reached with plain POSIX calls.
#include "sim/SimOptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

using namespace lumivex;
using Args = std::vector<std::string>;

TEST(SimOptions, everyOptionReachesTheConfiguration)
{
    SimProgramOptions o;
    const Args args {"--pty", "--firmware", "2002", "--boards=3", "--seed", "99", "--hw", "ABCDEFGHI", "--serial",
        "S-07", "--long-id", "--line-end", "crlf", "--sensor-led", "2:4:10,20,30:99999", "--sensor-led", "1:1:1,2,3",
        "--drift", "2:4:-1.5", "--flicker", "3:5:20:250", "--jitter", "0.5", "--input-io", "2@1500", "--input-io", "5",
        "--latency-ms", "40", "--latency-at", "5:2500", "--latency-at", "1:0", "--pace", "9600", "--chunk", "3",
        "--chunk-gap-ms", "12", "--noise", "--error-on", "getxy", "--error-on", "capture", "--silent-on", "gethw",
        "--multiline", "--multiline-lead", "#", "--disconnect-after", "0", "--verbose"};
    ASSERT_EQ(parseSimProgramOptions(args, o), "");
    EXPECT_TRUE(o.pty && o.verbose);
    const SimConfig& c = o.device;
    EXPECT_EQ(std::tie(c.firmware, c.boards, c.seed, c.hardwareText, c.serialText, c.longIdentity, c.lineEnd,
                  c.jitterPercent),
        std::make_tuple(2002, 3, 99u, "ABCDEFGHI", "S-07", true, "\r\n", 0.5));
    ASSERT_EQ(c.leds.size(), 3u);
    // Drift and flicker join the LED given before; without an intensity the default stays.
    const SimLed& first = c.leds[0].led;
    EXPECT_EQ(std::tie(c.leds[0].board, c.leds[0].sensor, first.red, first.green, first.blue, first.intensity,
                  first.driftPercentPerMinute),
        std::make_tuple(2, 4, 10, 20, 30, 99999, -1.5));
    EXPECT_EQ(std::tie(c.leds[1].led.intensity, c.leds[2].led.flickerPeriodMs, c.leds[2].led.flickerPercent),
        std::make_tuple(defaultSimLed(1, 1).intensity, 250, 20.0));
    ASSERT_EQ(c.inputEvents.size(), 2u);
    EXPECT_EQ(
        std::tie(c.inputEvents[0].digit, c.inputEvents[0].afterMs, c.inputEvents[1].digit, c.inputEvents[1].afterMs),
        std::make_tuple(2, 1500, 5, 0));
    const SimFaults& f = c.faults;
    EXPECT_EQ(std::tie(f.latencyMs, f.paceBaud, f.chunkSize, f.chunkGapUs, f.noiseBytes, f.multiLine, f.multiLineLead),
        std::make_tuple(40, 9600, 3, 12000, 2, true, "#"));
    EXPECT_EQ(std::tie(f.latencyAt, f.errorOn, f.silentOn, f.disconnectAfter),
        std::make_tuple(std::map<int, int> {{1, 0}, {5, 2500}}, std::set<std::string> {"capture", "getxy"},
            std::set<std::string> {"gethw"}, 0));

    // The help names every option.
    Args names {"--port NAME", "--baud", "--noise-bytes"};
    std::copy_if(args.begin(), args.end(), std::back_inserter(names), [](const std::string& a) { return a[0] == '-'; });
    for (const std::string& a : names)
        EXPECT_NE(simProgramHelp().find(a.substr(0, a.find('='))), std::string::npos) << a;
}

TEST(SimOptions, badOptionsAreNamedAndLeaveTheOptionsAlone)
{
    const std::vector<std::pair<Args, std::string>> cases {
        {{"--pty", "--bogus"}, "unknown option '--bogus'"},
        {{"--pty", "--firmware"}, "option --firmware needs a value"},
        {{"--pty", "--firmware", "abc"}, "--firmware: 'abc' is not a whole number from 1 to 9999"},
        {{"--pty", "--firmware", "10000"}, "--firmware: '10000' is not a whole number from 1 to 9999"},
        {{"--pty", "--boards", "0"}, "--boards: '0' is not a whole number from 1 to 99"},
        {{"--pty", "--multiline=yes"}, "option --multiline takes no value"},
        {{"--pty", "--sensor-led", "1:1:300,0,0"}, "--sensor-led: colour '300' is not a whole number from 0 to 255"},
        {{"--pty", "--sensor-led", "1:6:1,2,3"}, "--sensor-led: sensor '6' is not a whole number from 1 to 5"},
        {{"--pty", "--sensor-led", "1:1:1,2"}, "--sensor-led: colour '1,2' is not R,G,B"},
        {{"--pty", "--sensor-led", "red"}, "--sensor-led: 'red' is not BOARD:SENSOR:R,G,B[:INTENSITY]"},
        {{"--pty", "--sensor-led", "2:1:1,2,3"}, "LED 2:1 names no sensor of the device"},
        {{"--pty", "--flicker", "1:1:150"}, "--flicker: flicker '150' is not a number from 0 to 100"},
        {{"--pty", "--input-io", "12"}, "--input-io: '12' is not a digit 0..9"},
        {{"--pty", "--input-io", "2@soon"}, "--input-io: time 'soon' is not a whole number from 0 to 86400000"},
        {{"--pty", "--latency-at", "0:50"}, "--latency-at: request '0' is not a whole number from 1 to 1000000000"},
        {{"--pty", "--latency-at", "3:600001"}, "--latency-at: time '600001' is not a whole number from 0 to 600000"},
        {{"--pty", "--latency-at", "3"}, "--latency-at: '3' is not N:MS"},
        {{"--pty", "--error-on", "getrgb"}, "--error-on: 'getrgb' is no command word of the device"},
        {{"--pty", "--line-end", "cr lf"}, "--line-end: 'cr lf' is none of cr, crlf, lf"},
        {{"--pty", "--hw", "TOO-LONG-TEXT"}, "--hw: 'TOO-LONG-TEXT' is not 9 printable characters"},
        {{"--pty", "--port", "/dev/ttyS0"}, "--pty and --port exclude each other"},
        {{"--firmware", "1006"}, "say where to serve the device: --pty or --port NAME"},
    };
    for (const auto& [args, message] : cases) {
        SimProgramOptions o;
        o.device.firmware = 1234;
        EXPECT_EQ(parseSimProgramOptions(args, o), message);
        EXPECT_TRUE(o.device.firmware == 1234 && !o.pty) << message;
    }
    SimProgramOptions help;
    EXPECT_TRUE(parseSimProgramOptions({"--help"}, help).empty() && help.help) << "--help needs no line";
}

TEST(SimOptions, otherFrontEndsKeepTheirOwnArguments)
{
    SimConfig config;
    Args rest;
    EXPECT_EQ(
        parseSimDeviceOptions({"--ini", "x.ini", "--firmware", "1003", "--simulate", "--noise-bytes=4"}, config, &rest),
        "");
    EXPECT_EQ(std::tie(config.firmware, config.faults.noiseBytes, rest),
        std::make_tuple(1003, 4, Args {"--ini", "x.ini", "--simulate"}));

    EXPECT_EQ(parseSimDeviceOptions({"--ini", "x.ini"}, config), "unknown option '--ini'");
    EXPECT_EQ(parseSimDeviceOptions({"--firmware", "1006", "--boards", "x"}, config),
        "--boards: 'x' is not a whole number from 1 to 99");
    EXPECT_EQ(config.firmware, 1003) << "nothing taken over from a refused command line";
}

#ifndef _WIN32

#include <chrono>
#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Reads from fd until the text holds `until` (an empty one: until the data ends, which sets
// `ended`) or the time is up; never spins (poll blocks).
std::string readUntil(int fd, const std::string& until, std::chrono::milliseconds limit, bool* ended = nullptr)
{
    std::string text;
    const auto end = std::chrono::steady_clock::now() + limit;
    char buffer[256];
    for (pollfd p {fd, POLLIN, 0}; until.empty() || text.find(until) == std::string::npos;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            break;
        const auto n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0 && ended)
            *ended = true;
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

// lumivex-sim with these arguments, its standard output on a pipe.
struct Program {
    explicit Program(Args args)
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        args.insert(args.begin(), LUMIVEX_SIM_PATH);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        pid = ::fork();
        if (pid == 0) {
            ::dup2(fds[1], STDOUT_FILENO);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        out = fds[0];
    }
    // Its exit status, or -1 when it has not ended within the limit. Its end shows as the end of
    // its standard output, so the wait blocks in poll() instead of asking again and again.
    int wait(std::chrono::milliseconds limit)
    {
        bool ended = false;
        readUntil(out, "", limit, &ended);
        int status = 0;
        if (!ended || ::waitpid(pid, &status, 0) != pid)
            return -1;
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    ~Program()
    {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        if (out >= 0)
            ::close(out);
    }
    pid_t pid = -1;
    int out = -1;
};

} // namespace

TEST(SimProgram, servesAPseudoTerminalEndsOnSigtermAndEndsABadCommandLineWithStatusTwo)
{
    Program bad({"--pty", "--firmware", "none"});
    EXPECT_EQ(readUntil(bad.out, "\n", std::chrono::seconds(10)), "") << "nothing on standard output";
    EXPECT_EQ(bad.wait(std::chrono::seconds(10)), 2);

    Program sim({"--pty", "--firmware", "2002", "--input-io", "2@400"});
    const std::string first = readUntil(sim.out, "\n", std::chrono::seconds(10));
    const std::string path = first.substr(0, first.find('\n'));
    ASSERT_EQ(path.rfind("/dev/", 0), 0u) << first;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(::write(fd, "gethw\r", 6), 6);
    // The input message goes out 400 ms after the start, before or after the reply.
    std::string text = readUntil(fd, "InputIO2\r", std::chrono::seconds(5));
    if (text.find("LVXCS5-R2\r") == std::string::npos)
        text += readUntil(fd, "LVXCS5-R2\r", std::chrono::seconds(5));
    EXPECT_TRUE(text == "LVXCS5-R2\rInputIO2\r" || text == "InputIO2\rLVXCS5-R2\r")
        << text << ": raw mode, so no echo and no CR translation";
    ASSERT_EQ(::write(fd, "getrgbi9 1\r", 11), 11);
    EXPECT_EQ(readUntil(fd, "\r", std::chrono::seconds(5)), "ERROR\r");
    ::close(fd);
    ASSERT_EQ(::kill(sim.pid, SIGTERM), 0);
    EXPECT_EQ(sim.wait(std::chrono::seconds(5)), 0);
}

#endif
