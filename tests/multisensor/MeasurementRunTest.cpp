#include "RunBench.h"

#include "base/FormatText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <iterator>

namespace lumivex {
namespace {

using test::RunBench;
using test::text;

SimConfig simWith(int firmware, int boards = 1)
{
    SimConfig sim;
    sim.firmware = firmware;
    sim.boards = boards;
    return sim;
}

long countOf(const std::vector<std::string>& lines, const std::string& line)
{
    return std::count(lines.begin(), lines.end(), line);
}

std::vector<std::string> strings(std::initializer_list<StringId> ids)
{
    std::vector<std::string> out;
    for (const StringId id : ids)
        out.push_back(text(id));
    return out;
}

TEST(MeasurementRun, AllManualCapturesOnceAndReadsEverySensorOfEveryBoard)
{
    for (const int boards : {1, 2, 10}) {
        SCOPED_TRACE(boards);
        RunBench bench(simWith(1007, boards));
        bench.setAll(kKonfManualCapture, 2);
        bench.perform();

        EXPECT_EQ(bench.run.LastRunRequests().front(), (RunRequest {"capture\r", ListReply::CaptureAll, 500}));
        EXPECT_EQ(countOf(bench.received, "capture"), 1);
        // seven reads a sensor at 1007: colours, hue, x/y, temperature, two offsets, distance
        EXPECT_EQ(bench.received.size(), 1u + 35u * static_cast<unsigned>(boards));
        EXPECT_EQ(bench.received.back(), "getdistance5 " + std::to_string(boards));
        for (int b = 1; b <= boards; ++b) {
            for (int s = 1; s <= 5; ++s) {
                const SimReading& seen = bench.device.model().sensor(b, s).last;
                const CMessList& result = bench.result(sensorListNumber(b, s));
                EXPECT_TRUE(result.isMeasured()) << b << ":" << s;
                EXPECT_EQ(result.IntensText, std::to_string(seen.intensity)) << b << ":" << s;
                EXPECT_EQ(result.XText, formatText("%.4f", seen.x)) << b << ":" << s;
            }
        }
        EXPECT_EQ(bench.dialogs.messages, strings({StringId::NoReferenceData}));
    }
}

TEST(MeasurementRun, RequestsFollowTheFirmware)
{
    const std::vector<std::string> reads {"getrgbi2 1", "gethsi2 1", "getxy2 1"};
    const std::vector<std::string> offsets {"getctemp2 1", "getxoffset2 1", "getyoffset2 1", "getdistance2 1"};
    auto join = [](std::vector<std::vector<std::string>> parts) {
        std::vector<std::string> all;
        for (const auto& part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    };
    struct Case {
        const char* name;
        int deviceFirmware;
        int runFirmware;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"1003: no colour temperature, no offsets", 1003, -1, join({{"capture"}, reads})},
        {"1005: colour temperature, no offsets", 1005, -1, join({{"capture"}, reads, {"getctemp2 1"}})},
        {"1007: offsets and distance", 1007, -1, join({{"capture"}, reads, offsets})},
        // no reference: nothing compared deviates, so the pass output
        {"2002: outputs off first, pass at the end", 2002, -1,
            join({{"setoutput00", "setoutput10", "capture"}, reads, offsets, {"setoutput11", "setoutput00"}})},
        {"firmware not known: everything", 2002, 0,
            join({{"setoutput00", "setoutput10", "capture"}, reads, offsets, {"setoutput11", "setoutput00"}})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunBench bench(simWith(c.deviceFirmware), c.runFirmware);
        bench.setAll(kKonfManualCapture, 2);
        bench.disableAllBut({2});
        bench.perform();
        EXPECT_EQ(bench.received, c.expected);
    }
}

TEST(MeasurementRun, MixedModesCaptureEachSensorOnItsOwnAndLeaveDisabledOnesAlone)
{
    RunBench bench(simWith(1007));
    bench.setAll(kKonfManualCapture, 2);
    bench.set(2, kKonfPwmCapture, 5, 1).ChangeFlags = KonfChange::Pending | KonfChange::MeasureTime;
    bench.set(4, kKonfManualCapture, 3);
    bench.disableAllBut({1, 2, 4});
    bench.konf.settingsByIndex(3)->ChangeFlags = KonfChange::AllWithDistance; // measure time 0
    bench.konf.setModified(true);
    bench.perform();

    ASSERT_FALSE(bench.dialogs.messages.empty());
    EXPECT_EQ(bench.dialogs.messages.front(), text(StringId::MixedCaptureMode));
    std::vector<std::string> captures;
    std::copy_if(bench.received.begin(), bench.received.end(), std::back_inserter(captures),
        [](const std::string& line) { return line.starts_with("capture"); });
    EXPECT_EQ(captures, (std::vector<std::string> {"capture201 1", "capturepwm012 1", "capture304 1"}));
    const int expectedCaptures[] = {1, 1, 0, 1, 0};
    for (int s = 1; s <= 5; ++s)
        EXPECT_EQ(bench.device.model().sensor(1, s).captures, expectedCaptures[s - 1]) << "sensor " << s;
    EXPECT_TRUE(bench.result(2).isMeasured());

    // Sensor 3: no settings, no capture, no read, dashes; its settings stay pending.
    for (const std::string& line : bench.received)
        EXPECT_FALSE(line.ends_with("3 1") || line.starts_with("setaverage")) << line;
    EXPECT_EQ(bench.row(3).red, "---");
    EXPECT_EQ(bench.row(3).x, "---");
    EXPECT_EQ(bench.konf.settingsByIndex(3)->ChangeFlags, KonfChange::AllWithDistance);
}

TEST(MeasurementRun, OnlyTheChangedUserTimeIsSent)
{
    RunBench bench(simWith(1007));
    bench.setAll(kKonfManualCapture, 2);
    CKonfList& changed = *bench.konf.settingsByIndex(1);
    changed.UserTime = 250;
    changed.ChangeFlags = KonfChange::Pending | KonfChange::UserTime | KonfChange::IntensPercent;
    bench.konf.setModified(true);
    bench.perform();

    ASSERT_GE(bench.received.size(), 2u);
    EXPECT_EQ(bench.received[0], "setusertime00250 1");
    EXPECT_EQ(bench.received[1], "capture");
    EXPECT_EQ(std::count_if(bench.received.begin(), bench.received.end(),
                  [](const std::string& line) { return line.starts_with("set"); }),
        1);
    EXPECT_EQ(bench.device.model().board(1).userTime, 250);
    EXPECT_EQ(changed.ChangeFlags, KonfChange::IntensPercent);
    EXPECT_FALSE(bench.konf.isModified());
}

TEST(MeasurementRun, RefusedOrLostRepliesEndTheRunAsDocumented)
{
    struct Case {
        const char* name;
        int firmware;
        std::string word;
        bool silent; // else "ERROR"
        bool settingsPending;
        std::vector<std::string> messages;
        std::string lastRequest;
        int ticks; // budget of the lost request
        bool output0, output1;
    };
    const Case cases[] = {
        {"ERROR to getxy", 1007, "getxy", false, false,
            strings({StringId::BoardReturnsError, StringId::ErrorGettingData}), "getxy1 1", 0, false, false},
        {"ERROR to getxy signals fail, not pass", 2002, "getxy", false, false,
            strings({StringId::BoardReturnsError, StringId::ErrorGettingData}), "setoutput10", 0, true, false},
        {"silent getxy: outputs stay off", 2002, "getxy", true, false,
            strings({StringId::NoValidReturnValue, StringId::ErrorGettingData}), "getxy1 1", 500, false, false},
        {"silent capture", 1007, "capture", true, false,
            strings({StringId::NoValidReturnValue, StringId::MeasurementsFailed}), "capture", 500, false, false},
        {"silent setting: the run ends without a further message", 1007, "setusertime", true, true,
            strings({StringId::NoValidReturnValue}), "setusertime00800 1", 200, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimConfig sim = simWith(c.firmware);
        (c.silent ? sim.faults.silentOn : sim.faults.errorOn).insert(c.word);
        RunBench bench(sim);
        bench.setAll(kKonfManualCapture, 2);
        bench.disableAllBut({1});
        if (c.settingsPending) {
            bench.konf.settingsByIndex(1)->ChangeFlags = KonfChange::Pending | KonfChange::UserTime;
            bench.konf.setModified(true);
        }
        bench.perform();

        EXPECT_EQ(bench.dialogs.messages, c.messages);
        EXPECT_EQ(bench.received.back(), c.lastRequest);
        EXPECT_EQ(bench.device.model().output(0), c.output0);
        EXPECT_EQ(bench.device.model().output(1), c.output1);
        EXPECT_FALSE(bench.run.IsMeasuring());
        EXPECT_TRUE(bench.view.performEnabled);
        EXPECT_EQ(bench.konf.isModified(), c.settingsPending);
        if (c.ticks > 0) {
            // given up on the last of its ticks: one tick (10 ms) of phase either way
            const std::int64_t waited = bench.dialogs.shownAt.front() - bench.receivedAt.back();
            EXPECT_GT(waited, (c.ticks - 1) * 10000);
            EXPECT_LE(waited, c.ticks * 10000);
        }
    }
}

TEST(MeasurementRun, GarbledValuesAreNoValues)
{
    RunBench bench(simWith(1007));
    bench.setAll(kKonfManualCapture, 2);
    bench.disableAllBut({1});
    // Letters where the numbers belong, long enough to pass for the reply, ahead of the real one.
    bench.onRequest = [&bench](const std::string& line) {
        if (line == "getxy1 1")
            bench.scheduler.singleShot(
                std::chrono::microseconds(0), [&bench] { bench.wire.inject("ABCDEF GHIJKL\r"); });
    };
    bench.perform();

    EXPECT_EQ(bench.dialogs.messages, strings({StringId::NoValidReturnValue, StringId::ErrorGettingData}));
    EXPECT_EQ(bench.result(1).XText, "");
}

TEST(MeasurementRun, NegativeXWarnsAfterTheRunAndOffsetsAreReadBack)
{
    RunBench bench(simWith(1007));
    bench.setAll(kKonfManualCapture, 2);
    bench.disableAllBut({1});
    CKonfList& sensor = *bench.konf.settingsByIndex(1);
    sensor.XOffset = "-0.9000";
    sensor.Distance = "-.-";
    sensor.ChangeFlags = KonfChange::Pending | KonfChange::XOffset;
    bench.konf.setModified(true);
    bench.perform();

    EXPECT_EQ(bench.dialogs.messages, strings({StringId::NoReferenceData, StringId::XyOutOfRange}));
    EXPECT_TRUE(bench.result(1).XText.starts_with("-"));
    EXPECT_EQ(sensor.XOffset, "-0.9000");
    EXPECT_EQ(sensor.YOffset, "0.0000");
    EXPECT_EQ(sensor.Distance, "2.0");
    EXPECT_FALSE(bench.run.XyWarning());
}

TEST(MeasurementRun, NoiseAndOneByteChunksChangeNothing)
{
    auto runOn = [](SimConfig sim) {
        auto bench = std::make_unique<RunBench>(sim);
        bench->setAll(kKonfManualCapture, 2);
        bench->set(7, kKonfPwmCapture, 5, 2);
        bench->perform();
        return bench;
    };
    const auto clean = runOn(simWith(2002, 2));
    SimConfig faulty = simWith(2002, 2);
    faulty.faults.noiseBytes = 3;
    faulty.faults.chunkSize = 1;
    const auto noisy = runOn(faulty);

    EXPECT_EQ(noisy->received, clean->received);
    EXPECT_EQ(noisy->dialogs.messages, clean->dialogs.messages);
    for (int k = 1; k <= 10; ++k)
        EXPECT_EQ(noisy->result(k), clean->result(k)) << "row " << k;
}

TEST(MeasurementRun, TitlesProgressAndThePortHandedBack)
{
    RunBench bench(simWith(1007));
    bench.setAll(kKonfManualCapture, 2);
    bench.disableAllBut({1, 3});
    bench.konf.settingsByIndex(3)->ChangeFlags = KonfChange::Pending | KonfChange::Gain;
    bench.konf.setModified(true);
    const std::int64_t start = bench.scheduler.nowMicros();
    bench.perform();

    const std::string base = text(StringId::MeasurementListTitle);
    EXPECT_EQ(bench.view.titles,
        (std::vector<std::string> {base, base + text(StringId::TitleSendingSettings),
            base + text(StringId::TitleMeasurementStarted), base + text(StringId::TitleCollectingData),
            base + text(StringId::TitleComparingData), base}));
    EXPECT_EQ(bench.view.progress, (std::vector<std::string> {"2/2", "1/2", "2/2"}));
    EXPECT_EQ(bench.view.fills, 1);
    EXPECT_EQ(bench.portsReturned, 1);
    // Replies are taken as they arrive: the run lasts as long as its 200 ms capture, not a tick
    // longer for each of its 16 requests.
    EXPECT_LT(bench.scheduler.nowMicros() - start, 205000);
}

TEST(MeasurementRun, DoesNotStartWhereItMustNot)
{
    struct Case {
        const char* name;
        void (*prepare)(RunBench&);
    };
    const Case cases[] = {
        {"the main window awaits a reply", [](RunBench& b) { b.run.SetBusy(true); }},
        {"the port is closed", [](RunBench& b) { b.port.ClosePort(); }},
        {"no sensors", [](RunBench& b) { b.readings.CreateEmptyReadings(0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunBench bench(simWith(2002));
        bench.setAll(kKonfManualCapture, 2);
        c.prepare(bench);
        bench.perform();
        EXPECT_TRUE(bench.received.empty());
        EXPECT_TRUE(bench.dialogs.messages.empty());
        EXPECT_EQ(bench.portsReturned, 0);
    }
}

TEST(MeasurementRun, TheDeviceInputStartsARun)
{
    struct Case {
        const char* name;
        int runFirmware;
        int digit;
        bool runs;
    };
    const Case cases[] = {
        {"input 2 while idle", 2002, 2, true},
        {"any other digit", 2002, 5, false},
        {"no input poll below 2002", 1007, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunBench bench(simWith(2002), c.runFirmware);
        bench.setAll(kKonfManualCapture, 2);
        bench.disableAllBut({1});
        bench.run.StartInputPoll();
        ASSERT_TRUE(bench.device.triggerInputIo(c.digit));
        bench.scheduler.advance(std::chrono::milliseconds(120));
        EXPECT_EQ(countOf(bench.received, "capture"), c.runs ? 1 : 0);
        bench.run.StopInputPoll();
    }
}

TEST(MeasurementRun, TheWindowEnd)
{
    RunBench bench(simWith(2002));
    bench.setAll(kKonfManualCapture, 2);
    bench.disableAllBut({1});
    bool closeAllowed = true;
    bench.view.onProgress = [&] { closeAllowed = bench.run.ConfirmClose(); };
    bench.perform();
    EXPECT_FALSE(closeAllowed);
    EXPECT_EQ(bench.dialogs.messages.front(), text(StringId::MeasurementStillActive));
    ASSERT_TRUE(bench.device.model().output(1)) << "passed";

    EXPECT_TRUE(bench.run.ConfirmClose());
    bench.run.SwitchOutputsOffOnClose();
    EXPECT_FALSE(bench.device.model().output(0));
    EXPECT_FALSE(bench.device.model().output(1));
    EXPECT_EQ(bench.portsReturned, 2);

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
