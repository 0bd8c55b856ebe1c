// The Qt side of the platform: the scheduler, and the QSerialPort backend under CSeriell against a
// pseudo-terminal whose master side the test holds.
#include "../base/SchedulerBehaviour.h"

#include "device/CSeriell.h"
#include "platform/QtScheduler.h"
#include "platform/QtSerialBackend.h"

#include "NormalUser.h"
#include "RecordingDialogs.h"

#include <QCoreApplication>

#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <utility>

namespace lumivex::testing {
namespace {

struct QtSchedulerTraits {
    static constexpr bool kRealTime = true;
    static std::unique_ptr<Scheduler> make() { return std::make_unique<QtScheduler>(); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, SchedulerBehaviour, QtSchedulerTraits);

// The master side; the device side at slavePath is readable and writable by its owner only.
struct PseudoTerminal {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    std::string slavePath = master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0 ? ptsname(master) : "";

    PseudoTerminal() { ::chmod(slavePath.c_str(), 0600); }
    ~PseudoTerminal() { closeMaster(); }
    void closeMaster() { ::close(std::exchange(master, -1)); }
    // What the port wrote, waiting at most `limitMs` for each piece of it.
    std::string receive(std::size_t expected, int limitMs = 2000)
    {
        std::string got;
        char buffer[256];
        pollfd p {master, POLLIN, 0};
        for (ssize_t n = 0; got.size() < expected && ::poll(&p, 1, limitMs) > 0; got.append(buffer, std::size_t(n)))
            if ((n = ::read(master, buffer, sizeof buffer)) <= 0)
                break;
        return got;
    }
};

struct PtyFixture : ::testing::Test {
    PseudoTerminal pty;
    QtScheduler scheduler;
    QtSerialBackend backend;
    test::RecordingDialogs dialogs;
    CSeriell port {backend, dialogs};

    void SetUp() override
    {
        ASSERT_FALSE(pty.slavePath.empty());
        port.SetPortName(pty.slavePath);
        ASSERT_EQ(port.OpenPort(), 1);
        port.SetBaudRate(115200);
    }

    // Pumps the event loop until the condition holds or the limit passes.
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

using Failure = SerialBackend::OpenFailure;
Failure openFailure(const std::string& path)
{
    QtSerialBackend backend;
    EXPECT_FALSE(backend.open(path));
    EXPECT_EQ(backend.takeErrors(), 0u) << "a failed open is no communication error";
    return backend.lastOpenError().reason;
}

TEST_F(PtyFixture, opensWithoutABoxAndBytesCrossUnchangedInBothDirections)
{
    EXPECT_TRUE(port.IsOpen() && dialogs.problems.empty() && dialogs.messages.empty());
    ASSERT_EQ(port.WriteBlock("getrgbi5 3\r"), 1);
    EXPECT_EQ(pty.receive(11), "getrgbi5 3\r") << "no CR to LF translation on the way out";

    int announced = 0;
    backend.setBytesArrivedCallback([&] { ++announced; });
    const std::string reply("0255 0128\r\n\xFC\x01OK\r\n", 17);
    ASSERT_EQ(::write(pty.master, reply.data(), reply.size()), ssize_t(reply.size()));
    std::string got;
    ASSERT_TRUE(pumpUntil([&] {
        if (const auto n = port.ReadAvailable())
            got.append(port.ReceiveBuffer(), n);
        return got.size() >= reply.size() && announced > 0;
    })) << "arrivals are announced through the event loop";
    EXPECT_EQ(got, reply) << "no translation, no echo on the way in";
    EXPECT_EQ(pty.receive(1, 100), "") << "nothing echoed back to the device";
}

TEST_F(PtyFixture, aVanishedPeerClosesThePortOnceAndLeavesTheLoopIdle)
{
    for (const bool writeFirst : {false, true}) { // a write may find the hang-up before the event loop does
        SCOPED_TRACE(writeFirst ? "seen by a write" : "seen by the event loop");
        PseudoTerminal peer;
        ASSERT_TRUE(backend.open(peer.slavePath));
        EXPECT_FALSE(backend.hungUp()) << "open() starts afresh";
        int announced = 0;
        backend.setBytesArrivedCallback([&] { ++announced; });
        peer.closeMaster();
        if (writeFirst) {
            const auto start = std::chrono::steady_clock::now();
            EXPECT_FALSE(backend.write("gethw\r", 6));
            EXPECT_LT(std::chrono::steady_clock::now() - start, 1s) << "a write never blocks past its time-out";
            EXPECT_EQ(announced, 0) << "not told from inside the write";
        }
        ASSERT_TRUE(pumpUntil([&] { return announced > 0; })) << "the owner is told at once";
        EXPECT_EQ(std::tuple(backend.hungUp(), backend.isOpen(), backend.takeErrors()),
            std::tuple(true, false, std::uint32_t(SerialBackend::CeIoe)));

        // The engines wait for replies in such a loop: pumpOnce() must sleep in the event dispatcher,
        // and nothing may keep polling the dead handle.
        const std::clock_t cpuBefore = std::clock();
        pumpUntil([] { return false; }, 300ms);
        EXPECT_LT(std::clock() - cpuBefore, CLOCKS_PER_SEC * 3 / 100) << "the idle loop spins";
        EXPECT_EQ(std::pair(announced, backend.takeErrors()), std::pair(1, 0u)) << "the hang-up is reported once";
        EXPECT_FALSE(backend.write("gethw\r", 6));
    }
}

TEST_F(PtyFixture, anOpenFailureNamesThePlatformsReasonUntilThePortOpens)
{
    EXPECT_TRUE(QtSerialBackend().isPortName("/dev/ttyUSB0") && !QtSerialBackend().isPortName("Auto"));
    EXPECT_EQ(openFailure("/dev/ttyLumivexMissing9"), Failure::NotFound);
    // Held by the fixture's port: busy, and named so in the line the user is shown, until it is free.
    EXPECT_EQ(openFailure(pty.slavePath), Failure::Busy);
    QtSerialBackend otherBackend;
    CSeriell other {otherBackend, dialogs};
    other.SetPortName(pty.slavePath);
    EXPECT_EQ(other.OpenPort(), 0);
    EXPECT_NE(other.OpenFailureLine().find(pty.slavePath + ": busy"), std::string::npos) << other.OpenFailureLine();
    port.ClosePort();
    // As root every device opens; the question is what an ordinary user sees.
    const int asUser = test::runAsNormalUser([this] { return static_cast<int>(openFailure(pty.slavePath)); });
    EXPECT_EQ(asUser, static_cast<int>(geteuid() == 0 ? Failure::PermissionDenied : Failure::None));
    EXPECT_EQ(other.OpenPort(), 1);
    EXPECT_TRUE(other.OpenFailureLine().empty() && otherBackend.lastOpenError().reason == Failure::None);
}

} // namespace
} // namespace lumivex::testing

// QtScheduler needs one QCoreApplication for the whole process.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
