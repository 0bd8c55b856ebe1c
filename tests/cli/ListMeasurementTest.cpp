// `lumivex-cli measure`: its options, and runs in virtual time against the in-process simulated
// device with two boards.
#include "cli/ListMeasurement.h"
#include "base/VirtualScheduler.h"
#include "cli/CliSession.h"
#include "cli/MeasureCommand.h"
#include "foundation/IniLocation.h"
#include "multisensor/KonfListFile.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>

using namespace lumivex;

namespace {

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

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
    CliRun run(std::vector<std::string> args, std::function<bool(std::int64_t micros)> stop = {},
        std::vector<std::string>* outputs = nullptr)
    {
        args.insert(args.begin(), {"--simulate", "--boards", "2", "--firmware", "2002"});
        MeasureCommandOptions options;
        EXPECT_EQ(parseMeasureCommand(args, options), "");
        options.iniPath = dir.file("Lumivex.ini");
        VirtualScheduler scheduler;
        SimulatedDevice device(scheduler, options.simConfig);
        SimSerialBackend backend(scheduler, device);
        if (outputs) {
            device.setTrace([outputs](std::string_view direction, std::string_view text) {
                if (direction == "!")
                    outputs->emplace_back(text);
            });
        }
        std::ostringstream out, err;
        CliRun result;
        result.status = runListMeasurement(options, nativeIniSearchInput("/nowhere/lumivex-cli"), scheduler, backend,
            out, err, [&] { return stop && stop(scheduler.nowMicros()); });
        if (outputs)
            outputs->push_back(std::string("at the end ") + (device.model().output(0) ? "0=on" : "0=off")
                + (device.model().output(1) ? " 1=on" : " 1=off"));
        result.out = out.str();
        result.err = err.str();
        return result;
    }

    test::TempDir dir;
    std::string settings = dir.file("line.cfg");
    std::string reference = dir.file("golden.ref");
    std::string report = dir.file("report.txt");
};

} // namespace

TEST(MeasureCommand, options)
{
    struct Case {
        const char* name;
        std::vector<std::string> args;
        const char* error; // empty: accepted
    };
    const Case cases[] = {
        {"simulated with every file",
            {"--simulate", "--boards", "2", "--settings", "a.cfg", "--save-reference", "b.ref", "--report=r.txt",
                "--json"},
            ""},
        {"port and reference", {"--port", "/dev/ttyUSB0", "--reference", "a.ref"}, ""},
        {"no device", {"--settings", "a.cfg"}, "give either --port NAME or --simulate"},
        {"two devices", {"--port", "COM1", "--simulate"}, "give either --port NAME or --simulate"},
        {"settings beside a reference", {"--simulate", "--settings", "a.cfg", "--reference", "b.ref"},
            "give --settings or --reference, not both"},
        {"a path missing", {"--simulate", "--report"}, "--report needs a path"},
        {"an option as the path", {"--simulate", "--settings", "--json"}, "--settings needs a path"},
        {"simulator option without --simulate", {"--port", "COM1", "--boards", "2"}, "unknown argument \"--boards\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MeasureCommandOptions o;
        const std::string error = parseMeasureCommand(c.args, o);
        if (*c.error == '\0')
            EXPECT_EQ(error, "");
        else
            EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    }
    MeasureCommandOptions o;
    ASSERT_EQ(parseMeasureCommand(cases[0].args, o), "");
    EXPECT_EQ(o.simConfig.boards, 2);
    EXPECT_EQ(std::vector<std::string>({o.settingsPath, o.saveReferencePath, o.reportPath}),
        std::vector<std::string>({"a.cfg", "b.ref", "r.txt"}));
    EXPECT_TRUE(o.json);
    for (const char* option : {"--settings", "--reference", "--save-reference", "--report", "--json", "Exit status"})
        EXPECT_NE(measureCommandHelp().find(option), std::string::npos) << option;
}

TEST(ListMeasurement, rowsAndExitStatusFollowTheComparison)
{
    Bench bench;
    const std::string led = "2:4:255,128,0:";

    // Without settings no sensor is set up: every row dashed, nothing compared.
    const auto none = bench.run({});
    ASSERT_EQ(none.status, kCliSuccess) << none.err;
    auto rows = lines(none.out);
    ASSERT_EQ(rows.size(), 11u) << none.out;
    EXPECT_EQ(rows[0].rfind("No  ", 0), 0u) << rows[0];
    EXPECT_TRUE(endsWith(rows[0], "Comparison"));
    for (std::size_t i = 1; i < rows.size(); ++i) {
        std::istringstream words(rows[i]);
        std::string number, word;
        words >> number;
        while (words >> word)
            EXPECT_EQ(word, "---") << rows[i];
    }

    // Set up and kept as the reference: measured, not compared, and the "no reference" box is
    // no complaint here.
    const auto golden = bench.run({"--sensor-led", led + "30000", "--settings", bench.settings, "--save-reference",
        bench.reference, "--report", bench.report});
    ASSERT_EQ(golden.status, kCliSuccess) << golden.err;
    EXPECT_EQ(golden.err, "");
    rows = lines(golden.out);
    ASSERT_EQ(rows.size(), 11u);
    EXPECT_TRUE(endsWith(rows[9], "MAN-MED  3 x 3  ---")) << rows[9];
    EXPECT_TRUE(std::filesystem::exists(bench.dir.file("golden.dat")));
    EXPECT_NE(test::readFile(bench.report).find("\t --- \r\n"), std::string::npos);

    struct Case {
        const char* name;
        int intensity;
        int status;
        const char* sensor9; // the comparison of board 2, LED 4
    };
    const Case cases[] = {
        {"the same LEDs pass", 30000, kCliSuccess, "-OK-"},
        {"a dimmer LED deviates in intensity only", 15000, kCliDeviation, "Error -I-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r = bench.run({"--sensor-led", led + std::to_string(c.intensity), "--reference", bench.reference,
            "--report", bench.report});
        EXPECT_EQ(r.status, c.status) << r.err;
        rows = lines(r.out);
        ASSERT_EQ(rows.size(), 11u) << r.out;
        for (std::size_t i = 1; i < rows.size(); ++i)
            EXPECT_TRUE(endsWith(rows[i], i == 9 ? c.sensor9 : "-OK-")) << rows[i];
        const std::string report = test::readFile(bench.report);
        EXPECT_NE(report.find(c.status == kCliSuccess ? "\t -OK- \r\n" : "\tError\t -I-\r\n"), std::string::npos)
            << report;

        const auto json
            = bench.run({"--sensor-led", led + std::to_string(c.intensity), "--reference", bench.reference, "--json"});
        EXPECT_EQ(json.status, c.status);
        EXPECT_NE(json.out.find("\"reference\": \"golden.ref\""), std::string::npos) << json.out;
        EXPECT_NE(json.out.find(c.status == kCliSuccess
                          ? "\"summary\": {\"sensors\": 10, \"measured\": 10, \"compared\": 10, \"passed\": 10, "
                            "\"failed\": 0, \"result\": \"passed\"}"
                          : "\"summary\": {\"sensors\": 10, \"measured\": 10, \"compared\": 10, \"passed\": 9, "
                            "\"failed\": 1, \"result\": \"failed\"}"),
            std::string::npos)
            << json.out;
        EXPECT_EQ(json.out.find("\"deviations\": [\"intensity\"]") != std::string::npos, c.status == kCliDeviation);
    }
}

TEST(ListMeasurement, failuresExitWithOneAndSayWhy)
{
    Bench bench;
    test::writeFile(bench.dir.file("lonely.ref"), test::readFile(bench.settings)); // no lonely.dat beside it
    struct Case {
        const char* name;
        std::vector<std::string> args;
        const char* said;
    };
    const Case cases[] = {
        {"settings file missing", {"--settings", bench.dir.file("none.cfg")}, "cannot read sensor settings from"},
        {"reference without its data", {"--reference", bench.dir.file("lonely.ref")}, "cannot load the reference"},
        {"device silent", {"--silent-on", "gethw"}, "No valid response from command 19"},
        {"read refused", {"--settings", bench.settings, "--error-on", "getxy"}, "Error by getting data"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r = bench.run(c.args);
        EXPECT_EQ(r.status, kCliDeviceFailed);
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST(ListMeasurement, lineStationRunsOnEachStartSignalUntilStopped)
{
    Bench bench;
    const std::string led = "2:4:255,128,0:";
    ASSERT_EQ(
        bench.run({"--sensor-led", led + "30000", "--settings", bench.settings, "--save-reference", bench.reference})
            .status,
        kCliSuccess);

    // Start signals at 1 s and 6 s, another digit at 4 s that starts nothing; stopped at 10 s.
    std::vector<std::string> outputs;
    const auto station = bench.run(
        {"--sensor-led", led + "15000", "--reference", bench.reference, "--on-input", "--input-io", "2@1000",
            "--input-io", "5@4000", "--input-io", "2@6000", "--report", bench.report},
        [](std::int64_t micros) { return micros > 10'000'000; }, &outputs);
    EXPECT_EQ(station.status, kCliSuccess) << station.err;
    const auto runs = lines(station.out);
    ASSERT_EQ(runs.size(), 2u) << station.out;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(runs[i]);
        EXPECT_EQ(runs[i].rfind("{\"run\": " + std::to_string(i + 1) + ", \"firmware\": 2002", 0), 0u);
        EXPECT_TRUE(endsWith(runs[i], "\"passed\": 9, \"failed\": 1, \"result\": \"failed\"}}"));
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

    const auto old = bench.run({"--firmware", "1007", "--on-input"}, [](std::int64_t) { return true; });
    EXPECT_EQ(old.status, kCliDeviceFailed);
    EXPECT_NE(old.err.find("--on-input needs the device's input signal, which firmware 1007 does not have"),
        std::string::npos)
        << old.err;
}
