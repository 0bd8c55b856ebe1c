#include "device/CSeriell.h"
#include "device/SendCommandText.h"
#include "foundation/CGlobal.h"
#include "foundation/StringTable.h"

#include "FakeSerialBackend.h"
#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace lumivex;
using Calls = std::vector<std::string>;

namespace {

std::string problem(StringId id)
{
    return std::string(stringText(id)) + " \n";
}

struct PortFixture : ::testing::Test {
    test::FakeSerialBackend backend;
    test::RecordingDialogs dialogs;
    CSeriell port {backend, dialogs};
};

} // namespace

TEST_F(PortFixture, openConfiguresQueuesPurgeAndTimeouts)
{
    port.SetPortName("COM12");
    ASSERT_EQ(port.OpenPort(), 1);
    EXPECT_EQ(backend.calls, (Calls {"open COM12", "queues 65536 65536", "purge 15", "timeout 400"}));
    EXPECT_TRUE(dialogs.problems.empty());

    backend.clearCalls();
    port.SetBaudRate(115200);
    EXPECT_EQ(backend.calls, (Calls {"line 115200 8N1", "dtr 0", "rts 0"}));
}

TEST_F(PortFixture, openFailuresAndTheirBoxes)
{
    EXPECT_EQ(port.OpenPort(), 0) << "no name yet";
    EXPECT_EQ(dialogs.problems, (Calls {problem(StringId::WrongComPortNumber)}));
    EXPECT_TRUE(backend.calls.empty()) << "the operating system is not asked";

    port.SetPortName("");
    EXPECT_EQ(dialogs.problems.back(), problem(StringId::CannotOpenComPort));
    EXPECT_EQ(port.PortName(), "");

    dialogs.problems.clear();
    port.SetPortName("COM9");
    EXPECT_EQ(port.OpenPort(), 0);
    EXPECT_TRUE(dialogs.problems.empty()) << "a port that does not exist fails without a box";

    port.SetPortName("COM3");
    backend.timeoutResult = false;
    EXPECT_EQ(port.OpenPort(), 1) << "a time-out failure leaves the port open";
    EXPECT_EQ(dialogs.messages, (Calls {std::string(stringText(StringId::ErrorComTimeout))}));
}

TEST_F(PortFixture, aPseudoTerminalWithoutModemLinesIsNoFailure)
{
    backend.modemLines = false;
    port.SetPortName("/dev/ttyUSB0");
    ASSERT_EQ(port.OpenPort(), 1);
    port.SetBaudRate(9600);
    EXPECT_TRUE(dialogs.problems.empty());

    backend.lineResult = false;
    port.SetBaudRate(12345);
    EXPECT_EQ(dialogs.problems, (Calls {problem(StringId::ErrorComSettings)}));
}

TEST_F(PortFixture, closeDropsDtrPurgesAndClosesWithItsBoxes)
{
    port.ClosePort();
    EXPECT_EQ(dialogs.problems, (Calls {problem(StringId::ComPortWasNotOpen)}));
    EXPECT_TRUE(backend.calls.empty());

    port.SetPortName("COM1");
    port.OpenPort();
    backend.clearCalls();
    backend.purgeResult = false;
    backend.closeResult = false;
    port.ClosePort();
    EXPECT_EQ(backend.calls, (Calls {"dtr 0", "purge 15", "close"}));
    EXPECT_EQ(dialogs.problems.size(), 3u);
    EXPECT_EQ(dialogs.problems[1], problem(StringId::ErrorEmptyingComInterface));
    EXPECT_EQ(dialogs.problems[2], problem(StringId::ErrorClosingComInterface));
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(PortFixture, writeFailureShowsOneOrTwoBoxes)
{
    port.SetPortName("COM1");
    port.OpenPort();
    EXPECT_EQ(port.WriteBlock("gethw\r"), 1);
    EXPECT_EQ(backend.written, "gethw\r");

    backend.writeResult = false;
    EXPECT_EQ(port.WriteBlock("testcon\r"), 0);
    EXPECT_EQ(dialogs.problems, (Calls {problem(StringId::ErrorComWriting)}));

    backend.errors = SerialBackend::CeTxFull;
    EXPECT_EQ(port.WriteBlock("testcon\r"), 0);
    EXPECT_EQ(dialogs.problems.back(), problem(StringId::ErrorComWritingNotRemedied));
}

TEST_F(PortFixture, readNeverWaitsAndTakesAtMost64KiBPerCall)
{
    port.SetPortName("COM1");
    port.OpenPort();
    backend.clearCalls();
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
    EXPECT_EQ(CSeriell::CommErrorLine(1), "COMERROR  CE_RXOVER\n");
    EXPECT_EQ(CSeriell::CommErrorLine(2), "COMERROR  CE_OVERRUN\n");
    EXPECT_EQ(CSeriell::CommErrorLine(3), "COMERROR  default\n") << "a combination is not split";
    EXPECT_EQ(CSeriell::CommErrorLine(1024), "COMERROR  CE_IOE\n");
    EXPECT_EQ(CSeriell::CommErrorLine(32768), "COMERROR  CE_MODE\n");
    EXPECT_EQ(CSeriell::CommErrorLine(64), "COMERROR  default\n");
}

// An open port with a log at level 9, as the main window sends through it.
struct SendFixture : PortFixture {
    test::TempDir dir;
    CGlobal log;

    void SetUp() override
    {
        log.SetFilePath(dir.file("Lumivex.log"));
        log.SetLevel(9);
        port.SetPortName("COM1");
        port.OpenPort();
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
    EXPECT_NE(logText().find(" : 6 "), std::string::npos);
    EXPECT_NE(logText().find("  COMERROR  default\r\n\r\n"), std::string::npos) << logText();
}

TEST_F(SendFixture, sendWritesAndLogsTheRequestWithItsCarriageReturnUpTo500Characters)
{
    EXPECT_EQ(SendCommandText(port, dialogs, log, "getrgbi5 3\r"), 1);
    EXPECT_EQ(backend.written, "getrgbi5 3\r");
    EXPECT_NE(logText().find("  Befehl getrgbi5 3\r - aufgerufen\r\n"), std::string::npos);

    const std::string limit(500, 'a');
    EXPECT_EQ(SendCommandText(port, dialogs, log, limit), 1) << "500 characters are allowed";
    backend.written.clear();
    EXPECT_EQ(SendCommandText(port, dialogs, log, limit + "b"), 0);
    EXPECT_TRUE(backend.written.empty());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], stringText(StringId::SerialTextTooLong));
    EXPECT_NE(logText().find("  Zu langer serieller Text\r\n"), std::string::npos);
}

TEST_F(SendFixture, sendOnAFailedWriteOrAClosedPortAndWithoutLogging)
{
    backend.writeResult = false;
    EXPECT_EQ(SendCommandText(port, dialogs, log, "testcon\r"), 0);
    EXPECT_TRUE(dialogs.messages.empty()) << "the port's own box said it; no second box";
    EXPECT_EQ(dialogs.problems, (std::vector<std::string> {CSeriell::ProblemText(StringId::ErrorComWriting)}));
    EXPECT_EQ(logText().find("aufgerufen"), std::string::npos);

    backend.writeResult = true;
    std::filesystem::remove(dir.file("Lumivex.log"));
    EXPECT_EQ(SendCommandText(port, dialogs, log, "testcon\r", /*loggingOn*/ false), 1);
    log.SetLevel(6);
    EXPECT_EQ(SendCommandText(port, dialogs, log, "testcon\r"), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("Lumivex.log"))) << "no line without the flag or below level 9";

    port.ClosePort();
    EXPECT_EQ(SendCommandText(port, dialogs, log, "testcon\r"), 0);
}
