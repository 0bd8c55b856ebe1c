// A refusing or garbling device, junk, NUL bytes, a flood, replies that never complete or come too
// late, a disconnect while a reply is awaited, a device that vanishes: the engine ends what runs in
// time, says so once, keeps the old values and the port state, the window and the chain agree, and
// it works again after. (Junk inside replies is in ReplyFaultMatrixTest, a close during a wait in
// tst_lumivexdlg.)
#include "SequencerBench.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace lumivex;
using namespace lumivex::test;

namespace {

// A normal test after the trouble: every value arrives and nothing is reported.
void expectHealthyTest(SequencerBench& bench)
{
    bench.dialogs.messages.clear();
    bench.dialogs.problems.clear();
    EXPECT_EQ(bench.runTest().size(), 8u);
    EXPECT_TRUE(bench.sequencer.ResultValid());
    EXPECT_EQ(bench.flags(), "port handle shown start");
    EXPECT_TRUE(bench.dialogs.messages.empty()) << bench.dialogs.messages.front();
    EXPECT_GT(bench.view.LastTestNumbers().rawIntensity, 0);
}

} // namespace

TEST(EngineFaults, aRefusedConnectionStepLeavesTheWindowAndThePortDisconnected)
{
    // The step refused ("ERROR") or not answered, and its request's number.
    const std::tuple<const char*, bool, int> cases[] = {
        {"getversion", true, DeviceCommand::GetVersion},
        {"testcon", true, DeviceCommand::Testcon},
        {"gethw", false, DeviceCommand::GetHw},
        {"getserial", false, DeviceCommand::GetSerial},
    };
    for (const auto& [word, refused, number] : cases) {
        SCOPED_TRACE(std::string(refused ? "ERROR to " : "no reply to ") + word);
        auto config = firmware(1007);
        (refused ? config.faults.errorOn : config.faults.silentOn) = {word};
        ConnectedBench bench(config);
        EXPECT_EQ(bench.dialogs.messages,
            std::vector<std::string> {refused ? text(StringId::BoardReturnsError) : noValidResponse(number)});
        EXPECT_EQ(bench.flags(), refused ? "failed" : "failed timed-out") << "the window says what the port is";
        EXPECT_EQ(bench.sequencer.StatusText(), text(StringId::ComPortNotOpen));
        EXPECT_EQ(bench.sequencer.FirmwareNumber(), 0) << "nothing is read from a refused reply";
        EXPECT_TRUE(bench.sequencer.FirmwareText().empty());
    }
}

TEST(EngineFaults, aRefusedGarbledOrMissingReplyEndsTheTestInTimeSaysSoOnceAndLeavesNothingBehind)
{
    std::string flood(100 * 1024, 'A');
    for (std::size_t i = 0; i < flood.size(); i += 97)
        flood[i] = (i % 2) ? '\r' : '\0';
    struct Case {
        const char* name;
        int mode;
        int option;
        const char* userTime;
        const char* word; // the device's request word that fails
        bool refused; // answered "ERROR"; else the device is silent and `injected` arrives instead
        std::string injected;
        int number; // the request that fails
        std::size_t sent; // requests of the test, the failing one the last
        int ticks; // until the failure; up to 3 more may pass
    };
    const Case cases[] = {
        {"ERROR to getxy", kManualCapture, 5, "800", "getxy", true, "", DeviceCommand::GetXy, 4, 0},
        {"ERROR to the user time: no capture", kUserCapture, 0, "800", "setusertime", true, "",
            DeviceCommand::SetUserTime, 1, 0},
        {"10 MB of letters", kManualCapture, 5, "800", "getxy", false, std::string(10 << 20, 'A'), DeviceCommand::GetXy,
            4, 0},
        {"100 KB of letters, line ends and NULs", kManualCapture, 5, "800", "getxy", false, flood, DeviceCommand::GetXy,
            4, 0},
        {"a line without digits", kManualCapture, 5, "800", "getxy", false, "ABCDEF GHIJKLMN\r", DeviceCommand::GetXy,
            4, 0},
        {"silence: 200 ticks", kManualCapture, 5, "800", "getxy", false, "", DeviceCommand::GetXy, 4, 201},
        {"half a reply, then nothing", kManualCapture, 5, "800", "getrgbi", false, "0255 0128", DeviceCommand::GetRgbi,
            2, 201},
        {"a silent PWM capture: (15 + 1) x 200 ms x 5 / 2 + 5 ticks", kPwmCapture, 15, "800", "capturepwm", false, "",
            DeviceCommand::CapturePwm, 1, 16 * 200 * 5 / 2 + 5},
        {"a silent user capture longer than 200 ticks: its time + 50 ticks", kUserCapture, 0, "3000", "capture", false,
            "", DeviceCommand::CaptureUser, 2, 350},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConnectedBench bench;
        bench.config.OnTestModeChanged(c.mode);
        bench.config.OnOptionChanged(c.option);
        ASSERT_TRUE(bench.config.OnUserTimeEdited(c.userTime).empty());
        (c.refused ? bench.device.faults().errorOn : bench.device.faults().silentOn) = {c.word};
        const auto before = bench.sentCount();
        bench.sequencer.StartTest();
        ASSERT_TRUE(bench.untilCommand(c.number));
        const auto sentAt = bench.scheduler.nowMicros();
        bench.wire.inject(c.injected);
        bench.settle(100000);
        EXPECT_GE(bench.ticksSince(sentAt), c.ticks);
        EXPECT_LE(bench.ticksSince(sentAt), c.ticks + 3);
        EXPECT_EQ(bench.sentCount() - before, c.sent);
        const std::string message = c.refused ? text(StringId::BoardReturnsError) : noValidResponse(c.number);
        EXPECT_EQ(bench.dialogs.messages, std::vector<std::string> {message});
        EXPECT_NE(bench.logText().find(message), std::string::npos);
        const TestNumbers& shown = bench.view.LastTestNumbers();
        EXPECT_EQ(shown.counts, c.number == DeviceCommand::GetXy) << "no value of the failed reply shown";
        EXPECT_FALSE(shown.xy);
        EXPECT_EQ(bench.flags(), std::string("port handle shown start failed") + (c.ticks ? " timed-out" : ""));
        EXPECT_FALSE(bench.view.TestRunning());
        EXPECT_FALSE(bench.view.LastTestEndedWithWheel());
        EXPECT_FALSE(bench.frame.Run().Busy());
        EXPECT_EQ(bench.sequencer.PendingReplyBytes(), 0u) << "the broken text does not reach the next reply";

        bench.device.faults().errorOn.clear();
        bench.device.faults().silentOn.clear();
        bench.port.Purge(SerialBackend::PurgeRxAbort | SerialBackend::PurgeRxClear);
        bench.config.OnTestModeChanged(kManualCapture);
        expectHealthyTest(bench);
    }
}

TEST(EngineFaults, aDisconnectOrAVanishedDeviceEndsTheTestClosesThePortOnceAndAFreshConnectionWorks)
{
    for (const bool vanishes : {false, true}) {
        SCOPED_TRACE(vanishes ? "the device vanishes after getrgbi" : "DISCONNECT while a PWM capture is awaited");
        ConnectedBench bench;
        if (vanishes) {
            bench.device.faults().disconnectAfter = 6; // the connection, the capture, "getrgbi": then gone
            bench.runTest();
            bench.scheduler.advance(std::chrono::seconds(5));
        } else {
            bench.device.faults().silentOn = {"capturepwm"};
            bench.config.OnTestModeChanged(kPwmCapture);
            bench.config.OnOptionChanged(15);
            bench.sequencer.StartTest();
            ASSERT_TRUE(bench.untilCommand(DeviceCommand::CapturePwm));
            bench.scheduler.advance(std::chrono::milliseconds(500));
            bench.sequencer.OnConnectButton();
        }
        EXPECT_EQ(bench.flags(), "failed") << "the window says what the port is";
        EXPECT_EQ(bench.sequencer.StatusText(), text(StringId::ComPortNotOpen));
        EXPECT_TRUE(bench.dialogs.messages.empty()) << "no time-out";
        EXPECT_EQ(bench.view.TestsEnded(), 1);
        const std::string log = bench.logText();
        EXPECT_EQ(log.find("COMERROR"), log.rfind("COMERROR")) << "once";
        EXPECT_EQ(log.find("COMERROR") != std::string::npos, vanishes);
        const std::string problem = CSeriell::ProblemText(StringId::ErrorComReadingNotRemedied);
        EXPECT_EQ(bench.dialogs.problems, vanishes ? std::vector {problem} : std::vector<std::string> {});

        // Plugged in again: CONNECT starts a fresh chain at once and a test works as before.
        bench.device.faults() = SimFaults();
        bench.device.reconnect();
        const auto sent = bench.sentCount();
        const auto started = bench.scheduler.nowMicros();
        bench.sequencer.OnConnectButton();
        bench.settle();
        EXPECT_LT(bench.scheduler.nowMicros() - started, 1'000'000) << "no wait for the abandoned capture";
        ASSERT_GT(bench.sentCount(), sent);
        EXPECT_EQ(bench.sequencer.SentRequests()[sent], "gethw\r");
        bench.config.OnTestModeChanged(kManualCapture);
        expectHealthyTest(bench);
    }
}
