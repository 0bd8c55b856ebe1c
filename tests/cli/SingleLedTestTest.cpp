// `lumivex-cli test` in virtual time against the in-process simulated device. The printed fields
// and the JSON document's layout are checked end to end in cli_against_pty.sh.
#include "cli/SingleLedTest.h"
#include "cli/TestCommand.h"

#include "CliBench.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

using namespace lumivex;
using test::Args;
using test::CliRun;
using test::SimBench;

namespace {

// One test with `args` against `bench`'s device, which several runs may share.
CliRun runTest(SimBench& bench, const Args& args)
{
    TestCommandOptions options;
    EXPECT_EQ(parseTestCommand(args, options), "");
    options.iniPath = bench.ini;
    return bench.run([&](auto&&... io) { return runSingleLedTest(options, io...); });
}

// One test against a device of its own, made from the simulator options among `args`.
CliRun runTest(const Args& args)
{
    TestCommandOptions options;
    EXPECT_EQ(parseTestCommand(args, options), "");
    SimBench bench(options.simConfig);
    const CliRun result = runTest(bench, args);
    EXPECT_FALSE(std::filesystem::exists(bench.ini)) << "the settings are read, never written";
    return result;
}

// The status of one value in the JSON document, or "missing".
std::string statusOf(const std::string& json, const std::string& name)
{
    std::smatch match;
    const std::regex value("\"" + name + "\": \\{\"value\": [^,]+, \"status\": \"(\\w+)\"\\}");
    return std::regex_search(json, match, value) ? match[1].str() : "missing";
}

} // namespace

TEST(SingleLedTest, valueStatusesAndTheExitStatusFollowTheReading)
{
    struct Case {
        const char* name;
        const char* led; // --sensor-led
        std::vector<std::pair<std::string, std::string>> statuses;
        const char* overall;
        int exit;
    };
    const Case cases[] = {
        {"orange", "1:1:255,128,0:30000",
            {{"counts.red", "ok"}, {"share.red", "ok"}, {"percent.intensity", "ok"}, {"intensity", "ok"}, {"hue", "ok"},
                {"x", "ok"}, {"cct_k", "ok"}, {"duv", "ok"}},
            "ok", kCliSuccess},
        {"saturated", "1:1:255,128,0:99999",
            {{"counts.red", "overflow"}, {"counts.green", "ok"}, {"share.red", "overflow"}, {"share.green", "invalid"},
                {"percent.intensity", "overflow"}, {"intensity", "overflow"}, {"hue", "invalid"}, {"cct_k", "invalid"}},
            "overflow", kCliOutOfRange},
        {"dark", "1:1:255,128,0:0",
            {{"counts.red", "underflow"}, {"counts.blue", "underflow"}, {"share.green", "underflow"},
                {"percent.intensity", "underflow"}, {"intensity", "underflow"}, {"x", "invalid"}, {"cct_k", "invalid"},
                {"duv", "invalid"}},
            "underflow", kCliOutOfRange},
        {"green, far from the locus", "1:1:0,255,0:30000",
            {{"counts.green", "ok"}, {"x", "ok"}, {"y", "ok"}, {"duv", "invalid"}}, "invalid", kCliSuccess},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto json = runTest({"--simulate", "--sensor-led", c.led, "--json"});
        EXPECT_EQ(json.status, c.exit) << json.err;
        for (const auto& [name, status] : c.statuses)
            EXPECT_EQ(statusOf(json.out, name), status) << name << " in " << json.out;
        EXPECT_NE(json.out.find(std::string("\"status\": \"") + c.overall + "\"}\n"), std::string::npos) << json.out;
    }
}

TEST(SingleLedTest, theDeviceIsFoundOrTheFailureSaysWhy)
{
    EXPECT_EQ(runTest({"--port", "Auto"}).status, kCliSuccess);
    // The simulator's options reach the device only with --simulate; here it answers nothing.
    SimConfig silent;
    silent.faults.silentOn = {"gethw"};
    SimBench bench(silent);
    const auto none = runTest(bench, {"--port", "Auto"});
    EXPECT_EQ(none.status, kCliDeviceFailed);
    EXPECT_EQ(none.err, "lumivex-cli: no sensor device answered on any serial port\n");

    // A silent device, and a test that stalls.
    for (const auto& [request, said] :
        {std::pair {"gethw", "No valid response from command 19"}, {"getxy", "No valid response from command 8"}}) {
        const auto r = runTest({"--simulate", "--silent-on", request});
        EXPECT_EQ(r.status, kCliDeviceFailed);
        EXPECT_NE(r.err.find(said), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST(SingleLedTest, detailsAddTheIdentityAndTheTestedSensorsOffsetsAndDistance)
{
    struct Case {
        const char* firmware;
        const char* expected; // after "Color temperature"
        const char* sensorJson;
    };
    const Case cases[] = {
        {"1007",
            "Hardware: LVXCS5-R2\nSerial Number: 1042\nFirmware Number: 1007\nX offset: -0.0125\nY offset: 0.0300\n"
            "Distance: 7.5\n",
            "\"sensor\": {\"xOffset\": -0.0125, \"yOffset\": 0.03, \"distance\": 7.5}"},
        {"1006", // none below 1007
            "Hardware: LVXCS5-R2\nSerial Number: 1042\nFirmware Number: 1006\nX offset: \nY offset: \nDistance: \n",
            "\"sensor\": {\"xOffset\": null, \"yOffset\": null, \"distance\": null}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firmware);
        Args args {"--simulate", "--firmware", c.firmware, "--boards", "2", "--board", "2", "--led", "4", "--details"};
        TestCommandOptions options;
        ASSERT_EQ(parseTestCommand(args, options), "");
        SimBench bench(options.simConfig);
        // As an earlier program left them; another sensor's values must not show.
        for (const char* request : {"setxoffset4-0.0125 2\r", "setyoffset4+0.0300 2\r", "setdistance47.5 2\r",
                 "setxoffset3+0.5000 2\r", "setdistance39.0 2\r"}) {
            bench.device.receive(request);
            bench.scheduler.advance(std::chrono::milliseconds(50));
        }
        const auto lines = runTest(bench, args);
        ASSERT_EQ(lines.status, kCliSuccess) << lines.err;
        const auto tail = lines.out.find("\nHardware: ");
        ASSERT_NE(tail, std::string::npos) << lines.out;
        EXPECT_EQ(lines.out.substr(tail + 1), c.expected);
        EXPECT_NE(lines.out.rfind("\nColor temperature: ", tail), std::string::npos) << "the window's fields first";

        args.push_back("--json");
        const auto json = runTest(bench, args);
        ASSERT_EQ(json.status, kCliSuccess) << json.err;
        EXPECT_NE(json.out.find(c.sensorJson), std::string::npos) << json.out;
    }
}

TEST(SingleLedTest, aPwmTestAfterALongUserCaptureSetsTheCaptureTimeItsTimeOutAssumes)
{
    SimBench bench;
    // --log puts the log there alone, not beside the settings.
    const std::string log = bench.dir.file("elsewhere.log");
    const auto user = runTest(bench, {"--simulate", "--mode", "user", "--user-time", "10000", "--quiet", "--log", log});
    ASSERT_EQ(user.status, kCliSuccess) << user.err;
    EXPECT_NE(test::readFile(log).find("Log - START"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(bench.dir.file("Lumivex.log")));
    ASSERT_EQ(bench.device.model().sensor(1, 1).code, 8) << "the device keeps the user capture's code";

    const auto pwm = runTest(bench, {"--simulate", "--mode", "pwm"});
    EXPECT_EQ(pwm.status, kCliSuccess) << pwm.err;
    EXPECT_EQ(bench.device.model().sensor(1, 1).code, 2);
    EXPECT_EQ(runTest(bench, {"--simulate", "--mode", "pwm", "--average", "3"}).status, kCliSuccess);
}

TEST(SingleLedTest, aUserTimeFromTheSettingsIsCheckedLikeUserTime)
{
    struct Case {
        const char* name;
        const char* userRange;
        const char* userTime; // --user-time, or none
        int status;
        int sent; // the user time the device got
    };
    const Case cases[] = {
        {"negative", "-00005", nullptr, kCliUsage, 0},
        {"zero", "0", nullptr, kCliUsage, 0},
        {"too long", "123456", nullptr, kCliUsage, 0},
        {"the longest", "10000", nullptr, kCliSuccess, 10000},
        {"replaced by --user-time", "123456", "300", kCliSuccess, 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimBench bench;
        std::ofstream(bench.ini) << "[SYSTEM]\nUserRange=" << c.userRange << "\n";
        Args args {"--simulate", "--mode", "user"};
        if (c.userTime)
            args.insert(args.end(), {"--user-time", c.userTime});
        const auto r = runTest(bench, args);
        EXPECT_EQ(r.status, c.status) << r.err;
        if (c.status == kCliSuccess) {
            EXPECT_EQ(bench.device.model().board(1).userTime, c.sent);
        } else {
            EXPECT_EQ(bench.device.requestCount(), 0) << "nothing is sent";
            EXPECT_NE(r.err.find("UserRange in " + bench.ini + " takes a whole number from 1 to 10000, not \""),
                std::string::npos)
                << r.err;
        }
    }
}
