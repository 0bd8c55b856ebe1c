// The QSerialPort backend under CSeriell, against a pseudo-terminal whose master side the test
// holds: bytes must cross unchanged in both directions (no CR/LF translation, no echo), arrivals
// must be announced through the event loop, and a vanished peer must close the port once, without
// leaving the event loop busy on the dead handle. Why a port cannot be opened is told as the
// platform has it: a missing device, a device the user has no rights on, a device another port
// object holds.
#include "platform/QtSerialBackend.h"
#include "device/CSeriell.h"
#include "platform/QtScheduler.h"

#include "NormalUser.h"
#include "RecordingDialogs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lumivex;
using namespace std::chrono_literals;
using Failure = SerialBackend::OpenFailure;

namespace {

// The master side; the device side at slavePath() is readable and writable by its owner only.
class PseudoTerminal {
public:
    PseudoTerminal()
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0) {
            m_slavePath = ptsname(m_master);
            ::chmod(m_slavePath.c_str(), 0600);
        }
    }
    ~PseudoTerminal() { closeMaster(); }
    const std::string& slavePath() const { return m_slavePath; }
    void closeMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }
    void send(const std::string& bytes)
    {
        ASSERT_EQ(::write(m_master, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    // What the port wrote, waiting at most the given time for it.
    std::string receive(std::size_t expected, std::chrono::milliseconds limit = 2000ms)
    {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + limit;
        while (got.size() < expected && std::chrono::steady_clock::now() < end) {
            pollfd p {m_master, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0) {
                char buffer[256];
                const auto n = ::read(m_master, buffer, sizeof buffer);
                if (n > 0)
                    got.append(buffer, std::size_t(n));
            }
        }
        return got;
    }

private:
    int m_master = -1;
    std::string m_slavePath;
};

std::chrono::microseconds processCpuTime()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto micros
        = [](const timeval& t) { return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec); };
    return micros(usage.ru_utime) + micros(usage.ru_stime);
}

struct PtyFixture : ::testing::Test {
    PseudoTerminal pty;
    QtScheduler scheduler;
    QtSerialBackend backend;
    test::RecordingDialogs dialogs;
    CSeriell port {backend, dialogs};

    void SetUp() override
    {
        ASSERT_FALSE(pty.slavePath().empty());
        port.SetPortName(pty.slavePath());
        ASSERT_EQ(port.OpenPort(), 1);
        port.SetBaudRate(115200);
    }

    // Pumps the event loop until the condition holds or two seconds pass.
    template<class Condition> bool pumpUntil(Condition done, std::chrono::milliseconds limit = 2000ms)
    {
        bool expired = false;
        const auto guard = scheduler.singleShot(limit, [&] { expired = true; });
        while (!done() && !expired)
            scheduler.pumpOnce();
        scheduler.killTimer(guard);
        return done();
    }
};

Failure openFailure(const std::string& path)
{
    QtSerialBackend backend;
    EXPECT_FALSE(backend.open(path));
    EXPECT_EQ(backend.takeErrors(), 0u) << "a failed open is no communication error";
    return backend.lastOpenError().reason;
}

} // namespace

TEST_F(PtyFixture, opensWithoutABoxAndBytesCrossUnchangedInBothDirections)
{
    EXPECT_TRUE(port.IsOpen());
    EXPECT_TRUE(dialogs.problems.empty()) << dialogs.problems.front();
    EXPECT_TRUE(dialogs.messages.empty());

    ASSERT_EQ(port.WriteBlock("getrgbi5 3\r"), 1);
    EXPECT_EQ(pty.receive(11), "getrgbi5 3\r") << "no CR to LF translation on the way out";

    int announced = 0;
    backend.setBytesArrivedCallback([&] { ++announced; });
    const std::string reply("0255 0128\r\n\xFC\x01OK\r\n", 17);
    pty.send(reply);
    std::string got;
    ASSERT_TRUE(pumpUntil([&] {
        if (const auto n = port.ReadAvailable())
            got.append(port.ReceiveBuffer(), n);
        return got.size() >= reply.size() && announced > 0;
    }));
    EXPECT_EQ(got, reply) << "no translation, no echo on the way in";
    EXPECT_GE(announced, 1) << "arrivals are announced through the event loop";
    EXPECT_EQ(pty.receive(1, 100ms), "") << "nothing echoed back to the device";
}

TEST_F(PtyFixture, aVanishedPeerClosesThePortOnceAndLeavesTheLoopIdle)
{
    struct Case {
        const char* name;
        bool writeFirst; // a write finds the hang-up before the event loop does
    };
    for (const Case& c : {Case {"seen by the event loop", false}, Case {"seen by a write", true}}) {
        SCOPED_TRACE(c.name);
        PseudoTerminal peer;
        ASSERT_TRUE(backend.open(peer.slavePath()));
        EXPECT_FALSE(backend.hungUp()) << "open() starts afresh";
        int announced = 0;
        backend.setBytesArrivedCallback([&] { ++announced; });
        peer.closeMaster();
        if (c.writeFirst) {
            const auto start = std::chrono::steady_clock::now();
            EXPECT_FALSE(backend.write("gethw\r", 6));
            EXPECT_LT(std::chrono::steady_clock::now() - start, 1s) << "a write never blocks past its time-out";
            EXPECT_EQ(announced, 0) << "not told from inside the write";
        }
        ASSERT_TRUE(pumpUntil([&] { return announced > 0; })) << "the owner is told at once";
        EXPECT_TRUE(backend.hungUp());
        EXPECT_FALSE(backend.isOpen());
        EXPECT_EQ(backend.takeErrors(), std::uint32_t(SerialBackend::CeIoe));

        const auto cpuBefore = processCpuTime();
        const auto wallBefore = std::chrono::steady_clock::now();
        pumpUntil([] { return false; }, 300ms);
        const auto wall
            = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - wallBefore);
        EXPECT_LT(processCpuTime() - cpuBefore, wall / 10) << "nothing keeps polling the dead handle";
        EXPECT_EQ(announced, 1);
        EXPECT_EQ(backend.takeErrors(), 0u) << "the hang-up is reported once";
        EXPECT_FALSE(backend.write("gethw\r", 6));
    }
}

TEST(QtSerialOpenError, eachReasonIsTheOneThePlatformHasAndGoesOnceThePortOpens)
{
    PseudoTerminal pty;
    ASSERT_FALSE(pty.slavePath().empty());
    EXPECT_TRUE(QtSerialBackend().isPortName("/dev/ttyUSB0"));
    EXPECT_FALSE(QtSerialBackend().isPortName("Auto"));
    EXPECT_EQ(openFailure("/dev/ttyLumivexMissing9"), Failure::NotFound);
    // As root every device opens; the question is what an ordinary user sees.
    const int asUser = test::runAsNormalUser([&pty] { return static_cast<int>(openFailure(pty.slavePath())); });
    EXPECT_EQ(asUser, static_cast<int>(geteuid() == 0 ? Failure::PermissionDenied : Failure::None));

    // Held by another port object: busy, and named so in the line the user is shown, until it is free.
    QtSerialBackend holder;
    ASSERT_TRUE(holder.open(pty.slavePath()));
    EXPECT_EQ(openFailure(pty.slavePath()), Failure::Busy);
    QtSerialBackend backend;
    test::RecordingDialogs dialogs;
    CSeriell port {backend, dialogs};
    port.SetPortName(pty.slavePath());
    EXPECT_EQ(port.OpenPort(), 0);
    EXPECT_NE(port.OpenFailureLine().find(pty.slavePath() + ": busy"), std::string::npos) << port.OpenFailureLine();
    holder.close();
    EXPECT_EQ(port.OpenPort(), 1);
    EXPECT_TRUE(port.OpenFailureLine().empty());
    EXPECT_EQ(backend.lastOpenError().reason, Failure::None);
}
