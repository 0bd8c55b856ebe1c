// The stability analysis: the run against the simulated device in virtual time (requests, budgets,
// readings, pause, cancel, edits, faults), its chart, and the report's files with Save, Load and Open.
#include "stability/StabilityChart.h"
#include "stability/StabilityFiles.h"
#include "stability/StabilityRun.h"

#include "base/Clock.h"
#include "base/LittleEndian.h"
#include "base/VirtualScheduler.h"
#include "device/CSeriell.h"
#include "foundation/CGlobal.h"
#include "foundation/Settings.h"
#include "foundation/StringTable.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"

#include "InjectingBackend.h"
#include "NormalUser.h"
#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <filesystem>
#include <functional>
#include <tuple>

#include <sys/stat.h>

namespace lumivex {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using namespace test;

class RecordingView : public StabilityRunView {
public:
    void ShowTitle(const std::string& title) override { titles.push_back(title); }
    void ShowRunning(bool on) override { running.push_back(on); }
    void ReadingsCleared() override { }
    void ReadingTaken(int number, int count) override { onReading(taken.emplace_back(number), count); }
    void RunEnded(bool completed) override { ended.push_back(completed); }

    std::vector<std::string> titles;
    std::vector<bool> running;
    std::vector<int> taken;
    std::vector<bool> ended;
    std::function<void(int, int)> onReading = [](int, int) {};
};

class NoClock : public Clock {
public:
    std::optional<std::int64_t> nowMicros() override { return std::nullopt; }
};

struct Bench {
    explicit Bench(SimConfig sim = {}, bool clockWorks = true)
        : device(scheduler, sim),
          backend(scheduler, device),
          wire(backend),
          port(wire, dialogs),
          clock(scheduler),
          run({scheduler, port, dialogs, log, clockWorks ? static_cast<Clock&>(clock) : noClock, view,
              [this] { return choice; }, [firmware = sim.firmware] { return firmware; }, true, {},
              [this] { ++portsReturned; }, [this] { return portBusy; }})
    {
        device.setTrace([this](std::string_view direction, std::string_view line) {
            if (direction == "<")
                onRequest(received.emplace_back(line));
        });
        port.SetPortName(SimSerialBackend::kPortName);
        port.OpenPort();
    }

    // The run's readings after `count` of them, `delayMs` apart.
    const std::vector<CBlinkData>& measure(int count, int delayMs = 0)
    {
        run.SetInitialSettings(count, delayMs, 0);
        run.Measure();
        return run.Readings();
    }

    VirtualScheduler scheduler;
    SimulatedDevice device;
    SimSerialBackend backend;
    test::InjectingBackend wire;
    test::RecordingDialogs dialogs;
    CSeriell port;
    CGlobal log;
    SchedulerClock clock;
    NoClock noClock;
    RecordingView view;
    StabilityChoice choice;
    int portsReturned = 0;
    bool portBusy = false;
    std::vector<std::string> received;
    std::function<void(const std::string&)> onRequest = [](const std::string&) {};
    StabilityRun run;
};

TEST(StabilityRun, requestsAndBudgetsFollowTheTestModeAndTheChosenLed)
{
    using K = StabilityRun::Kind;
    const struct {
        const char* name;
        StabilityChoice choice;
        int averaging;
        std::vector<std::string> requests; // one reading
        int captureTicks;
    } cases[] = {
        {"manual, the main window's range", {}, 0,
            {"setcaptime201 1\r", "setaverage00 1\r", "capture201 1\r", "getrgbi1 1\r", "gethsi1 1\r", "getxy1 1\r"},
            500},
        {"the board chosen in the main window is addressed", {.ledIndex = 8, .rangeIndex = 7}, 0, // 20 ms, 9x9
            {"setcaptime514 2\r", "setaverage00 2\r", "capture514 2\r", "getrgbi4 2\r", "gethsi4 2\r", "getxy4 2\r"},
            500},
        {"user capture sets the user time first", {.testMode = 1, .userArea = 1}, 0,
            {"setusertime00800 1\r", "setcaptime811 1\r", "setaverage00 1\r", "capture811 1\r", "getrgbi1 1\r",
                "gethsi1 1\r", "getxy1 1\r"},
            85},
        {"PWM factor 3 at 600 ms", {.testMode = 2, .rangeIndex = 6}, 3,
            {"setcaptime101 1\r", "setaverage03 1\r", "capturepwm031 1\r", "getrgbi1 1\r", "gethsi1 1\r", "getxy1 1\r"},
            12005},
        {"only the value groups the main window reads", {.checkHsi = false, .checkXy = false}, 0,
            {"setcaptime201 1\r", "setaverage00 1\r", "capture201 1\r", "getrgbi1 1\r"}, 500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimConfig sim;
        sim.boards = 2;
        Bench b(sim);
        b.choice = c.choice;
        b.run.SetAveraging(c.averaging);
        b.run.Measure();
        std::vector<std::string> sent;
        for (const auto& request : b.run.SentRequests()) {
            sent.push_back(request.text);
            EXPECT_EQ(request.ticks, request.kind == K::Set ? 200 : request.kind >= K::Rgbi ? 500 : c.captureTicks);
        }
        EXPECT_EQ(std::tuple(sent, b.dialogs.messages.size(), b.run.Readings().size()), std::tuple(c.requests, 0u, 1u));
    }
}

TEST(StabilityRun, readingsHoldTheDevicesValuesWithTheirFlagsAndWideCountsBecomeSharesOf255)
{
    Bench b; // firmware 1007
    b.run.boxes.hsi = false; // the box off: still read (the main window's flag is on), not flagged
    ASSERT_EQ(b.measure(3).size(), 3u);
    std::vector<int> numbers;
    for (const CBlinkData& r : b.run.Readings()) {
        numbers.push_back(r.ReadingNo);
        EXPECT_EQ(r.Flags, BlinkFlag::Rgbi | BlinkFlag::Xy | BlinkFlag::ManualOrPwm);
        EXPECT_NEAR(r.Red + r.Green + r.Blue, 255, 3);
        EXPECT_TRUE(r.Intensity > 0 && r.Hue > 0.0f && std::min(r.X, r.Y) > 0.1f);
    }
    EXPECT_EQ(std::tuple(numbers, b.view.taken, b.view.ended),
        std::tuple(std::vector {1, 2, 3}, numbers, std::vector {true}));
    EXPECT_EQ(std::tuple(b.view.titles.at(1), b.view.titles.back()),
        std::tuple(b.run.IdleTitle() + " - Measurement is started",
            "Stability Analyses  -Manual Capture-  Board: 1 Sensor: 1 Time: 200ms Area: 3x3"));

    // Firmware 1007 counts beyond 255: the colours become shares of 255, a dark reading no division by zero.
    const std::pair<const char*, std::vector<int>> replies[]
        = {{"0200 0200 0110 01234\r", {100, 100, 55}}, {"0000 0000 0000 00000\r", {0, 0, 0}}};
    for (const auto& [reply, rgb] : replies) {
        Bench wide;
        wide.device.faults().silentOn.insert("getrgbi");
        wide.choice.checkHsi = wide.choice.checkXy = false;
        wide.onRequest = [&wide, reply](const std::string& line) {
            if (line.rfind("getrgbi", 0) == 0)
                wide.scheduler.singleShot(std::chrono::milliseconds(2), [&wide, reply] { wide.wire.inject(reply); });
        };
        const CBlinkData r = wide.measure(1).at(0);
        EXPECT_EQ(
            std::tuple(std::vector<int> {r.Red, r.Green, r.Blue}, wide.dialogs.messages.size()), std::tuple(rgb, 0u));
    }
}

TEST(StabilityRun, pauseDurationCancelAndAbort)
{
    // 100 readings 20 s apart, over 33 minutes: each pause counted exactly.
    Bench slow, undelayed;
    EXPECT_EQ(slow.measure(100, 20000).size(), 100u);
    undelayed.measure(100);
    EXPECT_EQ(slow.run.DurationMs() - undelayed.run.DurationMs(), 100 * 20000);

    // Cancelled in the pause after reading 5 of 10: five records, the pause cut short.
    Bench cancelled;
    cancelled.view.onReading = [&cancelled](int n, int) {
        if (n == 5)
            cancelled.scheduler.singleShot(100ms, [&cancelled] { cancelled.run.RequestCancel(); });
    };
    const std::size_t taken = cancelled.measure(10, 5000).size();
    const int ms = cancelled.run.DurationMs();
    EXPECT_EQ(std::tuple(taken, ms >= 4 * 5000 + 100 && ms < 5 * 5000, cancelled.view.ended),
        std::tuple(5u, true, std::vector {true}))
        << ms;

    // No clock: the message once at the start, once at the end, and duration 0.
    Bench noClock({}, false);
    noClock.run.Measure();
    EXPECT_EQ(std::tuple(noClock.run.DurationMs(), noClock.dialogs.messages),
        std::tuple(0, texts({StringId::NoPerformanceCounter, StringId::NoPerformanceCounter})));

    // An abort (the window closes) ends the wait for getxy at once, without a box or a view update.
    Bench b;
    b.device.faults().silentOn.insert("getxy");
    b.onRequest = [&b](const std::string& line) {
        if (line.rfind("getxy", 0) == 0)
            b.scheduler.singleShot(50ms, [&b] { b.run.Abort(); });
    };
    b.measure(10);
    EXPECT_TRUE(b.scheduler.nowMicros() < 1'000'000 && b.dialogs.messages.empty() && b.view.ended.empty()
        && !b.run.IsMeasuring());
}

TEST(StabilityRun, editsAreValidatedAndANewCountScalesTheDuration)
{
    const struct {
        bool readings; // else the delay
        const char* text;
        bool accepted;
    } cases[] = {{true, "0", false}, {true, "101", false}, {true, "12a", false}, {true, "1", true},
        {true, " 100 ", true}, {false, "5", false}, // below one tick
        {false, "0", true}, {false, "10", true}, {false, "20000", true}, {false, "20001", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.readings ? "readings " : "delay ") + c.text);
        Bench b;
        EXPECT_EQ(c.readings ? b.run.SetReadingCountText(c.text) : b.run.SetDelayText(c.text), c.accepted);
        const StringId refusal = c.readings ? StringId::ReadingsOutOfRange : StringId::DelayOutOfRange;
        EXPECT_EQ(b.dialogs.messages, c.accepted ? std::vector<std::string>() : texts({refusal}));
    }

    Bench b;
    b.run.Replace({}, 10, 1000);
    EXPECT_EQ(
        (std::tuple {b.run.SetReadingCount(25), b.run.DurationMs(), b.run.SetReadingCount(0), b.run.readingCount()}),
        std::tuple(true, 2500, false, 25));
}

TEST(StabilityRun, failuresSayWhyAndKeepWhatWasRead)
{
    const struct {
        const char* name;
        std::function<void(Bench&)> fault;
        std::vector<std::string> messages;
        std::size_t records; // the last without its x and y
    } cases[] = {
        {"ERROR to getxy of reading 3",
            [](Bench& b) {
                b.onRequest = [&b, xy = 0](const std::string& line) mutable {
                    if (line.rfind("getxy", 0) == 0 && ++xy == 3)
                        b.device.faults().errorOn.insert("getxy");
                };
            },
            texts({StringId::BoardReturnsError, StringId::ErrorGettingData}), 3},
        {"a silent capture", [](Bench& b) { b.device.faults().silentOn.insert("capture"); },
            texts({StringId::NoValidReturnValue, StringId::MeasurementsFailed}), 0},
        {"the device vanishes at the first getxy", [](Bench& b) { b.device.faults().disconnectAfter = 5; },
            texts({StringId::ErrorGettingData}), 1},
        {"a refused setting ends before any reading", [](Bench& b) { b.device.faults().errorOn.insert("setaverage"); },
            texts({StringId::BoardReturnsError}), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b;
        c.fault(b);
        const auto& readings = b.measure(5);
        EXPECT_EQ(b.dialogs.messages, c.messages);
        ASSERT_EQ(readings.size(), c.records);
        for (std::size_t i = 0; i < readings.size(); ++i) {
            EXPECT_GT(readings[i].Intensity, 0);
            EXPECT_EQ(readings[i].X > 0.0f, i + 1 < readings.size()) << i;
        }
        EXPECT_EQ(std::tuple(b.run.IsMeasuring(), b.view.running.back(), b.portsReturned), std::tuple(false, false, 1));
    }
}

TEST(StabilityRun, nothingIsSentWithoutPortLedOrCapture)
{
    const std::pair<const char*, std::function<void(Bench&)>> cases[] = {
        {"port closed", [](Bench& b) { b.port.ClosePort(); }},
        {"no LED chosen", [](Bench& b) { b.choice.ledIndex = -1; }},
        {"range disabled", [](Bench& b) { b.choice.rangeIndex = 0; }},
        {"range one past the table", [](Bench& b) { b.choice.rangeIndex = 12; }},
        {"no test mode", [](Bench& b) { b.choice.testMode = 3; }},
        {"the main window awaits its own reply", [](Bench& b) { b.portBusy = true; }},
    };
    for (const auto& [name, setUp] : cases) {
        SCOPED_TRACE(name);
        Bench b;
        setUp(b);
        b.run.Measure();
        EXPECT_EQ(std::tuple(b.received.size(), b.view.running), std::tuple(0u, std::vector {true, false}));
    }
}

// 8 pixels a character, 16 high: "100000" is 48 wide, so L = 58 and B = 66. In an 800 x 500 area
// R = 732, the baseline is 434 and a division 39.4 pixels high.
const auto fixedWidth = [](std::string_view text) { return Size {static_cast<int>(text.size()) * 8, 16}; };

constexpr Size kArea {800, 500};
constexpr int kL = 58, kBaseline = 434;

CBlinkData reading(int red, int green, int blue, int intensity, float hue = 0, int sat = 0, float x = 0, float y = 0)
{
    using S = std::int16_t;
    return {0, 0, S(red), S(green), S(blue), intensity, S(sat), hue, x, y};
}

StabilityChart chartFor(unsigned curves, int readingsSetting, bool timeScale = false)
{
    StabilityChart chart(fixedWidth);
    chart.setAreaSize(kArea);
    chart.setReadingsSetting(readingsSetting);
    chart.setCurves(curves);
    chart.setTimeScale(timeScale);
    return chart;
}

// Feeds the readings one by one, as a run does; the stored readings.
std::vector<CBlinkData> run(StabilityChart& chart, const std::vector<CBlinkData>& readings)
{
    std::vector<CBlinkData> stored;
    chart.beginRun();
    for (const CBlinkData& r : readings) {
        stored.push_back(r);
        chart.readingAdded(stored);
    }
    chart.endRun();
    return stored;
}

// The texts whose top is at `top`, from left to right as painted.
std::vector<std::string> textsAt(const ChartPicture& picture, int top)
{
    std::vector<std::string> found;
    for (const ChartText& t : picture.frame.texts)
        if (t.topLeft.y == top)
            found.push_back(t.text);
    return found;
}

TEST(StabilityChart, oneReadingIsAHorizontalDashAcrossThePlot)
{
    StabilityChart chart = chartFor(ChartGroup::Intensity, 1);
    run(chart, {reading(100, 50, 105, 730)});
    // Intensity scale 1000: 434 - trunc(730 * 10 * 39.4 / 1000) = 434 - 287.
    const int right = chart.picture().frame.geometry.right;
    EXPECT_EQ(chart.picture().curves, (std::vector<ChartLine> {{{kL, 147}, {right, 147}, 0, 2}}));
}

TEST(StabilityChart, parameterEntriesFollowTheValueGroups)
{
    using G = ChartGroup;
    using enum StringId;
    const std::pair<StabilityGroups, std::vector<ParameterEntry>> cases[] = {
        {{true, true, true},
            {{ParamIntensity, G::Intensity}, {ParamRgb, G::Rgb}, {ParamRgbIntensity, G::Rgb | G::Intensity},
                {ParamHueSat, G::HueSat}, {ParamHueSatIntensity, G::HueSat | G::Intensity}, {ParamXy, G::Xy}}},
        {{false, true, false}, // HSI alone still offers intensity
            {{ParamIntensity, G::Intensity}, {ParamHueSat, G::HueSat},
                {ParamHueSatIntensity, G::HueSat | G::Intensity}}},
        {{false, false, true}, {{ParamXy, G::Xy}}},
        {{false, false, false}, {}},
    };
    for (const auto& [groups, entries] : cases) {
        EXPECT_EQ(std::pair(parameterEntries(groups), defaultCurves(groups)),
            std::pair(entries, entries.empty() ? 0u : entries.front().curves));
    }
}

TEST(StabilityChart, axisLabelsAreWholeStepsAboveTheRunsPeak)
{
    struct Case {
        const char* name;
        unsigned curves;
        CBlinkData peak;
        std::vector<std::string> labels; // divisions 1..10, bottom to top
    } cases[] = {
        {"intensity peak 730", ChartGroup::Intensity, reading(0, 0, 0, 730),
            {"100", "200", "300", "400", "500", "600", "700", "800", "900", "1000"}},
        {"intensity peak at a step boundary keeps the finer step", ChartGroup::Intensity, reading(0, 0, 0, 5000),
            {"500", "1000", "1500", "2000", "2500", "3000", "3500", "4000", "4500", "5000"}},
        {"RGB summing to 255 never needs more than 25", ChartGroup::Rgb, reading(255, 0, 0, 0),
            {"25", "50", "75", "100", "125", "150", "175", "200", "225", "250"}},
        {"hue and saturation", ChartGroup::HueSat, reading(0, 0, 0, 0, 180.5f, 40),
            {"20.0", "40.0", "60.0", "80.0", "100.0", "120.0", "140.0", "160.0", "180.0", "200.0"}},
        {"x and y near 0.32", ChartGroup::Xy, reading(0, 0, 0, 0, 0, 0, 0.31f, 0.33f),
            {"0.05", "0.10", "0.15", "0.20", "0.25", "0.30", "0.35", "0.40", "0.45", "0.50"}},
    };
    for (const auto& c : cases) {
        StabilityChart chart = chartFor(c.curves, 10);
        run(chart, {c.peak});
        std::vector<std::string> labels;
        for (int j = 1; j <= 10; ++j) {
            const auto row = textsAt(chart.picture(), chart.picture().frame.geometry.gridY(j) - 8);
            labels.insert(labels.end(), row.begin(), row.end());
        }
        EXPECT_EQ(labels, c.labels) << c.name;
    }
    EXPECT_EQ(xyStep(0.0f), 0.1f) << "no data";
}

TEST(StabilityChart, readingAxisLabelsInReadingsAndMilliseconds)
{
    // Every how many readings a label goes: (readings, step in pixels, label width, time scale, every).
    const std::tuple<int, float, int, bool, int> densities[] = {
        {100, 6.7f, 16, false, 5}, {100, 38.7f, 16, false, 5}, // narrow or wide: every fifth
        {100, 6.7f, 48, true, 10}, {100, 12.0f, 48, true, 5}, // time labels wider than five steps, or within
        {20, 33.7f, 16, false, 1}, {20, 10.0f, 16, false, 2}, // room, crowded
        {20, 14.7f, 48, true, 3}, // time labels 3.4 steps wide
    };
    for (const auto& [readings, step, width, timeScale, every] : densities)
        EXPECT_EQ(readingLabelInterval(readings, step, width, timeScale), every) << readings << " readings, " << step;

    // Every fifth reading and "0"; three readings timed over 1 s; seven crowded time labels (steps of
    // 28 pixels, labels 50 wide): every second one, and " ms" alone one step past the last reading.
    std::vector<std::string> everyFifth {"0"};
    for (int n = 5; n <= 100; n += 5)
        everyFifth.push_back(std::to_string(n));
    const std::tuple<int, int, int, std::vector<std::string>> charts[] = {{100, 800, 0, everyFifth},
        {3, 800, 1000, {"0", "333", "666", "1000 ms"}}, {7, 322, 7000, {"0", "2000", "4000", "6000", " ms"}}};
    for (const auto& [readings, width, ms, labels] : charts) {
        StabilityChart chart = chartFor(ChartGroup::Intensity, readings, ms > 0);
        chart.setAreaSize({width, 500});
        chart.setDurationMs(ms);
        chart.paint({});
        EXPECT_EQ(textsAt(chart.picture(), kBaseline + 12), labels) << readings << " readings";
    }
}

TEST(StabilityChart, meansAndMaximaOfTheShownGroupsOnly)
{
    struct Case {
        const char* name;
        unsigned curves;
        std::vector<CBlinkData> readings;
        StabilityResults expected;
    } cases[] = {
        {"first reading: mean and maximum are its values", ChartGroup::Rgb | ChartGroup::Intensity,
            {reading(10, 20, 30, 4000)}, {10, 20, 30, 4000, 10, 20, 30, 4000, 0, 0, 0, 0}},
        {"whole-number means truncate", ChartGroup::Rgb,
            {reading(100, 7, 0, 0), reading(101, 8, 0, 0), reading(101, 8, 0, 0)}, {100, 7, 0, 0, 101, 8, 0}},
        {"hue means keep their fraction", ChartGroup::HueSat,
            {reading(0, 0, 0, 0, 10.0f, 50), reading(0, 0, 0, 0, 10.5f, 51), reading(0, 0, 0, 0, 11.0f, 51)},
            {.meanHue = 10.5f, .meanSaturation = 50}},
        {"only intensity shown", ChartGroup::Intensity,
            {reading(100, 120, 35, 900, 30.0f, 80, 0.3f, 0.3f), reading(90, 130, 35, 950, 31.0f, 81, 0.3f, 0.3f)},
            {.meanIntensity = 925, .maxIntensity = 950}},
        {"x and y", ChartGroup::Xy, {reading(0, 0, 0, 0, 0, 0, 0.25f, 0.5f), reading(0, 0, 0, 0, 0, 0, 0.5f, 0.25f)},
            {.meanX = 0.375f, .meanY = 0.375f}},
    };
    for (const auto& c : cases) {
        StabilityChart chart = chartFor(c.curves, 10);
        run(chart, c.readings);
        EXPECT_EQ(chart.results(), c.expected) << c.name;
    }
    const auto texts = formatResults({.meanRed = 100, .meanHue = 10.5f, .meanX = 0.3125f});
    EXPECT_EQ((std::vector<std::string> {texts.meanRed, texts.meanHue, texts.meanX, texts.maxBlue}),
        (std::vector<std::string> {"100", "10.5", "0.3125", "0"}));
}

TEST(StabilityChart, scaleChangesRedrawInFullOtherwiseOneSegmentPerCurve_halfFilledRecordsAreLeftOut)
{
    StabilityChart chart = chartFor(ChartGroup::Rgb, 10);
    std::vector<CBlinkData> stored;
    chart.beginRun();

    stored.push_back(reading(200, 150, 100, 0));
    // The first reading always sets the scales; a single point draws no line yet.
    EXPECT_EQ((std::tuple {chart.readingAdded(stored).fullRedraw, chart.picture().curves.size(), chart.scales().rgb}),
        std::tuple(true, 0u, 200));

    stored.push_back(reading(190, 150, 100, 0));
    const ChartUpdate second = chart.readingAdded(stored);
    ASSERT_EQ(std::pair(second.fullRedraw, second.segments.size()), std::pair(false, std::size_t(3)));
    // Reading 1 in the middle of slot 1, reading 2 one step of 67.4 further.
    EXPECT_EQ(std::pair(second.segments[0].from, second.segments[0].to),
        std::pair(Point {kL + 33, kBaseline - 394}, Point {kL + 101, kBaseline - 374}));
    EXPECT_FALSE(chart.paint(stored)) << "nothing was marked";

    stored.push_back(reading(201, 150, 100, 0));
    // 201 needs the next step: two segments per curve, drawn again.
    EXPECT_EQ((std::tuple {chart.readingAdded(stored).fullRedraw, chart.scales().rgb, chart.picture().curves.size()}),
        std::tuple(true, 250, 6u));
    EXPECT_TRUE(chart.readingAdded(stored).segments.empty()) << "already drawn";

    // Groups outside the curve set keep their scales; the first-reading rule counts equal ones too.
    ChartScales scales;
    const auto scaleFor = [&scales](int intensity, bool first) {
        return updateScales(scales, {.intensity = intensity}, ChartGroup::Intensity, first);
    };
    EXPECT_EQ((std::tuple {scaleFor(7000, false), scaleFor(7000, true), scaleFor(6000, false), scales}),
        std::tuple(true, true, false, ChartScales {.intensity = 10000}));

    // A repaint while a reading comes in neither draws nor sums its half-filled record.
    chart = chartFor(ChartGroup::Rgb, 10);
    stored.clear();
    chart.beginRun();
    stored.push_back(reading(100, 100, 100, 0));
    chart.readingAdded(stored);
    stored.push_back(reading(0, 0, 0, 0)); // appended, values still on their way
    chart.setCurves(ChartGroup::Rgb); // a value-group box changed
    chart.paint(stored);
    EXPECT_EQ(chart.results().meanRed, 100);

    stored.back() = reading(90, 90, 90, 0);
    const ChartUpdate update = chart.readingAdded(stored);
    ASSERT_EQ(update.segments.size(), 3u);
    EXPECT_EQ(std::tuple(update.segments[0].from.x, update.segments[0].to.x, chart.results().meanRed),
        std::tuple(91, 159, 95))
        << "one step, not two";
}

TEST(StabilityChart, rescanAfterAChoiceFitsTheScaleToTheStoredReadings)
{
    StabilityChart chart = chartFor(ChartGroup::Intensity, 10);
    const auto stored
        = run(chart, {reading(0, 0, 0, 730, 0, 0, 0.125f, 0.25f), reading(0, 0, 0, 700, 0, 0, 0.25f, 0.375f)});

    chart.setCurves(ChartGroup::Xy);
    // xy in steps of 0.05 up to 0.5; the intensity scale kept while not shown.
    EXPECT_EQ((std::tuple {chart.paint(stored), chart.scales().xy, chart.scales().intensity, chart.results()}),
        std::tuple(true, 0.5f, 1000, StabilityResults {.meanX = 0.1875f, .meanY = 0.3125f}));

    StabilityChart loaded = chartFor(ChartGroup::Intensity, 2);
    loaded.readingsReplaced(stored);
    EXPECT_EQ(std::pair(loaded.scales().intensity, loaded.picture().curves.size()), std::pair(1000, std::size_t(1)));
}

// "0a ff" -> the bytes 0x0a 0xff; blanks are for the reader.
std::string hex(std::string digits)
{
    std::erase(digits, ' ');
    std::string bytes;
    for (std::size_t i = 0; i < digits.size(); i += 2)
        bytes += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
    return bytes;
}

// A companion's N and setup, and one reading, laid out by hand.
std::string header(std::int32_t n, std::array<std::int32_t, 6> setup = {0, 5, 0, 0, 1, 100})
{
    std::string bytes(kStabilityHeaderSize, '\0');
    auto* at = reinterpret_cast<std::uint8_t*>(bytes.data());
    le::put32(at, static_cast<std::uint32_t>(n));
    for (std::size_t i = 0; i < setup.size(); ++i)
        le::put32(at + 4 + 4 * i, static_cast<std::uint32_t>(setup[i]));
    return bytes;
}

std::string record(std::uint16_t number, std::uint16_t flags = 0x0007, float hue = 1.0f)
{
    std::string bytes(kStabilityReadingSize, '\0');
    auto* at = reinterpret_cast<std::uint8_t*>(bytes.data());
    le::put16(at, number);
    le::put16(at + 2, flags);
    le::putFloat(at + 20, hue);
    return bytes;
}

TEST(StabilityCompanion, isWrittenFieldByFieldInNumberOrderUpToTheHighestNumber)
{
    const StabilitySetup setup {2, 7, 2, 3, 1, 1234};
    // Out of order, 1 twice (the first counts), 2 missing, one without a number.
    const std::vector<CBlinkData> readings {
        {3, 0x0057, 1, 2, 3, -1, 0, 2.0f, 0.0f, 1.0f},
        {1, 0x0057, 85, -2, 84, 70000, 50, 1.5f, 0.25f, 0.5f},
        {1, 0x0001, 9, 9, 9, 9, 9, 9.0f, 9.0f, 9.0f},
        {0, 0x0057, 7, 7, 7, 7, 7, 7.0f, 7.0f, 7.0f},
    };
    const std::string golden
        = hex("03000000 02000000 07000000 02000000 03000000 01000000 d2040000"
              "0100 5700 5500 feff 5400 0000 70110100 3200 0000 0000c03f 0000803e 0000003f 00000000"
              "0300 5700 0100 0200 0300 0000 ffffffff 0000 0000 00000040 00000000 0000803f 00000000");
    EXPECT_EQ(stabilityCompanionBytes(setup, readings), golden);

    const auto back = parseStabilityCompanion(golden);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(std::tuple(back->declaredCount, back->setup, back->readings),
        std::tuple(3, setup, std::vector {readings[1], readings[0]}));
}

const std::tm kWhen = [] {
    std::tm t {};
    strptime("2024-03-07 09:05:03", "%Y-%m-%d %H:%M:%S", &t);
    return t;
}();

const std::string kTitle = "Stability Analyses  -Manual Capture-  Board: 1 Sensor: 2 Time: 20ms Area: 3x3";
// Given out of order: the report lists them by number.
const std::vector<CBlinkData> kReadings {
    {2, 0x0017, 10, 20, 30, 400, 5, 7.25f, 0.125f, 0.75f},
    {1, 0x0015, 85, 86, 84, 1000, 50, 120.5f, 0.3127f, 0.329f},
};

std::string reportStart(const std::string& path)
{
    return path + "   Data: 07.03.2024  Time: 09:05:03\r\n\r\n" + kTitle + "\r\n\r\n";
}

TEST(StabilityReportText, headsAndColumnsFollowTheGroupsThatAreOn)
{
    const std::pair<StabilityGroups, const char*> cases[] = {
        {{false, false, true}, "No\tX\tY\r\n\r\n1\t0.3127\t0.3290\t\r\n2\t0.1250\t0.7500\t\r\n"},
        // Without HSI the intensity goes with the colours; with it, once, beside hue and saturation.
        {{true, false, false}, "No\tRed\tGreen\tBlue\tInt\r\n\r\n1\t85\t86\t84\t1000\t\r\n2\t10\t20\t30\t400\t\r\n"},
        {{true, true, false},
            "No\tRed\tGreen\tBlue\tHue\tSat\tInt\r\n\r\n1\t85\t86\t84\t120.50\t50\t1000\t\r\n"
            "2\t10\t20\t30\t7.25\t5\t400\t\r\n"},
        {{false, true, true},
            "No\tHue\tSat\tInt\tX\tY\r\n\r\n1\t120.50\t50\t1000\t0.3127\t0.3290\t\r\n"
            "2\t7.25\t5\t400\t0.1250\t0.7500\t\r\n"},
        {{true, true, true},
            "No\tRed\tGreen\tBlue\tHue\tSat\tInt\tX\tY\r\n\r\n1\t85\t86\t84\t120.50\t50\t1000\t0.3127\t0.3290\t\r\n"
            "2\t10\t20\t30\t7.25\t5\t400\t0.1250\t0.7500\t\r\n"},
    };
    for (const auto& [groups, rest] : cases) {
        SCOPED_TRACE(rest);
        EXPECT_EQ(stabilityReportText("C:/lab/StabilityReport.txt", kWhen, kTitle, groups, kReadings),
            reportStart("C:/lab/StabilityReport.txt") + rest);
    }
    EXPECT_EQ(stabilityReportText("r.txt", kWhen, kTitle, {false, false, false}, kReadings), "") << "no group on";
}

class StabilityReportFiles : public ::testing::Test {
protected:
    StabilityReportFiles() { settings.stabilityFile = dir.file("StabilityReport.txt"); }

    TempDir dir;
    Settings settings;
    RecordingDialogs dialogs;
    StabilityReportInput input {{1, 5, 0, 0, 1, 830}, kReadings, {false, false, true}, kTitle};
};

TEST_F(StabilityReportFiles, saveWritesTheCompanionAndTheReportWhereTheSettingsOrTheDialogSay)
{
    const std::vector<CBlinkData> unnumbered(2); // records reserved but not yet filled
    const struct {
        const char* name;
        int selectDatei;
        const char* configured; // "StabilityFile", in the test folder; empty: none
        const char* answer; // the save dialog's answer
        std::vector<CBlinkData> readings;
        const char* message; // the start of the one message, or empty
        const char* written; // the report written beside its companion, or empty
        const char* companion = "StabilityReport.dat";
    } cases[] = {
        {"configured_path", 0, "StabilityReport.txt", "", kReadings, "", "StabilityReport.txt"},
        {"dialog_choice_four_letter_ending", 1, "StabilityReport.txt", "run.html", kReadings, "", "run.html",
            "run.hdat"},
        {"no_path_configured", 0, "", "", kReadings, "", ""},
        {"no_readings", 0, "StabilityReport.txt", "", {}, "No stability", ""},
        {"only_unnumbered_readings", 0, "StabilityReport.txt", "", unnumbered, "No stability", ""},
        {"report_named_like_its_companion", 1, "", "run.dat", kReadings, "Saving of analysed data", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir own;
        RecordingDialogs asked;
        const auto chosen = [&own](const char* name) { return *name ? own.file(name) : std::string(); };
        settings.selectDatei = c.selectDatei;
        settings.stabilityFile = chosen(c.configured);
        asked.saveFileAnswer = chosen(c.answer);
        input.readings = c.readings;

        EXPECT_EQ(saveStabilityReportAt(input, settings, asked, kWhen), *c.written != '\0');
        EXPECT_TRUE(*c.message ? asked.messages.size() == 1 && asked.messages[0].starts_with(c.message)
                               : asked.messages.empty())
            << testing::PrintToString(asked.messages);
        ASSERT_EQ(asked.saveFileQuestions.size(), c.selectDatei == 1 ? 1u : 0u);
        for (const auto& q : asked.saveFileQuestions)
            EXPECT_EQ(q.initialName + " " + q.filter,
                "StabilityReport.txt Testreport - Datei (*txt)|*.txt| Alle Dateien (*.*)|*.*||");
        ASSERT_EQ(std::distance(fs::directory_iterator(own.path()), fs::directory_iterator()), *c.written ? 2 : 0);
        if (!*c.written)
            continue;
        EXPECT_EQ(parseStabilityCompanion(readFile(own.file(c.companion)))->readings.size(), 2u);
        const std::string report = own.file(c.written);
        EXPECT_EQ(
            readFile(report), reportStart(report) + "No\tX\tY\r\n\r\n1\t0.3127\t0.3290\t\r\n2\t0.1250\t0.7500\t\r\n");
    }
}

TEST_F(StabilityReportFiles, aFailedSaveSays235AndKeepsTheOldFiles)
{
    const struct {
        const char* name;
        mode_t companionMode, reportMode; // 0: no old file
        mode_t folderMode;
        bool companionReplaced;
    } cases[] = {
        {"companion_read_only", 0444, 0644, 0755, false},
        {"report_read_only", 0644, 0444, 0755, true},
        {"closed_folder_without_old_files", 0, 0, 0555, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir own;
        const std::string report = own.file("StabilityReport.txt"), companion = own.file("StabilityReport.dat");
        test::giveToNormalUser(own.path());
        for (const auto& [path, mode] : {std::pair {companion, c.companionMode}, std::pair {report, c.reportMode}}) {
            if (mode == 0)
                continue;
            writeFile(path, "old");
            test::giveToNormalUser(path);
            ::chmod(path.c_str(), mode);
        }
        ::chmod(own.path().c_str(), c.folderMode);
        settings.stabilityFile = report;

        const int status = test::runAsNormalUser([&] {
            RecordingDialogs child;
            const bool saved = saveStabilityReportAt(input, settings, child, kWhen);
            const bool said235 = child.messages.size() == 1
                && child.messages[0].rfind("Saving of analysed data is not possible", 0) == 0;
            return saved ? 1 : said235 ? 0 : 2;
        });
        ::chmod(own.path().c_str(), 0755);
        EXPECT_EQ(status, 0);
        const std::string companionAfter = fs::exists(companion) ? readFile(companion) : "";
        EXPECT_TRUE(c.companionReplaced ? parseStabilityCompanion(companionAfter).has_value()
                                        : companionAfter == (c.companionMode ? "old" : ""))
            << companionAfter;
        EXPECT_EQ(fs::exists(report) ? readFile(report) : "", c.reportMode ? "old" : "");
    }
}

// Load reads the report's companion: only what its bytes hold, and nothing that no run writes.
TEST_F(StabilityReportFiles, loadTakesWhatTheCompanionHoldsAndNamesWhatStopsIt_openHandsTheReportOn)
{
    const char* const noData = "No stability analysis data available";
    std::string tenReadings = header(12) + record(1, 0x0015);
    for (std::uint16_t n = 2; n <= 10; ++n)
        tenReadings += record(n);
    const StabilityGroups all {true, true, true};
    const struct {
        const char* name;
        std::optional<std::string> companion; // none: no file; "/": a folder
        const char* message; // empty: loaded
        std::vector<int> numbers = {};
        int readingsSetting = 0;
        bool setup = false;
        std::optional<StabilityGroups> groups = std::nullopt;
    } cases[] = {
        {"no_companion", std::nullopt, "Path or file not found"},
        {"companion_is_a_folder", "/", noData},
        {"empty", "", noData},
        {"n_zero", header(0), noData},
        {"n_negative", header(-1) + record(1), noData},
        {"only_n_keeps_the_setup", header(5).substr(0, 4), "", {}, 5},
        {"header_cut_short", header(5).substr(0, 20), "", {}, 5},
        {"huge_n_within_the_readings_range", header(INT_MAX) + record(1), "", {1}, 100, true, all},
        {"twelve_said_ten_held", tenReadings, "", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 12, true, {{true, false, true}}},
        {"unnumbered_readings_skipped", header(3) + record(0, 7, NAN) + record(1) + record(0) + record(2), "", {1, 2},
            3, true, all},
        {"trailing_part_of_a_reading", header(2) + record(1) + record(2).substr(0, 35), "", {1}, 2, true, all},
        {"groups_of_reading_1_held_second", header(2) + record(2, 0x0004) + record(1, 0x0001), "", {2, 1}, 2, true,
            {{true, false, false}}},
        {"groups_of_the_first_reading_without_reading_1", header(3) + record(3, 0x0004) + record(2, 0x0001), "", {3, 2},
            3, true, {{false, false, true}}},
        {"no_led_chosen", header(1, {-1, 5, 0, 0, 1, 0}), "", {}, 1, true},
        {"led_index_below_minus_one", header(1, {-2, 5, 0, 0, 1, 0}), noData},
        {"range_index_12", header(1, {0, 12, 0, 0, 1, 0}), noData},
        {"test_mode_3", header(1, {0, 5, 3, 0, 1, 0}), noData},
        {"averaging_16", header(1, {0, 5, 2, 16, 1, 0}), noData},
        {"negative_duration", header(1, {0, 5, 0, 0, 1, -1}), noData},
        {"hue_not_a_number", header(1) + record(1, 7, NAN), noData},
    };
    const std::string path = dir.file("StabilityReport.dat");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(path);
        dialogs.messages.clear();
        if (c.companion == "/")
            fs::create_directory(path);
        else if (c.companion)
            writeFile(path, *c.companion);

        const auto loaded = loadStabilityReport(settings, dialogs);
        EXPECT_EQ(dialogs.messages, *c.message ? std::vector<std::string> {c.message} : std::vector<std::string> {});
        ASSERT_EQ(loaded.has_value(), !*c.message);
        if (!loaded)
            continue;
        std::vector<int> numbers;
        for (const CBlinkData& r : loaded->readings)
            numbers.push_back(r.ReadingNo);
        EXPECT_EQ(std::tuple(numbers, loaded->readingsSetting, loaded->setup.has_value(), loaded->groups),
            std::tuple(c.numbers, c.readingsSetting, c.setup, c.groups));
    }

    // Open hands an existing report to the program the system has for it.
    dialogs.messages.clear();
    fs::remove(settings.stabilityFile);
    EXPECT_EQ((std::tuple {openStabilityReport(settings, dialogs), dialogs.messages}),
        std::tuple(false, std::vector<std::string> {"Path or file not found"}));
    writeFile(settings.stabilityFile, "report");
    for (const bool programStarts : {true, false}) {
        dialogs.messages.clear();
        dialogs.openAnswer = programStarts;
        EXPECT_EQ(
            (std::tuple {openStabilityReport(settings, dialogs), dialogs.openedFiles.back(), dialogs.messages.empty()}),
            std::tuple(programStarts, settings.stabilityFile, programStarts));
    }
    EXPECT_EQ(dialogs.messages, std::vector<std::string> {"Error cannot read test report file"});
}

} // namespace
} // namespace lumivex
