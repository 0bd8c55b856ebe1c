#include "SequencerBench.h"

#include "foundation/StringTable.h"

#include <gtest/gtest.h>

using namespace lumivex;
using test::firmware;
using test::SequencerBench;
using Requests = std::vector<std::string>;

namespace {

Requests testRequests(const SequencerBench& bench, std::size_t from)
{
    const auto& sent = bench.sequencer.SentRequests();
    return Requests(sent.begin() + static_cast<std::ptrdiff_t>(from), sent.end());
}

} // namespace

TEST(SequencerConnection, fullChainSendsFourRequestsAndShowsThreeStatusLines)
{
    SequencerBench bench(firmware(1007, 3));
    bench.connect();
    EXPECT_EQ(bench.sequencer.SentRequests(), (Requests {"gethw\r", "testcon\r", "getserial\r", "getversion\r"}));
    EXPECT_EQ(bench.view.status, "Lumivex 3 Board(s) connected \r\nSerial Number: 1042 \r\nFirmware Number: 1007 ");
    EXPECT_EQ(bench.sequencer.FirmwareNumber(), 1007);
    EXPECT_EQ(bench.sequencer.HardwareText(), "LVXCS5-R2");
    EXPECT_EQ(bench.config.boardList, (std::vector<std::string> {"Board1", "Board2", "Board3"}));
    EXPECT_EQ(bench.list.RowCount(), 15);
    EXPECT_TRUE(bench.sequencer.StartEnabled());
    EXPECT_EQ(bench.view.calls.back(), "connected");
    EXPECT_TRUE(bench.dialogs.messages.empty());

    const auto log = bench.logText();
    EXPECT_NE(log.find("Befehl testcon\r - aufgerufen"), std::string::npos);
    EXPECT_NE(log.find("R\xFC"
                       "ckmeldung OK von Befehl 1"),
        std::string::npos);
    EXPECT_NE(log.find("R\xFC"
                       "ckmeldung 1007\r\r\n von Befehl 18"),
        std::string::npos)
        << log;

    bench.sequencer.OnConnectButton();
    EXPECT_TRUE(bench.sequencer.PortClosed());
    EXPECT_EQ(bench.view.calls.back(), "disconnected");
    EXPECT_EQ(bench.view.status, stringText(StringId::ComPortNotOpen));
}

TEST(SequencerConnection, aTestconReplySplitOverTwoTicksCompletesOnTheSecond)
{
    SequencerBench bench(firmware(1007, 3));
    bench.sequencer.Connect(); // returns once "gethw" is answered; "testcon" is on its way
    ASSERT_EQ(bench.sequencer.CommandNumber(), 1);
    bench.device.faults().chunkSize = 2; // "3O" now, "K" and its line end a tick and a half later
    bench.device.faults().chunkGapUs = 15000;
    ASSERT_TRUE(bench.pumpUntil([&] { return bench.sequencer.PendingReplyBytes() > 0; }));
    bench.scheduler.advance(std::chrono::milliseconds(12));
    EXPECT_EQ(bench.sequencer.CommandNumber(), 1) << "\"3O\" does not complete it, not even on a tick";
    EXPECT_TRUE(bench.sequencer.ReplyAwaited());
    bench.device.faults().chunkSize = 0;
    bench.settle();
    EXPECT_EQ(bench.config.boardList.size(), 3u);
    EXPECT_EQ(bench.list.RowCount(), 15);
    EXPECT_EQ(bench.sequencer.FirmwareNumber(), 1007);
}

TEST(SequencerConnection, aByteCountedReplyIsNotCutShortByBytesStillOnTheWire)
{
    // "gethw" completes after more than 7 bytes, "gethsi" at 15 of its 17; "testcon" holds "OK"
    // before its line end. Pieces arriving faster than the tick (300 us apart) and across ticks
    // (6 ms apart) must not complete a reply early and spill its rest into the next one.
    for (const int gapUs : {300, 6000}) {
        SequencerBench bench(firmware(1007, 3));
        bench.device.faults().chunkSize = 3;
        bench.device.faults().chunkGapUs = gapUs;
        bench.connect();
        EXPECT_EQ(bench.sequencer.HardwareText(), "LVXCS5-R2") << gapUs;
        EXPECT_EQ(bench.config.boardList.size(), 3u) << gapUs;
        EXPECT_EQ(bench.view.status, "Lumivex 3 Board(s) connected \r\nSerial Number: 1042 \r\nFirmware Number: 1007 ")
            << gapUs;
        bench.sequencer.StartTest();
        bench.settle();
        EXPECT_TRUE(bench.sequencer.ResultValid()) << gapUs;
        EXPECT_TRUE(bench.dialogs.messages.empty()) << gapUs;
        EXPECT_EQ(testRequests(bench, 4).size(), 8u) << gapUs;
    }
}

TEST(SequencerConnection, autoFindsTheDeviceOnTheSeventhListedPortWithoutMessages)
{
    SimPortConfig ports;
    ports.silentPorts = {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6"};
    SequencerBench bench(firmware(1007), ports, "Auto");
    const auto start = bench.scheduler.nowMicros();
    bench.connect();
    EXPECT_EQ(bench.state.settings.comPort, "SIM") << "the setting holds the port found";
    EXPECT_TRUE(bench.dialogs.messages.empty()) << "time-outs while detecting show nothing";
    EXPECT_EQ(bench.sequencer.FirmwareNumber(), 1007);
    // Six silent candidates, each given up after 51 ticks.
    const auto waited = (bench.scheduler.nowMicros() - start) / 10000;
    EXPECT_GE(waited, 6 * 51);
    EXPECT_LT(waited, 6 * 51 + 30);
}

TEST(SequencerConnection, autoWithNothingAnsweringGoesBackToAuto)
{
    SimPortConfig ports;
    ports.deviceName = "SIM";
    ports.silentPorts = {"COM1", "COM2"};
    SequencerBench bench(firmware(1007), ports, "Auto");
    bench.device.faults().silentOn = {"gethw"};
    bench.connect();
    EXPECT_EQ(bench.state.settings.comPort, "Auto");
    EXPECT_TRUE(bench.sequencer.PortClosed());
    EXPECT_TRUE(bench.dialogs.messages.empty());
    EXPECT_FALSE(bench.sequencer.StartEnabled());
}

TEST(SequencerTest, chainsFollowTheFirmware)
{
    const std::pair<int, Requests> cases[] = {
        {1003, {"capture211 1\r", "getrgbi1 1\r", "gethsi1 1\r", "getxy1 1\r"}},
        {1005, {"capture211 1\r", "getrgbi1 1\r", "gethsi1 1\r", "getxy1 1\r", "getctemp1 1\r"}},
        {1007,
            {"capture211 1\r", "getrgbi1 1\r", "gethsi1 1\r", "getxy1 1\r", "getctemp1 1\r", "getxoffset1 1\r",
                "getyoffset1 1\r", "getdistance1 1\r"}},
    };
    for (const auto& [fw, expected] : cases) {
        SequencerBench bench(firmware(fw));
        bench.connect();
        const auto before = bench.sequencer.SentRequests().size();
        bench.config.OnOptionChanged(10); // "MED 9x9 200ms"
        bench.sequencer.StartTest();
        bench.settle();
        EXPECT_EQ(testRequests(bench, before), expected) << "firmware " << fw;
        EXPECT_FALSE(bench.sequencer.ChainRunning());
        EXPECT_TRUE(bench.sequencer.ResultValid());
        EXPECT_TRUE(bench.dialogs.messages.empty()) << bench.dialogs.messages.front();
        EXPECT_EQ(bench.view.calls.back(), fw >= 1007 ? "end wheel" : "end");
    }
}

TEST(SequencerTest, userAndPwmModesAddressTheSelectedSensor)
{
    SequencerBench bench(firmware(1007, 3));
    bench.connect();
    bench.config.OnBoardChanged(2);
    bench.config.OnLedChanged(4);
    bench.config.OnTestModeChanged(kUserCapture);
    bench.config.OnArea(1);
    ASSERT_TRUE(bench.config.OnUserTimeEdited("250").empty());
    auto before = bench.sequencer.SentRequests().size();
    bench.sequencer.StartTest();
    bench.settle();
    auto sent = testRequests(bench, before);
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[0], "setusertime00250 3\r");
    EXPECT_EQ(sent[1], "capture815 3\r");
    EXPECT_EQ(sent[2], "getrgbi5 3\r");
    EXPECT_EQ(bench.sequencer.SensorListIndex(), 15);
    EXPECT_EQ(bench.list.lastIndex, 15);

    bench.config.OnTestModeChanged(kPwmCapture);
    bench.config.OnOptionChanged(3);
    before = bench.sequencer.SentRequests().size();
    bench.sequencer.StartTest();
    bench.settle();
    sent = testRequests(bench, before);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent[0], "capturepwm035 3\r");
    // (3 + 1) x 250 ms (the user capture's code 8 was the last one-sensor capture) x 5 / 2 + 5
    EXPECT_EQ(bench.sequencer.PwmTimeoutTicks(), 4 * 250 * 5 / 2 + 5);
    EXPECT_EQ(sent.size(), 8u);
    EXPECT_TRUE(bench.dialogs.messages.empty());
}

TEST(SequencerTest, aUserTimeWithoutOkSendsNoCapture)
{
    SequencerBench bench(firmware(1007));
    bench.connect();
    bench.device.faults().errorOn = {"setusertime"};
    bench.config.OnTestModeChanged(kUserCapture);
    const auto before = bench.sequencer.SentRequests().size();
    bench.sequencer.StartTest();
    bench.settle();
    EXPECT_EQ(testRequests(bench, before), Requests {"setusertime00800 1\r"});
    EXPECT_EQ(bench.dialogs.messages, std::vector<std::string> {"Board returns an error"});
}

TEST(SequencerTest, startWhileAReplyIsAwaitedSendsNothing)
{
    SequencerBench bench(firmware(1007));
    bench.connect();
    bench.sequencer.StartTest();
    ASSERT_TRUE(bench.sequencer.ReplyAwaited());
    const auto before = bench.sequencer.SentRequests().size();
    bench.sequencer.StartTest();
    EXPECT_EQ(bench.sequencer.SentRequests().size(), before);
    bench.settle();
    EXPECT_EQ(bench.sequencer.SentRequests().size(), before + 7) << "the first test runs to its end";
}

TEST(SequencerTest, rgbiCompletionDependsOnTheFirmwareLayout)
{
    // The device's "getrgbi" line arrives as 18 bytes, then the rest 50 ms later. Firmware 1006
    // ("255 128 000 01234" and its line end) is complete with those 18 bytes; firmware 1007
    // ("0255 0128 0000 01234", 21 bytes) must wait for more than 20.
    for (const int fw : {1006, 1007}) {
        SequencerBench bench(firmware(fw));
        bench.connect();
        bench.device.faults().chunkSize = 18;
        bench.device.faults().chunkGapUs = 50000;
        bench.sequencer.StartTest();
        ASSERT_TRUE(bench.pumpUntil([&] { return bench.sequencer.CommandNumber() == 6; })) << fw;
        const auto sentAt = bench.scheduler.nowMicros();
        ASSERT_TRUE(bench.pumpUntil([&] { return bench.sequencer.CommandNumber() != 6; })) << fw;
        const auto waitedMs = (bench.scheduler.nowMicros() - sentAt) / 1000;
        if (fw == 1006)
            EXPECT_LT(waitedMs, 20) << "18 bytes complete it";
        else
            EXPECT_GE(waitedMs, 50) << "18 bytes are not enough";
        bench.settle();
        EXPECT_TRUE(bench.dialogs.messages.empty()) << fw;
        EXPECT_EQ(bench.view.calls.back(), fw >= 1007 ? "end wheel" : "end");
    }
}

TEST(SequencerTimeouts, twoHundredTicksThenTheMessage)
{
    SequencerBench bench(firmware(1007));
    bench.connect();
    bench.device.faults().silentOn = {"getxy"};
    bench.sequencer.StartTest();
    ASSERT_TRUE(bench.pumpUntil([&] { return bench.sequencer.CommandNumber() == 8; }));
    const auto sentAt = bench.scheduler.nowMicros();
    bench.settle();
    const auto ticks = (bench.scheduler.nowMicros() - sentAt) / 10000;
    EXPECT_GE(ticks, 201);
    EXPECT_LE(ticks, 203);
    ASSERT_EQ(bench.dialogs.messages.size(), 1u);
    EXPECT_EQ(bench.dialogs.messages[0], "No valid response from command 8");
    EXPECT_NE(bench.logText().find("No valid response from command 8"), std::string::npos);
    EXPECT_TRUE(bench.sequencer.TimedOut());
    EXPECT_FALSE(bench.sequencer.ChainRunning());
    EXPECT_FALSE(bench.list.Busy());
}

TEST(SequencerTimeouts, pwmCaptureWaitsItsOwnLimitAndOtherRequestsKeepTheirs)
{
    SequencerBench bench(firmware(1007));
    bench.connect();
    bench.config.OnTestModeChanged(kPwmCapture);
    bench.config.OnOptionChanged(15);
    bench.device.faults().silentOn = {"capturepwm"};
    bench.sequencer.StartTest();
    const auto sentAt = bench.scheduler.nowMicros();
    bench.settle(100000);
    // (15 + 1) x 200 ms x 5 / 2 + 5 = 8005 ticks: longer than the usual 200.
    const int limit = 16 * 200 * 5 / 2 + 5;
    EXPECT_EQ(bench.sequencer.PwmTimeoutTicks(), limit);
    const auto ticks = (bench.scheduler.nowMicros() - sentAt) / 10000;
    EXPECT_GE(ticks, limit);
    EXPECT_LE(ticks, limit + 3);
    EXPECT_EQ(bench.dialogs.messages.back(), "No valid response from command 4");

    // In PWM mode a connection still has the 200-tick limit, not two ticks.
    bench.dialogs.messages.clear();
    bench.device.faults().silentOn.clear();
    bench.sequencer.Disconnect();
    bench.connect();
    EXPECT_TRUE(bench.dialogs.messages.empty());
    EXPECT_EQ(bench.sequencer.FirmwareNumber(), 1007);
}

TEST(SequencerTimeouts, aUserCaptureLongerThanTheReplyLimitStillCompletes)
{
    SequencerBench bench(firmware(1007));
    bench.connect();
    bench.config.OnTestModeChanged(kUserCapture);
    ASSERT_TRUE(bench.config.OnUserTimeEdited("3000").empty());
    bench.sequencer.StartTest();
    bench.settle(20000);
    EXPECT_TRUE(bench.dialogs.messages.empty()) << bench.dialogs.messages.front();
    EXPECT_TRUE(bench.sequencer.ResultValid());

    // Silent, it gives up 50 ticks after its capture time.
    bench.device.faults().silentOn = {"capture"};
    bench.sequencer.StartTest();
    ASSERT_TRUE(bench.pumpUntil([&] { return bench.sequencer.CommandNumber() == DeviceCommand::CaptureUser; }));
    const auto sentAt = bench.scheduler.nowMicros();
    bench.settle(20000);
    const auto ticks = (bench.scheduler.nowMicros() - sentAt) / 10000;
    EXPECT_GE(ticks, 350);
    EXPECT_LE(ticks, 353);
    EXPECT_EQ(bench.dialogs.messages.back(), "No valid response from command 5");
}

TEST(SequencerTimeouts, pwmAfterDisableCountsTwoHundredMilliseconds)
{
    SequencerBench bench(firmware(1007));
    bench.connect();
    bench.config.OnOptionChanged(0); // "DISABLE": code 0
    bench.sequencer.StartTest();
    bench.settle();
    bench.config.OnTestModeChanged(kPwmCapture);
    bench.sequencer.StartTest();
    EXPECT_EQ(bench.sequencer.PwmTimeoutTicks(), 1 * 200 * 5 / 2 + 5);
}

TEST(SequencerEngine, unknownNumbersSendNothingAndLogIt)
{
    SequencerBench bench(firmware(1007));
    bench.connect();
    const auto before = bench.sequencer.SentRequests().size();
    for (const int number : {9, 10, 11, 13, 15, 16, 20, 21, 22, 0, 28})
        EXPECT_EQ(bench.sequencer.SendDeviceCommand(number), 0) << number;
    EXPECT_EQ(bench.sequencer.SentRequests().size(), before);
    EXPECT_NE(bench.logText().find("  Unbekannter Befehl!\r\n"), std::string::npos);
}

TEST(SequencerEngine, othersMeasuringSuspendTheEngineAndDisableTheButtons)
{
    SequencerBench bench(firmware(1007));
    bench.connect();
    bench.list.SetMeasuring(true);
    bench.scheduler.advance(std::chrono::milliseconds(30));
    EXPECT_EQ(bench.view.calls.back(), "others busy");
    EXPECT_FALSE(bench.sequencer.StartEnabled());

    // A reply that arrives meanwhile stays in the port until the engine may read again.
    bench.list.SetMeasuring(false);
    bench.sequencer.SendDeviceCommand(DeviceCommand::GetHw);
    bench.list.SetMeasuring(true);
    bench.scheduler.advance(std::chrono::milliseconds(100));
    EXPECT_TRUE(bench.sequencer.ReplyAwaited());
    EXPECT_GT(bench.backend.bytesQueued(), 0u);
    bench.list.SetMeasuring(false);
    bench.scheduler.advance(std::chrono::milliseconds(20));
    EXPECT_FALSE(bench.sequencer.ReplyAwaited());
    EXPECT_EQ(bench.view.calls.back(), "others idle");
    EXPECT_TRUE(bench.sequencer.StartEnabled());
}

TEST(SequencerEngine, repliesAreHandledWhenTheyArriveNotOnTheNextTick)
{
    SequencerBench bench(firmware(1007));
    bench.connect();
    bench.sequencer.SendDeviceCommand(DeviceCommand::GetHw);
    const auto sentAt = bench.scheduler.nowMicros();
    ASSERT_TRUE(bench.pumpUntil([&] { return !bench.sequencer.ReplyAwaited(); }));
    EXPECT_LT(bench.scheduler.nowMicros() - sentAt, 2000) << "the device answers at once; so does the engine";
}

// The terminal's hand-over is checked in TerminalHandOverTest.
TEST(SequencerCommands, resetAndConfiguration)
{
    SequencerBench bench(firmware(1007, 2));
    bench.connect();
    bench.config.OnBoardChanged(1);
    auto before = bench.sequencer.SentRequests().size();
    bench.sequencer.ResetBoard();
    bench.settle();
    EXPECT_EQ(testRequests(bench, before), Requests {"setdefault\r"});
    EXPECT_EQ(bench.list.lastResetBoard, 2);

    before = bench.sequencer.SentRequests().size();
    bench.sequencer.BeforeConfiguration();
    EXPECT_EQ(testRequests(bench, before), Requests {"getusertime 2\r"});
    EXPECT_FALSE(bench.sequencer.ReplyAwaited()) << "the configuration waits for the reply";
    EXPECT_EQ(bench.config.userTime, bench.device.model().board(2).userTime);

    bench.sequencer.AfterConfiguration(true, "SIM", 115200);
    EXPECT_FALSE(bench.sequencer.PortClosed()) << "nothing changed: the port stays open";
    bench.state.settings.baudrate = 57600;
    bench.sequencer.AfterConfiguration(true, "SIM", 115200);
    EXPECT_TRUE(bench.sequencer.PortClosed());
}

TEST(SequencerEngine, aPortClosedElsewhereShowsDisconnectedOnTheNextTick)
{
    SequencerBench bench(firmware(1007));
    bench.connect();
    bench.portSwitch.SwitchComPort(0, {});
    bench.scheduler.advance(std::chrono::milliseconds(10));
    EXPECT_EQ(bench.view.calls.back(), "disconnected");
    EXPECT_TRUE(bench.sequencer.DisconnectedShown());
}
