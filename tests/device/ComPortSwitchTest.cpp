#include "device/ComPortSwitch.h"
#include "device/CSeriell.h"
#include "foundation/StringTable.h"

#include "FakeSerialBackend.h"
#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace lumivex;
using Calls = std::vector<std::string>;

namespace {

struct SwitchFixture : ::testing::Test {
    test::FakeSerialBackend backend;
    test::RecordingDialogs dialogs;
    CSeriell port {backend, dialogs};
    std::vector<std::string> statusLines;
    ComPortSwitch portSwitch {port, dialogs, [this](const std::string& s) { statusLines.push_back(s); }};

    PortSettings settings(std::string name, int rate = 115200)
    {
        PortSettings s;
        s.comPort = std::move(name);
        s.baudrate = rate;
        return s;
    }
};

} // namespace

TEST_F(SwitchFixture, opensWithTheConfiguredNameAndRate)
{
    ASSERT_EQ(portSwitch.SwitchComPort(1, settings("COM3", 57600)), 1);
    EXPECT_FALSE(portSwitch.PortClosed());
    EXPECT_EQ(port.BaudRate(), 57600u);
    EXPECT_EQ(backend.calls.back(), "rts 0");
    EXPECT_EQ(portSwitch.StatusText(), "COM port COM3 with 57600 baud is activ ! ");

    backend.clearCalls();
    EXPECT_EQ(portSwitch.SwitchComPort(1, settings("COM1")), 1) << "already open: nothing happens";
    EXPECT_TRUE(backend.calls.empty());

    ASSERT_EQ(portSwitch.SwitchComPort(0, settings("COM3")), 1);
    EXPECT_TRUE(portSwitch.PortClosed());
    EXPECT_EQ(portSwitch.StatusText(), stringText(StringId::ComPortNotOpen));
    EXPECT_EQ(backend.calls, (Calls {"dtr 0", "purge 15", "close"}));
}

TEST_F(SwitchFixture, badNamesAreRefusedWithTheirTexts)
{
    EXPECT_EQ(portSwitch.SwitchComPort(1, settings("CO")), 0);
    EXPECT_EQ(portSwitch.StatusText(), stringText(StringId::NoComPortEntry));
    EXPECT_EQ(dialogs.problems.size(), 1u);

    EXPECT_EQ(portSwitch.SwitchComPort(1, settings("Auto")), 0) << "the search replaces Auto by real names first";
    EXPECT_EQ(portSwitch.StatusText(), stringText(StringId::WrongComPortNumber));

    EXPECT_EQ(portSwitch.SwitchComPort(1, settings("COM9")), 0);
    EXPECT_EQ(portSwitch.StatusText(), stringText(StringId::CannotOpenComPort));
    EXPECT_TRUE(portSwitch.PortClosed());

    EXPECT_EQ(portSwitch.SwitchComPort(1, settings("/dev/ttyUSB0")), 1) << "the platform's own device names";
}

TEST_F(SwitchFixture, aPortOpenedByOthersIsKeptOrReopened)
{
    // The automatic search opens the port itself, so the handle can be valid while the flag is 1.
    port.SetPortName("COM3");
    port.OpenPort();
    port.SetBaudRateValue(115200);
    backend.clearCalls();
    EXPECT_EQ(portSwitch.SwitchComPort(1, settings("COM3")), 1);
    EXPECT_TRUE(backend.calls.empty()) << "same name and rate: left open and untouched";

    port.SetBaudRateValue(9600);
    ASSERT_EQ(portSwitch.SwitchComPort(0, settings("COM3")), 1);
    port.SetPortName("COM3");
    port.OpenPort();
    backend.clearCalls();
    EXPECT_EQ(portSwitch.SwitchComPort(1, settings("COM3", 115200)), 1);
    EXPECT_EQ(backend.calls.front(), "dtr 0") << "a different rate closes and reopens";
    EXPECT_EQ(backend.calls[3], "open COM3");
}

TEST_F(SwitchFixture, serialDebugFileRecordsReceivedBytesUnchanged)
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

TEST_F(SwitchFixture, failedOpenKeepsItsMessageAndAddsThePortAndTheReason)
{
    using Failure = SerialBackend::OpenFailure;
    const std::string message(stringText(StringId::CannotOpenComPort));
    struct Case {
        const char* name;
        SerialBackend::OpenError error;
        std::vector<std::string> mustSay; // in the line under the message
    };
    const std::vector<Case> cases {
        {"missing device", {Failure::NotFound, "No such file or directory"}, {"/dev/ttyUSB7", "not found"}},
        {"no rights", {Failure::PermissionDenied, "Permission denied"},
            {"/dev/ttyUSB7", "permission denied", "dialout"}},
        {"held elsewhere", {Failure::Busy, "Permission error while locking the device"},
            {"/dev/ttyUSB7", "busy", "another program"}},
        {"other, in the platform's words", {Failure::Other, "Input/output error"},
            {"/dev/ttyUSB7", "Input/output error"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        backend.openError = c.error;
        EXPECT_EQ(portSwitch.SwitchComPort(1, settings("/dev/ttyUSB7")), 0);
        const std::string& status = portSwitch.StatusText();
        const auto lineBreak = status.find('\n');
        ASSERT_NE(lineBreak, std::string::npos) << status;
        EXPECT_EQ(status.substr(0, lineBreak), message);
        const std::string reason = status.substr(lineBreak + 1);
        EXPECT_EQ(reason.find('\n'), std::string::npos) << "one line";
        for (const auto& words : c.mustSay)
            EXPECT_NE(reason.find(words), std::string::npos) << reason;
        EXPECT_EQ(port.OpenFailureLine(), reason);
        EXPECT_TRUE(dialogs.problems.empty()) << "a port that cannot be opened shows no box of its own";
    }

    backend.existingPorts.insert("/dev/ttyUSB7");
    ASSERT_EQ(portSwitch.SwitchComPort(1, settings("/dev/ttyUSB7")), 1);
    EXPECT_TRUE(port.OpenFailureLine().empty()) << "an open that works forgets the last failure";
}
