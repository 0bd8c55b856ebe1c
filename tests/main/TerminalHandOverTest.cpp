// The main window hands its port to the terminal and takes it back, in virtual time.

#include "terminal/TerminalSession.h"

#include "SequencerBench.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace lumivex;
using namespace lumivex::test;
using namespace std::chrono_literals;

TEST(TerminalHandOver, theTerminalAloneReadsThePortAndTheConnectionStandsAgainAfterwards)
{
    SequencerBench bench;
    bench.connect();
    ASSERT_FALSE(bench.sequencer.DisconnectedShown());
    const auto sentBefore = bench.sequencer.SentRequests().size();

    bench.sequencer.BeforeTerminal();
    EXPECT_TRUE(bench.sequencer.PortClosed());
    EXPECT_EQ(bench.view.status, "*** COM port is not open ***");
    {
        TerminalSession terminal(bench.scheduler, bench.port, bench.dialogs);
        ASSERT_TRUE(terminal.Open(TerminalSession::HandedOver(bench.state)));
        terminal.SetCommandText("gethw");
        terminal.Send();
        ASSERT_TRUE(bench.pumpUntil([&] { return !terminal.Awaiting(); }, 1000));
        EXPECT_EQ(terminal.Response(), "> gethw\r\nLVXCS5-R2\r\n")
            << "the whole reply, none of it taken by the main window";
        bench.scheduler.advance(50ms);
        EXPECT_TRUE(bench.sequencer.DisconnectedShown()) << "the window's tick sees the port closed";
    }
    bench.sequencer.AfterTerminal();
    EXPECT_FALSE(bench.sequencer.PortClosed());
    EXPECT_FALSE(bench.sequencer.DisconnectedShown());
    EXPECT_TRUE(bench.sequencer.StartEnabled());
    EXPECT_EQ(bench.sequencer.SentRequests().size(), sentBefore) << "the terminal's requests are not the window's";
    EXPECT_TRUE(bench.dialogs.messages.empty());

    bench.sequencer.StartTest();
    bench.settle();
    EXPECT_TRUE(bench.sequencer.ResultValid()) << "a test runs on the port handed back";
}

TEST(TerminalHandOver, aPortThatWasClosedStaysClosed)
{
    SequencerBench bench;
    bench.sequencer.BeforeTerminal();
    {
        TerminalSession terminal(bench.scheduler, bench.port, bench.dialogs);
        ASSERT_TRUE(terminal.Open(TerminalSession::HandedOver(bench.state)));
    }
    bench.sequencer.AfterTerminal();
    EXPECT_TRUE(bench.sequencer.PortClosed());
    EXPECT_TRUE(bench.sequencer.DisconnectedShown());
    EXPECT_FALSE(bench.port.IsOpen());
}
