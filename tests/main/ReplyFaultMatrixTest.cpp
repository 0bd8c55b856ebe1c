// However the device shapes its replies on the line (line ends, echoed and two-line replies, long
// identity replies, pieces with gaps, junk bytes, slow lines), the main window's engine must show
// the very values a clean line gives: the connection texts, every value of each test mode and the
// requests sent. Stray bytes (an unsolicited input message, the late "OK" of a timed-out capture)
// must not change them either.
#include "SequencerBench.h"

#include "sim/SimRequest.h"

#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <map>

using namespace lumivex;
using test::SequencerBench;

namespace {

// Doubles in their shortest exact form: equal texts mean equal values.
std::string number(double value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

// Line breaks and other control bytes as escapes, so that a record stays one line per value.
std::string visible(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f)
            out += "\\x" + std::to_string(static_cast<unsigned char>(c));
        else
            out += c;
    }
    return out;
}

std::string joined(const std::vector<std::string>& items, std::size_t from = 0)
{
    std::string out;
    for (std::size_t i = from; i < items.size(); ++i)
        out += (i > from ? " | " : "") + visible(items[i]);
    return out;
}

// What the engine reported, one "name: value" line each.
class Record {
public:
    void add(const std::string& name, const std::string& value) { m_text += name + ": " + value + "\n"; }
    void add(const std::string& name, double value) { add(name, number(value)); }
    const std::string& text() const { return m_text; }

private:
    std::string m_text;
};

void recordConnection(Record& r, const SequencerBench& bench)
{
    const MeasurementSequencer& s = bench.sequencer;
    r.add("connect hardware", visible(s.HardwareText()));
    r.add("connect serial", visible(s.SerialText()));
    r.add("connect firmware", visible(s.FirmwareText()) + " = " + std::to_string(s.FirmwareNumber()));
    r.add("connect boards", s.BoardCount());
    r.add("connect board list", joined(bench.config.boardList));
    r.add("connect status", visible(s.StatusText()));
    r.add("connect requests", joined(s.SentRequests()));
    r.add("connect messages", joined(bench.dialogs.messages));
    r.add("connect problems", joined(bench.dialogs.problems));
    r.add("connect timed out", s.TimedOut());
}

void recordTest(Record& r, const std::string& mode, const SequencerBench& bench, std::size_t firstRequest)
{
    const test::RecordingView& v = bench.view;
    const SensorValues& l = bench.list.lastValues;
    const auto add = [&](const std::string& name, const auto& value) { r.add(mode + " " + name, value); };
    add("shown rgbi",
        std::to_string(v.red) + " " + std::to_string(v.green) + " " + std::to_string(v.blue) + " "
            + std::to_string(v.intensity) + " /" + std::to_string(v.fullScale));
    add("shown hue", v.hue);
    add("shown saturation", v.saturation);
    add("shown hsi intensity", v.hsiIntensity);
    add("shown x", v.lastX);
    add("shown y", v.lastY);
    add("shown cct", v.lastCct);
    add("list row", bench.list.lastIndex);
    add("list rgbi",
        std::to_string(l.red) + " " + std::to_string(l.green) + " " + std::to_string(l.blue) + " "
            + std::to_string(l.intensity));
    add("list x", l.x);
    add("list y", l.y);
    add("list x offset", number(l.xOffset) + " '" + visible(l.xOffsetText) + "'");
    add("list y offset", number(l.yOffset) + " '" + visible(l.yOffsetText) + "'");
    add("list distance", l.distance);
    add("ended", v.calls.empty() ? std::string() : v.calls.back());
    add("result valid", bench.sequencer.ResultValid());
    add("timed out", bench.sequencer.TimedOut());
    add("requests", joined(bench.sequencer.SentRequests(), firstRequest));
    add("messages", joined(bench.dialogs.messages));
    add("problems", joined(bench.dialogs.problems));
}

// Board 2, LED 4 (the selections are counted from 0).
void selectLed(SequencerBench& bench)
{
    bench.config.OnBoardChanged(1);
    bench.config.OnLedChanged(3);
}

enum class Mode { Manual, User, Pwm };
constexpr std::array<std::pair<Mode, const char*>, 3> kModes {
    {{Mode::Manual, "manual"}, {Mode::User, "user"}, {Mode::Pwm, "pwm"}}};

// Starts a test in the mode, on a view and list wiped first so that every value recorded is this
// test's own. Returns the number of requests sent before it.
std::size_t startTest(SequencerBench& bench, Mode mode)
{
    switch (mode) {
    case Mode::Manual:
        bench.config.OnTestModeChanged(kManualCapture);
        bench.config.OnOptionChanged(2); // "ULT 3x3  20ms"
        break;
    case Mode::User:
        bench.config.OnTestModeChanged(kUserCapture);
        bench.config.OnArea(0);
        EXPECT_EQ(bench.config.OnUserTimeEdited("120"), "");
        break;
    case Mode::Pwm:
        bench.config.OnTestModeChanged(kPwmCapture);
        bench.config.OnOptionChanged(2);
        break;
    }
    bench.view = test::RecordingView();
    bench.list.lastValues = SensorValues();
    bench.list.lastIndex = 0;
    bench.dialogs.messages.clear();
    bench.dialogs.problems.clear();
    const std::size_t before = bench.sequencer.SentRequests().size();
    bench.sequencer.StartTest();
    return before;
}

void finishTest(SequencerBench& bench, std::size_t before, Record& record, const char* name)
{
    bench.settle();
    recordTest(record, name, bench, before);
}

void runTest(SequencerBench& bench, Mode mode, Record& record, const char* name)
{
    const std::size_t before = startTest(bench, mode);
    finishTest(bench, before, record, name);
}

// Offsets of both signs and a distance on the tested sensor, so that their fields carry digits.
void setOffsets(SequencerBench& bench)
{
    for (const char* request : {"setxoffset4-0.0123 2", "setyoffset4+0.0456 2", "setdistance412.5 2"}) {
        const auto parsed = parseSimRequest(request);
        ASSERT_TRUE(parsed.has_value()) << request;
        bench.device.model().execute(*parsed, bench.scheduler.nowMicros());
    }
}

// The connection and one test per mode.
std::string runAll(const SimConfig& config)
{
    SequencerBench bench(config);
    setOffsets(bench);
    Record record;
    bench.connect();
    recordConnection(record, bench);
    selectLed(bench);
    for (const auto& [mode, name] : kModes)
        runTest(bench, mode, record, name);
    return record.text();
}

SimConfig cleanConfig(int firmware)
{
    SimConfig config;
    config.firmware = firmware;
    config.boards = 2;
    return config;
}

// The clean run of a firmware, made once per process.
const std::string& cleanRun(int firmware)
{
    static std::map<int, std::string> runs;
    auto it = runs.find(firmware);
    if (it == runs.end())
        it = runs.emplace(firmware, runAll(cleanConfig(firmware))).first;
    return it->second;
}

// The lines of `actual` that differ from `expected`, each with the expected one.
std::string difference(const std::string& expected, const std::string& actual)
{
    const auto lines = [](const std::string& text) {
        std::vector<std::string> out;
        for (std::size_t from = 0; from < text.size();) {
            const std::size_t end = text.find('\n', from);
            out.push_back(text.substr(from, end - from));
            from = end + 1;
        }
        return out;
    };
    const auto e = lines(expected);
    const auto a = lines(actual);
    std::string out;
    for (std::size_t i = 0; i < std::max(e.size(), a.size()); ++i) {
        const std::string& want = i < e.size() ? e[i] : std::string();
        const std::string& got = i < a.size() ? a[i] : std::string();
        if (want != got)
            out += "    want " + want + "\n    got  " + got + "\n";
    }
    return out;
}

// One failure per differing record, naming the case and showing only the lines that differ.
void expectSame(const std::string& expected, const std::string& actual, const std::string& caseName)
{
    if (actual != expected)
        ADD_FAILURE() << caseName << ":\n" << difference(expected, actual);
}

TEST(ReplyCleanRun, everyModeEndsWithAllItsValues)
{
    // The reference itself must be a proper run, or every comparison with it proves nothing.
    for (const int firmware : {1006, 1007, 2002}) {
        const std::string& run = cleanRun(firmware);
        const auto has = [&run](const std::string& line) { return run.find(line + "\n") != std::string::npos; };
        EXPECT_TRUE(has("connect boards: 2")) << run;
        EXPECT_TRUE(has("connect messages: ")) << run;
        EXPECT_TRUE(has("connect problems: ")) << run;
        for (const auto& [mode, name] : kModes) {
            const std::string m = name;
            EXPECT_TRUE(has(m + " result valid: 1")) << run;
            EXPECT_TRUE(has(m + " timed out: 0")) << run;
            EXPECT_TRUE(has(m + " messages: ")) << run;
            EXPECT_TRUE(has(m + " problems: ")) << run;
            EXPECT_TRUE(has(m + " list row: 9")) << "board 2, LED 4\n" << run;
            EXPECT_TRUE(has(m + " ended: " + (firmware >= kFirmwareWideCounts ? "end wheel" : "end"))) << run;
            EXPECT_FALSE(has(m + " list rgbi: 0 0 0 0")) << run;
        }
    }
}

// ------------------------------------------------------------------ the matrix

struct Layout {
    int firmware;
    const char* lineEndName;
    std::string lineEnd;
    bool twoLines; // an echo of the request before "OK" and the value lines
    bool longIdentity; // the request echoed before the serial number and firmware
};

// How the bytes travel: pieces of `chunk` bytes (0: whole) `gapMs` apart, `noise` junk bytes per
// message, paced at `baud` (0: at once; pieces then leave as their last byte is sent).
struct Transport {
    int chunk = 0;
    int gapMs = 0;
    int noise = 0;
    int baud = 0;
};

std::string layoutName(const Layout& l)
{
    return "fw" + std::to_string(l.firmware) + "_" + l.lineEndName + (l.twoLines ? "_twoLine" : "_oneLine")
        + (l.longIdentity ? "_longId" : "_shortId");
}

// For gtest's messages: the name instead of the bytes.
void PrintTo(const Layout& l, std::ostream* out)
{
    *out << layoutName(l);
}

std::string transportName(const Transport& t)
{
    std::string name = t.chunk ? "chunk " + std::to_string(t.chunk) : "whole";
    if (t.chunk && !t.baud)
        name += " gap " + std::to_string(t.gapMs) + " ms";
    if (t.baud)
        name += " paced " + std::to_string(t.baud);
    if (t.noise)
        name += " noise " + std::to_string(t.noise);
    return name;
}

// Every chunk size and gap, at once and paced; the gap means nothing when pacing.
std::vector<Transport> fullTransports()
{
    std::vector<Transport> all;
    for (const int noise : {0, 2}) {
        for (const int baud : {0, 300, 9600, 115200}) {
            all.push_back({0, 0, noise, baud});
            for (const int chunk : {1, 2, 3, 5, 8, 16, 64}) {
                if (baud)
                    all.push_back({chunk, 0, noise, baud});
                else
                    for (const int gap : {0, 1, 16, 50})
                        all.push_back({chunk, gap, noise, 0});
            }
        }
    }
    return all;
}

// For the old firmware, whose reply widths differ: a sample of the above.
std::vector<Transport> sampleTransports()
{
    return {{0, 0, 0, 0}, {1, 0, 0, 0}, {2, 16, 0, 0}, {3, 1, 2, 0}, {5, 16, 0, 0}, {8, 50, 2, 0}, {16, 1, 0, 0},
        {0, 0, 2, 9600}, {3, 0, 0, 300}, {1, 0, 2, 115200}};
}

class ReplyFaultMatrix : public testing::TestWithParam<Layout> { };

TEST_P(ReplyFaultMatrix, everyTransportGivesTheCleanValues)
{
    const Layout& layout = GetParam();
    const std::string& clean = cleanRun(layout.firmware);
    const auto transports = layout.firmware >= kFirmwareWideCounts ? fullTransports() : sampleTransports();
    int failed = 0;
    for (const Transport& t : transports) {
        SimConfig config = cleanConfig(layout.firmware);
        config.lineEnd = layout.lineEnd;
        config.longIdentity = layout.longIdentity;
        config.faults.multiLine = layout.twoLines;
        config.faults.chunkSize = t.chunk;
        config.faults.chunkGapUs = t.gapMs * 1000;
        config.faults.noiseBytes = t.noise;
        config.faults.paceBaud = t.baud;
        const std::string run = runAll(config);
        if (run != clean)
            ++failed;
        expectSame(clean, run, transportName(t));
    }
    EXPECT_EQ(failed, 0) << "of " << transports.size() << " transports";
}

std::vector<Layout> layouts()
{
    std::vector<Layout> all;
    for (const int firmware : {1006, 1007}) {
        for (const auto& [name, end] :
            std::vector<std::pair<const char*, std::string>> {{"cr", "\r"}, {"lf", "\n"}, {"crlf", "\r\n"}}) {
            for (const bool twoLines : {false, true}) {
                for (const bool longIdentity : {false, true})
                    all.push_back({firmware, name, end, twoLines, longIdentity});
            }
        }
    }
    return all;
}

INSTANTIATE_TEST_SUITE_P(Layouts, ReplyFaultMatrix, testing::ValuesIn(layouts()),
    [](const testing::TestParamInfo<Layout>& param) { return layoutName(param.param); });

// ------------------------------------------------------------------ stray bytes

// The manual test's part of a record.
std::string manualPart(const std::string& run)
{
    std::string out;
    for (std::size_t from = 0; from < run.size();) {
        const std::size_t end = run.find('\n', from);
        if (run.compare(from, 7, "manual ") == 0)
            out += run.substr(from, end - from + 1);
        from = end + 1;
    }
    return out;
}

TEST(ReplyStrayBytes, anInputMessageJustAfterARequestChangesNoValue)
{
    // Firmware 2002 sends "InputIO<digit>" whenever an input changes, between any two bytes of
    // the conversation; here it comes just after the request went out, ahead of its reply.
    const std::pair<const char*, int> cases[] = {
        {"capture", DeviceCommand::CaptureRange},
        {"getrgbi", DeviceCommand::GetRgbi},
        {"gethsi", DeviceCommand::GetHsi},
        {"getxy", DeviceCommand::GetXy},
        {"getctemp", DeviceCommand::GetCTemp},
        {"getdistance", DeviceCommand::GetDistance},
    };
    const std::string clean = manualPart(cleanRun(2002));
    for (const auto& [name, number] : cases) {
        SequencerBench bench(cleanConfig(2002));
        setOffsets(bench);
        bench.connect();
        selectLed(bench);
        const std::size_t before = startTest(bench, Mode::Manual);
        const int wanted = number;
        ASSERT_TRUE(bench.pumpUntil([&] { return bench.sequencer.CommandNumber() == wanted; })) << name;
        ASSERT_TRUE(bench.device.triggerInputIo(5)) << name;
        Record record;
        finishTest(bench, before, record, "manual");
        expectSame(clean, record.text(), std::string("InputIO5 after ") + name);
    }
}

TEST(ReplyStrayBytes, theLateOkOfATimedOutCaptureDoesNotReachTheNextTest)
{
    // Connecting takes four requests; the test's capture is the fifth and answers 5 s late.
    SimConfig config = cleanConfig(1007);
    config.faults.latencyAt = {{5, 5000}};
    SequencerBench bench(config);
    setOffsets(bench);
    bench.connect();
    selectLed(bench);
    Record failed;
    runTest(bench, Mode::Manual, failed, "manual");
    ASSERT_TRUE(bench.sequencer.TimedOut());

    // The late "OK" arrives while nothing is awaited; the next test starts after it.
    ASSERT_TRUE(bench.pumpUntil([&] { return !bench.device.busy(); }, 10000));
    bench.scheduler.advance(std::chrono::milliseconds(50));
    EXPECT_EQ(bench.dialogs.messages, (std::vector<std::string> {"No valid response from command 3"}));
    Record again;
    runTest(bench, Mode::Manual, again, "manual");
    const std::string clean = manualPart(cleanRun(1007));
    expectSame(clean, again.text(), "the test after the late OK");
}

} // namespace
