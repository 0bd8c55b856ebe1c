// The simulated device's command-line options, shared by every front-end.
#include "sim/SimOptions.h"

#include <gtest/gtest.h>

#include <tuple>

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
    EXPECT_EQ(std::tie(c.firmware, c.boards, c.seed, c.hardwareText, c.serialText, c.longIdentity, c.lineEnd),
        std::make_tuple(2002, 3, 99u, "ABCDEFGHI", "S-07", true, "\r\n"));
    EXPECT_DOUBLE_EQ(c.jitterPercent, 0.5);
    ASSERT_EQ(c.leds.size(), 3u);
    const SimLed& first = c.leds[0].led;
    EXPECT_EQ(std::tie(c.leds[0].board, c.leds[0].sensor, first.red, first.green, first.blue, first.intensity),
        std::make_tuple(2, 4, 10, 20, 30, 99999));
    EXPECT_DOUBLE_EQ(first.driftPercentPerMinute, -1.5) << "drift joins the LED given before";
    EXPECT_EQ(c.leds[1].led.intensity, defaultSimLed(1, 1).intensity) << "no intensity: the default stays";
    EXPECT_EQ(c.leds[2].led.flickerPeriodMs, 250);
    EXPECT_DOUBLE_EQ(c.leds[2].led.flickerPercent, 20.0);
    ASSERT_EQ(c.inputEvents.size(), 2u);
    EXPECT_EQ(
        std::tie(c.inputEvents[0].digit, c.inputEvents[0].afterMs, c.inputEvents[1].digit, c.inputEvents[1].afterMs),
        std::make_tuple(2, 1500, 5, 0));
    const SimFaults& f = c.faults;
    EXPECT_EQ(f.latencyAt, (std::map<int, int> {{1, 0}, {5, 2500}}));
    EXPECT_EQ(std::tie(f.latencyMs, f.paceBaud, f.chunkSize, f.chunkGapUs, f.noiseBytes, f.multiLine, f.multiLineLead),
        std::make_tuple(40, 9600, 3, 12000, 2, true, "#"));
    EXPECT_EQ(f.errorOn, (std::set<std::string> {"capture", "getxy"}));
    EXPECT_EQ(f.silentOn, (std::set<std::string> {"gethw"}));
    EXPECT_EQ(f.disconnectAfter, 0);

    // The help names every option.
    const std::string help = simProgramHelp();
    for (const std::string& a : args) {
        if (a.rfind("--", 0) == 0) {
            EXPECT_NE(help.find(a.substr(0, a.find('='))), std::string::npos) << a;
        }
    }
    for (const char* more : {"--port NAME", "--baud", "--noise-bytes"})
        EXPECT_NE(help.find(more), std::string::npos) << more;
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
        EXPECT_EQ(o.device.firmware, 1234) << message;
        EXPECT_FALSE(o.pty) << message;
    }
    SimProgramOptions help;
    EXPECT_EQ(parseSimProgramOptions({"--help"}, help), "") << "--help needs no line";
    EXPECT_TRUE(help.help);
}

TEST(SimOptions, otherFrontEndsKeepTheirOwnArguments)
{
    SimConfig config;
    Args rest;
    EXPECT_EQ(
        parseSimDeviceOptions({"--ini", "x.ini", "--firmware", "1003", "--simulate", "--noise-bytes=4"}, config, &rest),
        "");
    EXPECT_EQ(config.firmware, 1003);
    EXPECT_EQ(config.faults.noiseBytes, 4);
    EXPECT_EQ(rest, (Args {"--ini", "x.ini", "--simulate"}));

    EXPECT_EQ(parseSimDeviceOptions({"--ini", "x.ini"}, config), "unknown option '--ini'");
    EXPECT_EQ(parseSimDeviceOptions({"--firmware", "1006", "--boards", "x"}, config),
        "--boards: 'x' is not a whole number from 1 to 99");
    EXPECT_EQ(config.firmware, 1003) << "nothing taken over from a refused command line";
}
