// How the device's bytes reach the line under its faults, and the in-process serial port they
// arrive at, in virtual time. Faults that only change what a reply says are in the scripts of
// SimDeviceTest.
#include "SimWire.h"
#include "sim/SimSerialBackend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

using namespace lumivex;
using namespace lumivex::test;

namespace {

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

// What has arrived stays until it is read, purged, or the port closes; a full queue loses the rest.
TEST(SimBackend, repliesArriveAsEventsNeverInsideTheWrite)
{
    Bench b;
    EXPECT_FALSE(b.send("gethw\r")) << "closed";
    ASSERT_TRUE(b.port.open(SimSerialBackend::kPortName));
    EXPECT_TRUE(b.port.applyLineSettings({9600}));
    EXPECT_EQ(b.port.lineSettings().baudRate, 9600u);
    ASSERT_TRUE(b.send("gethw\r"));
    EXPECT_TRUE(b.port.bytesQueued() == 0 && b.arrivals == 0);
    b.runFor(1);
    EXPECT_EQ(b.arrivals, 1);
    char buffer[4];
    EXPECT_EQ(b.port.read(buffer, sizeof buffer), 4u);
    EXPECT_EQ(std::string(buffer, 4), "LVXC");
    EXPECT_EQ(b.readAll(), "S5-R2\r");
    EXPECT_EQ(b.port.takeErrors(), 0u);

    b.send("testcon\r");
    b.runFor(1);
    EXPECT_TRUE(b.port.purge(SimSerialBackend::PurgeRxAbort | SimSerialBackend::PurgeRxClear));
    EXPECT_EQ(b.port.bytesQueued(), 0u);
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
    SimConfig config;
    config.faults.disconnectAfter = 1;
    Bench b(config);
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
    SimConfig config;
    config.faults.paceBaud = 9600;
    SimWire wire(config);
    EXPECT_EQ(wire.ask("testcon"), "1OK\r");
    ASSERT_EQ(wire.pieces.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(wire.pieces[i].bytes.size(), 1u);
        EXPECT_NEAR(static_cast<double>(wire.pieces[i].micros), (i + 1) * 1e7 / 9600, 1.0);
    }
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
    SimConfig config;
    config.faults.chunkSize = 3;
    config.faults.chunkGapUs = 15000; // more than one 10 ms tick of the host between pieces
    SimWire wire(config);
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
    SimConfig config;
    config.faults.noiseBytes = 3;
    SimWire wire(config);
    ASSERT_EQ(wire.reply("capture711 1"), "OK\r\n");
    const std::string raw = wire.ask("getrgbi1 1");
    EXPECT_EQ(raw.size(), 21u + 3u);
    EXPECT_EQ(std::count_if(raw.begin(), raw.end(), [](char c) { return !printableByte(c) && c != '\r'; }), 3);
    EXPECT_EQ(joinReply(raw).size(), 22u) << "the value line and one line break";
}

TEST(SimFaults, aOneOffLatencyAndTheDisconnectCountRequestsAgainAfterAReconnect)
{
    SimConfig config;
    config.faults.latencyMs = 5;
    config.faults.latencyAt = {{2, 300}};
    config.faults.disconnectAfter = 3;
    SimWire wire(config);
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
    SimConfig config = configWith(2002);
    config.inputEvents = {{2, 500}, {7, 800}};
    SimWire wire(config);
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
    EXPECT_FALSE(wire.device->triggerInputIo(-1));
    EXPECT_FALSE(SimWire(configWith(2001)).device->triggerInputIo(2)) << "no input messages below 2002";
}
