// However the device shapes its replies on the line (line ends, echoed and two-line replies, long
// identity replies, pieces with gaps, junk bytes, slow lines), the main window's engine must show
// the very values a clean line gives: the connection texts, every value of each test mode and the
// requests sent. Stray bytes (an unsolicited input message, the late "OK" of a timed-out capture)
// must not change them either.
#include "SequencerBench.h"

#include "sim/SimRequest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <functional>
#include <tuple>

using namespace lumivex;
using namespace lumivex::test;

namespace {

// What the engine reported, one "part name: values" line each, so that a difference names its value.
using Record = std::vector<std::string>;

// A double in its shortest exact form (gtest prints six digits): equal texts mean equal values.
std::string exact(double value)
{
    char digits[32];
    return std::string(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

template<class... Value> void add(Record& r, const std::string& name, const Value&... values)
{
    r.push_back(name + ": " + testing::PrintToString(std::make_tuple(values...)));
}

// What the window shows, the list holds and the engine knows, the requests from `firstRequest` on
// and what was said.
Record record(const std::string& part, SequencerBench& bench, std::size_t firstRequest)
{
    const MeasurementSequencer& s = bench.sequencer;
    const ResultView& v = bench.view;
    const TestNumbers& n = v.LastTestNumbers();
    const ReadingRow row = bench.row(9);
    const CKonfList& settings = *bench.frame.SensorSettings().settingsByIndex(9);
    Record r;
    add(r, part + " identity", s.HardwareText(), s.SerialText(), s.FirmwareText(), s.FirmwareNumber(),
        bench.config.boardList);
    add(r, part + " view", v.StatusText(), v.SubjectText(), v.Connected(), v.TestRunning());
    for (const NamedField& f : v.Display().Fields().InWindowOrder())
        add(r, part + " field " + std::string(f.name), f.text);
    add(r, part + " numbers", n.counts, n.red, n.green, n.blue, n.rawIntensity, n.fullScale, n.hueSaturation,
        exact(n.hue), n.saturation, n.intensity, n.xy, exact(n.x), exact(n.y), n.colourTemperature, exact(n.kelvin));
    add(r, part + " list", row.measured, row.red, row.green, row.blue, row.hue, row.sat, row.intens, row.x, row.y,
        row.temp, row.mode, row.range);
    add(r, part + " settings", settings.XOffset.str(), settings.YOffset.str(), settings.Distance.str());
    add(r, part + " result", s.ResultValid(), s.TimedOut(), s.SensorListIndex(), v.LastTestEndedWithWheel(),
        bench.frame.Run().XyWarning());
    add(r, part + " requests", bench.sentSince(firstRequest));
    add(r, part + " said", bench.dialogs.messages, bench.dialogs.problems);
    return r;
}

struct ModeSetting {
    const char* name;
    int mode;
    int option;
};
constexpr ModeSetting kModes[] = {
    {"manual", kManualCapture, 2}, // "ULT 3x3  20ms"
    {"user", kUserCapture, 0},
    {"pwm", kPwmCapture, 2},
};

// After the connection: offsets of both signs and a distance on the tested sensor, so that their
// fields carry digits (the x offset takes x below 0: each test ends with the out-of-range warning);
// board 2, LED 4 chosen (counted from 0), a 3x3 user capture of 120 ms.
void prepare(SequencerBench& bench)
{
    for (const char* request : {"setxoffset4-0.9000 2", "setyoffset4+0.0456 2", "setdistance412.5 2"}) {
        const auto parsed = parseSimRequest(request);
        ASSERT_TRUE(parsed.has_value()) << request;
        bench.device.model().execute(*parsed, bench.scheduler.nowMicros());
    }
    bench.config.OnBoardChanged(1);
    bench.config.OnLedChanged(3);
    bench.config.OnArea(0);
    EXPECT_EQ(bench.config.OnUserTimeEdited("120"), "");
}

// A test in the mode, `meanwhile` run once it has started; what was said before is forgotten.
Record runMode(
    SequencerBench& bench, const ModeSetting& mode, const std::function<void(SequencerBench&)>& meanwhile = {})
{
    bench.config.OnTestModeChanged(mode.mode);
    bench.config.OnOptionChanged(mode.option);
    bench.dialogs.messages.clear();
    bench.dialogs.problems.clear();
    const std::size_t before = bench.sentCount();
    bench.sequencer.StartTest();
    if (meanwhile)
        meanwhile(bench);
    bench.settle();
    return record(mode.name, bench, before);
}

// The connection and one test per mode; `meanwhile` runs once the manual test has started.
Record runAll(const SimConfig& config, const std::function<void(SequencerBench&)>& meanwhile = {})
{
    SequencerBench bench(config);
    bench.connect();
    Record r = record("connect", bench, 0);
    prepare(bench);
    for (const ModeSetting& mode : kModes) {
        const Record test = runMode(bench, mode, mode.mode == kManualCapture ? meanwhile : nullptr);
        r.insert(r.end(), test.begin(), test.end());
    }
    return r;
}

// Each line that differs fails on its own, naming the case.
void expectSame(const Record& expected, const Record& actual, const std::string& caseName)
{
    for (std::size_t i = 0; i < std::max(expected.size(), actual.size()); ++i) {
        const auto line = [i](const Record& r) { return i < r.size() ? r[i] : std::string(); };
        EXPECT_EQ(line(actual), line(expected)) << caseName;
    }
}

// ------------------------------------------------------------------ the matrix

// Firmware, line end, two-line replies (an echo of the request before "OK" and the value lines),
// long identity replies (the request echoed before the serial number and firmware).
using Layout = std::tuple<int, std::string, bool, bool>;

std::string layoutName(const testing::TestParamInfo<Layout>& param)
{
    const auto& [fw, lineEnd, twoLines, longIdentity] = param.param;
    const char* end = lineEnd == "\r" ? "_cr" : lineEnd == "\n" ? "_lf" : "_crlf";
    return "fw" + std::to_string(fw) + end + (twoLines ? "_twoLine" : "_oneLine")
        + (longIdentity ? "_longId" : "_shortId");
}

// How the bytes travel, by name: pieces of `chunk` bytes (0: whole) apart by a gap, junk bytes in
// every message, paced at a baud rate (0: at once; pieces then leave as their last byte is sent,
// and the gap means nothing).
std::vector<std::pair<std::string, SimFaults>> transports()
{
    std::vector<std::pair<std::string, SimFaults>> all;
    const auto add = [&all](int chunk, int gapMs, int noise, int baud) {
        auto& [name, t] = all.emplace_back();
        t.chunkSize = chunk;
        t.chunkGapUs = gapMs * 1000;
        t.noiseBytes = noise;
        t.paceBaud = baud;
        name = (chunk ? "chunk " + std::to_string(chunk) : "whole")
            + (chunk && !baud ? " gap " + std::to_string(gapMs) + " ms" : "")
            + (baud ? " paced " + std::to_string(baud) : "") + (noise ? " noise " + std::to_string(noise) : "");
    };
    for (const int noise : {0, 2}) {
        for (const int baud : {0, 300, 9600, 115200}) {
            add(0, 0, noise, baud);
            for (const int chunk : {1, 2, 3, 5, 8, 16, 64}) {
                if (baud)
                    add(chunk, 0, noise, baud);
                else
                    for (const int gap : {0, 1, 16, 50})
                        add(chunk, gap, noise, 0);
            }
        }
    }
    return all;
}

class ReplyFaultMatrix : public testing::TestWithParam<Layout> { };

TEST_P(ReplyFaultMatrix, everyTransportGivesTheCleanValues)
{
    const auto& [fw, lineEnd, twoLines, longIdentity] = GetParam();
    const Record clean = runAll(firmware(fw, 2));
    // The reference itself must be a proper run, or every comparison with it proves nothing: each
    // test valid, not timed out, on board 2 LED 4, the wheel redrawn from 1007 on, x below 0 told
    // once and the mark cleared.
    const std::string wheel = fw >= kFirmwareWideCounts ? "true" : "false";
    const std::string warned = testing::PrintToString(
        std::make_tuple(std::vector<std::string> {text(StringId::XyOutOfRange)}, std::vector<std::string> {}));
    for (const ModeSetting& mode : kModes) {
        for (const std::string& line : {"result: (true, false, 9, " + wheel + ", false)", "said: " + warned})
            ASSERT_NE(std::find(clean.begin(), clean.end(), mode.name + (" " + line)), clean.end()) << line;
    }
    for (const auto& [name, t] : transports()) {
        SimConfig config = firmware(fw, 2);
        config.lineEnd = lineEnd;
        config.longIdentity = longIdentity;
        config.faults = t;
        config.faults.multiLine = twoLines;
        expectSame(clean, runAll(config), name);
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, ReplyFaultMatrix,
    testing::Combine(testing::Values(1006, 1007),
        testing::Values(std::string("\r"), std::string("\n"), std::string("\r\n")), testing::Bool(), testing::Bool()),
    layoutName);

// ------------------------------------------------------------------ stray bytes

TEST(ReplyStrayBytes, anInputMessageJustAfterARequestChangesNoValue)
{
    // Firmware 2002 sends "InputIO<digit>" whenever an input changes, between any two bytes of
    // the conversation; here it comes just after the request went out, ahead of its reply.
    const Record clean = runAll(firmware(2002, 2));
    for (const int number : {DeviceCommand::CaptureRange, DeviceCommand::GetRgbi, DeviceCommand::GetHsi,
             DeviceCommand::GetXy, DeviceCommand::GetCTemp, DeviceCommand::GetDistance}) {
        const Record r = runAll(firmware(2002, 2), [number](SequencerBench& bench) {
            ASSERT_TRUE(bench.untilCommand(number));
            ASSERT_TRUE(bench.device.triggerInputIo(5));
        });
        expectSame(clean, r, "InputIO5 after request " + std::to_string(number));
    }
}

TEST(ReplyStrayBytes, theLateOkOfATimedOutCaptureDoesNotReachTheNextTest)
{
    // Connecting takes four requests; the test's capture is the fifth and answers 5 s late.
    SimConfig config = firmware(1007, 2);
    config.faults.latencyAt = {{5, 5000}};
    SequencerBench bench(config);
    bench.connect();
    prepare(bench);
    runMode(bench, kModes[0]);
    ASSERT_TRUE(bench.sequencer.TimedOut());

    // The late "OK" arrives while nothing is awaited; the next test starts after it.
    ASSERT_TRUE(bench.pumpUntil([&] { return !bench.device.busy(); }, 10000));
    bench.scheduler.advance(std::chrono::milliseconds(50));
    EXPECT_EQ(bench.dialogs.messages, std::vector<std::string> {noValidResponse(3)});
    ConnectedBench clean(firmware(1007, 2));
    prepare(clean);
    expectSame(runMode(clean, kModes[0]), runMode(bench, kModes[0]), "the test after the late OK");
}

} // namespace
