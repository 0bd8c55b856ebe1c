// The options of every lumivex-cli command: what each one reads, and the usage error that names
// what is wrong.
#include "cli/MeasureCommand.h"
#include "cli/PortsCommand.h"
#include "cli/StabilityCommand.h"
#include "cli/TestCommand.h"

#include "CliBench.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

using namespace lumivex;
using test::Args;

namespace {

template<class Options, auto parse> std::string usage(const Args& args)
{
    Options options;
    return parse(args, options);
}

const auto parseTest = usage<TestCommandOptions, parseTestCommand>;
const auto parseMeasure = usage<MeasureCommandOptions, parseMeasureCommand>;
const auto parseStability = usage<StabilityCommandOptions, parseStabilityCommand>;
const auto parsePorts = usage<PortsCommandOptions, parsePortsCommand>;

const Args kEveryStabilityOption {"--simulate", "--board", "1", "--led", "3", "--mode", "pwm", "--average", "2",
    "--readings", "20", "--delay", "10", "--groups", "rgbi,xy", "--report", "r.txt", "--csv"};

} // namespace

TEST(CommandOptions, usageErrorsNameWhatIsWrong)
{
    struct Case {
        const char* name;
        std::string (*parse)(const Args&);
        Args args;
        const char* error; // how the usage error starts; empty: accepted
    };
    const Case cases[] = {
        {"test: no device", parseTest, {}, "give either --port NAME or --simulate"},
        {"test: two devices", parseTest, {"--port", "COM1", "--simulate"}, "give either --port NAME or --simulate"},
        {"test: port at the end", parseTest, {"--port"}, "--port needs a port name"},
        {"test: an option for the port", parseTest, {"--port", "--json"}, "--port needs a port name"},
        {"test: a short option for the port", parseTest, {"--port", "-h"}, "--port needs a port name"},
        {"test: an option for the settings", parseTest, {"--ini", "--simulate"}, "--ini needs a path"},
        {"test: an option for the LED", parseTest, {"--simulate", "--led", "--json"}, "--led needs a value"},
        {"test: a negative number is a value", parseTest, {"--simulate", "--mode", "user", "--user-time", "-5"},
            "--user-time takes a whole number from 1 to 10000, not \"-5\""},
        {"test: LED 6", parseTest, {"--simulate", "--led", "6"}, "--led takes a whole number from 1 to 5, not \"6\""},
        {"test: a range with a letter", parseTest, {"--simulate", "--range", "3x"},
            "--range takes a whole number from 0 to 11, not \"3x\""},
        {"test: unknown mode", parseTest, {"--simulate", "--mode", "auto"},
            "--mode is manual, user or pwm, not \"auto\""},
        {"test: a range in PWM mode", parseTest, {"--simulate", "--mode", "pwm", "--range", "2"},
            "--range belongs to --mode manual"},
        {"test: a user time in manual mode", parseTest, {"--simulate", "--user-time", "100"},
            "--user-time and --user-area belong to --mode user"},
        {"test: a board the simulator lacks", parseTest, {"--simulate", "--board", "2"},
            "--board 2: the simulated device has 1 board(s)"},
        {"test: a simulator option without --simulate", parseTest, {"--port", "COM1", "--firmware", "1006"},
            "unknown argument \"--firmware\""},
        {"test: unknown option", parseTest, {"--simulate", "--bogus"}, "unknown argument \"--bogus\""},
        {"measure: port and reference", parseMeasure, {"--port", "/dev/ttyUSB0", "--reference", "a.ref"}, ""},
        {"measure: settings beside a reference", parseMeasure,
            {"--simulate", "--settings", "a.cfg", "--reference", "b.ref"}, "give --settings or --reference, not both"},
        {"measure: a station overwriting its reference", parseMeasure,
            {"--simulate", "--on-input", "--save-reference", "b.ref"}, "--save-reference cannot be combined"},
        {"measure: a path missing", parseMeasure, {"--simulate", "--report"}, "--report needs a path"},
        {"measure: an option as the path", parseMeasure, {"--simulate", "--settings", "--json"},
            "--settings needs a path"},
        {"measure: a simulator option without --simulate", parseMeasure, {"--port", "COM1", "--boards", "2"},
            "unknown argument \"--boards\""},
        {"stability: readings missing", parseStability, {"--simulate"}, "--readings N is needed"},
        {"stability: too many readings", parseStability, {"--simulate", "--readings", "101"},
            "--readings takes a whole number from 1 to 100"},
        {"stability: a delay below one tick", parseStability, {"--simulate", "--readings", "2", "--delay", "5"},
            "--delay takes 0 or"},
        {"stability: an unknown group", parseStability, {"--simulate", "--readings", "2", "--groups", "rgb"},
            "--groups takes rgbi, hsi and xy"},
        {"stability: two formats", parseStability, {"--simulate", "--readings", "2", "--json", "--csv"},
            "give --json or --csv, not both"},
        {"stability: the test's options checked too", parseStability, {"--readings", "2"},
            "give either --port NAME or --simulate"},
        {"ports: a test's option", parsePorts, {"--probe", "--port", "COM1"}, "unknown argument \"--port\""},
        {"ports: settings without a path", parsePorts, {"--ini"}, "--ini needs a path"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string error = c.parse(c.args);
        EXPECT_EQ(error.substr(0, std::strlen(c.error)), c.error);
        EXPECT_EQ(error.empty(), *c.error == '\0') << error;
    }
}

TEST(CommandOptions, eachOptionLandsInItsField)
{
    TestCommandOptions t;
    ASSERT_EQ(parseTestCommand({"--simulate", "--firmware", "1006", "--boards=3", "--board=3", "--led", "5", "--mode",
                                   "pwm", "--average", "15", "--json", "--details", "--ini", "/tmp/x.ini"},
                  t),
        "");
    EXPECT_EQ(std::tuple(t.simulate, t.simConfig.firmware, t.simConfig.boards, t.board, t.led, t.mode, *t.average),
        std::tuple(true, 1006, 3, 3, 5, 2, 15));
    EXPECT_TRUE(t.json && t.details);
    EXPECT_EQ(t.iniPath, "/tmp/x.ini");
    TestCommandOptions user;
    ASSERT_EQ(
        parseTestCommand({"--port", "Auto", "--mode", "user", "--user-time", "250", "--user-area", "3x3"}, user), "");
    EXPECT_EQ(std::tuple(user.port, user.mode, *user.userTime, *user.userArea), std::tuple("Auto", 1, 250, 0));
    TestCommandOptions help;
    EXPECT_EQ(parseTestCommand({"--help"}, help), "");
    EXPECT_TRUE(help.help);
    EXPECT_NE(testCommandHelp().find("--chunk"), std::string::npos) << "the simulator's options are documented";

    MeasureCommandOptions m;
    ASSERT_EQ(parseMeasureCommand({"--simulate", "--boards", "2", "--settings", "a.cfg", "--save-reference", "b.ref",
                                      "--report=r.txt", "--json"},
                  m),
        "");
    EXPECT_EQ(std::tuple(m.simConfig.boards, m.settingsPath, m.saveReferencePath, m.reportPath, m.json),
        std::tuple(2, "a.cfg", "b.ref", "r.txt", true));

    StabilityCommandOptions s;
    ASSERT_EQ(parseStabilityCommand(kEveryStabilityOption, s), "");
    EXPECT_EQ(std::tuple(s.led.led, s.led.mode, *s.led.average, s.readings, s.delayMs, s.reportPath),
        std::tuple(3, 2, 2, 20, 10, "r.txt"));
    EXPECT_EQ(std::tuple(s.rgbi, s.hsi, s.xy, s.csv), std::tuple(true, false, true, true));
}

TEST(CommandOptions, everyCommandsOutputOptionsAreTakenOutOfTheArguments)
{
    struct Case {
        const char* name;
        Args args;
        std::string error;
        std::string logPath;
        bool quiet;
        Args rest;
    };
    const Case cases[] = {
        {"both", {"--quiet", "--port", "COM1", "--log", "run.log"}, "", "run.log", true, {"--port", "COM1"}},
        {"inline path", {"--log=/tmp/a b.log", "--json"}, "", "/tmp/a b.log", false, {"--json"}},
        {"no path", {"--log"}, "--log needs a path", "", false, {}},
        {"an option for a path", {"--log", "--quiet"}, "--log needs a path", "", false, {}},
        {"empty inline path", {"--log="}, "--log needs a path", "", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Args args = c.args;
        CliOutputOptions output;
        EXPECT_EQ(takeOutputOptions(args, output), c.error);
        if (c.error.empty()) {
            EXPECT_EQ(std::tie(output.logPath, output.quiet, args), std::tie(c.logPath, c.quiet, c.rest));
        }
    }
    TestCommandOptions o;
    ASSERT_EQ(parseTestCommand({"--simulate", "--quiet", "--log", "x.log"}, o), "");
    EXPECT_EQ(std::tuple(o.output.quiet, o.output.logPath), std::tuple(true, "x.log"));
}
