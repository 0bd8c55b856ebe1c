// The stability run against the simulated device in virtual time: the requests of each test mode
// with their budgets, the readings stored, the pause, cancel, the edits' validation, faults.
#include "stability/StabilityRun.h"

#include "base/Clock.h"
#include "base/VirtualScheduler.h"
#include "device/CSeriell.h"
#include "foundation/CGlobal.h"
#include "foundation/StringTable.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"

#include "InjectingBackend.h"
#include "RecordingDialogs.h"

#include <gtest/gtest.h>

#include <functional>

using namespace lumivex;

namespace {

std::vector<std::string> texts(std::initializer_list<StringId> ids)
{
    std::vector<std::string> out;
    for (const StringId id : ids)
        out.emplace_back(stringText(id));
    return out;
}

class RecordingView : public StabilityRunView {
public:
    void ShowTitle(const std::string& title) override { titles.push_back(title); }
    void ShowRunning(bool on) override { running.push_back(on); }
    void ReadingsCleared() override { }
    void ReadingTaken(int number, int count) override
    {
        taken.push_back(number);
        if (onReading)
            onReading(number, count);
    }
    void RunEnded(bool completed) override { ended.push_back(completed); }

    std::vector<std::string> titles;
    std::vector<bool> running;
    std::vector<int> taken;
    std::vector<bool> ended;
    std::function<void(int, int)> onReading;
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
          firmware(sim.firmware),
          run({scheduler, port, dialogs, log, clockWorks ? static_cast<Clock&>(clock) : noClock, view,
              [this] { return choice; }, [this] { return firmware; }, true, {}, [this] { ++portsReturned; },
              [this] { return portBusy; }})
    {
        device.setTrace([this](std::string_view direction, std::string_view line) {
            if (direction == "<") {
                received.emplace_back(line);
                if (onRequest)
                    onRequest(received.back());
            }
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
    int firmware;
    int portsReturned = 0;
    bool portBusy = false;
    std::vector<std::string> received;
    std::function<void(const std::string&)> onRequest;
    StabilityRun run;
};

} // namespace

TEST(StabilityRun, requestsAndBudgetsFollowTheTestModeAndTheChosenLed)
{
    using K = StabilityRun::Kind;
    struct Case {
        const char* name;
        StabilityChoice choice;
        int averaging;
        std::vector<std::string> requests; // one reading
        int captureTicks;
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
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
        EXPECT_EQ(sent, c.requests);
        EXPECT_EQ(b.dialogs.messages, std::vector<std::string>());
        ASSERT_EQ(b.run.Readings().size(), 1u);
        EXPECT_EQ(b.portsReturned, 1);
        EXPECT_FALSE(b.run.IsMeasuring());
    }
}

TEST(StabilityRun, readingsHoldTheDevicesValuesWithTheirFlags)
{
    SimConfig sim;
    sim.firmware = 1007;
    Bench b(sim);
    b.run.boxes.hsi = false; // the box off: still read (the main window's flag is on), not flagged
    ASSERT_EQ(b.measure(3).size(), 3u);
    for (int n = 1; n <= 3; ++n) {
        const CBlinkData& r = b.run.Readings()[static_cast<std::size_t>(n - 1)];
        EXPECT_EQ(r.ReadingNo, n);
        EXPECT_EQ(r.Flags, BlinkFlag::Rgbi | BlinkFlag::Xy | BlinkFlag::ManualOrPwm);
        EXPECT_NEAR(r.Red + r.Green + r.Blue, 255, 3);
        EXPECT_GT(r.Intensity, 0);
        EXPECT_GT(r.Hue, 0.0f);
        EXPECT_GT(std::min(r.X, r.Y), 0.1f);
    }
    EXPECT_EQ(b.view.taken, std::vector<int>({1, 2, 3}));
    EXPECT_EQ(b.view.ended, std::vector<bool>({true}));
    EXPECT_EQ(b.view.running, std::vector<bool>({true, false}));
    EXPECT_EQ(b.view.titles.at(1), b.run.IdleTitle() + " - Measurement is started");
    EXPECT_EQ(b.view.titles.back(), "Stability Analyses  -Manual Capture-  Board: 1 Sensor: 1 Time: 200ms Area: 3x3");
}

TEST(StabilityRun, wideCountsBecomeSharesOf255)
{
    struct Case {
        const char* reply;
        std::vector<int> rgb;
    };
    const Case cases[] = {
        {"0200 0200 0110 01234\r", {100, 100, 55}}, {"0000 0000 0000 00000\r", {0, 0, 0}}, // dark: no division by zero
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        SimConfig sim;
        sim.firmware = 1007;
        sim.faults.silentOn = {"getrgbi"};
        Bench b(sim);
        b.choice.checkHsi = b.choice.checkXy = false;
        b.onRequest = [&b, &c](const std::string& line) {
            if (line.rfind("getrgbi", 0) == 0)
                b.scheduler.singleShot(std::chrono::milliseconds(2), [&b, &c] { b.wire.inject(c.reply); });
        };
        ASSERT_EQ(b.measure(1).size(), 1u);
        EXPECT_EQ(b.dialogs.messages, std::vector<std::string>());
        const CBlinkData& r = b.run.Readings()[0];
        EXPECT_EQ(std::vector<int>({r.Red, r.Green, r.Blue}), c.rgb);
    }
}

TEST(StabilityRun, pauseDurationAndCancel)
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
            cancelled.scheduler.singleShot(
                std::chrono::milliseconds(100), [&cancelled] { cancelled.run.RequestCancel(); });
    };
    EXPECT_EQ(cancelled.measure(10, 5000).size(), 5u);
    EXPECT_GE(cancelled.run.DurationMs(), 4 * 5000 + 100);
    EXPECT_LT(cancelled.run.DurationMs(), 4 * 5000 + 5000);
    EXPECT_EQ(cancelled.view.ended, std::vector<bool>({true}));

    // No clock: the message once at the start, once at the end, and duration 0.
    Bench noClock({}, false);
    noClock.run.Measure();
    EXPECT_EQ(noClock.run.DurationMs(), 0);
    EXPECT_EQ(noClock.dialogs.messages, texts({StringId::NoPerformanceCounter, StringId::NoPerformanceCounter}));
}

TEST(StabilityRun, editsAreValidatedAndANewCountScalesTheDuration)
{
    struct Case {
        const char* name;
        bool readings; // else the delay
        const char* text;
        bool accepted;
    };
    const Case cases[] = {
        {"no reading", true, "0", false},
        {"one too many", true, "101", false},
        {"not a number", true, "12a", false},
        {"the fewest", true, "1", true},
        {"the most", true, " 100 ", true},
        {"a delay below one tick", false, "5", false},
        {"no delay", false, "0", true},
        {"one tick", false, "10", true},
        {"the longest", false, "20000", true},
        {"too long", false, "20001", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench b;
        const bool accepted = c.readings ? b.run.SetReadingCountText(c.text) : b.run.SetDelayText(c.text);
        EXPECT_EQ(accepted, c.accepted);
        const StringId refusal = c.readings ? StringId::ReadingsOutOfRange : StringId::DelayOutOfRange;
        EXPECT_EQ(b.dialogs.messages, c.accepted ? std::vector<std::string>() : texts({refusal}));
    }

    Bench b;
    b.run.Replace({}, 10, 1000);
    EXPECT_TRUE(b.run.SetReadingCount(25));
    EXPECT_EQ(b.run.DurationMs(), 2500);
    EXPECT_FALSE(b.run.SetReadingCount(0));
    EXPECT_EQ(b.run.readingCount(), 25);
}

TEST(StabilityRun, failuresSayWhyAndKeepWhatWasRead)
{
    struct Case {
        const char* name;
        std::function<void(Bench&)> fault;
        std::vector<std::string> messages;
        std::size_t records; // the last without its x and y
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
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
        EXPECT_FALSE(b.run.IsMeasuring());
        EXPECT_EQ(b.view.running.back(), false);
        EXPECT_EQ(b.portsReturned, 1);
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
        EXPECT_TRUE(b.received.empty());
        EXPECT_TRUE(b.run.Readings().empty());
        EXPECT_EQ(b.view.running, std::vector<bool>({true, false}));
    }
}

TEST(StabilityRun, abortEndsTheWaitAtOnceWithoutMessages)
{
    SimConfig sim;
    sim.faults.silentOn = {"getxy"};
    Bench b(sim);
    b.onRequest = [&b](const std::string& line) {
        if (line.rfind("getxy", 0) == 0)
            b.scheduler.singleShot(std::chrono::milliseconds(50), [&b] { b.run.Abort(); });
    };
    const std::int64_t start = b.scheduler.nowMicros();
    b.measure(10);
    EXPECT_LT(b.scheduler.nowMicros() - start, 1'000'000);
    EXPECT_TRUE(b.dialogs.messages.empty());
    EXPECT_FALSE(b.run.IsMeasuring());
    EXPECT_TRUE(b.view.ended.empty());
}
