// `lumivex-cli measure` in virtual time against the in-process simulated device with two boards.
// The first run from a settings file, a pass against its reference and the outputs of a station
// run by the device's signal are checked end to end in measure_against_pty.sh.
#include "cli/ListMeasurement.h"
#include "cli/MeasureCommand.h"
#include "multisensor/KonfListFile.h"

#include "CliBench.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace lumivex;
using test::Args;
using test::CliRun;
using test::lines;

namespace {

// Files shared by several runs, each with its own simulated device made from its arguments.
struct Bench {
    Bench()
    {
        // Ten sensors set up alike: their capture time still to be sent, intensity within 10 %,
        // x and y within 0.01.
        std::string bytes;
        for (int index = 1; index <= 10; ++index) {
            CKonfList record = CKonfList::Default(index, {});
            record.TestMode = kKonfManualCapture;
            record.MeasureTime = kKonfMeasureTime200ms;
            record.ChangeFlags = KonfChange::Pending | KonfChange::MeasureTime | KonfChange::IntensPercent;
            record.DevIntensPercent = 10;
            record.OptionFlags = KonfOption::XyAbs;
            record.DevXYAbs = 0.01f;
            const auto image = encodeKonfRecord(record);
            bytes.append(reinterpret_cast<const char*>(image.data()), image.size());
        }
        test::writeFile(settings, bytes);
    }

    // `stop` ends a line station; `outputs` collects the simulated device's output states.
    CliRun run(Args args, std::function<bool(std::int64_t micros)> stop = {}, std::vector<std::string>* outputs = {})
    {
        args.insert(args.begin(), {"--simulate", "--boards", "2", "--firmware", "2002"});
        MeasureCommandOptions options;
        EXPECT_EQ(parseMeasureCommand(args, options), "");
        options.iniPath = dir.file("Lumivex.ini");
        test::SimBench sim(options.simConfig);
        if (outputs) {
            sim.device.setTrace([outputs](std::string_view direction, std::string_view text) {
                if (direction == "!")
                    outputs->emplace_back(text);
            });
        }
        const auto result = sim.run([&](auto&&... io) {
            return runListMeasurement(options, io..., [&] { return stop && stop(sim.scheduler.nowMicros()); });
        });
        if (outputs)
            outputs->push_back(std::string("at the end ") + (sim.device.model().output(0) ? "0=on" : "0=off")
                + (sim.device.model().output(1) ? " 1=on" : " 1=off"));
        return result;
    }

    test::TempDir dir;
    std::string settings = dir.file("line.cfg");
    std::string reference = dir.file("golden.ref");
    std::string report = dir.file("report.txt");
    const std::string led = "2:4:255,128,0:";
};

std::string summary(int passed, int failed, const char* result)
{
    return "\"summary\": {\"sensors\": 10, \"measured\": 10, \"compared\": 10, \"passed\": " + std::to_string(passed)
        + ", \"failed\": " + std::to_string(failed) + ", \"result\": \"" + result + "\"}";
}

} // namespace

TEST(ListMeasurement, rowsAndExitStatusFollowTheComparison)
{
    Bench bench;
    // Without settings no sensor is set up: every row dashed, nothing compared.
    const auto none = bench.run({});
    ASSERT_EQ(none.status, kCliSuccess) << none.err;
    auto rows = lines(none.out);
    ASSERT_EQ(rows.size(), 11u) << none.out;
    EXPECT_EQ(rows[0].rfind("No  ", 0), 0u) << rows[0];
    EXPECT_TRUE(rows[0].ends_with("Comparison"));
    for (std::size_t i = 1; i < rows.size(); ++i) {
        std::istringstream words(rows[i]);
        std::string number, word;
        words >> number;
        while (words >> word)
            EXPECT_EQ(word, "---") << rows[i];
    }

    // Kept as the reference: measured, not compared, and the "no reference" box is no complaint here.
    const auto golden = bench.run({"--sensor-led", bench.led + "30000", "--settings", bench.settings,
        "--save-reference", bench.reference, "--report", bench.report});
    ASSERT_EQ(golden.status, kCliSuccess) << golden.err;
    EXPECT_EQ(golden.err, "");
    EXPECT_NE(test::readFile(bench.report).find("\t --- \r\n"), std::string::npos);

    // A dimmer LED deviates in intensity only; the others pass. The same LEDs passing is checked
    // end to end in measure_against_pty.sh.
    const std::string led = bench.led + "15000";
    const auto r = bench.run({"--sensor-led", led, "--reference", bench.reference, "--report", bench.report});
    EXPECT_EQ(r.status, kCliDeviation) << r.err;
    rows = lines(r.out);
    ASSERT_EQ(rows.size(), 11u) << r.out;
    for (std::size_t i = 1; i < rows.size(); ++i)
        EXPECT_TRUE(rows[i].ends_with(i == 9 ? "Error -I-" : "-OK-")) << rows[i];
    const std::string report = test::readFile(bench.report);
    EXPECT_NE(report.find("\tError\t -I-\r\n"), std::string::npos);
    EXPECT_NE(report.find("\t -OK- \r\n"), std::string::npos);

    const auto json = bench.run({"--sensor-led", led, "--reference", bench.reference, "--json"});
    EXPECT_EQ(json.status, kCliDeviation);
    EXPECT_NE(json.out.find("\"reference\": \"golden.ref\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find(summary(9, 1, "failed")), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"deviations\": [\"intensity\"]"), std::string::npos) << json.out;
}

TEST(ListMeasurement, failuresExitWithOneAndSayWhy)
{
    Bench bench;
    test::writeFile(bench.dir.file("lonely.ref"), test::readFile(bench.settings)); // no lonely.dat beside it
    const std::pair<Args, const char*> cases[] = {
        {{"--settings", bench.dir.file("none.cfg")}, "cannot read sensor settings from"},
        {{"--reference", bench.dir.file("lonely.ref")}, "cannot load the reference"},
        {{"--silent-on", "gethw"}, "No valid response from command 19"},
        {{"--settings", bench.settings, "--error-on", "getxy"}, "Error by getting data"},
        {{"--firmware", "1007", "--on-input"},
            "--on-input needs the device's input signal, which firmware 1007 does not have"},
    };
    for (const auto& [args, said] : cases) {
        SCOPED_TRACE(said);
        const auto r = bench.run(args, [](std::int64_t) { return true; });
        EXPECT_EQ(r.status, kCliDeviceFailed);
        EXPECT_NE(r.err.find(said), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST(ListMeasurement, lineStationRunsOnEachStartSignalUntilStopped)
{
    Bench bench;
    ASSERT_EQ(bench
                  .run({"--sensor-led", bench.led + "30000", "--settings", bench.settings, "--save-reference",
                      bench.reference})
                  .status,
        kCliSuccess);

    // Start signals at 1 s and 6 s, another digit at 4 s that starts nothing; stopped at 10 s.
    std::vector<std::string> outputs;
    const auto station = bench.run(
        {"--sensor-led", bench.led + "15000", "--reference", bench.reference, "--on-input", "--input-io", "2@1000",
            "--input-io", "5@4000", "--input-io", "2@6000", "--report", bench.report},
        [](std::int64_t micros) { return micros > 10'000'000; }, &outputs);
    EXPECT_EQ(station.status, kCliSuccess) << station.err;
    const auto runs = lines(station.out);
    ASSERT_EQ(runs.size(), 2u) << station.out;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(runs[i]);
        EXPECT_EQ(runs[i].rfind("{\"run\": " + std::to_string(i + 1) + ", \"firmware\": 2002", 0), 0u);
        EXPECT_TRUE(runs[i].ends_with(summary(9, 1, "failed") + "}"));
    }
    EXPECT_NE(test::readFile(bench.report).find("\tError\t -I-\r\n"), std::string::npos);
    // Each run: both off before the capture, then fail (0) on and pass (1) off; at the end both
    // off and left so.
    const std::vector<std::string> run {
        "outputs 0=off 1=off", "outputs 0=off 1=off", "outputs 0=on 1=off", "outputs 0=on 1=off"};
    std::vector<std::string> expected = run;
    expected.insert(expected.end(), run.begin(), run.end());
    expected.insert(expected.end(), {"outputs 0=off 1=off", "outputs 0=off 1=off", "at the end 0=off 1=off"});
    EXPECT_EQ(outputs, expected);
}
