// The simulated device's replies byte for byte, its grammar, its capture times in virtual time,
// and how its LEDs behave over time; then how its bytes reach the line under its faults, and the
// in-process serial port they arrive at, in virtual time.
#include "SimWire.h"
#include "sim/SimColour.h"
#include "sim/SimRequest.h"
#include "sim/SimSerialBackend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <tuple>

using namespace lumivex;
using namespace lumivex::test;

// The configurations name only what differs from the defaults.
#if defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif

namespace {

struct Step {
    const char* request;
    const char* reply; // the raw bytes sent back
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

class SimScript : public ::testing::TestWithParam<Script> { };

TEST_P(SimScript, repliesAndTheirTimes)
{
    SimWire wire(GetParam().config);
    for (const Step& step : GetParam().steps) {
        const std::int64_t start = wire.scheduler.nowMicros();
        EXPECT_EQ(wire.ask(step.request), step.reply) << step.request;
        if (step.afterMs >= 0) {
            EXPECT_EQ(wire.lastArrival() - start, step.afterMs * 1000) << step.request;
        }
    }
}

// A one-byte line end: the value replies are one byte longer than their width, which is what
// the host's rule "more than n bytes" waits for.
const Script kScripts[] = {
    {"Firmware1004NarrowCountsSaturatedAndDark", {.firmware = 1004, .leds = kLeds},
        {{"getrgbi1 1", "000 000 000 00000\r"}, // no capture yet
            {"capture601 1", "OK\r", 10}, {"getrgbi1 1", "000 127 000 50000\r"}, // half of full scale, truncated
            {"capture303 1", "OK\r", 120}, {"getrgbi3 1", "255 128 000 99999\r"}, // saturated: full scale
            {"capture404 1", "OK\r", 60}, {"getrgbi4 1", "000 000 000 00000\r"}, {"gethsi4 1", "000.00 000 00000\r"},
            {"getxy4 1", "0.0000 0.0000\r"}, {"getctemp4 1", "00000.0\r"}, {"capture402 1", "OK\r"},
            {"getctemp2 1", "06504.2\r"} /* D65 white */, {"setdistance22.5 1", "ERROR\r"}}},
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

INSTANTIATE_TEST_SUITE_P(Sim, SimScript, ::testing::ValuesIn(kScripts),
    [](const ::testing::TestParamInfo<Script>& p) { return std::string(p.param.name); });

struct Bench {
    explicit Bench(SimConfig config = {}, SimPortConfig ports = {})
        : device(scheduler, std::move(config)), port(scheduler, device, std::move(ports))
    {
        port.setBytesArrivedCallback([this] { ++arrivals; });
    }

    bool send(const std::string& text) { return port.write(text.data(), text.size()); }
    std::string readAll()
    {
        std::string out(port.bytesQueued(), '\0');
        out.resize(port.read(out.data(), out.size()));
        return out;
    }
    void runFor(int ms) { scheduler.advance(std::chrono::milliseconds(ms)); }

    VirtualScheduler scheduler;
    SimulatedDevice device;
    SimSerialBackend port;
    int arrivals = 0;
};

} // namespace

TEST(SimGrammar, wellFormedRequestsOfEveryShapeAreTaken)
{
    SimWire wire(SimConfig {.boards = 12});
    for (const char* request : {"testcon", "gethw", "getserial", "getversion", "setdefault", "capture", "capturepwm",
             "capture411 1", "capture815 12", "capturepwm152 3", "setcaptime701 1", "setusertime20000 2",
             "setusertime00007 2", "getusertime 12", "setaverage15 1", "setintgain5500 1", "setxoffset2+0.0125 1",
             "setyoffset2-.5 1", "setdistance310 1", "setdistance3.5 1", "getrgbi5 3", "gethsi1 1", "getxy1 1",
             "getctemp1 1", "getxoffset1 1", "getyoffset1 1", "getdistance1 1", "getintensity1 1"}) {
        const std::string reply = wire.reply(request);
        EXPECT_TRUE(!reply.empty() && reply != "ERROR\r\n") << request;
    }
}

TEST(SimGrammar, malformedRequestsAndABadConfigurationAreRefusedAndChangeNothing)
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

    // A configuration the device cannot be is refused; its rules are checked with the options.
    EXPECT_THROW(SimulatedDevice(wire.scheduler, {.hardwareText = "short"}), std::invalid_argument);
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
    ASSERT_EQ(wire.pieces.size(), 2u);
    EXPECT_TRUE(wire.device->requestCount() == 3 && wire.pieces[1].micros == wire.pieces[0].micros);
}

TEST(SimLeds, driftAndFlickerFollowTimeAndPwmAveragingSmoothsFlicker)
{
    SimLed drifting = led(255, 255, 255, 10000), flickering = drifting;
    drifting.driftPercentPerMinute = 60.0;
    std::tie(flickering.flickerPercent, flickering.flickerPeriodMs) = std::make_tuple(50.0, 1000);
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

    std::vector<int> single;
    for (int i = 0; i < 10; ++i, wire.scheduler.advance(std::chrono::milliseconds(97)))
        single.push_back(intensityAfter("capture712 1", 2));
    const auto [lowest, highest] = std::minmax_element(single.begin(), single.end());
    EXPECT_GT(*highest - *lowest, 5000) << "single captures catch the flicker";
    ASSERT_EQ(wire.reply("setcaptime202 1"), "OK\r\n");
    EXPECT_NEAR(intensityAfter("capturepwm152 1", 2), 10000, 150) << "80 runs over 16 periods average it out";
}

TEST(SimLeds, jitterIsSeeded)
{
    const auto readings = [](std::uint32_t seed) {
        SimWire wire({.seed = seed, .jitterPercent = 5.0, .leds = {{1, 1, led(255, 255, 255, 10000)}}});
        std::string all;
        for (int i = 0; i < 5; ++i)
            all += wire.reply("capture711 1") + wire.value("getrgbi1 1");
        return all;
    };
    EXPECT_EQ(readings(7), readings(7));
    EXPECT_NE(readings(7), readings(8));
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

// What has arrived stays until it is read, purged, or the port closes; a full queue loses the rest.
TEST(SimBackend, repliesArriveAsEventsNeverInsideTheWrite)
{
    Bench b;
    EXPECT_FALSE(b.send("gethw\r")) << "closed";
    ASSERT_TRUE(b.port.open(SimSerialBackend::kPortName));
    EXPECT_TRUE(b.port.applyLineSettings({9600}) && b.port.lineSettings().baudRate == 9600);
    ASSERT_TRUE(b.send("gethw\r"));
    EXPECT_TRUE(b.port.bytesQueued() == 0 && b.arrivals == 0);
    b.runFor(1);
    EXPECT_EQ(b.arrivals, 1);
    char buffer[4];
    EXPECT_TRUE(b.port.read(buffer, sizeof buffer) == 4 && std::string(buffer, 4) == "LVXC");
    EXPECT_EQ(b.readAll(), "S5-R2\r");
    EXPECT_EQ(b.port.takeErrors(), 0u);

    b.send("testcon\r");
    b.runFor(1);
    EXPECT_TRUE(b.port.purge(SimSerialBackend::PurgeRxAbort | SimSerialBackend::PurgeRxClear) && !b.port.bytesQueued());
    b.send("capture111 1\r"); // "OK" after 600 ms, while the port is closed
    EXPECT_TRUE(b.port.close() && !b.port.close()) << "closed once";
    b.runFor(700);
    ASSERT_TRUE(b.port.open("SIM"));
    EXPECT_EQ(b.port.bytesQueued(), 0u);

    ASSERT_TRUE(b.port.setQueueSizes(4, 4));
    b.send("getversion\r");
    b.runFor(1);
    EXPECT_EQ(b.readAll(), "1007");
    EXPECT_EQ((std::vector {b.port.takeErrors(), b.port.takeErrors()}),
        (std::vector<std::uint32_t> {SimSerialBackend::CeRxOver, 0}))
        << "reported once";
}

// The search through these ports is checked with the main window's engine (SequencerConnection).
TEST(SimBackend, theDevicesPortSitsAmongSilentOnes)
{
    Bench b({}, {"SIM", {"COM1", "COM8"}, 1});
    EXPECT_EQ(b.port.availablePorts(), (std::vector<std::string> {"COM1", "SIM", "COM8"}));
    ASSERT_TRUE(b.port.open("COM1"));
    b.send("gethw\r");
    b.runFor(510);
    EXPECT_EQ(b.port.bytesQueued(), 0u);
    EXPECT_EQ(b.port.silentWritten(), "gethw\r");
    EXPECT_FALSE(b.port.open("COM9") || b.port.isOpen()) << "not a port of this machine";
    for (const auto& [name, valid] :
        {std::pair {"SIM", true}, {"COM12", true}, {"COM", false}, {"/dev/ttyUSB0", false}, {"Auto", false}})
        EXPECT_EQ(b.port.isPortName(name), valid) << name;
}

TEST(SimBackend, aVanishedDeviceHangsUpThePortOnceAndCannotBeOpened)
{
    Bench b({.faults = {.disconnectAfter = 1}});
    ASSERT_TRUE(b.port.open("SIM"));
    ASSERT_TRUE(b.send("gethw\r"));
    b.runFor(1);
    EXPECT_EQ(b.arrivals, 1);
    EXPECT_TRUE(b.send("testcon\r")) << "the request left the port; nobody is there to answer it";
    EXPECT_TRUE(b.port.hungUp() && !b.port.isOpen());
    EXPECT_EQ(b.arrivals, 1) << "not told from inside the write";
    b.runFor(1);
    EXPECT_EQ(b.arrivals, 2) << "told from the event loop";
    b.runFor(100);
    EXPECT_EQ(b.arrivals, 2) << "told once";
    EXPECT_EQ((std::vector {b.port.takeErrors(), b.port.takeErrors()}),
        (std::vector<std::uint32_t> {SimSerialBackend::CeIoe, 0}))
        << "reported once";
    EXPECT_EQ(b.port.bytesQueued(), 10u) << "the reply that had arrived is not lost";
    EXPECT_FALSE(b.send("testcon\r") || b.port.open("SIM"));

    b.device.reconnect();
    EXPECT_TRUE(b.port.open("SIM") && !b.port.hungUp());
    EXPECT_EQ(b.port.bytesQueued(), 0u);
}

TEST(SimFaults, pacingSendsOneByteEveryTenBitTimes)
{
    SimConfig config {.faults = {.paceBaud = 9600}};
    SimWire wire(config);
    EXPECT_EQ(wire.ask("testcon"), "1OK\r");
    ASSERT_EQ(wire.pieces.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_TRUE(wire.pieces[i].bytes.size() == 1 && std::abs(wire.pieces[i].micros - (i + 1) * 1e7 / 9600) <= 1)
            << i;
    // A message the device has to send while the line is busy waits for it.
    config.firmware = 2002;
    SimWire busy(config);
    busy.device->receive("gethw\r");
    busy.scheduler.pumpOnce(); // the request is worked on; the reply starts
    ASSERT_TRUE(busy.device->triggerInputIo(2));
    busy.settle();
    EXPECT_EQ(busy.raw(), "LVXCS5-R2\rInputIO2\r");
    EXPECT_NEAR(static_cast<double>(busy.lastArrival()), 19 * 1e7 / 9600, 1.0);
}

TEST(SimFaults, chunksArriveSeparately)
{
    // More than one 10 ms tick of the host between pieces.
    SimWire wire(SimConfig {.faults = {.chunkSize = 3, .chunkGapUs = 15000}});
    EXPECT_EQ(wire.ask("testcon"), "1OK\r");
    ASSERT_EQ(wire.pieces.size(), 2u);
    EXPECT_EQ(std::tie(wire.pieces[0].bytes, wire.pieces[1].bytes, wire.pieces[1].micros),
        std::make_tuple("1OK", "\r", wire.pieces[0].micros + 15000));
    ASSERT_EQ(wire.reply("capture711 1"), "OK\r\n");
    wire.ask("getrgbi1 1");
    EXPECT_EQ(wire.pieces.size(), 7u); // 21 bytes
}

TEST(SimFaults, noiseIsJunkTheJoinerDrops)
{
    SimWire wire(SimConfig {.faults = {.noiseBytes = 3}});
    ASSERT_EQ(wire.reply("capture711 1"), "OK\r\n");
    const std::string raw = wire.ask("getrgbi1 1");
    EXPECT_EQ(std::count_if(raw.begin(), raw.end(), [](char c) { return !printableByte(c) && c != '\r'; }), 3);
    EXPECT_EQ(std::make_pair(raw.size(), joinReply(raw).size()), std::make_pair(std::size_t {21 + 3}, std::size_t {22}))
        << "three junk bytes more; joined: the value line and one line break";
}

TEST(SimFaults, aOneOffLatencyAndTheDisconnectCountRequestsAgainAfterAReconnect)
{
    SimWire wire(SimConfig {.faults = {.latencyMs = 5, .latencyAt = {{2, 300}}, .disconnectAfter = 3}});
    int vanished = 0;
    wire.device->setDisconnectedCallback([&vanished] { ++vanished; });
    const auto answeredAfter = [&wire](const std::string& request) {
        const std::int64_t start = wire.scheduler.nowMicros();
        EXPECT_EQ(wire.ask(request), "1OK\r") << request;
        return wire.lastArrival() - start;
    };
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round == 1 ? "from the start" : "after a reconnect");
        // The one-off latency comes on top of the latency for every request.
        EXPECT_EQ((std::vector {answeredAfter("testcon"), answeredAfter("testcon"), answeredAfter("testcon")}),
            (std::vector<std::int64_t> {5000, 305000, 5000}));
        EXPECT_EQ(wire.ask("getversion") + wire.ask("testcon"), "");
        EXPECT_FALSE(wire.device->connected());
        EXPECT_EQ(vanished, round) << "vanishes once";
        wire.device->reconnect();
    }
}

TEST(SimDigitalIo, inputMessagesAndOutputsFromFirmware2002)
{
    SimWire wire(SimConfig {.firmware = 2002, .inputEvents = {{2, 500}, {7, 800}}});
    wire.scheduler.advance(std::chrono::seconds(1));
    ASSERT_EQ(wire.pieces.size(), 2u);
    // 9 bytes: the host wants more than 8, the digit at 7.
    EXPECT_EQ(std::tie(wire.pieces[0].micros, wire.pieces[0].bytes, wire.pieces[1].bytes),
        std::make_tuple(500000, "InputIO2\r", "InputIO7\r"));

    // During a capture the message goes out at once, ahead of the capture's "OK".
    wire.pieces.clear();
    wire.device->receive("capture111 1\r");
    wire.scheduler.advance(std::chrono::milliseconds(100));
    EXPECT_TRUE(wire.device->triggerInputIo(3) && !wire.device->triggerInputIo(10));
    wire.settle();
    EXPECT_EQ(wire.raw(), "InputIO3\rOK\r");

    wire.reply("setoutput11");
    EXPECT_TRUE(wire.device->model().output(1) && !wire.device->model().output(0));
    EXPECT_FALSE(wire.device->triggerInputIo(-1) || SimWire(configWith(2001)).device->triggerInputIo(2))
        << "no digit -1, no input messages below 2002";
}
