// Why a real port cannot be opened, as the user is told it: a missing device, a device the user
// has no rights on (a root-only pseudo-terminal opened as an ordinary user) and a device another
// port object holds.
#include "device/CSeriell.h"
#include "platform/QtSerialBackend.h"

#include "NormalUser.h"
#include "RecordingDialogs.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lumivex;
using Failure = SerialBackend::OpenFailure;

namespace {

// The device side of a pseudo-terminal, readable and writable by its owner (root) only.
class RootOnlyPty {
public:
    RootOnlyPty()
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0) {
            m_path = ptsname(m_master);
            ::chmod(m_path.c_str(), 0600);
        }
    }
    ~RootOnlyPty()
    {
        if (m_master >= 0)
            ::close(m_master);
    }
    const std::string& path() const { return m_path; }

private:
    int m_master = -1;
    std::string m_path;
};

Failure openFailure(const std::string& path)
{
    QtSerialBackend backend;
    EXPECT_FALSE(backend.open(path));
    return backend.lastOpenError().reason;
}

} // namespace

TEST(QtSerialOpenError, eachReasonIsTheOneThePlatformHas)
{
    RootOnlyPty pty;
    ASSERT_FALSE(pty.path().empty());
    QtSerialBackend holder;

    struct Case {
        const char* name;
        std::function<Failure()> attempt;
        Failure expected;
    };
    const std::vector<Case> cases {
        {"a path where no device is", [] { return openFailure("/dev/ttyLumivexMissing9"); }, Failure::NotFound},
        {"a device the user may not open",
            [&pty] {
                // As root every device opens; the question is what an ordinary user sees.
                const int answer = test::runAsNormalUser([&pty] { return static_cast<int>(openFailure(pty.path())); });
                return answer < 0 ? Failure::None : static_cast<Failure>(answer);
            },
            geteuid() == 0 ? Failure::PermissionDenied : Failure::None},
        {"a device another port object holds",
            [&pty, &holder] {
                EXPECT_TRUE(holder.open(pty.path()));
                const Failure failure = openFailure(pty.path());
                holder.close();
                return failure;
            },
            Failure::Busy},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.attempt(), c.expected);
    }
}

TEST(QtSerialOpenError, aPortThatWasBusyOpensOnceItIsFreeAndTheReasonGoes)
{
    RootOnlyPty pty;
    ASSERT_FALSE(pty.path().empty());
    QtSerialBackend holder;
    ASSERT_TRUE(holder.open(pty.path()));

    QtSerialBackend backend;
    test::RecordingDialogs dialogs;
    CSeriell port {backend, dialogs};
    port.SetPortName(pty.path());
    EXPECT_EQ(port.OpenPort(), 0);
    EXPECT_NE(port.OpenFailureLine().find(pty.path() + ": busy"), std::string::npos) << port.OpenFailureLine();

    holder.close();
    EXPECT_EQ(port.OpenPort(), 1);
    EXPECT_TRUE(port.OpenFailureLine().empty());
    EXPECT_EQ(backend.lastOpenError().reason, Failure::None);
}
