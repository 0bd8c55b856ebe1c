// The simulated device's replies byte for byte, its grammar, its capture times in virtual time,
// and how its LEDs behave over time.
#include "SimWire.h"
#include "sim/SimColour.h"
#include "sim/SimRequest.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <tuple>

using namespace lumivex;
using namespace lumivex::test;

namespace {

struct Step {
    const char* request;
    const char* reply; // the raw bytes sent back; '#' stands for any digit
    int afterMs = -1; // when the last byte arrives, from the request; -1: not checked
};

struct Script {
    const char* name;
    SimConfig config;
    std::vector<Step> steps;
    friend void PrintTo(const Script& script, std::ostream* out) { *out << script.name; }
};

// Green, white, an orange one beyond saturation and a dark one on sensors 1..4 of board 1.
const std::vector<SimLedSetting> kLeds {{1, 1, led(0, 255, 0, 50000)}, {1, 2, led(255, 255, 255, 30000)},
    {1, 3, led(255, 128, 0, 150000)}, {1, 4, led(90, 90, 90, 0)}};

bool matches(const std::string& text, const std::string& pattern)
{
    return text.size() == pattern.size() && std::equal(text.begin(), text.end(), pattern.begin(), [](char c, char p) {
        return p == '#' ? c >= '0' && c <= '9' : c == p;
    });
}

class SimScript : public ::testing::TestWithParam<Script> { };

TEST_P(SimScript, repliesAndTheirTimes)
{
    SimWire wire(GetParam().config);
    for (const Step& step : GetParam().steps) {
        const std::int64_t start = wire.scheduler.nowMicros();
        const std::string raw = wire.ask(step.request);
        EXPECT_PRED2(matches, raw, step.reply) << step.request;
        if (step.afterMs >= 0) {
            EXPECT_EQ(wire.lastArrival() - start, step.afterMs * 1000) << step.request;
        }
    }
}

// A one-byte line end: the value replies are one byte longer than their width, which is what
// the host's rule "more than n bytes" waits for.
// The configurations name only what differs from the defaults.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
const Script kScripts[] = {
    {"Firmware1004NarrowCountsSaturatedAndDark", {.firmware = 1004, .leds = kLeds},
        {{"getrgbi1 1", "000 000 000 00000\r"}, // no capture yet
            {"capture601 1", "OK\r", 10}, {"getrgbi1 1", "000 127 000 50000\r"}, // half of full scale, truncated
            {"capture303 1", "OK\r", 120}, {"getrgbi3 1", "255 128 000 99999\r"}, // saturated: full scale
            {"capture404 1", "OK\r", 60}, {"getrgbi4 1", "000 000 000 00000\r"}, {"gethsi4 1", "000.00 000 00000\r"},
            {"getxy4 1", "0.0000 0.0000\r"}, {"getctemp4 1", "00000.0\r"}, {"capture402 1", "OK\r"},
            {"getctemp2 1", "0650#.#\r"}, {"setdistance22.5 1", "ERROR\r"}}},
    {"Firmware1007WideCountsOffsetsGainDefaults", {.firmware = 1007, .leds = kLeds},
        {{"capture701 1", "OK\r"}, {"getrgbi1 1", "0000 2047 0000 50000\r"}, {"setxoffset2-0.5 1", "OK\r"},
            {"setyoffset2-.5 1", "OK\r"}, {"setdistance22.5 1", "OK\r"}, {"setintgain2200 1", "OK\r"},
            {"capture702 1", "OK\r"},
            {"getxy2 1", "-0.187 -0.171\r"}, // a negative value gives up a decimal, not its width
            {"getrgbi2 1", "2457 2457 2457 60000\r"}, // twice the gain, twice the intensity
            {"setdefault", "OK\r"}, {"capture702 1", "OK\r"}, {"getrgbi2 1", "1228 1228 1228 30000\r"},
            {"getxy2 1", "0.3127 0.3290\r"}, {"getxoffset2 1", "+0.0000\r"}, {"getyoffset2 1", "+0.0000\r"},
            {"getdistance2 1", "002.0\r"}, {"setoutput11", "ERROR\r"}}},
    {"Firmware2001HasNoDigitalOutputs", {.firmware = 2001}, {{"setoutput11", "ERROR\r"}}},
    {"Firmware2002DigitalOutputs", {.firmware = 2002}, {{"setoutput11", "OK\r"}, {"setoutput00", "OK\r"}}},
    // The all-sensor captures wait for the slowest sensor, each with its own code and board.
    {"CaptureTimes", {.boards = 2},
        {{"capture111 1", "OK\r", 600}, {"capture701 1", "OK\r", 2}, {"setusertime00250 1", "OK\r", 0},
            {"capture811 1", "OK\r", 250}, // code 8 takes the board's user time
            {"capturepwm031 1", "OK\r", 250 * 20}, // the last code's time, 5 x (factor + 1) runs
            {"setcaptime501 1", "OK\r", 0}, {"capturepwm031 1", "OK\r", 20 * 20},
            {"capture", "OK\r", 200}, // the other sensors keep code 2
            {"setcaptime113 1", "OK\r", 0}, {"setaverage02 1", "OK\r", 0}, {"capture", "OK\r", 600},
            {"capturepwm", "OK\r", 600 * 15}, {"setdefault", "OK\r", 0}, {"capturepwm", "OK\r", 200 * 5},
            {"setaverage03 2", "OK\r"}, {"capturepwm", "OK\r", 200 * 20}, // board 2 averages 20 runs, board 1 5
            {"setusertime01000 2", "OK\r"}, {"setcaptime801 1", "OK\r"},
            {"capture", "OK\r", 800}, // board 1's user time, back to its default
            {"setcaptime805 2", "OK\r"}, {"capture", "OK\r", 1000}, {"getusertime 2", "01000\r"},
            {"getusertime 1", "00800\r"}}},
    {"LatencyComesBeforeTheCaptureTime", {.faults = {.latencyMs = 35}},
        {{"testcon", "1OK\r", 35}, {"capture511 1", "OK\r", 35 + 20}}},
    {"ErrorOnAndSilentOnTouchOnlyTheirWord",
        {.faults = {.errorOn = {"getxy", "setusertime"}, .silentOn = {"setintgain"}}},
        {{"capture711 1", "OK\r"}, {"getxy1 1", "ERROR\r"}, {"setusertime00250 1", "ERROR\r"},
            {"getusertime 1", "00800\r"}, // a refused request changes nothing
            {"setintgain1200 1", ""}, {"capture711 1", "OK\r"},
            {"getintensity1 1", "42000\r"}, // a silenced request is ignored
            {"getxyz", "ERROR\r"}}},
    {"MultiLineEchoesAndLeadsTheValue", {.leds = kLeds, .faults = {.multiLine = true}},
        {{"capture711 1", "capture711 1\rOK\r"}, {"getrgbi1 1", "getrgbi1 1\r 0000 2047 0000 50000\r"},
            {"testcon", "1OK\r"}}}, // replies read from their start stay single lines
    {"MultiLineWithoutLead", {.leds = kLeds, .faults = {.multiLine = true, .multiLineLead = ""}},
        {{"capture711 1", "capture711 1\rOK\r"}, {"getintensity1 1", "getintensity1 1\r50000\r"}}},
    {"LongIdentityAndCrLf", {.longIdentity = true, .lineEnd = "\r\n"},
        {{"getserial", "getserial\r1042\r\n"}, {"getversion", "getversion\r1007\r\n"}, {"gethw", "LVXCS5-R2\r\n"},
            {"testcon", "1OK\r\n"}, {"getusertime 1", "00800\r\n"}}},
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

INSTANTIATE_TEST_SUITE_P(Sim, SimScript, ::testing::ValuesIn(kScripts),
    [](const ::testing::TestParamInfo<Script>& p) { return std::string(p.param.name); });

} // namespace

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
        EXPECT_TRUE(!reply.empty() && reply != "ERROR\r\n") << request;
    }
    EXPECT_EQ(simCommandWord("capturepwm052 1"), "capturepwm");
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
    const auto& model = wire.device->model();
    EXPECT_EQ(std::tie(model.board(1).userTime, model.sensor(1, 1).gain, model.sensor(1, 1).captures),
        std::make_tuple(800, 100, 0));

    EXPECT_EQ(wire.reply(std::string(501, 'a')), "ERROR\r\n") << "longer than the device's 500 characters";
    EXPECT_EQ(wire.reply("testcon"), "1OK\r\n") << "the line after an overlong one is read normally";
}

TEST(SimTiming, requestsWaitTheirTurnAndReadTheLatestCapture)
{
    SimWire wire(configWith(1007, {{1, 1, led(255, 255, 255, 10000)}}));
    ASSERT_EQ(wire.reply("capture611 1"), "OK\r\n");
    wire.device->model().setLed(1, 1, led(255, 255, 255, 20000));
    // Written in one go: the read waits for the capture and sees its values; line feeds and empty
    // lines are no requests.
    wire.pieces.clear();
    wire.device->receive("capture111 1\r\n\r\r\ngetintensity1 1\r\n");
    wire.settle();
    EXPECT_EQ(wire.raw(), "OK\r20000\r");
    EXPECT_EQ(wire.device->requestCount(), 3);
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
    // Switched on ten minutes after the clock started: drift and flicker count from then.
    SimWire wire;
    wire.scheduler.advance(std::chrono::minutes(10));
    wire.device
        = std::make_unique<SimulatedDevice>(wire.scheduler, configWith(1007, {{1, 1, drifting}, {1, 2, flickering}}));
    wire.device->setSink([&wire](std::string_view bytes) {
        wire.pieces.push_back({wire.scheduler.nowMicros(), std::string(bytes)});
    });

    const auto intensityAfter = [&wire](const std::string& capture, int sensor) {
        EXPECT_EQ(wire.reply(capture), "OK\r\n");
        return intField(wire.value("getintensity" + std::to_string(sensor) + " 1"), 0, 4);
    };
    EXPECT_NEAR(intensityAfter("capture711 1", 1), 10000, 2) << "no drift yet at the start";
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
        for (int i = 0; i < 5; ++i)
            all += wire.reply("capture711 1") + wire.value("getrgbi1 1");
        return all;
    };
    EXPECT_EQ(readings(7), readings(7));
    EXPECT_NE(readings(7), readings(8));
}

TEST(SimLeds, invalidConfigurationIsRefused)
{
    // The rules themselves are checked with the options that break them (SimOptions).
    VirtualScheduler scheduler;
    SimConfig config;
    config.hardwareText = "short";
    EXPECT_THROW(SimulatedDevice(scheduler, config), std::invalid_argument);
}

TEST(SimColourMaths, standardValues)
{
    const SimXy red = simSrgbToXy(1, 0, 0);
    const std::pair<double, double> values[] = {{simHsiHue(1, 0, 0), 0.0}, {simHsiHue(0, 1, 0), 120.0},
        {simHsiHue(0, 0, 1), 240.0}, {simHsiHue(1, 0, 1), 300.0}, {simHsiHue(0.5, 0.5, 0.5), 0.0}, {red.x, 0.64},
        {red.y, 0.33}, {simMcCamyCct(0.4476, 0.4074) / 5000, 2857.0 / 5000} /* illuminant A, within 5 K */,
        {simMcCamyCct(0.3, 0.1858), 0.0}};
    for (const auto& [actual, expected] : values)
        EXPECT_NEAR(actual, expected, 0.001);
    EXPECT_EQ(
        (std::vector {simHsiSaturation(0.2, 0.6, 0.2), simHsiSaturation(0.5, 0.5, 0.5), simHsiSaturation(0, 0, 0)}),
        (std::vector {40, 0, 0}));
    // Counts keep the colour's proportions and saturate only at 99999.
    const SimReading r = simReadingFor(200, 100, 50, 99998, 4095);
    EXPECT_EQ((std::vector {r.red, r.green, r.blue, simReadingFor(200, 100, 50, 99999, 4095).red}),
        (std::vector {4094, 2047, 1023, 4095}));
}
