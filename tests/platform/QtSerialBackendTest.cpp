// The QSerialPort backend under CSeriell, against a pseudo-terminal whose master side the test
// holds: bytes must cross unchanged in both directions (no CR/LF translation, no echo), arrivals
// must be announced through the event loop, and a vanished peer must surface as an I/O error.
#include "platform/QtSerialBackend.h"
#include "app/StringTable.h"
#include "device/CSeriell.h"
#include "platform/QtScheduler.h"

#include "RecordingDialogs.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

using namespace lumivex;
using namespace std::chrono_literals;

namespace {

class PseudoTerminal {
public:
    PseudoTerminal()
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0)
            m_slavePath = ptsname(m_master);
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

TEST_F(PtyFixture, aVanishedPeerFailsTheNextWriteQuickly)
{
    backend.setBytesArrivedCallback([] {});
    pty.closeMaster();
    pumpUntil([] { return false; }, 200ms); // let the event loop see the hang-up, if it does
    EXPECT_EQ(port.ReadAvailable(), 0u);

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.WriteBlock("gethw\r"), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s) << "a write never blocks past its time-out";
    ASSERT_FALSE(dialogs.problems.empty());
    EXPECT_EQ(dialogs.problems.front(), std::string(stringText(StringId::ErrorComWriting)) + " \n");
}

TEST(QtSerialBackendNames, platformDeviceNamesAreAcceptedAndAutoIsNot)
{
    QtSerialBackend backend;
    EXPECT_TRUE(backend.isPortName("/dev/ttyUSB0"));
    EXPECT_FALSE(backend.isPortName("Auto"));
    EXPECT_FALSE(backend.open("/dev/no-such-port"));
    EXPECT_EQ(backend.takeErrors(), 0u) << "a failed open is no communication error";
}
