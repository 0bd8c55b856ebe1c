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

std::string text(StringId id)
{
    return std::string(stringText(id));
}

struct TerminalBench {
    explicit TerminalBench(SimConfig config = {})
        : device(scheduler, std::move(config)), backend(scheduler, device), wire(backend), port(wire, dialogs)
    {
        session.SetChangeHandler([this](TerminalChange change, std::string_view appended) {
            if (change == TerminalChange::ResponseAppended)
                appends.emplace_back(appended);
        });
    }
    PortSettings settings(std::string name = "SIM", bool debugFile = false) const
    {
        PortSettings s;
        s.comPort = std::move(name);
        s.serialDebugFile = debugFile;
        s.serialDebugFilePath = dir.file("SERDATA.DAT");
        return s;
    }
    bool open(std::string name = "SIM", bool debugFile = false) { return session.Open(settings(name, debugFile)); }
    void send(const std::string& command)
    {
        session.SetCommandText(command);
        session.Send();
    }
    // 'U' is the Up key, 'D' the Down key.
    void press(const std::string& keys)
    {
        for (const char key : keys)
            key == 'U' ? session.RecallEarlier() : session.RecallLater();
    }
    // Virtual time until the reply line is in, 2 s at most.
    bool awaitReply()
    {
        const auto end = scheduler.nowMicros() + 2'000'000;
        while (session.Awaiting() && scheduler.nowMicros() < end)
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
    Texts appends;
};

} // namespace

TEST(TerminalSession, sendsTheCommandWithACarriageReturnOnALineOfItsOwnBeforeItsReply)
{
    TerminalBench bench;
    ASSERT_TRUE(bench.open());
    EXPECT_EQ(bench.session.StatusText(), "COM port SIM with 115200 baud is activ ! ");
    // The device left a line of one character open: the echo does not run on from it.
    bench.wire.inject("I");
    bench.scheduler.advance(200ms);

    bench.send("gethw");
    EXPECT_EQ(bench.wire.written, "gethw\r");
    EXPECT_TRUE(bench.session.Awaiting());
    EXPECT_EQ(bench.session.CommandText(), "") << "emptied for the next command";
    EXPECT_FALSE(bench.session.SendEnabled());
    ASSERT_TRUE(bench.awaitReply());
    bench.send("getserial");
    ASSERT_TRUE(bench.awaitReply());
    EXPECT_EQ(bench.session.Response(), "I\r\n> gethw\r\nLVXCS5-R2\r\n> getserial\r\n1042\r\n");
    EXPECT_EQ(bench.appends[1], "\r\n> gethw\r\n") << "the window is told of the echo as of any text";
    EXPECT_TRUE(bench.dialogs.messages.empty());

    bench.session.ClearList();
    EXPECT_EQ(bench.session.Response(), "");
}

TEST(TerminalSession, aReplyLineEndsTheWaitOnlyWithItsLineEnd)
{
    SimConfig config;
    config.lineEnd = "\r\n";
    config.faults.paceBaud = 100; // 100 ms a byte: the reply spans several ticks
    TerminalBench bench(config);
    bench.open();

    bench.send("setdefault");
    bench.scheduler.advance(200ms);
    EXPECT_TRUE(bench.session.Awaiting()) << "part of the line is in, its end is not";
    ASSERT_TRUE(bench.awaitReply());
    EXPECT_EQ(bench.session.Response(), "> setdefault\r\nOK\r\n") << "the carriage return ends the wait";
    bench.scheduler.advance(200ms);
    // CR and LF each become a line break: "OK" stands whole on its line.
    EXPECT_EQ(bench.session.Response(), "> setdefault\r\nOK\r\n\r\n");
}

TEST(TerminalSession, controlBytesReachTheDebugFileButNotTheResponse)
{
    TerminalBench bench;
    test::writeFile(bench.dir.file("SERDATA.DAT"), "from an earlier run");
    bench.wire.inject("before the terminal opened\r");
    bench.open("SIM", true);
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

TEST(TerminalSession, aCommandTooLongOrAFailedWriteIsReportedAndKept)
{
    TerminalBench bench;
    bench.open();
    // With its carriage return a command may have 500 characters, not 501.
    bench.send(std::string(499, 'a'));
    EXPECT_EQ(bench.wire.written, std::string(499, 'a') + "\r");
    ASSERT_TRUE(bench.awaitReply());
    bench.wire.written.clear();

    const std::string tooLong(500, 'b');
    bench.send(tooLong);
    EXPECT_EQ(bench.dialogs.messages, (Texts {text(StringId::SerialTextTooLong), text(StringId::ErrorComWriting)}));
    EXPECT_TRUE(bench.wire.written.empty());
    EXPECT_FALSE(bench.session.Awaiting());
    EXPECT_EQ(bench.session.CommandText(), tooLong) << "the user's input stays to be shortened";

    bench.dialogs.messages.clear();
    bench.wire.failWrites = true;
    bench.send("gethw");
    EXPECT_EQ(bench.dialogs.messages, (Texts {text(StringId::ErrorComWriting)}));
    EXPECT_EQ(bench.dialogs.problems.size(), 1u) << "the port's own box";
    EXPECT_FALSE(bench.session.Awaiting());
    EXPECT_EQ(bench.session.CommandText(), "gethw");
    EXPECT_EQ(bench.session.Response().find("> gethw"), std::string::npos) << "not shown as sent";

    bench.wire.failWrites = false;
    bench.session.Send();
    EXPECT_EQ(bench.wire.written, "gethw\r") << "sent again as it stood";
}

TEST(TerminalSession, aSilentDeviceGives163AfterAboutTwentySecondsAndALateReplyIsStillShown)
{
    SimConfig config;
    config.faults.latencyMs = 25000;
    TerminalBench bench(config);
    bench.open();
    bench.send("gethw");

    bench.scheduler.advance(20200ms);
    EXPECT_TRUE(bench.session.Awaiting());
    EXPECT_TRUE(bench.dialogs.messages.empty());
    bench.scheduler.advance(200ms);
    EXPECT_FALSE(bench.session.Awaiting());
    EXPECT_EQ(bench.dialogs.messages, Texts {text(StringId::NoValidReturnValue)});

    bench.scheduler.advance(5s);
    EXPECT_EQ(bench.session.Response(), "> gethw\r\nLVXCS5-R2\r\n");
    EXPECT_EQ(bench.dialogs.messages.size(), 1u) << "one box per wait";
    EXPECT_EQ(bench.session.TickCounter(), 0);
}

TEST(TerminalSession, aPortThatCannotBeOpenedGives104)
{
    TerminalBench bench;
    EXPECT_FALSE(bench.open("COM7"));
    EXPECT_EQ(bench.dialogs.messages, Texts {text(StringId::CannotOpenComPort)});
    EXPECT_EQ(bench.session.StatusText(), text(StringId::CannotOpenComPort));
    EXPECT_TRUE(bench.session.PortClosed());

    TerminalBench noName;
    noName.open("CO");
    EXPECT_EQ(noName.dialogs.problems.size(), 1u) << "the switch's own box first";
    EXPECT_EQ(noName.dialogs.messages, Texts {text(StringId::CannotOpenComPort)});
    EXPECT_EQ(noName.session.StatusText(), text(StringId::NoComPortEntry));
}

TEST(TerminalSession, endingClosesThePortAndStopsTheTickOnce)
{
    TerminalBench bench;
    bench.open();
    bench.send("gethw");
    bench.session.End();
    EXPECT_TRUE(bench.session.PortClosed());
    EXPECT_FALSE(bench.wire.isOpen());
    EXPECT_FALSE(bench.session.Awaiting());
    EXPECT_EQ(bench.session.StatusText(), text(StringId::ComPortNotOpen));

    bench.scheduler.advance(30s);
    EXPECT_EQ(bench.scheduler.pendingCount(), 0u) << "no tick left running";
    EXPECT_EQ(bench.session.Response(), "> gethw\r\n") << "the reply came to a closed port";
    bench.session.End();
    bench.send("gethw");
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
    ASSERT_TRUE(bench.open());
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

TEST(TerminalSession, whatEnterSaysWhenNothingIsSent)
{
    const struct {
        const char* name;
        const char* port;
        std::string command;
        std::string_view hint;
        bool sent;
    } cases[] = {
        {"fourCharacters", "SIM", "geth", "Not sent: a command has at least 5 characters.", false},
        {"emptyKeepsNothingBack", "SIM", "", "", false},
        {"portClosed", "COM7", "gethw", "Not sent: the COM port is not open.", false},
        {"fiveCharactersGo", "SIM", "gethw", "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TerminalBench bench;
        bench.open(c.port);
        bench.dialogs.messages.clear();
        bench.send(c.command);
        EXPECT_EQ(bench.session.Hint(), c.hint);
        EXPECT_EQ(bench.wire.written.empty(), !c.sent);
        EXPECT_EQ(bench.session.Awaiting(), c.sent);
        EXPECT_EQ(bench.session.CommandText(), c.sent ? "" : c.command) << "what was not sent is kept";
        EXPECT_EQ(bench.session.Response().empty(), !c.sent) << "and not shown as sent";
        EXPECT_TRUE(bench.dialogs.messages.empty()) << "a line in the window, not a box";
        bench.session.SetCommandText(c.command + "x");
        EXPECT_EQ(bench.session.Hint(), "") << "typing on takes the hint away";
    }
}

TEST(TerminalSession, upAndDownRecallTheCommandsSent)
{
    const struct {
        const char* name;
        Texts sent;
        std::string typed, keys, shown;
    } cases[] = {
        {"upGivesTheLatest", {"gethw", "getserial"}, "", "U", "getserial"},
        {"upAgainTheOneBefore", {"gethw", "getserial"}, "", "UU", "gethw"},
        {"upStopsAtTheOldest", {"gethw", "getserial"}, "", "UUUU", "gethw"},
        {"downGoesForwardAgain", {"gethw", "getserial", "getversion"}, "", "UUUD", "getserial"},
        {"downPastTheLatestGivesBackWhatWasTyped", {"gethw"}, "getv", "UD", "getv"},
        {"downWithoutUpChangesNothing", {"gethw"}, "getv", "D", "getv"},
        {"nothingSentKeepsWhatIsTyped", {}, "getv", "U", "getv"},
        {"aRepeatInARowIsKeptOnce", {"gethw", "getserial", "getserial"}, "", "UU", "gethw"},
        {"aRepeatLaterIsKept", {"gethw", "getserial", "gethw"}, "", "UU", "getserial"},
        {"tooShortIsNotRecalled", {"gethw", "get"}, "", "U", "gethw"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TerminalBench bench;
        bench.open();
        for (const std::string& command : c.sent)
            bench.send(command);
        bench.session.SetCommandText(c.typed);
        bench.press(c.keys);
        EXPECT_EQ(bench.session.CommandText(), c.shown);
    }
}

TEST(TerminalSession, theRecalledCommandsAreBoundedAndOneSentAgainBecomesTheLatest)
{
    TerminalBench bench;
    bench.open();
    for (std::size_t i = 0; i < TerminalSession::kMaxRecalledCommands + 20; ++i)
        bench.send("cmd" + std::to_string(i));
    EXPECT_EQ(bench.session.SentCommands().size(), TerminalSession::kMaxRecalledCommands);
    bench.press(std::string(TerminalSession::kMaxRecalledCommands + 20, 'U'));
    EXPECT_EQ(bench.session.CommandText(), "cmd20");

    bench.wire.written.clear();
    bench.session.Send();
    EXPECT_EQ(bench.wire.written, "cmd20\r");
    bench.press("U");
    EXPECT_EQ(bench.session.CommandText(), "cmd20");
}
