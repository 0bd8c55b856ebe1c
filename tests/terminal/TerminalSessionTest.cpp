// The terminal against the simulated device in virtual time: what is sent for what is typed, what
// of the device's bytes reaches the response box and the serial debug file, the wait for a reply
// line, and the port's way in and out.

#include "terminal/TerminalSession.h"
#include "base/VirtualScheduler.h"
#include "device/CSeriell.h"
#include "foundation/StringTable.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"

#include "InjectingBackend.h"
#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <ctime>

using namespace lumivex;
using namespace std::chrono_literals;
using Texts = std::vector<std::string>;
using test::texts;

namespace {

// The line as the program sees it, with a record of what was written and writes that fail on cue.
class Wire : public test::InjectingBackend {
public:
    using InjectingBackend::InjectingBackend;
    bool write(const char* data, std::size_t size) override
    {
        if (failWrites)
            return false;
        written.append(data, size);
        return InjectingBackend::write(data, size);
    }
    std::string written;
    bool failWrites = false;
};

// The terminal, opened on the given port as the bench is made unless that is empty.
struct TerminalBench {
    explicit TerminalBench(SimConfig config = {}, const std::string& portName = "SIM")
        : device(scheduler, std::move(config)), backend(scheduler, device), wire(backend), port(wire, dialogs)
    {
        opened = !portName.empty() && session.Open(settings(portName));
    }
    PortSettings settings(const std::string& portName = "SIM", bool debugFile = false) const
    {
        PortSettings s;
        s.comPort = portName;
        s.serialDebugFile = debugFile;
        s.serialDebugFilePath = dir.file("SERDATA.DAT");
        return s;
    }
    void send(const std::string& command)
    {
        session.SetCommandText(command);
        session.Send();
    }
    // Virtual time until the reply line is in, 2 s at most.
    bool awaitReply()
    {
        for (const auto end = scheduler.nowMicros() + 2'000'000; session.Awaiting() && scheduler.nowMicros() < end;)
            scheduler.pumpOnce();
        return !session.Awaiting();
    }

    test::TempDir dir;
    VirtualScheduler scheduler;
    SimulatedDevice device;
    SimSerialBackend backend;
    Wire wire;
    test::RecordingDialogs dialogs;
    CSeriell port;
    TerminalSession session {scheduler, port, dialogs};
    bool opened = false;
};

} // namespace

TEST(TerminalSession, theEchoStandsOnALineOfItsOwnAndAReplyLineEndsTheWaitOnlyWithItsLineEnd)
{
    SimConfig config;
    config.lineEnd = "\r\n";
    config.faults.paceBaud = 100; // 100 ms a byte: the reply spans several ticks
    TerminalBench bench(config);
    bench.wire.inject("I"); // the device left a line of one character open
    bench.scheduler.advance(200ms);
    bench.send("setdefault");
    bench.scheduler.advance(200ms);
    EXPECT_TRUE(bench.session.Awaiting()) << "part of the line is in, its end is not";
    ASSERT_TRUE(bench.awaitReply());
    EXPECT_EQ(bench.session.Response(), "I\r\n> setdefault\r\nOK\r\n") << "the carriage return ends the wait";
    bench.scheduler.advance(200ms);
    // CR and LF each become a line break: "OK" stands whole on its line.
    EXPECT_EQ(bench.session.Response(), "I\r\n> setdefault\r\nOK\r\n\r\n");
    EXPECT_TRUE(bench.dialogs.messages.empty());
}

TEST(TerminalSession, controlBytesReachTheDebugFileButNotTheResponse)
{
    TerminalBench bench({}, "");
    test::writeFile(bench.dir.file("SERDATA.DAT"), "from an earlier run");
    bench.wire.inject("before the terminal opened\r");
    ASSERT_TRUE(bench.session.Open(bench.settings("SIM", true)));
    ASSERT_TRUE(bench.session.DebugFileOpen());

    // Nothing was asked for: what the device sends on its own is shown as well.
    std::string raw;
    for (int byte = 0; byte < 32; ++byte)
        raw += static_cast<char>(byte);
    raw += "In\x7Fput\xFC\x80IO2\r";
    bench.wire.inject(raw);
    bench.scheduler.advance(200ms);
    EXPECT_EQ(bench.session.Response(), "\r\n\r\nInput\xFCIO2\r\n") << "LF and CR each as CR LF, the letter 0xFC kept";
    EXPECT_EQ(test::readFile(bench.dir.file("SERDATA.DAT")), raw) << "byte for byte, the file truncated at the start";
    bench.session.End();
    EXPECT_FALSE(bench.session.DebugFileOpen());
}

TEST(TerminalSession, aSilentDeviceGives163AfterAboutTwentySecondsAndALateReplyIsStillShown)
{
    SimConfig config;
    config.faults.latencyMs = 25000;
    TerminalBench bench(config);
    bench.send("gethw");
    bench.scheduler.advance(20200ms);
    EXPECT_TRUE(bench.session.Awaiting());
    bench.scheduler.advance(200ms);
    EXPECT_FALSE(bench.session.Awaiting());
    bench.scheduler.advance(5s);
    EXPECT_EQ(bench.session.Response(), "> gethw\r\nLVXCS5-R2\r\n");
    EXPECT_EQ(bench.dialogs.messages, texts({StringId::NoValidReturnValue})) << "one box per wait";
}

TEST(TerminalSession, endingClosesThePortAndStopsTheTickOnce)
{
    TerminalBench bench;
    bench.send("gethw");
    bench.session.End();
    EXPECT_FALSE(bench.session.Awaiting());
    EXPECT_EQ(bench.session.StatusText(), stringText(StringId::ComPortNotOpen));
    bench.session.End();
    bench.send("gethw");
    bench.scheduler.advance(30s);
    EXPECT_TRUE(bench.session.PortClosed() && !bench.wire.isOpen());
    EXPECT_EQ(bench.scheduler.pendingCount(), 0u) << "no tick left running";
    EXPECT_EQ(bench.session.Response(), "> gethw\r\n") << "the reply came to a closed port";
    EXPECT_TRUE(bench.dialogs.problems.empty()) << "no second close of a closed port";
    EXPECT_EQ(bench.wire.written, "gethw\r");

    // Destroying the window ends its session as well.
    {
        TerminalSession session(bench.scheduler, bench.port, bench.dialogs);
        session.Open(bench.settings());
        ASSERT_TRUE(bench.wire.isOpen());
    }
    EXPECT_FALSE(bench.wire.isOpen());
    EXPECT_EQ(bench.scheduler.pendingCount(), 0u);
}

TEST(TerminalSession, aFloodIsFoldedAndTrimmedInLinearTime)
{
    SimConfig silent;
    silent.faults.silentOn = {"getrgbi"};
    TerminalBench bench(silent);
    bench.send("getrgbi1 1");
    // 10 MB without a line break, arriving over 80 ticks (16 s) while the reply is awaited.
    const auto started = std::clock();
    for (int tick = 0; tick < 80; ++tick) {
        bench.wire.inject(std::string(125'000, 'A'));
        bench.scheduler.advance(std::chrono::milliseconds(TerminalSession::kTickMs));
    }
    EXPECT_LT(double(std::clock() - started) / CLOCKS_PER_SEC, 5.0) << "quadratic work per tick takes minutes";
    EXPECT_TRUE(bench.session.Awaiting()) << "a folded line is no reply line";
    const std::string& response = bench.session.Response();
    EXPECT_LE(response.size(), 2 * TerminalSession::kMaxHistoryLines * (TerminalSession::kMaxLineLength + 2));
    EXPECT_EQ(response.find(std::string(TerminalSession::kMaxLineLength + 1, 'A')), std::string::npos) << "folded";
    bench.wire.inject("0255 0128 0000 01234\r");
    EXPECT_TRUE(bench.awaitReply());
    EXPECT_TRUE(response.ends_with("AAAA0255 0128 0000 01234\r\n"));

    // Past twice the history the box keeps the latest lines, whole.
    std::string lines, kept;
    for (std::size_t i = 0; i < 2 * TerminalSession::kMaxHistoryLines; ++i) {
        lines += std::to_string(i) + "\r";
        if (i >= TerminalSession::kMaxHistoryLines)
            kept += std::to_string(i) + "\r\n";
    }
    bench.wire.inject(lines);
    bench.scheduler.advance(std::chrono::milliseconds(TerminalSession::kTickMs));
    EXPECT_TRUE(response == kept) << "trimmed to " << response.size() << " bytes";
}

TEST(TerminalSession, whatIsSentForWhatIsTypedAndWhyNothingWasSent)
{
    using enum StringId;
    const struct {
        const char* name;
        const char* port;
        std::string command;
        std::string_view hint; // a line in the window rather than a box
        bool sent;
        Texts boxes = {}; // every box shown, from opening the terminal on
        bool failWrites = false;
    } cases[] = {
        {"fourCharacters", "SIM", "geth", TerminalSession::kHintTooShort, false},
        {"emptyKeepsNothingBack", "SIM", "", "", false},
        {"portThatCannotBeOpened", "COM7", "gethw", TerminalSession::kHintPortClosed, false,
            texts({CannotOpenComPort})},
        {"fiveCharactersGo", "SIM", "gethw", "", true},
        {"499CharactersAndTheCarriageReturnGo", "SIM", std::string(499, 'a'), "", true},
        {"500AreTooLong", "SIM", std::string(500, 'b'), "", false, texts({SerialTextTooLong, ErrorComWriting})},
        {"aFailedWriteIsReported", "SIM", "gethw", "", false, texts({ErrorComWriting}), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TerminalBench bench({}, c.port);
        bench.wire.failWrites = c.failWrites;
        bench.send(c.command);
        EXPECT_EQ(bench.session.Hint(), c.hint);
        EXPECT_EQ(bench.session.Awaiting(), c.sent);
        EXPECT_EQ(bench.wire.written, c.sent ? c.command + "\r" : "");
        EXPECT_EQ(bench.session.Response().empty(), !c.sent) << "what was not sent is not shown as sent";
        EXPECT_EQ(bench.session.CommandText(), c.sent ? "" : c.command) << "but kept to be mended";
        EXPECT_EQ(bench.dialogs.messages, c.boxes);
        EXPECT_EQ(bench.dialogs.problems.size(), c.failWrites ? 1u : 0u) << "the port's own box";
        bench.session.SetCommandText(c.command + "x");
        EXPECT_EQ(bench.session.Hint(), "") << "typing on takes the hint away";
    }
}

TEST(TerminalSession, upAndDownRecallTheCommandsSent)
{
    Texts many;
    for (std::size_t i = 0; i < TerminalSession::kMaxRecalledCommands + 20; ++i)
        many.push_back("cmd" + std::to_string(i));
    const struct {
        const char* name;
        Texts sent;
        std::string typed, keys, shown; // 'U' is the Up key, 'D' the Down key, 'S' Send
    } cases[] = {
        {"upGivesTheLatest", {"gethw", "getserial"}, "", "U", "getserial"},
        {"upStopsAtTheOldest", {"gethw", "getserial"}, "", "UUUU", "gethw"},
        {"downGoesForwardAgain", {"gethw", "getserial", "getversion"}, "", "UUUD", "getserial"},
        {"downPastTheLatestGivesBackWhatWasTyped", {"gethw"}, "getv", "UD", "getv"},
        {"downWithoutUpChangesNothing", {"gethw"}, "getv", "D", "getv"},
        {"nothingSentKeepsWhatIsTyped", {}, "getv", "U", "getv"},
        {"aRepeatInARowIsKeptOnce", {"gethw", "getserial", "getserial"}, "", "UU", "gethw"},
        {"aRepeatLaterIsKept", {"gethw", "getserial", "gethw"}, "", "UU", "getserial"},
        {"tooShortIsNotRecalled", {"gethw", "get"}, "", "U", "gethw"},
        {"atMostAHundredAreKept", many, "", std::string(120, 'U'), "cmd20"},
        {"oneRecalledAndSentAgainBecomesTheLatest", {"gethw", "getserial", "getversion"}, "", "UUSU", "getserial"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TerminalBench bench;
        for (const std::string& command : c.sent)
            bench.send(command);
        bench.session.SetCommandText(c.typed);
        for (const char key : c.keys)
            key == 'U'       ? bench.session.RecallEarlier()
                : key == 'D' ? bench.session.RecallLater()
                             : bench.session.Send();
        EXPECT_EQ(bench.session.CommandText(), c.shown);
    }
}
