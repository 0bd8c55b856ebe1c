// `lumivex-cli stability` in virtual time against the in-process simulated device. All value
// groups, the statistics, --quiet and --log and the data file read back by inspect are checked end
// to end in stability_against_pty.sh.
#include "cli/StabilityCommand.h"
#include "cli/StabilityAnalysis.h"
#include "stability/StabilityFiles.h"

#include "CliBench.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace lumivex;

namespace {

test::CliRun runStability(const test::TempDir& dir, test::Args args, std::function<bool()> stop = {})
{
    args.insert(args.begin(), "--simulate");
    StabilityCommandOptions options;
    EXPECT_EQ(parseStabilityCommand(args, options), "");
    options.led.iniPath = dir.file("Lumivex.ini");
    test::SimBench sim(options.led.simConfig);
    return sim.run([&](auto&&... io) { return runStabilityAnalysis(options, io..., stop); });
}

} // namespace

TEST(StabilityCommand, readingsOfTheChosenGroupsAsTheyArriveThenStatisticsAndTheReport)
{
    test::TempDir dir;
    // Board 1, LED 2, a reading every 500 ms.
    const auto r = runStability(dir,
        {"--led", "2", "--readings", "4", "--delay", "500", "--groups", "rgbi,xy", "--csv", "--report",
            dir.file("r.txt")});
    ASSERT_EQ(r.status, kCliSuccess) << r.err;
    const auto rows = test::lines(r.out);
    ASSERT_EQ(rows.size(), 5u) << r.out;
    EXPECT_EQ(rows[0], "reading,red,green,blue,intensity,x,y");
    for (std::size_t n = 1; n <= 4; ++n) {
        EXPECT_EQ(rows[n].rfind(std::to_string(n) + ",", 0), 0u) << rows[n];
        EXPECT_EQ(std::count(rows[n].begin(), rows[n].end(), ','), 6) << rows[n];
    }
    EXPECT_NE(r.err.find("\nDuration: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(" ms for 4 readings\n"), std::string::npos);

    const auto companion = parseStabilityCompanion(test::readFile(dir.file("r.dat")));
    ASSERT_TRUE(companion && companion->setup);
    ASSERT_EQ(companion->readings.size(), 4u);
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
