// The command-line test in virtual time against the in-process simulated device.
#include "cli/SingleLedTest.h"
#include "app/IniLocation.h"
#include "base/VirtualScheduler.h"
#include "cli/TestCommand.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"

#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

using namespace lumivex;

namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

CliRun run(const std::vector<std::string>& args)
{
    test::TempDir dir;
    TestCommandOptions options;
    EXPECT_EQ(parseTestCommand(args, options), "");
    options.iniPath = dir.file("Lumivex.ini");
    VirtualScheduler scheduler;
    SimulatedDevice device(scheduler, options.simConfig);
    SimSerialBackend backend(scheduler, device);
    std::ostringstream out, err;
    CliRun result;
    result.status
        = runSingleLedTest(options, nativeIniSearchInput("/nowhere/lumivex-cli"), scheduler, backend, out, err);
    result.out = out.str();
    result.err = err.str();
    EXPECT_FALSE(std::filesystem::exists(dir.file("Lumivex.ini"))) << "the settings are read, never written";
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

TEST(SingleLedTest, jsonHoldsTheSameKeys)
{
    const auto r = run({"--simulate", "--firmware", "1003", "--json"});
    ASSERT_EQ(r.status, kCliSuccess) << r.err;
    for (const char* key : {"\"Red\": ", "\"INTENSITY\": ", "\"Hue\": ", "\"Color temperature\": "})
        EXPECT_NE(r.out.find(key), std::string::npos) << key << " in " << r.out;
    EXPECT_EQ(r.out.front(), '{');
    EXPECT_EQ(r.out.substr(r.out.size() - 2), "}\n");
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
