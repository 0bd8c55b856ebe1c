// Every request of the command set, answered in the layout of the firmware in use, read back
// with the host's fixed positions and completion rules.
#include "SimWire.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace lumivex;
using namespace lumivex::test;

namespace {

// A green LED on sensor 1, a white one on sensor 2, a 200/100/50 one on sensor 3.
SimWire wireFor(int firmware, int boards = 1)
{
    SimConfig config = configWith(
        firmware, {{1, 1, led(0, 255, 0, 50000)}, {1, 2, led(255, 255, 255, 30000)}, {1, 3, led(200, 100, 50, 50000)}});
    config.boards = boards;
    return SimWire(config);
}

class EveryFirmware : public ::testing::TestWithParam<int> { };

} // namespace

TEST_P(EveryFirmware, identityRepliesFitTheShortLayoutAndUserTimeIsKeptPerBoard)
{
    // What the identity replies say is held against the program's decoders, short and long, in
    // SimulatorCrossCheckTest; here only the widths the host tells short from long by.
    SimWire wire = wireFor(GetParam(), 3);
    EXPECT_GT(wire.ask("gethw").size(), 7u);
    EXPECT_LE(wire.reply("getserial").size(), 15u);
    EXPECT_LE(wire.reply("getversion").size(), 16u);

    EXPECT_EQ(wire.reply("setusertime00250 2"), "OK\r\n");
    EXPECT_EQ(intField(wire.reply("getusertime 2"), 0, 4), 250);
    EXPECT_EQ(intField(wire.reply("getusertime 1"), 0, 4), 800);
}

TEST_P(EveryFirmware, colourReadsHaveTheirWidthsAndCompleteOnTheLineEnd)
{
    const int firmware = GetParam();
    SimWire wire = wireFor(firmware);
    const int fullScale = firmware >= 1007 ? 4095 : 255;
    ASSERT_EQ(wire.reply("capture111 1"), "OK\r\n");

    const std::string raw = wire.ask("getrgbi1 1");
    const std::string rgbi = lastLine(joinReply(raw));
    if (firmware >= 1007) {
        EXPECT_EQ(raw.size(), 21u) << "more than 20 bytes, and only with the line end";
        EXPECT_EQ(intField(rgbi, 0, 3), 0);
        EXPECT_EQ(intField(rgbi, 5, 8), fullScale / 2);
        EXPECT_EQ(intField(rgbi, 10, 13), 0);
        EXPECT_EQ(intField(rgbi, 15, 19), 50000);
    } else {
        EXPECT_EQ(raw.size(), 18u) << "more than 17 bytes, and only with the line end";
        EXPECT_EQ(intField(rgbi, 0, 2), 0);
        EXPECT_EQ(intField(rgbi, 4, 6), fullScale / 2);
        EXPECT_EQ(intField(rgbi, 8, 10), 0);
        EXPECT_EQ(intField(rgbi, 12, 16), 50000);
    }

    const std::string hsiRaw = wire.ask("gethsi1 1");
    EXPECT_GE(hsiRaw.size(), 15u);
    const std::string hsi = lastLine(joinReply(hsiRaw));
    EXPECT_DOUBLE_EQ(decimalField(hsi, 0, 5), 120.0);
    EXPECT_EQ(intField(hsi, 7, 9), 100);
    EXPECT_EQ(intField(hsi, 11, 15), 50000);

    EXPECT_EQ(wire.reply("capture111 1"), "OK\r\n"); // sensor 2 is white, never captured yet
    EXPECT_EQ(wire.value("getrgbi2 1").substr(0, 3), "000") << "no capture yet: zeros";
    ASSERT_EQ(wire.reply("capture402 1"), "OK\r\n");
    const std::string xyRaw = wire.ask("getxy2 1");
    EXPECT_EQ(xyRaw.size(), 14u) << "more than 13 bytes";
    const std::string xy = lastLine(joinReply(xyRaw));
    EXPECT_NEAR(decimalField(xy, 0, 5), 0.3127, 0.0005); // D65 white
    EXPECT_NEAR(decimalField(xy, 7, 12), 0.3290, 0.0005);

    EXPECT_EQ(intField(wire.value("getintensity2 1"), 0, 4), 30000);
}

TEST_P(EveryFirmware, newerReadsExistFromTheirFirmwareOn)
{
    const int firmware = GetParam();
    SimWire wire = wireFor(firmware);
    ASSERT_EQ(wire.reply("capture402 1"), "OK\r\n");

    const std::string ctemp = wire.ask("getctemp2 1");
    if (firmware >= 1004) {
        EXPECT_EQ(ctemp.size(), 8u) << "more than 7 bytes";
        EXPECT_NEAR(decimalField(lastLine(joinReply(ctemp)), 0, 6), 6504.0, 20.0) << "D65";
    } else {
        EXPECT_EQ(joinReply(ctemp), "ERROR\r\n");
    }

    EXPECT_EQ(wire.reply("setxoffset2+0.0125 1"), "OK\r\n") << "offsets can be set on every firmware";
    const std::string distance = wire.reply("setdistance22.5 1");
    if (firmware < 1007) {
        EXPECT_EQ(distance, "ERROR\r\n");
        EXPECT_EQ(wire.reply("getxoffset2 1"), "ERROR\r\n");
        return;
    }
    EXPECT_EQ(distance, "OK\r\n");
    const std::string x = wire.ask("getxoffset2 1");
    EXPECT_EQ(x.size(), 8u);
    EXPECT_EQ(field(joinReply(x), 0, 6), "+0.0125") << "the sign has a place of its own";
    const std::string d = wire.ask("getdistance2 1");
    EXPECT_EQ(d.size(), 6u) << "more than 5 bytes";
    EXPECT_DOUBLE_EQ(decimalField(joinReply(d), 0, 4), 2.5);
}

TEST_P(EveryFirmware, digitalOutputsArriveWithFirmware2002)
{
    const int firmware = GetParam();
    SimWire wire = wireFor(firmware);
    const std::string reply = wire.reply("setoutput11");
    EXPECT_EQ(reply, firmware >= 2002 ? "OK\r\n" : "ERROR\r\n");
    EXPECT_EQ(wire.device->model().output(1), firmware >= 2002);
    EXPECT_EQ(wire.device->triggerInputIo(2), firmware >= 2002);
}

INSTANTIATE_TEST_SUITE_P(Sim, EveryFirmware, ::testing::Values(1003, 1006, 1007, 2002));

TEST(SimLayout, saturatedAndDarkLedsAndGain)
{
    SimWire wire(configWith(1006, {{1, 1, led(255, 128, 0, 150000)}, {1, 2, led(90, 90, 90, 0)}}));
    ASSERT_EQ(wire.reply("capture611 1"), "OK\r\n");
    const std::string bright = wire.value("getrgbi1 1");
    EXPECT_EQ(field(bright, 0, 2), "255") << "beyond saturation shows as full scale";
    EXPECT_EQ(intField(bright, 12, 16), 99999);

    ASSERT_EQ(wire.reply("capture612 1"), "OK\r\n");
    EXPECT_EQ(wire.value("getrgbi2 1"), "000 000 000 00000\r\n");
    EXPECT_EQ(wire.value("gethsi2 1"), "000.00 000 00000\r\n");
    EXPECT_EQ(wire.value("getxy2 1"), "0.0000 0.0000\r\n");
    EXPECT_EQ(wire.value("getctemp2 1"), "00000.0\r\n");

    // Twice the gain, twice the intensity; the default comes back with "setdefault".
    SimWire lit(configWith(1007, {{1, 1, led(255, 255, 255, 20000)}}));
    ASSERT_EQ(lit.reply("setintgain1200 1"), "OK\r\n");
    ASSERT_EQ(lit.reply("capture611 1"), "OK\r\n");
    EXPECT_EQ(intField(lit.value("getrgbi1 1"), 15, 19), 40000);
    ASSERT_EQ(lit.reply("setdefault"), "OK\r\n");
    ASSERT_EQ(lit.reply("capture611 1"), "OK\r\n");
    EXPECT_EQ(intField(lit.value("getrgbi1 1"), 15, 19), 20000);
}

TEST(SimLayout, negativeChromaticityKeepsItsWidth)
{
    SimWire wire(configWith(1007, {{1, 1, led(255, 255, 255, 30000)}}));
    ASSERT_EQ(wire.reply("setxoffset1-0.5000 1"), "OK\r\n");
    ASSERT_EQ(wire.reply("capture611 1"), "OK\r\n");
    const std::string xy = wire.value("getxy1 1");
    EXPECT_EQ(xy.size(), 15u);
    EXPECT_NEAR(decimalField(xy, 0, 5), 0.3127 - 0.5, 0.001);
    EXPECT_NEAR(decimalField(xy, 7, 12), 0.3290, 0.0005);
}
