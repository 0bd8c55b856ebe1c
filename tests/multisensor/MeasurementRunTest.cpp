// The plan of a measurement list run, and the run wired to the simulated device in virtual time.
#include "multisensor/MeasurementRun.h"
#include "base/FormatText.h"
#include "base/VirtualScheduler.h"
#include "device/CSeriell.h"
#include "foundation/CGlobal.h"
#include "foundation/Settings.h"
#include "foundation/StringTable.h"
#include "multisensor/MeasurementRunView.h"
#include "multisensor/ReadingLists.h"
#include "multisensor/RunPlan.h"
#include "multisensor/SensorSettingsList.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"

#include "InjectingBackend.h"
#include "RecordingDialogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace lumivex {
namespace {

CKonfList sensor(std::int16_t no, std::uint8_t testMode, std::uint8_t measureTime, std::uint8_t pwmRuns = 0,
    std::int16_t userTime = 800)
{
    return {no, no, testMode, measureTime, 0, pwmRuns, userTime};
}

std::vector<const CKonfList*> pointers(const std::vector<CKonfList>& records)
{
    std::vector<const CKonfList*> out;
    for (const CKonfList& r : records)
        out.push_back(&r);
    return out;
}

constexpr std::uint8_t kMan = kKonfManualCapture;
constexpr std::uint8_t kUsr = kKonfUserCapture;
constexpr std::uint8_t kPwm = kKonfPwmCapture;

TEST(RunPlan, CaptureRequestsAndBudgets)
{
    struct Case {
        const char* name;
        std::vector<CKonfList> sensors;
        std::vector<RunRequest> expected;
    };
    const Case cases[] = {
        {"all manual: one capture, 500 ticks", {sensor(1, kMan, 2), sensor(2, kMan, 1)},
            {{"capture\r", ListReply::CaptureAll, 500}}},
        // (3 + 1) x 5 x 20 ms = 400 ms, 400 / 5 + 5 = 85
        {"all PWM, runs code 3 at 20 ms", {sensor(1, kPwm, 5, 3), sensor(2, kPwm, 5, 3)},
            {{"capturepwm\r", ListReply::CapturePwmAll, 85}}},
        // 1000 / 5 + 5
        {"a user capture: budget from the longest user time", {sensor(1, kMan, 2, 0, 300), sensor(2, kUsr, 8, 0, 1000)},
            {{"capture\r", ListReply::CaptureAll, 205}}},
        // a manual 600 ms capture next to a 100 ms user time: 600 / 5 + 5
        {"a user capture never waits less than the slowest manual one",
            {sensor(1, kMan, 1, 0, 100), sensor(2, kUsr, 8, 0, 100)}, {{"capture\r", ListReply::CaptureAll, 125}}},
        // the most runs (15) with the longest time (600 ms): 16 x 5 x 600 = 48000 ms
        {"PWM: most runs and longest time need not be the same sensor", {sensor(1, kPwm, 1, 0), sensor(2, kPwm, 6, 15)},
            {{"capturepwm\r", ListReply::CapturePwmAll, 9605}}},
        // 4 x 5 x 20 / 10 + 20 = 60; user time 1000 / 10 + 20 = 120
        {"mixed: one capture per sensor, each addressing its own",
            {sensor(1, kMan, 2), sensor(2, kPwm, 5, 3), sensor(8, kUsr, 8, 0, 1000)},
            {{"capture201 1\r", ListReply::Successive, 500}, {"capturepwm032 1\r", ListReply::Successive, 60},
                {"capture803 2\r", ListReply::Successive, 120}}},
        {"user and manual sensors are not mixed", {sensor(1, kMan, 2, 0, 100), sensor(2, kUsr, 8, 0, 50)},
            {{"capture\r", ListReply::CaptureAll, 45}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto order = pointers(c.sensors);
        EXPECT_EQ(captureRequests(chooseCaptureMode(order), order), c.expected);
    }
}

TEST(RunPlan, PendingSettingsInDeviceOrder)
{
    struct Case {
        const char* name;
        std::uint16_t flags;
        std::uint16_t options;
        int firmware;
        bool offsetsLocked;
        std::vector<std::string> expected;
        const char* distance = "1.5";
    };
    const std::vector<std::string> all {"setusertime00250 2\r", "setcaptime513 2\r", "setaverage07 2\r",
        "setintgain3120 2\r", "setxoffset3+0.0125 2\r", "setyoffset3-0.0300 2\r", "setdistance31.5 2\r"};
    const Case cases[] = {
        {"everything pending, firmware 1007", KonfChange::AllWithDistance, 0, 1007, false, all},
        {"no distance below 1007", KonfChange::AllWithDistance, 0, 1006, false,
            {all[0], all[1], all[2], all[3], all[4], all[5]}},
        {"offsets held back by the global switch", KonfChange::AllWithDistance, 0, 1007, true,
            {all[0], all[1], all[2], all[3], all[6]}},
        {"offsets held back by the sensor's switch", KonfChange::AllWithDistance, KonfOption::KeepXyOffset, 1007, false,
            {all[0], all[1], all[2], all[3], all[6]}},
        {"only the user time", KonfChange::Pending | KonfChange::UserTime, 0, 1007, false, {all[0]}},
        {"range alone sends the capture time", KonfChange::Pending | KonfChange::Range, 0, 1007, false, {all[1]}},
        {"a distance never set is not sent", KonfChange::Pending | KonfChange::Distance, 0, 1007, false, {}, "-.-"},
        {"nothing without the pending bit", KonfChange::AllWithDistance & ~KonfChange::Pending, 0, 1007, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CKonfList r = sensor(8, kMan, 5, 7, 250); // sensor 3 of board 2
        r.Range = 1;
        r.Gain = 120;
        r.XOffset = "0.0125";
        r.YOffset = "-0.0300";
        r.Distance = c.distance;
        r.ChangeFlags = c.flags;
        r.OptionFlags = c.options;
        std::vector<std::string> texts;
        for (const SettingRequest& s : pendingSettingRequests(r, c.firmware, c.offsetsLocked))
            texts.push_back(s.text);
        EXPECT_EQ(texts, c.expected);
    }
}

TEST(RunPlan, ReadingTexts)
{
    struct Case {
        const char* name;
        RgbiReply reply;
        int fullScale;
        std::string red, green, blue, intens;
    };
    const Case cases[] = {
        // 100 x 255 / 250 = 102, 50 x 255 / 250 = 51
        {"shares of the sum", {100, 100, 50, 1234}, 4095, "102", "102", "51", "1234"},
        {"each channel at full scale overflows, the others stay empty", {255, 10, 255, 99999}, 255, "Overfl.", "",
            "Overfl.", "99999"},
        {"all dark underflows without an intensity", {0, 0, 0, 12}, 4095, "Underfl.", "Underfl.", "Underfl.", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ReadingTexts t = rgbiTexts(c.reply, c.fullScale);
        EXPECT_EQ(std::tie(t.red, t.green, t.blue, t.intens), std::tie(c.red, c.green, c.blue, c.intens));
    }
    EXPECT_EQ(hsiTexts({123.456, 45, 678}).sat, "45 %");
    EXPECT_EQ(colourTemperatureTexts(6504.9).temp, "6504");
}

// --- the run ---

std::string text(StringId id)
{
    return std::string(stringText(id));
}

std::vector<std::string> strings(std::initializer_list<StringId> ids)
{
    std::vector<std::string> out;
    for (const StringId id : ids)
        out.push_back(text(id));
    return out;
}

class RecordingRunView : public MeasurementRunView {
public:
    void ShowTitle(const std::string& title) override { titles.push_back(title); }
    void EnablePerform(bool enabled) override { performEnabled = enabled; }
    void ShowProgress(int position, int count) override
    {
        progress.push_back(std::to_string(position) + "/" + std::to_string(count));
        if (onProgress)
            onProgress();
    }
    void FillRows() override { ++fills; }

    std::vector<std::string> titles;
    std::vector<std::string> progress;
    bool performEnabled = true;
    int fills = 0;
    std::function<void()> onProgress; // what the user does while the run waits
};

// One board of five manual 200 ms sensors unless a test says otherwise, nothing pending.
struct RunBench {
    // `runFirmware`: the firmware number the program believes in; by default the device's own.
    explicit RunBench(int deviceFirmware, int boards = 1, int runFirmware = -1, SimFaults faults = {})
        : device(scheduler,
            [&] {
                SimConfig sim;
                sim.firmware = deviceFirmware;
                sim.boards = boards;
                sim.faults = faults;
                return sim;
            }()),
          backend(scheduler, device),
          wire(backend),
          port(wire, dialogs),
          konf(dialogs, {}),
          readings(dialogs),
          firmware(runFirmware < 0 ? deviceFirmware : runFirmware),
          run({scheduler, port, dialogs, log, settings, konf, readings, view, [this] { return firmware; }, true, {},
              [this] { ++portsReturned; }})
    {
        device.setTrace([this](std::string_view direction, std::string_view line) {
            if (direction == "<") {
                received.emplace_back(line);
                receivedAt.push_back(scheduler.nowMicros());
                if (onRequest)
                    onRequest(received.back());
            }
        });
        port.SetPortName(SimSerialBackend::kPortName);
        port.OpenPort();
        // The offsets may be sent: the switch that holds them back is tested on its own.
        settings.noChangeXyOffset = 0;
        konf.setDeviationSettings(DeviationSettings::fromSettings(settings));
        konf.CreateDefaultSettings(5 * boards);
        readings.CreateEmptyReadings(5 * boards);
        for (const auto& record : konf.records())
            set(record->Index, kKonfManualCapture, 2);
    }

    CKonfList& set(int index, std::uint8_t testMode, std::uint8_t measureTime, std::uint8_t pwmRuns = 0)
    {
        CKonfList& r = *konf.settingsByIndex(index);
        std::tie(r.TestMode, r.MeasureTime, r.PwmRuns, r.ChangeFlags) = std::tuple(testMode, measureTime, pwmRuns, 0);
        return r;
    }
    // Only the records named take part.
    void disableAllBut(std::initializer_list<int> indexes)
    {
        for (const auto& r : konf.records())
            r->MeasureTime = std::find(indexes.begin(), indexes.end(), r->Index) == indexes.end() ? 0 : r->MeasureTime;
    }
    // Settings of that sensor to be sent with the next run.
    CKonfList& pending(int index, std::uint16_t flags)
    {
        konf.setModified(true);
        konf.settingsByIndex(index)->ChangeFlags = flags;
        return *konf.settingsByIndex(index);
    }

    void perform() { run.PerformMeasurement(); }
    long count(const std::string& line) const { return std::count(received.begin(), received.end(), line); }
    const CMessList& result(int index) const { return *readings.resultByIndex(index); }

    VirtualScheduler scheduler;
    SimulatedDevice device;
    SimSerialBackend backend;
    test::InjectingBackend wire;
    test::RecordingDialogs dialogs;
    CSeriell port;
    CGlobal log;
    Settings settings;
    SensorSettingsList konf;
    ReadingLists readings;
    RecordingRunView view;
    int firmware;
    int portsReturned = 0;
    std::vector<std::string> received; // request lines as the device took them
    std::vector<std::int64_t> receivedAt;
    std::function<void(const std::string&)> onRequest; // as the device takes a request
    MeasurementRun run;
};

TEST(MeasurementRun, AllManualCapturesOnceAndReadsEverySensorOfEveryBoard)
{
    for (const int boards : {1, 10}) {
        SCOPED_TRACE(boards);
        RunBench bench(1007, boards);
        // A negative x is read (and warned of) through an offset that is sent first.
        CKonfList& first = bench.pending(1, KonfChange::Pending | KonfChange::XOffset);
        first.XOffset = "-0.9000";
        const std::int64_t start = bench.scheduler.nowMicros();
        bench.perform();

        EXPECT_EQ(bench.run.LastRunRequests()[1], (RunRequest {"capture\r", ListReply::CaptureAll, 500}));
        EXPECT_EQ(bench.count("capture"), 1);
        // seven reads a sensor at 1007: colours, hue, x/y, temperature, two offsets, distance
        EXPECT_EQ(bench.received.size(), 2u + 35u * static_cast<unsigned>(boards));
        EXPECT_EQ(bench.received.back(), "getdistance5 " + std::to_string(boards));
        for (int b = 1; b <= boards; ++b) {
            for (int s = 1; s <= 5; ++s) {
                const SimReading& seen = bench.device.model().sensor(b, s).last;
                const CMessList& result = bench.result(sensorListNumber(b, s));
                EXPECT_TRUE(result.isMeasured()) << b << ":" << s;
                EXPECT_EQ(result.IntensText, std::to_string(seen.intensity)) << b << ":" << s;
                if (b * s > 1) { // the first one's negative x is rounded by the device
                    EXPECT_EQ(result.XText, formatText("%.4f", seen.x)) << b << ":" << s;
                }
            }
        }
        EXPECT_EQ(bench.dialogs.messages, strings({StringId::NoReferenceData, StringId::XyOutOfRange}));
        EXPECT_TRUE(bench.result(1).XText.starts_with("-"));
        EXPECT_FALSE(bench.run.XyWarning());
        // The offsets and the distance read back into the settings.
        EXPECT_EQ(std::tuple(first.XOffset.str(), first.YOffset.str(), first.Distance.str()),
            std::tuple("-0.9000", "0.0000", "2.0"));
        // Replies are taken as they arrive: the run lasts as long as its 200 ms capture, not a tick
        // longer for each request.
        if (boards == 1) {
            EXPECT_LT(bench.scheduler.nowMicros() - start, 205000);
        }
    }
}

TEST(MeasurementRun, RequestsFollowTheFirmware)
{
    const std::vector<std::string> reads {"capture", "getrgbi2 1", "gethsi2 1", "getxy2 1"};
    const std::vector<std::string> offsets {"getctemp2 1", "getxoffset2 1", "getyoffset2 1", "getdistance2 1"};
    auto join = [](std::vector<std::vector<std::string>> parts) {
        std::vector<std::string> all;
        for (const auto& part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    };
    // No reference: nothing compared deviates, so the pass output at the end.
    const auto withOutputs = join({{"setoutput00", "setoutput10"}, reads, offsets, {"setoutput11", "setoutput00"}});
    struct Case {
        const char* name;
        int deviceFirmware, runFirmware;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"1003: no colour temperature, no offsets", 1003, -1, reads},
        {"1005: colour temperature, no offsets", 1005, -1, join({reads, {"getctemp2 1"}})},
        {"1007: offsets and distance", 1007, -1, join({reads, offsets})},
        {"2002: outputs off first, pass at the end", 2002, -1, withOutputs},
        {"firmware not known: everything", 2002, 0, withOutputs},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunBench bench(c.deviceFirmware, 1, c.runFirmware);
        bench.disableAllBut({2});
        bench.perform();
        EXPECT_EQ(bench.received, c.expected);
    }
}

TEST(MeasurementRun, MixedModesCaptureEachSensorOnItsOwnAfterThePendingSettings)
{
    RunBench bench(1007);
    bench.set(2, kKonfPwmCapture, 5, 1);
    bench.set(4, kKonfManualCapture, 3);
    bench.disableAllBut({1, 2, 4});
    bench.pending(1, KonfChange::Pending | KonfChange::UserTime | KonfChange::IntensPercent).UserTime = 250;
    bench.pending(2, KonfChange::Pending | KonfChange::MeasureTime);
    bench.pending(3, KonfChange::AllWithDistance); // measure time 0
    bench.perform();

    EXPECT_EQ(bench.dialogs.messages, strings({StringId::MixedCaptureMode, StringId::NoReferenceData}));
    // Only what changed is sent, then one capture per sensor.
    ASSERT_GE(bench.received.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(bench.received.begin(), bench.received.begin() + 5),
        (std::vector<std::string> {
            "setusertime00250 1", "setcaptime502 1", "capture201 1", "capturepwm012 1", "capture304 1"}));
    EXPECT_EQ(std::count_if(bench.received.begin(), bench.received.end(),
                  [](const std::string& line) { return line.starts_with("set") || line.starts_with("capture"); }),
        5);
    const int expectedCaptures[] = {1, 1, 0, 1, 0};
    for (int s = 1; s <= 5; ++s)
        EXPECT_EQ(bench.device.model().sensor(1, s).captures, expectedCaptures[s - 1]) << "sensor " << s;
    EXPECT_TRUE(bench.result(2).isMeasured());
    EXPECT_EQ(std::tuple(bench.konf.settingsByIndex(1)->ChangeFlags, bench.konf.settingsByIndex(2)->ChangeFlags,
                  bench.konf.isModified()),
        std::tuple(KonfChange::IntensPercent, 0, false));

    // Sensor 3: no settings, no capture, no read, dashes; its settings stay pending.
    for (const std::string& line : bench.received)
        EXPECT_FALSE(line.ends_with("3 1")) << line;
    ReadingRow row;
    ASSERT_TRUE(bench.readings.rowOf(3, row));
    EXPECT_EQ(std::tuple(row.red, row.x, bench.konf.settingsByIndex(3)->ChangeFlags),
        std::tuple("---", "---", KonfChange::AllWithDistance));

    const std::string base = text(StringId::MeasurementListTitle);
    EXPECT_EQ(bench.view.titles,
        (std::vector<std::string> {base, base + text(StringId::TitleSendingSettings),
            base + text(StringId::TitleMeasurementStarted), base + text(StringId::TitleCollectingData),
            base + text(StringId::TitleComparingData), base}));
    EXPECT_EQ(bench.view.progress, (std::vector<std::string> {"1/3", "2/3", "1/3", "2/3", "3/3", "1/3", "2/3", "3/3"}));
    EXPECT_EQ(bench.view.fills, 1);
    EXPECT_EQ(bench.portsReturned, 1);
}

TEST(MeasurementRun, RefusedLostOrGarbledRepliesEndTheRunAsDocumented)
{
    enum Fault { Error, Silent, Garbled };
    struct Case {
        const char* name;
        int firmware;
        std::string word;
        Fault fault;
        bool settingsPending;
        std::vector<std::string> messages;
        std::string lastRequest;
        int ticks; // budget of the lost request
        bool output0, output1;
    };
    const auto noValue = strings({StringId::NoValidReturnValue, StringId::ErrorGettingData});
    const auto refused = strings({StringId::BoardReturnsError, StringId::ErrorGettingData});
    const Case cases[] = {
        {"ERROR to getxy", 1007, "getxy", Error, false, refused, "getxy1 1", 0, false, false},
        {"ERROR to getxy signals fail, not pass", 2002, "getxy", Error, false, refused, "setoutput10", 0, true, false},
        {"silent getxy: outputs stay off", 2002, "getxy", Silent, false, noValue, "getxy1 1", 500, false, false},
        {"silent capture", 1007, "capture", Silent, false,
            strings({StringId::NoValidReturnValue, StringId::MeasurementsFailed}), "capture", 500, false, false},
        {"silent setting: the run ends without a further message", 1007, "setusertime", Silent, true,
            strings({StringId::NoValidReturnValue}), "setusertime00800 1", 200, false, false},
        // Letters where the numbers belong, long enough to pass for the reply, ahead of the real one.
        {"garbled x/y are no values", 1007, "", Garbled, false, noValue, "getxy1 1", 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimFaults faults;
        if (c.fault != Garbled)
            (c.fault == Silent ? faults.silentOn : faults.errorOn).insert(c.word);
        RunBench bench(c.firmware, 1, -1, faults);
        bench.disableAllBut({1});
        if (c.settingsPending)
            bench.pending(1, KonfChange::Pending | KonfChange::UserTime);
        bench.onRequest = [&bench, &c](const std::string& line) {
            if (c.fault == Garbled && line == c.lastRequest)
                bench.scheduler.singleShot(
                    std::chrono::microseconds(0), [&bench] { bench.wire.inject("ABCDEF GHIJKL\r"); });
        };
        bench.perform();

        EXPECT_EQ(bench.dialogs.messages, c.messages);
        // Nothing stored, the outputs as said, the run over and startable again.
        EXPECT_EQ(std::tuple(bench.received.back(), bench.result(1).XText, bench.device.model().output(0),
                      bench.device.model().output(1), bench.run.IsMeasuring(), bench.view.performEnabled,
                      bench.konf.isModified()),
            std::tuple(c.lastRequest, "", c.output0, c.output1, false, true, c.settingsPending));
        if (c.ticks > 0) {
            // given up on the last of its ticks (the run ends there): one tick (10 ms) of phase either way
            const std::int64_t waited = bench.scheduler.nowMicros() - bench.receivedAt.back();
            EXPECT_GT(waited, (c.ticks - 1) * 10000);
            EXPECT_LE(waited, c.ticks * 10000);
        }
    }
}

TEST(MeasurementRun, NoiseAndOneByteChunksChangeNothing)
{
    auto runOn = [](SimFaults faults) {
        auto bench = std::make_unique<RunBench>(2002, 2, -1, faults);
        bench->set(7, kKonfPwmCapture, 5, 2);
        bench->perform();
        return bench;
    };
    const auto clean = runOn({});
    SimFaults faulty;
    faulty.chunkSize = 1;
    faulty.noiseBytes = 3;
    const auto noisy = runOn(faulty);

    EXPECT_EQ(noisy->received, clean->received);
    EXPECT_EQ(noisy->dialogs.messages, clean->dialogs.messages);
    for (int k = 1; k <= 10; ++k)
        EXPECT_EQ(noisy->result(k), clean->result(k)) << "row " << k;
}

TEST(MeasurementRun, StartsOnlyWhenItMay)
{
    struct Case {
        const char* name;
        int runFirmware;
        int digit; // on the device's input; 0: the button
        void (*prepare)(RunBench&);
        bool runs;
    };
    const Case cases[] = {
        {"input 2 while idle", 2002, 2, nullptr, true},
        {"any other digit", 2002, 5, nullptr, false},
        {"no input poll below 2002", 1007, 2, nullptr, false},
        {"the main window awaits a reply", 2002, 0, [](RunBench& b) { b.run.SetBusy(true); }, false},
        {"the port is closed", 2002, 0, [](RunBench& b) { b.port.ClosePort(); }, false},
        {"no sensors", 2002, 0, [](RunBench& b) { b.readings.CreateEmptyReadings(0); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunBench bench(2002, 1, c.runFirmware);
        bench.disableAllBut({1});
        if (c.prepare)
            c.prepare(bench);
        if (c.digit == 0) {
            bench.perform();
        } else {
            bench.run.StartInputPoll();
            ASSERT_TRUE(bench.device.triggerInputIo(c.digit));
            bench.scheduler.advance(std::chrono::milliseconds(120));
            bench.run.StopInputPoll();
        }
        EXPECT_EQ(std::tuple(bench.count("capture"), bench.received.empty(), bench.dialogs.messages.empty(),
                      bench.portsReturned),
            std::tuple(c.runs ? 1 : 0, !c.runs, !c.runs, c.runs ? 1 : 0));
    }
}

TEST(MeasurementRun, TheWindowEnd)
{
    RunBench bench(2002);
    bench.disableAllBut({1});
    bool closeAllowed = true;
    bench.view.onProgress = [&] { closeAllowed = bench.run.ConfirmClose(); };
    bench.perform();
    EXPECT_FALSE(closeAllowed);
    EXPECT_EQ(bench.dialogs.messages.front(), text(StringId::MeasurementStillActive));
    ASSERT_TRUE(bench.device.model().output(1)) << "passed";

    EXPECT_TRUE(bench.run.ConfirmClose());
    bench.run.SwitchOutputsOffOnClose();
    EXPECT_EQ(std::tuple(bench.device.model().output(0), bench.device.model().output(1), bench.portsReturned),
        std::tuple(false, false, 2));

    // Closing the program in the middle of a run: it ends without another request or box.
    bench.dialogs.messages.clear();
    bench.view.onProgress = [&] { bench.run.Cancel(); };
    const std::size_t before = bench.received.size();
    bench.perform();
    EXPECT_EQ(bench.received.size(), before + 3) << "outputs off, capture: no read";
    EXPECT_TRUE(bench.dialogs.messages.empty());
    EXPECT_FALSE(bench.run.IsMeasuring());
}

} // namespace
} // namespace lumivex
