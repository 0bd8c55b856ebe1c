// A refusing or garbling device, a disconnect or a close while a reply is awaited, a device that
// vanishes: the engine ends what runs, says so once, keeps the old values and the port state,
// the window and the chain agree.
#include "SequencerBench.h"

#include "device/ReplyCollector.h"
#include "foundation/StringTable.h"

#include <gtest/gtest.h>

using namespace lumivex;
using test::firmware;
using test::SequencerBench;

namespace {

std::string text(StringId id)
{
    return std::string(stringText(id));
}

int count(const std::string& haystack, const std::string& needle)
{
    int n = 0;
    for (auto at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1))
        ++n;
    return n;
}

// The window says what the port is.
void expectDisconnected(const SequencerBench& bench)
{
    EXPECT_TRUE(bench.sequencer.PortClosed());
    EXPECT_FALSE(bench.port.IsOpen());
    EXPECT_TRUE(bench.sequencer.DisconnectedShown());
    EXPECT_FALSE(bench.sequencer.StartEnabled());
    EXPECT_FALSE(bench.sequencer.ReplyAwaited());
    EXPECT_FALSE(bench.sequencer.ChainRunning());
    EXPECT_EQ(bench.sequencer.StatusText(), text(StringId::ComPortNotOpen));
}

} // namespace

TEST(EngineFaults, aRefusedConnectionStepLeavesTheWindowAndThePortDisconnected)
{
    struct Case {
        const char* name;
        const char* errorOn;
        const char* silentOn;
        std::string message;
    };
    const Case cases[] = {
        {"ERROR to getversion", "getversion", "", text(StringId::BoardReturnsError)},
        {"ERROR to testcon", "testcon", "", text(StringId::BoardReturnsError)},
        {"silent gethw", "", "gethw", "No valid response from command 19"},
        {"silent getserial", "", "getserial", "No valid response from command 17"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto config = firmware(1007);
        if (*c.errorOn)
            config.faults.errorOn = {c.errorOn};
        if (*c.silentOn)
            config.faults.silentOn = {c.silentOn};
        SequencerBench bench(config);
        bench.connect();
        EXPECT_EQ(bench.dialogs.messages, std::vector<std::string> {c.message});
        expectDisconnected(bench);
        EXPECT_EQ(bench.sequencer.FirmwareNumber(), 0) << "nothing is read from a refused reply";
        EXPECT_TRUE(bench.sequencer.FirmwareText().empty());
        EXPECT_TRUE(bench.sequencer.ChainFailed());
    }
}

TEST(EngineFaults, aRefusedOrGarbledValueEndsTheTestAndShowsNoValue)
{
    struct Case {
        const char* name;
        const char* errorOn; // answered "ERROR" by the device
        std::string injected; // else the device is silent and this arrives instead
        std::string message;
    };
    const Case cases[] = {
        {"ERROR to getxy", "getxy", "", text(StringId::BoardReturnsError)},
        {"10 MB of letters", "", std::string(10 << 20, 'A'), "No valid response from command 8"},
        {"a line without digits", "", "ABCDEF GHIJKLMN\r", "No valid response from command 8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto config = firmware(1007);
        if (*c.errorOn)
            config.faults.errorOn = {c.errorOn};
        else
            config.faults.silentOn = {"getxy"};
        SequencerBench bench(config);
        bench.connect();
        bench.view.lastX = -1;
        bench.sequencer.StartTest();
        ASSERT_TRUE(bench.pumpUntil([&] { return bench.sequencer.CommandNumber() == DeviceCommand::GetXy; }));
        bench.wire.inject(c.injected);
        bench.settle();
        EXPECT_EQ(bench.dialogs.messages, std::vector<std::string> {c.message});
        EXPECT_EQ(bench.view.lastX, -1) << "no value shown";
        EXPECT_TRUE(bench.sequencer.ChainFailed());
        EXPECT_FALSE(bench.sequencer.ChainRunning());
        EXPECT_EQ(bench.view.calls.back(), "end");
        EXPECT_LE(bench.sequencer.PendingReplyBytes(), ReplyCollector::kMaxReplyBytes);
    }
}

TEST(EngineFaults, aRefusedUserTimeKeepsTheOldOne)
{
    auto config = firmware(1007);
    config.faults.errorOn = {"getusertime"};
    SequencerBench bench(config);
    bench.connect();
    bench.config.userTime = 250;
    bench.sequencer.BeforeConfiguration();
    EXPECT_EQ(bench.config.userTime, 250);
    EXPECT_EQ(bench.dialogs.messages, std::vector<std::string> {text(StringId::BoardReturnsError)});
}

TEST(EngineFaults, disconnectEndsTheAwaitedReplyAndConnectStartsAFreshChain)
{
    auto config = firmware(1007);
    config.faults.silentOn = {"capturepwm"};
    SequencerBench bench(config);
    bench.connect();
    bench.config.OnTestModeChanged(kPwmCapture);
    bench.config.OnOptionChanged(15);
    bench.sequencer.StartTest();
    ASSERT_TRUE(bench.pumpUntil([&] { return bench.sequencer.CommandNumber() == DeviceCommand::CapturePwm; }));
    bench.scheduler.advance(std::chrono::milliseconds(500));

    bench.sequencer.OnConnectButton();
    expectDisconnected(bench);
    EXPECT_TRUE(bench.dialogs.messages.empty()) << "a disconnect is no time-out";
    const std::vector<std::string> last(bench.view.calls.end() - 2, bench.view.calls.end());
    EXPECT_EQ(last, (std::vector<std::string> {"end", "disconnected"}));

    bench.device.faults().silentOn.clear();
    const auto sent = bench.sequencer.SentRequests().size();
    const auto started = bench.scheduler.nowMicros();
    bench.sequencer.OnConnectButton();
    bench.settle();
    EXPECT_LT(bench.scheduler.nowMicros() - started, 1'000'000) << "no wait for the abandoned capture";
    ASSERT_GT(bench.sequencer.SentRequests().size(), sent);
    EXPECT_EQ(bench.sequencer.SentRequests()[sent], "gethw\r");
    EXPECT_TRUE(bench.sequencer.StartEnabled());
}

TEST(EngineFaults, shutdownEndsAWaitInProgressAtOnce)
{
    auto config = firmware(1007);
    config.faults.silentOn = {"gethw"};
    SequencerBench bench(config);
    bench.scheduler.singleShot(std::chrono::milliseconds(100), [&] { bench.sequencer.Shutdown(); });
    bench.sequencer.Connect();
    EXPECT_LT(bench.scheduler.nowMicros(), 200'000) << "Connect returned when the window closed";
    EXPECT_TRUE(bench.dialogs.messages.empty());
    bench.sequencer.StartTest();
    EXPECT_EQ(bench.sequencer.SentRequests().size(), 1u) << "nothing is sent after the close";
}

TEST(EngineFaults, resetBoardActsOnlyOnAConnectedDevice)
{
    SequencerBench bench(firmware(1007));
    bench.connect();
    bench.sequencer.OnConnectButton();
    const auto sent = bench.sequencer.SentRequests().size();
    bench.sequencer.ResetBoard();
    bench.settle();
    EXPECT_EQ(bench.sequencer.SentRequests().size(), sent);
    EXPECT_TRUE(bench.sequencer.PortClosed()) << "no port opened behind a window that says NOT CONNECTED";
}

TEST(EngineFaults, aVanishedDeviceClosesThePortWithOneMessage)
{
    auto config = firmware(1007);
    config.faults.disconnectAfter = 6; // the connection, the capture, "getrgbi": then gone
    SequencerBench bench(config);
    bench.port.Log().SetFilePath(bench.dir.file("Lumivex.log")); // the port's own channel, as the program sets it
    bench.port.Log().SetLevel(9);
    bench.connect();
    bench.sequencer.StartTest();
    bench.settle();
    bench.scheduler.advance(std::chrono::seconds(5));
    expectDisconnected(bench);
    EXPECT_TRUE(bench.dialogs.messages.empty());
    EXPECT_EQ(
        bench.dialogs.problems, std::vector<std::string> {CSeriell::ProblemText(StringId::ErrorComReadingNotRemedied)});
    EXPECT_EQ(count(bench.logText(), "COMERROR"), 1);
    EXPECT_TRUE(bench.sequencer.ChainFailed());
    EXPECT_EQ(bench.view.calls.back(), "disconnected");

    // Plugged in again: CONNECT and a test work as before.
    bench.device.faults().disconnectAfter.reset();
    bench.device.reconnect();
    bench.connect();
    ASSERT_TRUE(bench.sequencer.StartEnabled()) << bench.view.status;
    bench.sequencer.StartTest();
    bench.settle();
    EXPECT_TRUE(bench.sequencer.ResultValid());
    EXPECT_FALSE(bench.sequencer.ChainFailed());
}
