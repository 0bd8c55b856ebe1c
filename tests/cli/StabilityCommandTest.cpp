// `lumivex-cli stability`: its options, and runs in virtual time against the in-process simulated
// device.
#include "cli/StabilityAnalysis.h"

#include "base/VirtualScheduler.h"
#include "cli/CliSession.h"
#include "cli/StabilityCommand.h"
#include "foundation/IniLocation.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"
#include "stability/StabilityFiles.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace lumivex;

namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

CliRun runStability(const test::TempDir& dir, std::vector<std::string> args, std::function<bool()> stop = {})
{
    args.insert(args.begin(), "--simulate");
    StabilityCommandOptions options;
    EXPECT_EQ(parseStabilityCommand(args, options), "");
    options.led.iniPath = dir.file("Lumivex.ini");
    VirtualScheduler scheduler;
    SimulatedDevice device(scheduler, options.led.simConfig);
    SimSerialBackend backend(scheduler, device);
    std::ostringstream out, err;
    CliRun result;
    result.status = runStabilityAnalysis(
        options, nativeIniSearchInput("/nowhere/lumivex-cli"), scheduler, backend, out, err, std::move(stop));
    result.out = out.str();
    result.err = err.str();
    return result;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

} // namespace

TEST(StabilityCommand, options)
{
    struct Case {
        const char* name;
        std::vector<std::string> args;
        const char* error; // empty: accepted
    };
    const Case cases[] = {
        {"the test's choice and the run's own",
            {"--simulate", "--board", "1", "--led", "3", "--mode", "pwm", "--average", "2", "--readings", "20",
                "--delay", "10", "--groups", "rgbi,xy", "--report", "r.txt", "--csv"},
            ""},
        {"readings missing", {"--simulate"}, "--readings N is needed"},
        {"too many readings", {"--simulate", "--readings", "101"}, "--readings takes a whole number from 1 to 100"},
        {"a delay below one tick", {"--simulate", "--readings", "2", "--delay", "5"}, "--delay takes 0 or"},
        {"an unknown group", {"--simulate", "--readings", "2", "--groups", "rgb"}, "--groups takes rgbi, hsi and xy"},
        {"two formats", {"--simulate", "--readings", "2", "--json", "--csv"}, "give --json or --csv, not both"},
        {"no device", {"--readings", "2"}, "give either --port NAME or --simulate"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StabilityCommandOptions o;
        const std::string error = parseStabilityCommand(c.args, o);
        if (*c.error == '\0')
            EXPECT_EQ(error, "");
        else
            EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    }
    StabilityCommandOptions o;
    ASSERT_EQ(parseStabilityCommand(cases[0].args, o), "");
    EXPECT_EQ(std::vector<int>({o.led.led, o.led.mode, *o.led.average, o.readings, o.delayMs}),
        std::vector<int>({3, 2, 2, 20, 10}));
    EXPECT_TRUE(o.rgbi && !o.hsi && o.xy && o.csv);
    EXPECT_EQ(o.reportPath, "r.txt");
}

TEST(StabilityCommand, readingsAsTheyArriveThenStatisticsAndTheReport)
{
    test::TempDir dir;
    // Board 1, LED 2 brightening by 60 % a minute, a reading every 500 ms.
    const auto r = runStability(dir,
        {"--led", "2", "--drift", "1:2:60", "--readings", "4", "--delay", "500", "--groups", "rgbi,xy", "--csv",
            "--report", dir.file("r.txt")});
    ASSERT_EQ(r.status, kCliSuccess) << r.err;
    const auto rows = lines(r.out);
    ASSERT_EQ(rows.size(), 5u) << r.out;
    EXPECT_EQ(rows[0], "reading,red,green,blue,intensity,x,y");
    int previous = 0;
    for (int n = 1; n <= 4; ++n) {
        std::istringstream fields(rows[static_cast<std::size_t>(n)]);
        std::vector<std::string> values;
        for (std::string v; std::getline(fields, v, ',');)
            values.push_back(v);
        ASSERT_EQ(values.size(), 7u);
        EXPECT_EQ(values[0], std::to_string(n));
        const int intensity = std::stoi(values[4]);
        EXPECT_GT(intensity, previous) << "the drift shows";
        previous = intensity;
    }
    EXPECT_NE(r.err.find("Duration: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("for 4 readings"), std::string::npos);

    const std::string data = test::readFile(dir.file("r.dat"));
    const auto companion = parseStabilityCompanion(data);
    ASSERT_TRUE(companion);
    ASSERT_EQ(companion->readings.size(), 4u);
    EXPECT_EQ(companion->readings[3].Intensity, previous);
    ASSERT_TRUE(companion->setup);
    EXPECT_EQ(companion->setup->ledIndex, 1);
    EXPECT_GE(companion->setup->durationMs, 4 * 500);
    EXPECT_NE(test::readFile(dir.file("r.txt")).find("No\tRed\tGreen\tBlue\tInt\tX\tY\r\n"), std::string::npos);
}

TEST(StabilityCommand, aStopRequestEndsAfterTheReadingInProgress)
{
    test::TempDir dir;
    int polls = 0;
    // Asked every 100 ms: true from the 13th time, in the pause after the second reading (about
    // 800 ms a reading); the pause ends at once.
    const auto r
        = runStability(dir, {"--readings", "10", "--delay", "500", "--json"}, [&polls] { return ++polls > 12; });
    ASSERT_EQ(r.status, kCliSuccess) << r.err;
    EXPECT_NE(r.out.find("\"completed\": true"), std::string::npos);
    EXPECT_NE(r.out.find("\"readings\": 2}}"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("\"reading\": 3"), std::string::npos);
    EXPECT_LT(r.out.find("\"durationMs\": 1"), r.out.find("\"readings\": ["));
}
