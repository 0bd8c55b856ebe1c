#include "device/SendCommandText.h"
#include "app/CGlobal.h"
#include "app/StringTable.h"
#include "device/CSeriell.h"

#include "FakeSerialBackend.h"
#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace lumivex;

namespace {

struct SendFixture : ::testing::Test {
    test::TempDir dir;
    test::FakeSerialBackend backend;
    test::RecordingDialogs dialogs;
    CSeriell port {backend, dialogs};
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

} // namespace

TEST_F(SendFixture, writesTheRequestAndLogsItWithItsCarriageReturn)
{
    EXPECT_EQ(SendCommandText(port, dialogs, log, "getrgbi5 3\r"), 1);
    EXPECT_EQ(backend.written, "getrgbi5 3\r");
    EXPECT_NE(logText().find("  Befehl getrgbi5 3\r - aufgerufen\r\n"), std::string::npos);
}

TEST_F(SendFixture, aTextOver500CharactersIsRefused)
{
    const std::string limit(500, 'a');
    EXPECT_EQ(SendCommandText(port, dialogs, log, limit), 1) << "500 characters are allowed";

    backend.written.clear();
    EXPECT_EQ(SendCommandText(port, dialogs, log, limit + "b"), 0);
    EXPECT_TRUE(backend.written.empty());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], stringText(StringId::SerialTextTooLong));
    EXPECT_NE(logText().find("  Zu langer serieller Text\r\n"), std::string::npos);
}

TEST_F(SendFixture, closedPortFailedWriteAndSilentLogs)
{
    backend.writeResult = false;
    EXPECT_EQ(SendCommandText(port, dialogs, log, "testcon\r"), 0);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], stringText(StringId::ErrorComWriting));
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
