// The in-process serial port on top of the simulated device.
#include "sim/SimSerialBackend.h"
#include "SimWire.h"

#include <gtest/gtest.h>

using namespace lumivex;
using namespace lumivex::test;

namespace {

struct SimBackend : ::testing::Test {
    explicit SimBackend(SimConfig config = {}, SimPortConfig ports = {})
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

TEST_F(SimBackend, repliesArriveAsEventsNeverInsideTheWrite)
{
    EXPECT_FALSE(send("gethw\r")) << "closed";
    ASSERT_TRUE(port.open(SimSerialBackend::kPortName));
    EXPECT_TRUE(port.applyLineSettings({9600}));
    EXPECT_EQ(port.lineSettings().baudRate, 9600u);
    ASSERT_TRUE(send("gethw\r"));
    EXPECT_EQ(port.bytesQueued(), 0u);
    EXPECT_EQ(arrivals, 0);
    runFor(1);
    EXPECT_EQ(arrivals, 1);
    EXPECT_EQ(port.bytesQueued(), 10u);

    char buffer[4];
    EXPECT_EQ(port.read(buffer, sizeof buffer), 4u);
    EXPECT_EQ(std::string(buffer, 4), "LVXC");
    EXPECT_EQ(readAll(), "S5-R2\r");
    EXPECT_EQ(port.takeErrors(), 0u);
}

TEST_F(SimBackend, purgeAndCloseDropWhatHasNotBeenRead)
{
    ASSERT_TRUE(port.open("SIM"));
    send("testcon\r");
    runFor(1);
    EXPECT_TRUE(port.purge(SimSerialBackend::PurgeRxAbort | SimSerialBackend::PurgeRxClear));
    EXPECT_EQ(port.bytesQueued(), 0u);

    send("capture111 1\r"); // "OK" after 600 ms, while the port is closed
    EXPECT_TRUE(port.close());
    EXPECT_FALSE(port.close());
    runFor(700);
    ASSERT_TRUE(port.open("SIM"));
    EXPECT_EQ(port.bytesQueued(), 0u);
    send("getversion\r");
    runFor(1);
    EXPECT_EQ(readAll(), "1007\r");
}

TEST_F(SimBackend, aFullReceiveQueueReportsAnOverflow)
{
    ASSERT_TRUE(port.open("SIM"));
    ASSERT_TRUE(port.setQueueSizes(4, 4));
    send("gethw\r");
    runFor(1);
    EXPECT_EQ(readAll(), "LVXC");
    EXPECT_EQ(port.takeErrors(), static_cast<std::uint32_t>(SimSerialBackend::CeRxOver));
    EXPECT_EQ(port.takeErrors(), 0u);
}

TEST(SimBackendPorts, anAutomaticSearchFindsTheDeviceOnTheSeventhPort)
{
    VirtualScheduler scheduler;
    SimulatedDevice device(scheduler, SimConfig {});
    SimSerialBackend port(scheduler, device, {"SIM", {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM8"}, 6});
    const std::vector<std::string> names = port.availablePorts();
    ASSERT_EQ(names.size(), 8u);
    EXPECT_EQ(names[6], "SIM");
    EXPECT_EQ(names[7], "COM8");

    std::string found;
    for (const std::string& name : names) {
        ASSERT_TRUE(port.open(name)) << name;
        port.write("gethw\r", 6);
        scheduler.advance(std::chrono::milliseconds(510));
        if (port.bytesQueued() > 7) {
            found = name;
            break;
        }
        EXPECT_EQ(port.silentWritten(), "gethw\r");
        port.close();
    }
    EXPECT_EQ(found, "SIM");
    EXPECT_FALSE(port.open("COM9")) << "not a port of this machine";
    EXPECT_FALSE(port.isOpen());

    EXPECT_TRUE(port.isPortName("SIM") && port.isPortName("COM12"));
    EXPECT_FALSE(port.isPortName("COM"));
    EXPECT_FALSE(port.isPortName("/dev/ttyUSB0"));
    EXPECT_FALSE(port.isPortName("Auto"));
}

TEST(SimBackendPorts, aVanishedDeviceHangsUpThePortOnceAndCannotBeOpened)
{
    VirtualScheduler scheduler;
    SimConfig config;
    config.faults.disconnectAfter = 1;
    SimulatedDevice device(scheduler, config);
    SimSerialBackend port(scheduler, device);
    int arrivals = 0;
    port.setBytesArrivedCallback([&arrivals] { ++arrivals; });
    ASSERT_TRUE(port.open("SIM"));
    ASSERT_TRUE(port.write("gethw\r", 6));
    scheduler.advance(std::chrono::milliseconds(1));
    EXPECT_EQ(arrivals, 1);
    EXPECT_TRUE(port.write("testcon\r", 8)) << "the request left the port; nobody is there to answer it";
    EXPECT_TRUE(port.hungUp());
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(arrivals, 1) << "not told from inside the write";
    scheduler.advance(std::chrono::milliseconds(1));
    EXPECT_EQ(arrivals, 2) << "told from the event loop";
    scheduler.advance(std::chrono::milliseconds(100));
    EXPECT_EQ(arrivals, 2) << "told once";
    EXPECT_EQ(port.takeErrors(), static_cast<std::uint32_t>(SimSerialBackend::CeIoe));
    EXPECT_EQ(port.takeErrors(), 0u) << "reported once";
    EXPECT_EQ(port.bytesQueued(), 10u) << "the reply that had arrived is not lost";
    EXPECT_FALSE(port.write("testcon\r", 8));
    EXPECT_FALSE(port.open("SIM"));

    device.reconnect();
    EXPECT_TRUE(port.open("SIM"));
    EXPECT_FALSE(port.hungUp());
    EXPECT_EQ(port.bytesQueued(), 0u);
}
