#include "cli/TestCommand.h"

#include <gtest/gtest.h>

using namespace lumivex;
using Args = std::vector<std::string>;

namespace {
std::string parse(const Args& args, TestCommandOptions& options)
{
    options = TestCommandOptions {};
    return parseTestCommand(args, options);
}
} // namespace

TEST(TestCommand, readsEveryOptionAndTheSimulatorsOwn)
{
    TestCommandOptions o;
    ASSERT_EQ(parse({"--simulate", "--firmware", "1006", "--boards=3", "--board", "3", "--led", "5", "--mode", "pwm",
                        "--average", "15", "--json", "--details", "--ini", "/tmp/x.ini"},
                  o),
        "");
    EXPECT_TRUE(o.simulate);
    EXPECT_EQ(o.simConfig.firmware, 1006);
    EXPECT_EQ(o.simConfig.boards, 3);
    EXPECT_EQ(o.board, 3);
    EXPECT_EQ(o.led, 5);
    EXPECT_EQ(o.mode, 2);
    EXPECT_EQ(o.average, 15);
    EXPECT_TRUE(o.json);
    EXPECT_TRUE(o.details);
    EXPECT_EQ(o.iniPath, "/tmp/x.ini");

    ASSERT_EQ(parse({"--port", "Auto", "--mode", "user", "--user-time", "250", "--user-area", "3x3"}, o), "");
    EXPECT_EQ(o.port, "Auto");
    EXPECT_EQ(o.userTime, 250);
    EXPECT_EQ(o.userArea, 0);
}

TEST(TestCommand, usageErrorsNameWhatIsWrong)
{
    TestCommandOptions o;
    const std::pair<Args, std::string> cases[] = {
        {{}, "give either --port NAME or --simulate"},
        {{"--port", "COM1", "--simulate"}, "give either --port NAME or --simulate"},
        {{"--port"}, "--port needs a port name"},
        {{"--port", "--json"}, "--port needs a port name"},
        {{"--port", "-h"}, "--port needs a port name"},
        {{"--ini", "--simulate"}, "--ini needs a path"},
        {{"--simulate", "--led", "--json"}, "--led needs a value"},
        {{"--simulate", "--mode", "user", "--user-time", "-5"},
            "--user-time takes a whole number from 1 to 10000, not \"-5\""},
        {{"--simulate", "--led", "6"}, "--led takes a whole number from 1 to 5, not \"6\""},
        {{"--simulate", "--range", "3x"}, "--range takes a whole number from 0 to 11, not \"3x\""},
        {{"--simulate", "--mode", "auto"}, "--mode is manual, user or pwm, not \"auto\""},
        {{"--simulate", "--mode", "pwm", "--range", "2"}, "--range belongs to --mode manual"},
        {{"--simulate", "--user-time", "100"}, "--user-time and --user-area belong to --mode user"},
        {{"--simulate", "--board", "2"}, "--board 2: the simulated device has 1 board(s)"},
        {{"--port", "COM1", "--firmware", "1006"}, "unknown argument \"--firmware\""},
        {{"--simulate", "--bogus"}, ""},
    };
    for (const auto& [args, expected] : cases) {
        const auto error = parse(args, o);
        if (expected.empty())
            EXPECT_FALSE(error.empty()) << args.back();
        else
            EXPECT_EQ(error, expected);
    }
    EXPECT_EQ(parse({"--help"}, o), "");
    EXPECT_TRUE(o.help);
    EXPECT_NE(testCommandHelp().find("--user-area"), std::string::npos);
    EXPECT_NE(testCommandHelp().find("--details"), std::string::npos);
    EXPECT_NE(testCommandHelp().find("--chunk"), std::string::npos) << "the simulator's options are documented";
}

TEST(TestCommand, everyCommandsOutputOptionsAreTakenOutOfTheArguments)
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
        if (!c.error.empty())
            continue;
        EXPECT_EQ(output.logPath, c.logPath);
        EXPECT_EQ(output.quiet, c.quiet);
        EXPECT_EQ(args, c.rest);
    }
    TestCommandOptions o;
    ASSERT_EQ(parse({"--simulate", "--quiet", "--log", "x.log"}, o), "");
    EXPECT_TRUE(o.output.quiet);
    EXPECT_EQ(o.output.logPath, "x.log");
}
