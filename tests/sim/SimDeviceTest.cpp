// The device's grammar, its capture times in virtual time, and how its LEDs behave over time.
#include "SimWire.h"
#include "sim/SimColour.h"
#include "sim/SimRequest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

using namespace lumivex;
using namespace lumivex::test;

TEST(SimGrammar, wellFormedRequestsOfEveryShapeAreTaken)
{
    SimConfig config;
    config.boards = 12;
    SimWire wire(config);
    for (const char* request : {"testcon", "gethw", "getserial", "getversion", "setdefault", "capture", "capturepwm",
             "capture411 1", "capture815 12", "capturepwm152 3", "setcaptime701 1", "setusertime20000 2",
             "setusertime00007 2", "getusertime 12", "setaverage15 1", "setintgain5500 1", "setxoffset2+0.0125 1",
             "setyoffset2-.5 1", "setdistance310 1", "setdistance3.5 1", "getrgbi5 3", "gethsi1 1", "getxy1 1",
             "getctemp1 1", "getxoffset1 1", "getyoffset1 1", "getdistance1 1", "getintensity1 1"}) {
        const std::string reply = wire.reply(request);
        EXPECT_NE(reply, "ERROR\r\n") << request;
        EXPECT_FALSE(reply.empty()) << request;
    }
}

TEST(SimGrammar, malformedRequestsAreRefusedAndChangeNothing)
{
    SimWire wire; // one board
    for (const char* request : {"getrgbi6 1", "getrgbi0 1", "getrgbi1 2", "getrgbi1 0", "getrgbi1 01", "getrgbi1  1",
             "getrgbi1 1 ", "getrgbi11", "getrgbi 1", "GETHW", "gethw ", "testcon1", "xyz", "1", "capture001 1",
             "capture911 1", "capture121 1", "capture41 1", "capturepwm161 1", "capturepwm5 1", "setusertime250 1",
             "setusertime00000 1", "setusertime002500 1", "setaverage16 1", "setaverage5 1", "setintgain1000 1",
             "setintgain1501 1", "setintgain150 1", "setxoffset20.0125 1", "setxoffset2+1.5 1", "setxoffset2+0.01.2 1",
             "setxoffset2+ 1", "setxoffset2++0.1 1", "setdistance1-.- 1", "setdistance1 1", "setdistance11000 1",
             "getusertime1", "getusertime 0", "setoutput21", "setoutput1", "setoutput111"}) {
        EXPECT_EQ(wire.reply(request), "ERROR\r\n") << request;
    }
    EXPECT_EQ(wire.device->model().board(1).userTime, 800);
    EXPECT_EQ(wire.device->model().sensor(1, 1).gain, 100);
    EXPECT_EQ(wire.device->model().sensor(1, 1).captures, 0);

    EXPECT_EQ(wire.reply(std::string(501, 'a')), "ERROR\r\n") << "longer than the device's 500 characters";
    EXPECT_EQ(wire.reply("testcon"), "1OK\r\n") << "the line after an overlong one is read normally";
}

TEST(SimGrammar, lineFeedsAndEmptyLinesAreNoRequests)
{
    SimWire wire;
    wire.device->receive("gethw\r\n\r\r\ntestcon\r\n");
    wire.settle();
    EXPECT_EQ(wire.raw(), "LVXCS5-R2\r1OK\r");
    EXPECT_EQ(wire.device->requestCount(), 2);
    EXPECT_EQ(simCommandWord("capturepwm052 1"), "capturepwm");
    EXPECT_TRUE(isSimCommandWord("getintensity"));
    EXPECT_FALSE(isSimCommandWord("getrgb"));
}

TEST(SimTiming, aCaptureAnswersAfterItsCaptureTime)
{
    SimWire wire;
    const auto okAfterMs = [&wire](const std::string& request) {
        const std::int64_t start = wire.scheduler.nowMicros();
        EXPECT_EQ(wire.reply(request), "OK\r\n") << request;
        return (wire.lastArrival() - start) / 1000;
    };
    EXPECT_EQ(okAfterMs("capture111 1"), 600);
    EXPECT_EQ(okAfterMs("capture701 1"), 2);
    EXPECT_EQ(okAfterMs("setusertime00250 1"), 0);
    EXPECT_EQ(okAfterMs("capture811 1"), 250) << "code 8 takes the board's user time";
    // PWM: the sensor's capture time (here its last capture's code 8) for 5 x (factor + 1) runs.
    EXPECT_EQ(okAfterMs("capturepwm031 1"), 250 * 20);
    EXPECT_EQ(okAfterMs("setcaptime501 1"), 0);
    EXPECT_EQ(okAfterMs("capturepwm031 1"), 400) << "(3 + 1) x 5 x 20 ms";
    // The all-sensor captures wait for the slowest sensor, each with its own code.
    EXPECT_EQ(okAfterMs("capture"), 200) << "sensors 2..5 keep the default code 2";
    EXPECT_EQ(okAfterMs("setcaptime113 1"), 0);
    EXPECT_EQ(okAfterMs("setaverage02 1"), 0);
    EXPECT_EQ(okAfterMs("capture"), 600);
    EXPECT_EQ(okAfterMs("capturepwm"), 600 * 15);
    EXPECT_EQ(okAfterMs("setdefault"), 0);
    EXPECT_EQ(okAfterMs("capturepwm"), 200 * 5);
}

TEST(SimTiming, allSensorCapturesWaitForTheSlowestBoard)
{
    SimConfig config = configWith(1007);
    config.boards = 2;
    SimWire wire(config);
    const auto okAfterMs = [&wire](const std::string& request) {
        const std::int64_t start = wire.scheduler.nowMicros();
        EXPECT_EQ(wire.reply(request), "OK\r\n") << request;
        return (wire.lastArrival() - start) / 1000;
    };
    EXPECT_EQ(okAfterMs("setaverage03 2"), 0);
    EXPECT_EQ(okAfterMs("capturepwm"), 20 * 200) << "board 2 averages 20 runs, board 1 only 5";
    EXPECT_EQ(okAfterMs("setusertime01000 2"), 0);
    EXPECT_EQ(okAfterMs("setcaptime801 1"), 0);
    EXPECT_EQ(okAfterMs("capture"), 800) << "code 8 on board 1 takes board 1's user time";
    EXPECT_EQ(okAfterMs("setcaptime805 2"), 0);
    EXPECT_EQ(okAfterMs("capture"), 1000);
}

TEST(SimTiming, requestsWaitTheirTurnAndReadTheLatestCapture)
{
    SimWire wire(configWith(1007, {{1, 1, led(255, 255, 255, 10000)}}));
    ASSERT_EQ(wire.reply("capture611 1"), "OK\r\n");
    wire.device->model().setLed(1, 1, led(255, 255, 255, 20000));
    // Written in one go: the read waits for the capture and sees its values.
    wire.pieces.clear();
    wire.device->receive("capture111 1\rgetintensity1 1\r");
    wire.settle();
    EXPECT_EQ(wire.raw(), "OK\r20000\r");
    ASSERT_EQ(wire.pieces.size(), 2u);
    EXPECT_EQ(wire.pieces[1].micros, wire.pieces[0].micros);
}

TEST(SimLeds, driftAndFlickerFollowTimeAndPwmAveragingSmoothsFlicker)
{
    SimLed drifting = led(255, 255, 255, 10000);
    drifting.driftPercentPerMinute = 60.0;
    SimLed flickering = led(255, 255, 255, 10000);
    flickering.flickerPercent = 50.0;
    flickering.flickerPeriodMs = 1000;
    SimWire wire(configWith(1007, {{1, 1, drifting}, {1, 2, flickering}}));

    const auto intensityAfter = [&wire](const std::string& capture, int sensor) {
        EXPECT_EQ(wire.reply(capture), "OK\r\n");
        return intField(wire.value("getintensity" + std::to_string(sensor) + " 1"), 0, 4);
    };
    EXPECT_NEAR(intensityAfter("capture711 1", 1), 10000, 2);
    wire.scheduler.advance(std::chrono::seconds(60));
    EXPECT_NEAR(intensityAfter("capture711 1", 1), 16000, 5) << "60 % more after one minute";

    int lowest = 99999, highest = 0;
    for (int i = 0; i < 10; ++i) {
        const int v = intensityAfter("capture712 1", 2);
        lowest = std::min(lowest, v);
        highest = std::max(highest, v);
        wire.scheduler.advance(std::chrono::milliseconds(97));
    }
    EXPECT_GT(highest - lowest, 5000) << "single captures catch the flicker";
    ASSERT_EQ(wire.reply("setcaptime202 1"), "OK\r\n");
    EXPECT_NEAR(intensityAfter("capturepwm152 1", 2), 10000, 150) << "80 runs over 16 periods average it out";
}

TEST(SimLeds, jitterIsSeeded)
{
    const auto readings = [](std::uint32_t seed) {
        SimConfig config = configWith(1007, {{1, 1, led(255, 255, 255, 10000)}});
        config.jitterPercent = 5.0;
        config.seed = seed;
        SimWire wire(config);
        std::string all;
        for (int i = 0; i < 5; ++i) {
            wire.reply("capture711 1");
            all += wire.value("getrgbi1 1");
        }
        return all;
    };
    EXPECT_EQ(readings(7), readings(7));
    EXPECT_NE(readings(7), readings(8));
}

TEST(SimLeds, invalidConfigurationIsRefused)
{
    VirtualScheduler scheduler;
    SimConfig config;
    config.leds.push_back({2, 1, led(1, 2, 3, 4)}); // board 2 of one
    EXPECT_THROW(SimulatedDevice(scheduler, config), std::invalid_argument);
    config = {};
    config.hardwareText = "short";
    EXPECT_THROW(SimulatedDevice(scheduler, config), std::invalid_argument);
}

TEST(SimColourMaths, standardValues)
{
    EXPECT_DOUBLE_EQ(simHsiHue(1, 0, 0), 0.0);
    EXPECT_NEAR(simHsiHue(0, 1, 0), 120.0, 1e-9);
    EXPECT_NEAR(simHsiHue(0, 0, 1), 240.0, 1e-9);
    EXPECT_NEAR(simHsiHue(1, 0, 1), 300.0, 1e-9);
    EXPECT_DOUBLE_EQ(simHsiHue(0.5, 0.5, 0.5), 0.0);
    EXPECT_EQ(simHsiSaturation(1, 0, 0), 100);
    EXPECT_EQ(simHsiSaturation(0.5, 0.5, 0.5), 0);
    EXPECT_EQ(simHsiSaturation(0, 0, 0), 0);

    const SimXy red = simSrgbToXy(1, 0, 0);
    EXPECT_NEAR(red.x, 0.64, 0.001);
    EXPECT_NEAR(red.y, 0.33, 0.001);
    EXPECT_NEAR(simMcCamyCct(0.4476, 0.4074), 2857.0, 5.0); // illuminant A
    EXPECT_EQ(simMcCamyCct(0.3, 0.1858), 0.0);

    // Counts keep the colour's proportions and saturate only at 99999.
    const SimReading r = simReadingFor(200, 100, 50, 99998, 4095);
    EXPECT_EQ(r.red, 4094);
    EXPECT_EQ(r.green, 2047);
    EXPECT_EQ(r.blue, 1023);
    EXPECT_EQ(simReadingFor(200, 100, 50, 99999, 4095).red, 4095);
}
