// The command-line test in virtual time against the in-process simulated device.
#include "cli/SingleLedTest.h"
#include "base/VirtualScheduler.h"
#include "cli/TestCommand.h"
#include "foundation/IniLocation.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"

#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

using namespace lumivex;

namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// One simulated device that several runs of the command, each with a new MainFrame, talk to.
struct Bench {
    explicit Bench(SimConfig config = {}) : device(scheduler, std::move(config)), backend(scheduler, device) { }

    CliRun run(const std::vector<std::string>& args)
    {
        TestCommandOptions options;
        EXPECT_EQ(parseTestCommand(args, options), "");
        options.iniPath = ini;
        std::ostringstream out, err;
        CliRun result;
        result.status
            = runSingleLedTest(options, nativeIniSearchInput("/nowhere/lumivex-cli"), scheduler, backend, out, err);
        result.out = out.str();
        result.err = err.str();
        return result;
    }
    // A request straight to the device, as an earlier program would have left it.
    void tell(const std::string& request)
    {
        device.receive(request);
        scheduler.advance(std::chrono::milliseconds(50));
    }

    test::TempDir dir;
    std::string ini = dir.file("Lumivex.ini");
    VirtualScheduler scheduler;
    SimulatedDevice device;
    SimSerialBackend backend;
};

CliRun run(const std::vector<std::string>& args)
{
    TestCommandOptions options;
    EXPECT_EQ(parseTestCommand(args, options), "");
    Bench bench(options.simConfig);
    const CliRun result = bench.run(args);
    EXPECT_FALSE(std::filesystem::exists(bench.ini)) << "the settings are read, never written";
    return result;
}

} // namespace

TEST(SingleLedTest, printsEveryFieldInWindowOrder)
{
    const auto r = run({"--simulate", "--led", "3", "--sensor-led", "1:3:255,128,0:30000"});
    ASSERT_EQ(r.status, kCliSuccess) << r.err;
    const std::regex lines("Red: \\d+\nGreen: \\d+\nBlue: \\d+\nRED: \\d+\nGREEN: \\d+\nBLUE: \\d+\nINTENSITY: \\d+ %\n"
                           "Hue: \\d+\\.\\d\\d\nSaturation: \\d+ %\nIntensity: \\d+\nX: 0\\.\\d{4}\nY: 0\\.\\d{4}\n"
                           "Color temperature: \\d+ K\n");
    EXPECT_TRUE(std::regex_match(r.out, lines)) << r.out;
    EXPECT_EQ(r.err, "");
}

// The status of one value in the JSON document, or "missing".
static std::string statusOf(const std::string& json, const std::string& name)
{
    std::smatch match;
    const std::regex value("\"" + name + "\": \\{\"value\": [^,]+, \"status\": \"(\\w+)\"\\}");
    return std::regex_search(json, match, value) ? match[1].str() : "missing";
}

TEST(SingleLedTest, jsonDescribesTheTestAndEachValuesStatus)
{
    const auto r = run({"--simulate", "--mode", "pwm", "--average", "3", "--json"});
    ASSERT_EQ(r.status, kCliSuccess) << r.err;
    const std::regex head("\\{\"version\": 2, \"time\": \"\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ\", "
                          "\"device\": \\{\"port\": \"SIM\", \"hardware\": \"LVXCS5-R2\", \"serial\": \"1042\", "
                          "\"firmware\": \\d+\\}, \"board\": 1, \"led\": 1, \"mode\": \"pwm\", \"averaging\": 3, "
                          "\"values\": \\{\"counts.red\": \\{\"value\": \\d+, \"status\": \"ok\"\\}.*\\}, "
                          "\"status\": \"\\w+\"\\}\n");
    EXPECT_TRUE(std::regex_match(r.out, head)) << r.out;
    EXPECT_EQ(r.out.find(" %"), std::string::npos) << "numbers as numbers";
}

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
        const auto json = run({"--simulate", "--sensor-led", c.led, "--json"});
        EXPECT_EQ(json.status, c.exit) << json.err;
        for (const auto& [name, status] : c.statuses)
            EXPECT_EQ(statusOf(json.out, name), status) << name << " in " << json.out;
        EXPECT_NE(json.out.find(std::string("\"status\": \"") + c.overall + "\"}\n"), std::string::npos) << json.out;
        EXPECT_EQ(run({"--simulate", "--sensor-led", c.led}).status, c.exit) << "lines exit alike";
    }
}

TEST(SingleLedTest, theLogGoesWhereLogSays)
{
    Bench bench;
    const std::string log = bench.dir.file("elsewhere.log");
    const auto r = bench.run({"--simulate", "--quiet", "--log", log});
    ASSERT_EQ(r.status, kCliSuccess) << r.err;
    std::ifstream file(log);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Log - START"), std::string::npos) << text;
    EXPECT_FALSE(std::filesystem::exists(bench.dir.file("Lumivex.log"))) << "nor in the settings' folder";
    EXPECT_FALSE(std::filesystem::exists(bench.ini)) << "nor written into the settings";
}

TEST(SingleLedTest, autoFindsTheDeviceOrSaysThatNoneAnswered)
{
    const auto found = run({"--port", "Auto"});
    EXPECT_EQ(found.status, kCliSuccess) << found.err;

    // The simulator's options reach the device only with --simulate; here it answers nothing.
    TestCommandOptions options;
    ASSERT_EQ(parseTestCommand({"--port", "Auto"}, options), "");
    test::TempDir dir;
    options.iniPath = dir.file("Lumivex.ini");
    VirtualScheduler scheduler;
    SimConfig silent;
    silent.faults.silentOn = {"gethw"};
    SimulatedDevice device(scheduler, silent);
    SimSerialBackend backend(scheduler, device);
    std::ostringstream out, err;
    EXPECT_EQ(runSingleLedTest(options, nativeIniSearchInput("/nowhere/lumivex-cli"), scheduler, backend, out, err),
        kCliDeviceFailed);
    EXPECT_EQ(err.str(), "lumivex-cli: no sensor device answered on any serial port\n");
}

TEST(SingleLedTest, aSilentDeviceOrAStalledTestExitsWithOneAndSaysWhy)
{
    auto silent = run({"--simulate", "--silent-on", "gethw"});
    EXPECT_EQ(silent.status, kCliDeviceFailed);
    EXPECT_NE(silent.err.find("No valid response from command 19"), std::string::npos) << silent.err;
    EXPECT_EQ(silent.out, "");

    auto stalled = run({"--simulate", "--silent-on", "getxy"});
    EXPECT_EQ(stalled.status, kCliDeviceFailed);
    EXPECT_NE(stalled.err.find("No valid response from command 8"), std::string::npos) << stalled.err;
}

TEST(SingleLedTest, detailsAddTheIdentityAndTheTestedSensorsOffsetsAndDistance)
{
    struct Case {
        const char* name;
        const char* firmware;
        const char* expected; // after "Color temperature"
        const char* sensorJson;
    };
    const Case cases[] = {
        {"offsets and distance", "1007",
            "Hardware: LVXCS5-R2\nSerial Number: 1042\nFirmware Number: 1007\nX offset: -0.0125\nY offset: 0.0300\n"
            "Distance: 7.5\n",
            "\"sensor\": {\"xOffset\": -0.0125, \"yOffset\": 0.03, \"distance\": 7.5}"},
        {"none below 1007", "1006",
            "Hardware: LVXCS5-R2\nSerial Number: 1042\nFirmware Number: 1006\nX offset: \nY offset: \nDistance: \n",
            "\"sensor\": {\"xOffset\": null, \"yOffset\": null, \"distance\": null}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::string> args {
            "--simulate", "--firmware", c.firmware, "--boards", "2", "--board", "2", "--led", "4", "--details"};
        TestCommandOptions options;
        ASSERT_EQ(parseTestCommand(args, options), "");
        Bench bench(options.simConfig);
        // Another sensor's values must not show.
        for (const char* request : {"setxoffset4-0.0125 2\r", "setyoffset4+0.0300 2\r", "setdistance47.5 2\r",
                 "setxoffset3+0.5000 2\r", "setdistance39.0 2\r"})
            bench.tell(request);
        const auto lines = bench.run(args);
        ASSERT_EQ(lines.status, kCliSuccess) << lines.err;
        const auto tail = lines.out.find("Hardware: ");
        ASSERT_NE(tail, std::string::npos) << lines.out;
        EXPECT_EQ(lines.out.substr(tail), c.expected);
        EXPECT_NE(lines.out.find("\nColor temperature: "), std::string::npos) << "the window's fields come first";

        auto jsonArgs = args;
        jsonArgs.push_back("--json");
        const auto json = bench.run(jsonArgs);
        ASSERT_EQ(json.status, kCliSuccess) << json.err;
        EXPECT_NE(json.out.find("\"hardware\": \"LVXCS5-R2\", \"serial\": \"1042\", \"firmware\": "
                      + std::string(c.firmware) + "}"),
            std::string::npos)
            << json.out;
        EXPECT_NE(json.out.find(c.sensorJson), std::string::npos) << json.out;
    }
}

TEST(SingleLedTest, aPwmTestAfterALongUserCaptureSetsTheCaptureTimeItsTimeOutAssumes)
{
    Bench bench;
    const auto user = bench.run({"--simulate", "--mode", "user", "--user-time", "10000"});
    ASSERT_EQ(user.status, kCliSuccess) << user.err;
    ASSERT_EQ(bench.device.model().sensor(1, 1).code, 8) << "the device keeps the user capture's code";

    const auto pwm = bench.run({"--simulate", "--mode", "pwm"});
    EXPECT_EQ(pwm.status, kCliSuccess) << pwm.err;
    EXPECT_EQ(bench.device.model().sensor(1, 1).code, 2);
    const auto again = bench.run({"--simulate", "--mode", "pwm", "--average", "3"});
    EXPECT_EQ(again.status, kCliSuccess) << again.err;
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
        Bench bench;
        {
            std::ofstream ini(bench.ini);
            ini << "[SYSTEM]\nUserRange=" << c.userRange << "\n";
        }
        std::vector<std::string> args {"--simulate", "--mode", "user"};
        if (c.userTime)
            args.insert(args.end(), {"--user-time", c.userTime});
        const auto r = bench.run(args);
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
