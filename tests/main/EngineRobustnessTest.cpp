// Bad input on the line: junk, NUL bytes, a flood, replies that never complete, a device that
// vanishes. The engine shows the messages it always shows, never hangs, and works again after.
#include "SequencerBench.h"

#include "foundation/StringTable.h"
#include "sim/SimRequest.h"

#include <gtest/gtest.h>

using namespace lumivex;
using test::firmware;
using test::SequencerBench;

namespace {

// A normal test after the trouble: every value arrives and nothing is reported.
void expectHealthyTest(SequencerBench& bench)
{
    bench.dialogs.messages.clear();
    bench.dialogs.problems.clear();
    const auto before = bench.sequencer.SentRequests().size();
    bench.sequencer.StartTest();
    bench.settle();
    EXPECT_EQ(bench.sequencer.SentRequests().size(), before + 8);
    EXPECT_TRUE(bench.sequencer.ResultValid());
    EXPECT_FALSE(bench.sequencer.TimedOut());
    EXPECT_TRUE(bench.dialogs.messages.empty()) << bench.dialogs.messages.front();
    EXPECT_GT(bench.list.lastValues.intensity, 0);
}

} // namespace

TEST(EngineRobustness, junkAndNulBytesAreDroppedFromReplies)
{
    SequencerBench bench(firmware(1007));
    bench.connect();
    bench.sequencer.SendDeviceCommand(DeviceCommand::GetHw);
    bench.wire.inject(std::string("\0\x01\x7f\xff\0", 5));
    bench.settle();
    EXPECT_EQ(bench.sequencer.HardwareText(), "LVXCS5-R2") << "junk before a reply does not reach its text";
    expectHealthyTest(bench);
}

TEST(EngineRobustness, aFloodOfOneHundredKilobytesIsSurvived)
{
    SequencerBench bench(firmware(1007));
    bench.connect();
    bench.device.faults().silentOn = {"getxy"};
    bench.sequencer.StartTest();
    ASSERT_TRUE(bench.pumpUntil([&] { return bench.sequencer.CommandNumber() == DeviceCommand::GetXy; }));
    std::string flood(100 * 1024, 'A');
    for (std::size_t i = 0; i < flood.size(); i += 97)
        flood[i] = (i % 2) ? '\r' : '\0';
    bench.wire.inject(flood);
    bench.settle();
    // A garbled value reply is no value: the chain ends there and says so.
    EXPECT_FALSE(bench.sequencer.ChainRunning());
    EXPECT_EQ(bench.view.lastX, 0.0);
    EXPECT_EQ(bench.dialogs.messages, std::vector<std::string> {"No valid response from command 8"});
    bench.device.faults().silentOn.clear();
    bench.port.Purge(SerialBackend::PurgeRxAbort | SerialBackend::PurgeRxClear);
    expectHealthyTest(bench);
}

TEST(EngineRobustness, aReplyThatNeverCompletesTimesOutAndLeavesNothingBehind)
{
    SequencerBench bench(firmware(1007));
    bench.connect();
    bench.device.faults().silentOn = {"getrgbi"};
    bench.sequencer.StartTest();
    ASSERT_TRUE(bench.pumpUntil([&] { return bench.sequencer.CommandNumber() == DeviceCommand::GetRgbi; }));
    bench.wire.inject("0255 0128"); // half a reply, then nothing
    bench.settle();
    ASSERT_EQ(bench.dialogs.messages.size(), 1u);
    EXPECT_EQ(bench.dialogs.messages[0], "No valid response from command 6");
    EXPECT_EQ(bench.sequencer.PendingReplyBytes(), 0u) << "the broken text does not reach the next reply";
    bench.device.faults().silentOn.clear();
    expectHealthyTest(bench);
}

TEST(EngineRobustness, aNegativeXWarnsOnceAtTheEndOfTheTest)
{
    SequencerBench bench(firmware(1007));
    bench.connect();
    const auto shift = parseSimRequest("setxoffset1-0.9000 1");
    ASSERT_TRUE(shift.has_value());
    bench.device.model().execute(*shift, bench.scheduler.nowMicros());
    bench.sequencer.StartTest();
    bench.settle();
    EXPECT_LT(bench.view.lastX, 0.0);
    ASSERT_EQ(bench.dialogs.messages.size(), 1u);
    EXPECT_EQ(bench.dialogs.messages[0], stringText(StringId::XyOutOfRange));
    EXPECT_FALSE(bench.list.OutOfRange()) << "the mark is cleared after the warning";
}

TEST(EngineRobustness, theAllSensorCaptureLeadsToTheColourReads)
{
    SequencerBench bench(firmware(1007));
    bench.connect();
    const auto before = bench.sequencer.SentRequests().size();
    ASSERT_EQ(bench.sequencer.SendDeviceCommand(DeviceCommand::CaptureAll), 1);
    bench.settle();
    const auto& sent = bench.sequencer.SentRequests();
    ASSERT_GE(sent.size(), before + 2);
    EXPECT_EQ(sent[before], "capture\r");
    EXPECT_EQ(sent[before + 1], "getrgbi1 1\r") << "number 2's OK leads to number 6";
}
