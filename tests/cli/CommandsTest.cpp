// The lumivex-cli commands in virtual time against the in-process simulated device, their usage
// errors, and inspect on files made here. The printed fields, the JSON layout, value groups,
// statistics, --quiet, --log, a measurement against a reference and a station run by the device's
// signal: end to end in *_against_pty.sh.
#include "base/VirtualScheduler.h"
#include "cli/InspectCommand.h"
#include "cli/ListMeasurement.h"
#include "cli/MeasureCommand.h"
#include "cli/PortsCommand.h"
#include "cli/SingleLedTest.h"
#include "cli/StabilityAnalysis.h"
#include "cli/StabilityCommand.h"
#include "cli/TestCommand.h"
#include "device/PortDirectory.h"
#include "foundation/IniLocation.h"
#include "foundation/Settings.h"
#include "multisensor/CKonfList.h"
#include "multisensor/CMessList.h"
#include "multisensor/KonfListFile.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"
#include "stability/StabilityFiles.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <tuple>

using namespace lumivex;

namespace {

using Args = std::vector<std::string>;

// One simulated device in virtual time and a settings folder, and a command's run against them
// with its exit status and what it printed.
struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

struct SimBench {
    explicit SimBench(SimConfig config = {}, SimPortConfig ports = {})
        : device(scheduler, std::move(config)), backend(scheduler, device, std::move(ports))
    {
    }

    // `command(search, scheduler, backend, out, err)` returns the exit status; no settings file is
    // found where the program would search for one.
    template<class Command> CliRun run(Command command)
    {
        std::ostringstream out, err;
        const int status = command(nativeIniSearchInput("/nowhere/lumivex-cli"), scheduler, backend, out, err);
        return {status, out.str(), err.str()};
    }

    test::TempDir dir;
    std::string ini = dir.file("Lumivex.ini");
    VirtualScheduler scheduler;
    SimulatedDevice device;
    SimSerialBackend backend;
};

template<class Options, auto parse> std::string usage(const Args& args)
{
    Options options;
    return parse(args, options);
}

const auto parseTest = usage<TestCommandOptions, parseTestCommand>;
const auto parseMeasure = usage<MeasureCommandOptions, parseMeasureCommand>;
const auto parseStability = usage<StabilityCommandOptions, parseStabilityCommand>;
const auto parsePorts = usage<PortsCommandOptions, parsePortsCommand>;

// The options of valid arguments.
template<class Options, auto parse> Options parsed(const Args& args)
{
    Options options;
    EXPECT_EQ(parse(args, options), "");
    return options;
}

// One test with `args` against `bench`'s device, which several runs may share.
CliRun runTest(SimBench& bench, const Args& args)
{
    auto options = parsed<TestCommandOptions, parseTestCommand>(args);
    options.iniPath = bench.ini;
    return bench.run([&](auto&&... io) { return runSingleLedTest(options, io...); });
}

// One test against a device of its own, made from the simulator options among `args`.
CliRun runTest(const Args& args)
{
    auto options = parsed<TestCommandOptions, parseTestCommand>(args);
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

CliRun runStability(const test::TempDir& dir, Args args, std::function<bool()> stop = {})
{
    args.insert(args.begin(), "--simulate");
    auto options = parsed<StabilityCommandOptions, parseStabilityCommand>(args);
    options.led.iniPath = dir.file("Lumivex.ini");
    SimBench sim(options.led.simConfig);
    return sim.run([&](auto&&... io) { return runStabilityAnalysis(options, io..., stop); });
}

class FixedPorts final : public PortDirectory {
public:
    std::vector<PortEntry> presentPorts() const override { return entries; }
    bool usesComNames() const override { return false; }
    std::vector<PortEntry> entries;
};

CliRun listPorts(const Args& args, const std::vector<PortEntry>& entries)
{
    auto options = parsed<PortsCommandOptions, parsePortsCommand>(args);
    SimBench sim({}, SimPortConfig {.silentPorts = {"/dev/ttyS0"}});
    options.iniPath = sim.ini;
    FixedPorts ports;
    ports.entries = entries;
    return sim.run([&](auto&&... io) { return runPortsCommand(options, ports, io...); });
}

const StabilitySetup kSetup {1, 7, 2, 3, 1, 1234};
const CBlinkData kReading {1, 0x0017, 85, -2, 84, 70000, 50, 1.5f, 0.25f, 0.5f};

// `readings` empty readings; `said` replaces the count the file gives.
std::string stabilityData(int readings, char said = 0)
{
    std::vector<CBlinkData> list;
    for (int n = 1; n <= readings; ++n)
        list.push_back({static_cast<std::uint16_t>(n)});
    std::string bytes = stabilityCompanionBytes(kSetup, list);
    bytes[0] = said ? said : bytes[0];
    return bytes;
}

template<class Image> std::string bytesOf(const Image& image)
{
    return std::string(reinterpret_cast<const char*>(image.data()), image.size());
}

std::string settingsFile(int records)
{
    std::string bytes;
    for (int i = 1; i <= records; ++i)
        bytes += bytesOf(encodeKonfRecord(CKonfList::Default(i, DeviationSettings::fromSettings(Settings {}))));
    return bytes;
}

std::string referenceFile()
{
    CMessList record = CMessList::Empty(1);
    record.RedText = "85";
    record.RangeText = "3 x 3";
    record.ReadingFlags = 0x0100;
    return bytesOf(encodeMessRecord(record));
}

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
            bytes += bytesOf(encodeKonfRecord(record));
        }
        test::writeFile(settings, bytes);
    }

    // `stop` ends a line station; `outputs` collects the simulated device's output states.
    CliRun run(Args args, std::function<bool(std::int64_t micros)> stop = {}, std::vector<std::string>* outputs = {})
    {
        args.insert(args.begin(), {"--simulate", "--boards", "2", "--firmware", "2002"});
        auto options = parsed<MeasureCommandOptions, parseMeasureCommand>(args);
        options.iniPath = dir.file("Lumivex.ini");
        SimBench sim(options.simConfig);
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
        EXPECT_TRUE(error.starts_with(c.error) && error.empty() == !*c.error) << error;
    }
}

TEST(CommandOptions, eachOptionLandsInItsField)
{
    const auto t = parsed<TestCommandOptions, parseTestCommand>({"--simulate", "--firmware", "1006", "--boards=3",
        "--board=3", "--led", "5", "--mode", "pwm", "--average", "15", "--json", "--details", "--ini", "/tmp/x.ini"});
    EXPECT_EQ(std::tuple(t.simulate, t.simConfig.firmware, t.simConfig.boards, t.board, t.led, t.mode, *t.average,
                  t.json, t.details, t.iniPath),
        std::tuple(true, 1006, 3, 3, 5, 2, 15, true, true, "/tmp/x.ini"));
    const auto user = parsed<TestCommandOptions, parseTestCommand>(
        {"--port", "Auto", "--mode", "user", "--user-time", "250", "--user-area", "3x3"});
    EXPECT_EQ(std::tuple(user.port, user.mode, *user.userTime, *user.userArea), std::tuple("Auto", 1, 250, 0));
    TestCommandOptions help;
    EXPECT_TRUE(parseTestCommand({"--help"}, help).empty() && help.help);
    EXPECT_NE(testCommandHelp().find("--chunk"), std::string::npos) << "the simulator's options are documented";
    // The stability command's fields are held by its run against the pty.
    const auto m = parsed<MeasureCommandOptions, parseMeasureCommand>({"--simulate", "--boards", "2", "--settings",
        "a.cfg", "--save-reference", "b.ref", "--report=r.txt", "--json"});
    EXPECT_EQ(std::tuple(m.simConfig.boards, m.settingsPath, m.saveReferencePath, m.reportPath, m.json),
        std::tuple(2, "a.cfg", "b.ref", "r.txt", true));
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
}

TEST(SingleLedTest, valueStatusesAndTheExitStatusFollowTheReading)
{
    struct Case {
        const char* name;
        const char* led; // --sensor-led
        const char* statuses; // "value=status ..."
        const char* overall;
        int exit;
    };
    const Case cases[] = {
        {"orange", "1:1:255,128,0:30000",
            "counts.red=ok share.red=ok percent.intensity=ok intensity=ok hue=ok x=ok cct_k=ok duv=ok", "ok",
            kCliSuccess},
        {"saturated", "1:1:255,128,0:99999",
            "counts.red=overflow counts.green=ok share.red=overflow share.green=invalid percent.intensity=overflow "
            "intensity=overflow hue=invalid cct_k=invalid",
            "overflow", kCliOutOfRange},
        {"dark", "1:1:255,128,0:0",
            "counts.red=underflow counts.blue=underflow share.green=underflow percent.intensity=underflow "
            "intensity=underflow x=invalid cct_k=invalid duv=invalid",
            "underflow", kCliOutOfRange},
        {"green, far from the locus", "1:1:0,255,0:30000", "counts.green=ok x=ok y=ok duv=invalid", "invalid",
            kCliSuccess},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto json = runTest({"--simulate", "--sensor-led", c.led, "--json"});
        EXPECT_EQ(json.status, c.exit) << json.err;
        std::istringstream statuses(c.statuses);
        for (std::string item; statuses >> item;)
            EXPECT_EQ(item.substr(0, item.find('=') + 1) + statusOf(json.out, item.substr(0, item.find('='))), item);
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
    EXPECT_EQ(std::tie(none.status, none.err),
        std::tuple(kCliDeviceFailed, "lumivex-cli: no sensor device answered on any serial port\n"));

    // A silent device, and a test that stalls.
    for (const auto& [request, said] :
        {std::pair {"gethw", "No valid response from command 19"}, {"getxy", "No valid response from command 8"}}) {
        const auto r = runTest({"--simulate", "--silent-on", request});
        EXPECT_EQ(std::tuple(r.status, r.out), std::tuple(kCliDeviceFailed, "")) << request;
        EXPECT_NE(r.err.find(said), std::string::npos) << r.err;
    }
}

TEST(SingleLedTest, detailsAddTheIdentityAndTheTestedSensorsOffsetsAndDistance)
{
    struct Case {
        const char* firmware;
        const char* offsets; // the lines after the identity
        const char* sensorJson;
    };
    const Case cases[] = {
        {"1007", "X offset: -0.0125\nY offset: 0.0300\nDistance: 7.5\n",
            "\"sensor\": {\"xOffset\": -0.0125, \"yOffset\": 0.03, \"distance\": 7.5}"},
        {"1006", "X offset: \nY offset: \nDistance: \n", // none below 1007
            "\"sensor\": {\"xOffset\": null, \"yOffset\": null, \"distance\": null}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firmware);
        Args args {"--simulate", "--firmware", c.firmware, "--boards", "2", "--board", "2", "--led", "4", "--details"};
        auto options = parsed<TestCommandOptions, parseTestCommand>(args);
        SimBench bench(options.simConfig);
        // As an earlier program left them; another sensor's values must not show.
        for (const char* request : {"setxoffset4-0.0125 2\r", "setyoffset4+0.0300 2\r", "setdistance47.5 2\r",
                 "setxoffset3+0.5000 2\r", "setdistance39.0 2\r"}) {
            bench.device.receive(request);
            bench.scheduler.advance(std::chrono::milliseconds(50));
        }
        const auto lines = runTest(bench, args);
        const auto tail = lines.out.find("\nHardware: ");
        ASSERT_NE(tail, std::string::npos) << lines.out << lines.err;
        EXPECT_EQ(lines.out.substr(tail + 1),
            std::string("Hardware: LVXCS5-R2\nSerial Number: 1042\nFirmware Number: ") + c.firmware + "\n" + c.offsets);
        EXPECT_NE(lines.out.rfind("\nColor temperature: ", tail), std::string::npos) << "the window's fields first";

        args.push_back("--json");
        EXPECT_NE(runTest(bench, args).out.find(c.sensorJson), std::string::npos);
    }
}

TEST(SingleLedTest, aPwmTestAfterALongUserCaptureSetsTheCaptureTimeItsTimeOutAssumes)
{
    SimBench bench;
    ASSERT_EQ(runTest(bench, {"--simulate", "--mode", "user", "--user-time", "10000"}).status, kCliSuccess);
    ASSERT_EQ(bench.device.model().sensor(1, 1).code, 8) << "the device keeps the user capture's code";
    const auto pwm = runTest(bench, {"--simulate", "--mode", "pwm"});
    EXPECT_EQ(std::pair(pwm.status, bench.device.model().sensor(1, 1).code), std::pair(int(kCliSuccess), 2)) << pwm.err;
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

TEST(StabilityCommand, readingsOfTheChosenGroupsAsTheyArriveThenStatisticsAndTheReport)
{
    test::TempDir dir;
    // Board 1, LED 2, a reading every 500 ms.
    const auto r = runStability(dir,
        {"--led", "2", "--readings", "4", "--delay", "500", "--groups", "rgbi,xy", "--csv", "--report",
            dir.file("r.txt")});
    ASSERT_EQ(r.status, kCliSuccess) << r.err;
    std::string rows = "reading,red,green,blue,intensity,x,y\n";
    for (const char* n : {"1", "2", "3", "4"})
        rows += n + std::string("(,[^,\n]+){6}\n");
    EXPECT_TRUE(std::regex_match(r.out, std::regex(rows))) << r.out;
    EXPECT_TRUE(std::regex_search(r.err, std::regex("\nDuration: \\d+ ms for 4 readings\n"))) << r.err;

    const auto companion = parseStabilityCompanion(test::readFile(dir.file("r.dat")));
    ASSERT_TRUE(companion && companion->setup);
    EXPECT_EQ(std::tuple(companion->readings.size(), companion->setup->ledIndex, companion->setup->durationMs >= 2000),
        std::tuple(4u, 1, true));
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

TEST(PortsCommand, listsThePortsAndWhatAnswersOnThemAndSaysWhenThereIsNone)
{
    const std::vector<PortEntry> entries
        = {{"/dev/ttyS0", ""}, {"/dev/ttyUSB7", "gone meanwhile"}, {"SIM", "FT232R USB UART"}};
    const auto plain = listPorts({}, entries);
    EXPECT_EQ(std::tie(plain.status, plain.out),
        std::tuple(kCliSuccess, "/dev/ttyS0\t\n/dev/ttyUSB7\tgone meanwhile\nSIM\tFT232R USB UART\n"));
    const auto probed = listPorts({"--probe"}, entries);
    EXPECT_EQ(std::tie(probed.status, probed.err), std::tuple(kCliSuccess, ""))
        << "a port without a device is no error";
    EXPECT_EQ(probed.out,
        "/dev/ttyS0\t\tno sensor device: No valid response from command 19\n"
        "/dev/ttyUSB7\tgone meanwhile\tno sensor device: Wrong COM port number\n"
        "SIM\tFT232R USB UART\tsensor device LVXCS5-R2, serial 1042, firmware 1007\n");

    EXPECT_EQ(listPorts({}, {}).err, "lumivex-cli: no serial port found\n");
    EXPECT_EQ(listPorts({"--quiet"}, {}).err, "");
}

TEST(ListMeasurement, rowsAndExitStatusFollowTheComparison)
{
    Bench bench;
    // Without settings no sensor is set up: every row dashed, nothing compared.
    const auto none = bench.run({});
    ASSERT_EQ(none.status, kCliSuccess) << none.err;
    EXPECT_TRUE(std::regex_match(none.out, std::regex("No  [^\n]*Comparison\n(\\d+( +---)+\n){10}"))) << none.out;

    // Kept as the reference: measured, not compared, and the "no reference" box is no complaint here.
    const auto golden = bench.run({"--sensor-led", bench.led + "30000", "--settings", bench.settings,
        "--save-reference", bench.reference, "--report", bench.report});
    EXPECT_EQ(std::tie(golden.status, golden.err), std::tuple(kCliSuccess, ""));
    EXPECT_NE(test::readFile(bench.report).find("\t --- \r\n"), std::string::npos);

    // A dimmer LED deviates in intensity only; the others pass. The same LEDs passing is checked
    // end to end in measure_against_pty.sh.
    const std::string led = bench.led + "15000";
    const auto r = bench.run({"--sensor-led", led, "--reference", bench.reference, "--report", bench.report});
    EXPECT_EQ(r.status, kCliDeviation) << r.err;
    const std::string report = test::readFile(bench.report);
    EXPECT_TRUE(
        report.find("\tError\t -I-\r\n") != std::string::npos && report.find("\t -OK- \r\n") != std::string::npos)
        << report;

    const auto json = bench.run({"--sensor-led", led, "--reference", bench.reference, "--json"});
    EXPECT_EQ(json.status, kCliDeviation);
    for (const std::string& part : {std::string("\"reference\": \"golden.ref\""), summary(9, 1, "failed"),
             std::string("\"deviations\": [\"intensity\"]")})
        EXPECT_NE(json.out.find(part), std::string::npos) << part << " in " << json.out;
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
        const auto r = bench.run(args, [](std::int64_t) { return true; });
        EXPECT_EQ(std::tuple(r.status, r.out), std::tuple(kCliDeviceFailed, "")) << said;
        EXPECT_NE(r.err.find(said), std::string::npos) << r.err;
    }
}

TEST(ListMeasurement, lineStationRunsOnEachStartSignalUntilStopped)
{
    Bench bench;
    const Args golden {
        "--sensor-led", bench.led + "30000", "--settings", bench.settings, "--save-reference", bench.reference};
    ASSERT_EQ(bench.run(golden).status, kCliSuccess);

    // Start signals at 1 s and 6 s, another digit at 4 s that starts nothing; stopped at 10 s.
    std::vector<std::string> outputs;
    const auto station = bench.run(
        {"--sensor-led", bench.led + "15000", "--reference", bench.reference, "--on-input", "--input-io", "2@1000",
            "--input-io", "5@4000", "--input-io", "2@6000", "--report", bench.report},
        [](std::int64_t micros) { return micros > 10'000'000; }, &outputs);
    EXPECT_EQ(station.status, kCliSuccess) << station.err;
    const std::string run = ", \"firmware\": 2002[^\n]*"
        + std::regex_replace(summary(9, 1, "failed"), std::regex(R"([{}])"), R"(\$&)") + "\\}\n";
    EXPECT_TRUE(std::regex_match(station.out, std::regex("\\{\"run\": 1" + run + "\\{\"run\": 2" + run)))
        << station.out;
    EXPECT_NE(test::readFile(bench.report).find("\tError\t -I-\r\n"), std::string::npos);
    // Each run: both off before the capture, then fail (0) on and pass (1) off; at the end both
    // off and left so.
    const std::string off = "outputs 0=off 1=off", fail = "outputs 0=on 1=off";
    EXPECT_EQ(outputs,
        (std::vector<std::string> {off, off, fail, fail, off, off, fail, fail, off, off, "at the end 0=off 1=off"}));
}

struct KindCase {
    const char* name;
    const char* file;
    std::string bytes;
    std::optional<InspectedKind> kind;
    const char* refusal = ""; // part of the reason when refused
};

TEST(InspectCommand, tellsTheKindByEndingAndContentAndRefusesTheRest)
{
    using enum InspectedKind;
    const std::string text = "C:/lab/StabilityReport.txt   Data: 07.03.2024  Time: 09:05:03\r\n\r\n";
    const KindCase cases[] = {
        {"stability_data", "run.dat", stabilityData(2), StabilityData},
        {"stability_data_said_12_held_2", "run.DAT", stabilityData(2, 12), StabilityData},
        {"stability_data_with_a_trailing_part", "run.dat", stabilityData(2) + "\x01", StabilityData},
        {"stability_data_without_ending", "run", stabilityData(2), StabilityData},
        {"stability_data_said_more_without_ending", "run.bin", stabilityData(2, 12), std::nullopt,
            "not a stability data, sensor settings or reference data file"},
        {"three_empty_readings_are_also_two_settings", "run", stabilityData(3), std::nullopt, "more than one kind"},
        {"three_empty_readings_named_dat", "run.dat", stabilityData(3), StabilityData},
        {"settings_half_of_a_reference", "sensor.ref", settingsFile(5), SensorSettings},
        {"settings_without_ending", "sensor", settingsFile(5), SensorSettings},
        {"reference_data", "sensor.dat", referenceFile(), ReferenceData},
        {"reference_data_without_ending", "sensor.bak", referenceFile(), ReferenceData},
        // The range text fills its six bytes; the zero after them is the flags' low byte.
        {"reference_range_text_without_its_zero", "sensor.bak", referenceFile().replace(94, 6, "9 x 9 "), std::nullopt,
            "not a stability data"},
        {"settings_with_a_trailing_part", "sensor.cfg", settingsFile(2).substr(0, 70), SensorSettings},
        {"settings_without_a_whole_record", "sensor.cfg", settingsFile(1).substr(0, 67), std::nullopt,
            "no 68-byte record"},
        {"trailing_part_without_ending", "sensor", settingsFile(5) + "\x01", std::nullopt, "not a stability data"},
        {"text_report", "StabilityReport.txt", text, std::nullopt, "not a stability data"},
        {"empty", "sensor.cfg", "", std::nullopt, "empty"},
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string why;
        EXPECT_EQ(inspectedKind(c.file, c.bytes, why), c.kind);
        EXPECT_NE(why.find(c.refusal), std::string::npos) << why;
    }
}

struct RunCase {
    const char* name;
    std::vector<std::string> args; // "@name": the file of that name in the test folder
    int status;
    const char* out; // the whole standard output; nullptr: not looked at
    const char* err; // part of standard error
};

TEST(InspectCommand, printsEveryFieldByNameAndExitsByWhatHappened)
{
    test::TempDir dir;
    test::writeFile(dir.file("run.dat"), stabilityCompanionBytes(kSetup, {kReading}));
    test::writeFile(dir.file("short.dat"), stabilityCompanionBytes(kSetup, {kReading}).substr(0, 4));
    test::writeFile(dir.file("sensor.cfg"), settingsFile(1) + "\x01");
    test::writeFile(dir.file("sensor.dat"), referenceFile());
    test::writeFile(dir.file("notes.txt"), "hello\r\n");
    std::filesystem::create_directory(dir.file("folder.dat"));
    const RunCase cases[] = {
        {"stability_text", {"@run.dat"}, 0,
            "file: @run.dat\nkind: stability-data\nN: 1\nreadingsHeld: 1\nignoredBytes: 0\n"
            "setup: ledIndex=1 rangeIndex=7 testMode=2 averaging=3 userArea=1 durationMs=1234\n"
            "reading: ReadingNo=1 Flags=0x0017 Red=85 Green=-2 Blue=84 Intensity=70000 Saturation=50 Hue=1.5 X=0.25 "
            "Y=0.5\n",
            ""},
        {"stability_json", {"--json", "@run.dat"}, 0,
            "{\"file\": \"@run.dat\", \"kind\": \"stability-data\", \"N\": 1, \"readingsHeld\": 1, \"ignoredBytes\": "
            "0, \"setup\": {\"ledIndex\": 1, \"rangeIndex\": 7, \"testMode\": 2, \"averaging\": 3, \"userArea\": 1, "
            "\"durationMs\": 1234}, \"readings\": [{\"ReadingNo\": 1, \"Flags\": 23, \"Red\": 85, \"Green\": -2, "
            "\"Blue\": 84, \"Intensity\": 70000, \"Saturation\": 50, \"Hue\": 1.5, \"X\": 0.25, \"Y\": 0.5}]}\n",
            ""},
        {"stability_without_setup", {"@short.dat", "--json"}, 0,
            "{\"file\": \"@short.dat\", \"kind\": \"stability-data\", \"N\": 1, \"readingsHeld\": 0, \"ignoredBytes\": "
            "0, \"setup\": null, \"readings\": []}\n",
            ""},
        {"settings_text", {"@sensor.cfg"}, 0,
            "file: @sensor.cfg\nkind: sensor-settings\nrecordsHeld: 1\nignoredBytes: 1\n"
            "record: Index=1 SensorNo=1 TestMode=3 MeasureTime=0 Range=0 PwmRuns=0 UserTime=800 Gain=100 "
            "XOffset=\"0.0000\" YOffset=\"0.0000\" DevIntensPercent=10 DevXYPercent=10 ChangeFlags=0xc000 "
            "OptionFlags=0x0007 DevIntensAbs=1000 DevXYAbs=0.00999999978 Distance=\"-.-\"\n",
            ""},
        {"reference_text", {"@sensor.dat"}, 0,
            "file: @sensor.dat\nkind: reference-data\nrecordsHeld: 1\nignoredBytes: 0\n"
            "record: Index=1 SensorText=\"1\" RedText=\"85\" GreenText=\"\" BlueText=\"\" HueText=\"\" SatText=\"\" "
            "IntensText=\"\" XText=\"\" YText=\"\" TempText=\"\" ModeText=\"\" RangeText=\"3 x 3\" "
            "ReadingFlags=0x0100\n",
            ""},
        {"refused_kind", {"@notes.txt"}, 1, "", "notes.txt: not a stability data"},
        {"no_such_file", {"@missing.dat"}, 1, "", "no such file"},
        {"a_folder", {"@folder.dat"}, 1, "", "not a plain file"},
        {"no_file_given", {"--json"}, 2, "", "give the file to inspect"},
        {"two_files", {"@run.dat", "@sensor.dat"}, 2, "", "one file only"},
        {"unknown_option", {"--all", "@run.dat"}, 2, "", "unknown option \"--all\""},
        {"help", {"--help"}, 0, nullptr, ""},
    };
    const auto resolve = [&](std::string text) {
        for (auto at = text.find('@'); at != std::string::npos; at = text.find('@', at + 1))
            text.replace(at, 1, (dir.path() / "").string());
        return text;
    };
    for (const RunCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args;
        for (const std::string& arg : c.args)
            args.push_back(resolve(arg));
        std::ostringstream out, err;
        EXPECT_EQ(runInspectCommand(args, out, err), c.status);
        if (c.out) {
            EXPECT_EQ(out.str(), resolve(c.out));
        } else {
            EXPECT_NE(out.str().find("inspect"), std::string::npos) << "the help names the command";
        }
        EXPECT_NE(err.str().find(c.err), std::string::npos) << err.str();
    }
}
