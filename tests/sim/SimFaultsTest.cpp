// Each fault the device can show, on its own, in virtual time.
#include "SimWire.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace lumivex;
using namespace lumivex::test;

namespace {

SimConfig withFaults(const SimFaults& faults, int firmware = 1007)
{
    SimConfig config;
    config.firmware = firmware;
    config.faults = faults;
    return config;
}

} // namespace

TEST(SimFaults, latencyComesBeforeTheCaptureTime)
{
    SimFaults faults;
    faults.latencyMs = 35;
    SimWire wire(withFaults(faults));
    EXPECT_EQ(wire.reply("testcon"), "1OK\r\n");
    EXPECT_EQ(wire.lastArrival(), 35000);
    const std::int64_t start = wire.scheduler.nowMicros();
    EXPECT_EQ(wire.reply("capture511 1"), "OK\r\n");
    EXPECT_EQ(wire.lastArrival() - start, 35000 + 20000);
}

TEST(SimFaults, aOneOffLatencyDelaysOnlyItsRequestCountedAgainAfterAReconnect)
{
    SimFaults faults;
    faults.latencyMs = 5;
    faults.latencyAt = {{2, 300}};
    faults.disconnectAfter = 3;
    SimWire wire(withFaults(faults));
    const auto answeredAfter = [&wire](const std::string& request) {
        const std::int64_t start = wire.scheduler.nowMicros();
        EXPECT_EQ(wire.reply(request), "1OK\r\n") << request;
        return wire.lastArrival() - start;
    };
    EXPECT_EQ(answeredAfter("testcon"), 5000);
    EXPECT_EQ(answeredAfter("testcon"), 305000) << "on top of the latency for every request";
    EXPECT_EQ(answeredAfter("testcon"), 5000);
    wire.ask("testcon");
    ASSERT_FALSE(wire.device->connected());
    wire.device->faults().disconnectAfter.reset();
    wire.device->reconnect();
    EXPECT_EQ(answeredAfter("testcon"), 5000);
    EXPECT_EQ(answeredAfter("testcon"), 305000);
}

TEST(SimFaults, pacingSendsOneByteEveryTenBitTimes)
{
    SimFaults faults;
    faults.paceBaud = 9600;
    SimWire wire(withFaults(faults));
    EXPECT_EQ(wire.ask("testcon"), "1OK\r");
    ASSERT_EQ(wire.pieces.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(wire.pieces[i].bytes.size(), 1u);
        EXPECT_NEAR(static_cast<double>(wire.pieces[i].micros), (i + 1) * 1e7 / 9600, 1.0);
    }
    // A message the device has to send while the line is busy waits for it.
    SimConfig io = withFaults(faults, 2002);
    SimWire busy(io);
    busy.device->receive("gethw\r");
    busy.scheduler.pumpOnce(); // the request is worked on; the reply starts
    ASSERT_TRUE(busy.device->triggerInputIo(2));
    busy.settle();
    EXPECT_EQ(busy.raw(), "LVXCS5-R2\rInputIO2\r");
    EXPECT_NEAR(static_cast<double>(busy.lastArrival()), 19 * 1e7 / 9600, 1.0);
}

TEST(SimFaults, chunksArriveSeparately)
{
    SimFaults faults;
    faults.chunkSize = 3;
    faults.chunkGapUs = 15000; // more than one 10 ms tick of the host between pieces
    SimWire wire(withFaults(faults));
    EXPECT_EQ(wire.ask("testcon"), "1OK\r");
    ASSERT_EQ(wire.pieces.size(), 2u);
    EXPECT_EQ(wire.pieces[0].bytes, "1OK");
    EXPECT_EQ(wire.pieces[1].bytes, "\r");
    EXPECT_EQ(wire.pieces[1].micros - wire.pieces[0].micros, 15000);
    ASSERT_EQ(wire.reply("capture711 1"), "OK\r\n");
    wire.ask("getrgbi1 1");
    EXPECT_EQ(wire.pieces.size(), 7u); // 21 bytes
}

TEST(SimFaults, noiseIsJunkTheJoinerDrops)
{
    SimFaults faults;
    faults.noiseBytes = 3;
    SimWire wire(withFaults(faults));
    ASSERT_EQ(wire.reply("capture711 1"), "OK\r\n");
    const std::string raw = wire.ask("getrgbi1 1");
    EXPECT_EQ(raw.size(), 21u + 3u);
    EXPECT_EQ(std::count_if(raw.begin(), raw.end(), [](char c) { return !printableByte(c) && c != '\r'; }), 3);
    EXPECT_EQ(joinReply(raw).size(), 22u) << "the value line and one line break";
}

TEST(SimFaults, errorOnAndSilentOnAffectOnlyTheirWord)
{
    SimFaults faults;
    faults.errorOn = {"getxy", "setusertime"};
    faults.silentOn = {"setintgain"};
    SimWire wire(withFaults(faults));
    ASSERT_EQ(wire.reply("capture711 1"), "OK\r\n");
    EXPECT_EQ(wire.reply("getxy1 1"), "ERROR\r\n");
    EXPECT_EQ(wire.reply("setusertime00250 1"), "ERROR\r\n");
    EXPECT_EQ(wire.device->model().board(1).userTime, 800) << "a refused request changes nothing";
    EXPECT_EQ(wire.ask("setintgain1200 1"), "");
    EXPECT_EQ(wire.device->model().sensor(1, 1).gain, 100) << "a silenced request is ignored";
    EXPECT_NE(wire.reply("getrgbi1 1"), "ERROR\r\n");
    EXPECT_EQ(wire.reply("getxyz"), "ERROR\r\n");

    // Faults can be switched between requests.
    wire.device->faults().errorOn.clear();
    EXPECT_NE(wire.reply("getxy1 1"), "ERROR\r\n");
}

TEST(SimFaults, multiLineRepliesReadFromTheSecondCharacterOfTheLastLine)
{
    SimFaults faults;
    faults.multiLine = true;
    SimWire wire(withFaults(faults));
    wire.device->model().setLed(1, 1, led(0, 255, 0, 50000));
    const std::string ok = wire.reply("capture711 1");
    EXPECT_EQ(ok, "capture711 1\r\nOK\r\n");
    const std::string reply = wire.reply("getrgbi1 1");
    EXPECT_EQ(std::count(reply.begin(), reply.end(), '\n'), 2);
    const std::string rgbi = lastLine(reply);
    EXPECT_EQ(intField(rgbi, 0, 3), 0);
    EXPECT_EQ(intField(rgbi, 5, 8), 2047);
    EXPECT_EQ(intField(rgbi, 15, 19), 50000);
    EXPECT_EQ(wire.reply("testcon"), "1OK\r\n") << "replies read from their start stay single lines";

    wire.device->faults().multiLineLead = "";
    EXPECT_EQ(intField(wire.value("getrgbi1 1"), 5, 8), 47) << "no lead: the host loses the first character";
}

TEST(SimFaults, otherLineEnds)
{
    SimConfig config;
    config.lineEnd = "\r\n";
    SimWire wire(config);
    EXPECT_EQ(wire.ask("testcon"), "1OK\r\n");
    EXPECT_EQ(wire.reply("testcon"), "1OK\r\n\r\n");
}

TEST(SimFaults, disconnectAfterRequests)
{
    SimFaults faults;
    faults.disconnectAfter = 2;
    SimWire wire(withFaults(faults));
    int vanished = 0;
    wire.device->setDisconnectedCallback([&vanished] { ++vanished; });
    EXPECT_EQ(wire.reply("gethw"), "LVXCS5-R2\r\n");
    EXPECT_EQ(wire.reply("testcon"), "1OK\r\n");
    EXPECT_EQ(wire.ask("getversion"), "");
    EXPECT_FALSE(wire.device->connected());
    EXPECT_EQ(vanished, 1);
    EXPECT_EQ(wire.ask("testcon"), "");
    EXPECT_EQ(vanished, 1);

    wire.device->reconnect();
    EXPECT_EQ(wire.reply("getversion"), "1007\r\n");
}

TEST(SimFaults, inputMessages)
{
    SimConfig config;
    config.firmware = 2002;
    config.inputEvents = {{2, 500}, {7, 800}};
    SimWire wire(config);
    wire.scheduler.advance(std::chrono::seconds(1));
    ASSERT_EQ(wire.pieces.size(), 2u);
    EXPECT_EQ(wire.pieces[0].micros, 500000);
    EXPECT_EQ(wire.pieces[0].bytes, "InputIO2\r") << "9 bytes: the host wants more than 8, the digit at 7";
    EXPECT_EQ(wire.pieces[1].bytes, "InputIO7\r");

    // During a capture the message goes out at once, ahead of the capture's "OK".
    wire.pieces.clear();
    wire.device->receive("capture111 1\r");
    wire.scheduler.advance(std::chrono::milliseconds(100));
    EXPECT_TRUE(wire.device->triggerInputIo(3));
    EXPECT_FALSE(wire.device->triggerInputIo(10));
    wire.settle();
    EXPECT_EQ(wire.raw(), "InputIO3\rOK\r");
}
