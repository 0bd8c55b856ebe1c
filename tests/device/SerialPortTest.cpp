// The port (CSeriell), the request sender on it and the owner's port switch, on a fake port that
// fails on cue and records every call.
#include "device/CSeriell.h"
#include "device/ComPortSwitch.h"
#include "device/SendCommandText.h"
#include "foundation/CGlobal.h"
#include "foundation/StringTable.h"

#include "FakeSerialBackend.h"
#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

using namespace lumivex;
using Calls = std::vector<std::string>;
using namespace testing;

namespace {

std::string text(StringId id)
{
    return std::string(stringText(id));
}
std::string problem(StringId id)
{
    return text(id) + " \n";
}

struct PortFixture : ::testing::Test {
    test::FakeSerialBackend backend;
    test::RecordingDialogs dialogs;
    CSeriell port {backend, dialogs};
    std::vector<std::string> statusLines;
    ComPortSwitch portSwitch {port, dialogs, [this](const std::string& s) { statusLines.push_back(s); }};

    void open(const std::string& name = "COM1")
    {
        port.SetPortName(name);
        ASSERT_EQ(port.OpenPort(), 1);
        backend.clearCalls();
    }
    static PortSettings settings(std::string name, int rate = 115200)
    {
        PortSettings s;
        s.comPort = std::move(name);
        s.baudrate = rate;
        return s;
    }
};

} // namespace

TEST_F(PortFixture, switchOpensConfiguresKeepsReopensAndClosesThePort)
{
    ASSERT_EQ(portSwitch.SwitchComPort(1, settings("COM12", 57600)), 1);
    EXPECT_EQ(backend.calls,
        (Calls {"open COM12", "queues 65536 65536", "purge 15", "timeout 400", "line 57600 8N1", "dtr 0", "rts 0"}));
    EXPECT_TRUE(dialogs.problems.empty() && !portSwitch.PortClosed() && port.BaudRate() == 57600);
    EXPECT_EQ(portSwitch.StatusText(), "COM port COM12 with 57600 baud is activ ! ");
    EXPECT_EQ(statusLines, Calls {portSwitch.StatusText()});

    backend.clearCalls();
    EXPECT_EQ(portSwitch.SwitchComPort(1, settings("COM1")), 1) << "already open: nothing happens";
    EXPECT_TRUE(backend.calls.empty());

    ASSERT_EQ(portSwitch.SwitchComPort(0, settings("COM12")), 1);
    EXPECT_TRUE(portSwitch.PortClosed());
    EXPECT_EQ(portSwitch.StatusText(), stringText(StringId::ComPortNotOpen));
    EXPECT_EQ(backend.calls, (Calls {"dtr 0", "purge 15", "close"}));

    // The automatic search opens the port itself, so the handle can be valid while the flag is 1.
    open("COM3");
    port.SetBaudRateValue(115200);
    EXPECT_EQ(portSwitch.SwitchComPort(1, settings("COM3")), 1);
    EXPECT_TRUE(backend.calls.empty()) << "same name and rate: left open and untouched";
    port.SetBaudRateValue(9600);
    ASSERT_EQ(portSwitch.SwitchComPort(0, settings("COM3")), 1);
    open("COM3");
    EXPECT_EQ(portSwitch.SwitchComPort(1, settings("COM3", 115200)), 1);
    EXPECT_EQ(backend.calls.front() + ", " + backend.calls[3], "dtr 0, open COM3")
        << "a different rate: closed, reopened";
}

TEST_F(PortFixture, eachFailureOfThePortShowsItsBox)
{
    EXPECT_EQ(port.OpenPort(), 0) << "no name yet";
    EXPECT_EQ(dialogs.problems, (Calls {problem(StringId::WrongComPortNumber)}));
    EXPECT_TRUE(backend.calls.empty()) << "the operating system is not asked";
    port.SetPortName("");
    EXPECT_EQ(dialogs.problems.back(), problem(StringId::CannotOpenComPort));
    EXPECT_EQ(port.PortName(), "");
    port.ClosePort();
    EXPECT_TRUE(backend.calls.empty()) << "closing a closed port only says so";
    EXPECT_EQ(dialogs.problems.back(), problem(StringId::ComPortWasNotOpen));

    port.SetPortName("COM3");
    backend.timeoutResult = false;
    EXPECT_EQ(port.OpenPort(), 1) << "a time-out failure leaves the port open";
    EXPECT_EQ(dialogs.messages, (Calls {text(StringId::ErrorComTimeout)}));

    // A pseudo-terminal without modem lines is no failure; refused line settings are.
    dialogs.problems.clear();
    backend.modemLines = false;
    port.SetBaudRate(9600);
    EXPECT_TRUE(dialogs.problems.empty());
    backend.lineResult = false;
    port.SetBaudRate(12345);
    EXPECT_EQ(dialogs.problems, (Calls {problem(StringId::ErrorComSettings)}));

    dialogs.problems.clear();
    EXPECT_EQ(port.WriteBlock("gethw\r"), 1);
    EXPECT_EQ(backend.written, "gethw\r");
    backend.writeResult = false;
    EXPECT_EQ(port.WriteBlock("testcon\r"), 0);
    backend.errors = SerialBackend::CeTxFull;
    EXPECT_EQ(port.WriteBlock("testcon\r"), 0);
    EXPECT_EQ(dialogs.problems,
        (Calls {problem(StringId::ErrorComWriting), problem(StringId::ErrorComWriting),
            problem(StringId::ErrorComWritingNotRemedied)}))
        << "one box, then a second when the error stays";

    dialogs.problems.clear();
    backend.purgeResult = false;
    backend.closeResult = false;
    port.ClosePort();
    EXPECT_EQ(dialogs.problems,
        (Calls {problem(StringId::ErrorEmptyingComInterface), problem(StringId::ErrorClosingComInterface)}));
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(PortFixture, readNeverWaitsAndTakesAtMost64KiBPerCall)
{
    open();
    EXPECT_EQ(port.ReadAvailable(), 0u);
    EXPECT_EQ(backend.calls, Calls {}) << "no read is started for 0 bytes";

    backend.received = std::string(70000, 'x');
    backend.received[65535] = 'L';
    backend.received[65536] = 'F';
    ASSERT_EQ(port.ReadAvailable(), 65536u);
    EXPECT_EQ(port.ReceiveBuffer()[65535], 'L');
    ASSERT_EQ(port.ReadAvailable(), 70000u - 65536u);
    EXPECT_EQ(port.ReceiveBuffer()[0], 'F');
}

TEST(CSeriellErrors, theErrorWordSelectsOneLineByItsExactValue)
{
    // 3 is a combination, which is not split; 64 is no error of the list.
    const std::pair<std::uint32_t, const char*> cases[]
        = {{1, "CE_RXOVER"}, {2, "CE_OVERRUN"}, {3, "default"}, {1024, "CE_IOE"}, {32768, "CE_MODE"}, {64, "default"}};
    for (const auto& [word, name] : cases)
        EXPECT_EQ(CSeriell::CommErrorLine(word), "COMERROR  " + std::string(name) + "\n") << word;
}

// An open port with a log at level 9, as the main window sends through it.
struct SendFixture : PortFixture {
    test::TempDir dir;
    CGlobal log;

    void SetUp() override
    {
        log.SetFilePath(dir.file("Lumivex.log"));
        log.SetLevel(9);
        open();
    }
    std::string logText() { return test::readFile(dir.file("Lumivex.log")); }
};

TEST_F(SendFixture, readLogsCommErrorsAtLevelSix)
{
    port.Log().SetFilePath(dir.file("Lumivex.log"));
    port.Log().SetLevel(5);
    backend.errors = SerialBackend::CeFrame;
    port.ReadAvailable();
    EXPECT_FALSE(std::filesystem::exists(dir.file("Lumivex.log")));

    port.Log().SetLevel(6);
    backend.errors = SerialBackend::CeRxOver | SerialBackend::CeOverrun;
    port.ReadAvailable();
    EXPECT_THAT(logText(), AllOf(HasSubstr(" : 6 "), HasSubstr("  COMERROR  default\r\n\r\n")));
}

TEST_F(SendFixture, sendWritesAndLogsTheRequestUpTo500CharactersAndNothingOnAFailedWrite)
{
    EXPECT_EQ(SendCommandText(port, dialogs, log, "getrgbi5 3\r"), 1);
    EXPECT_EQ(backend.written, "getrgbi5 3\r");
    EXPECT_NE(logText().find("  Befehl getrgbi5 3\r - aufgerufen\r\n"), std::string::npos);

    const std::string limit(500, 'a');
    EXPECT_EQ(SendCommandText(port, dialogs, log, limit), 1) << "500 characters are allowed";
    backend.written.clear();
    EXPECT_TRUE(SendCommandText(port, dialogs, log, limit + "b") == 0 && backend.written.empty());
    EXPECT_EQ(dialogs.messages, Calls {text(StringId::SerialTextTooLong)});
    EXPECT_NE(logText().find("  Zu langer serieller Text\r\n"), std::string::npos);

    dialogs.messages.clear();
    std::filesystem::remove(dir.file("Lumivex.log"));
    backend.writeResult = false;
    EXPECT_EQ(SendCommandText(port, dialogs, log, "testcon\r"), 0);
    EXPECT_TRUE(dialogs.messages.empty()) << "the port's own box said it; no second box";
    EXPECT_EQ(dialogs.problems, Calls {problem(StringId::ErrorComWriting)});
    backend.writeResult = true;
    EXPECT_EQ(SendCommandText(port, dialogs, log, "testcon\r", /*loggingOn*/ false), 1);
    log.SetLevel(6);
    EXPECT_EQ(SendCommandText(port, dialogs, log, "testcon\r"), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("Lumivex.log")))
        << "no line for a failed write, without the flag or below level 9";

    port.ClosePort();
    EXPECT_EQ(SendCommandText(port, dialogs, log, "testcon\r"), 0);
}

TEST_F(PortFixture, switchRecordsReceivedBytesUnchangedInTheSerialDebugFile)
{
    test::TempDir dir;
    auto s = settings("COM1");
    s.serialDebugFile = true;
    s.serialDebugFilePath = dir.file("SERDATA.DAT");
    test::writeFile(s.serialDebugFilePath, "old contents");

    ASSERT_EQ(portSwitch.SwitchComPort(1, s), 1);
    ASSERT_TRUE(portSwitch.DebugFileOpen());
    const std::string raw("12OK\r\n\x00\xff", 8);
    portSwitch.RecordReceived(raw.data(), raw.size());
    portSwitch.RecordReceived("x", 1);
    EXPECT_EQ(test::readFile(s.serialDebugFilePath), raw + "x") << "truncated at open, then raw bytes";

    portSwitch.SwitchComPort(0, s);
    EXPECT_FALSE(portSwitch.DebugFileOpen());
}

// A port that cannot be opened keeps the switch's message; the port and the platform's reason
// follow on a line of their own, and no box of the port's own is shown.
TEST_F(PortFixture, switchRefusesWhatItCannotOpenWithTheReason)
{
    using Failure = SerialBackend::OpenFailure;
    const struct {
        const char* name;
        StringId status;
        SerialBackend::OpenError error = {};
        const char* reason = nullptr; // in the line under the status
    } cases[] = {
        {"CO", StringId::NoComPortEntry}, // too short to be a name
        {"Auto", StringId::WrongComPortNumber}, // the search replaces it by real names first
        {"COM", StringId::CannotOpenComPort}, // no port of this machine, and no reason known
        {"/dev/ttyUSB7", StringId::CannotOpenComPort, {Failure::NotFound, "No such file"}, "not found"},
        {"/dev/ttyUSB7", StringId::CannotOpenComPort, {Failure::PermissionDenied, "Permission denied"}, "dialout"},
        {"/dev/ttyUSB7", StringId::CannotOpenComPort, {Failure::Busy, "Locking failed"}, "busy (another program"},
        {"/dev/ttyUSB7", StringId::CannotOpenComPort, {Failure::Other, "Input/output error"}, ": Input/output error"},
        {"/dev/ttyUSB7", StringId::CannotOpenComPort, {Failure::Other, ""}, ": cannot be opened"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + (c.reason ? c.reason : ""));
        backend.openError = c.error;
        EXPECT_TRUE(portSwitch.SwitchComPort(1, settings(c.name)) == 0 && portSwitch.PortClosed());
        EXPECT_EQ(portSwitch.StatusText(), text(c.status) + (c.reason ? "\n" + port.OpenFailureLine() : ""));
        if (c.reason) {
            EXPECT_THAT(port.OpenFailureLine(),
                AllOf(StartsWith("Port /dev/ttyUSB7: "), HasSubstr(c.reason), Not(HasSubstr("\n"))));
        }
    }
    EXPECT_EQ(dialogs.problems, Calls {problem(StringId::NoComPortEntry)}) << "only a missing name shows a box";

    backend.existingPorts.insert("/dev/ttyUSB7");
    ASSERT_EQ(portSwitch.SwitchComPort(1, settings("/dev/ttyUSB7")), 1);
    EXPECT_TRUE(port.OpenFailureLine().empty()) << "an open that works forgets the last failure";
}
