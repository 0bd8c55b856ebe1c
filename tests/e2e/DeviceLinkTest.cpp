// The device link end to end: lumivex-sim runs as its own process on a pseudo-terminal, and the
// program reaches it the way it reaches hardware, through CSeriell on the QSerialPort backend.
// Requests are built by the program's formatting and written by SendCommandText; replies are
// joined by the main window's joiner, completed by the program's rules and read by its decoders.
// The same conversation runs with whole replies, with replies in 1-byte pieces and with junk bytes
// on the line.
#include "platform/SimulatorProcess.h"

#include "device/CSeriell.h"
#include "device/DeviceCommand.h"
#include "device/ReplyDecode.h"
#include "device/ReplyRules.h"
#include "device/ReplyText.h"
#include "device/SendCommandText.h"
#include "foundation/CGlobal.h"
#include "platform/QtScheduler.h"
#include "platform/QtSerialBackend.h"
#include "sim/SimColour.h"

#include "RecordingDialogs.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <algorithm>
#include <chrono>
#include <ostream>
#include <string>

using namespace lumivex;
using namespace std::chrono_literals;

namespace {

// What the simulator is told, and so what must come back.
constexpr int kFirmware = 1007;
constexpr int kBoards = 2;
constexpr int kBoard = 1;
constexpr int kSensor = 3;
constexpr int kRed = 255, kGreen = 128, kBlue = 0, kIntensity = 30000;
const char* const kHardware = "LVX-E2E-1";
const char* const kSerial = "4711";
constexpr double kXOffset = 0.0125;
constexpr double kYOffset = -0.031;
constexpr double kDistance = 12.5;

struct Run {
    const char* name;
    QStringList faults;
    bool pieces = false; // replies arrive in more reads than there are replies
    bool junk = false; // bytes the joiner drops must arrive
};
void PrintTo(const Run& run, std::ostream* out)
{
    *out << run.name;
}

class DeviceLink : public ::testing::TestWithParam<Run> {
protected:
    void SetUp() override
    {
#ifndef Q_OS_UNIX
        GTEST_SKIP() << "lumivex-sim serves pseudo-terminals on POSIX systems only";
#endif
        const QString led = QStringLiteral("%1:%2:%3,%4,%5:%6")
                                .arg(kBoard)
                                .arg(kSensor)
                                .arg(kRed)
                                .arg(kGreen)
                                .arg(kBlue)
                                .arg(kIntensity);
        QStringList options {"--firmware", QString::number(kFirmware), "--boards", QString::number(kBoards)};
        options << "--sensor-led" << led << "--hw" << kHardware << "--serial" << kSerial << GetParam().faults;
        ASSERT_TRUE(m_sim.start(options, 10s)) << m_sim.problem();
        ASSERT_EQ(m_sim.path().rfind("/dev/", 0), 0u) << m_sim.path();

        m_backend.setBytesArrivedCallback([this] { onArrival(); });
        m_port.SetPortName(m_sim.path());
        ASSERT_EQ(m_port.OpenPort(), 1) << m_sim.path();
        m_port.SetBaudRate(115200);
        ASSERT_TRUE(m_dialogs.problems.empty()) << m_dialogs.problems.front();
    }

    void TearDown() override
    {
        if (IsSkipped() || HasFatalFailure())
            return; // the reason is reported; the process goes with m_sim
        if (m_port.IsOpen())
            m_port.ClosePort();
        EXPECT_TRUE(m_dialogs.problems.empty()) << m_dialogs.problems.front();
        EXPECT_TRUE(m_dialogs.messages.empty()) << m_dialogs.messages.front();
        // Between replies only junk may arrive, and the joiner drops all of it.
        EXPECT_EQ(ReplyText::join(m_stray, JoinRules::MainWindow), "");
        // The fault really was on the line.
        if (GetParam().pieces) {
            EXPECT_GT(m_reads, m_replies) << "replies arrived in pieces";
        }
        EXPECT_EQ(m_junk > 0, GetParam().junk) << m_junk << " junk bytes";
        EXPECT_EQ(m_sim.stop(5s), 0) << "lumivex-sim ends cleanly on SIGTERM";
    }

    // Sends one request and pumps the event loop until its reply is complete or the main window's
    // limit of 200 ticks of 10 ms has passed. Returns the joined reply ("" when it never came).
    //
    // Completion is judged as the main window judges it when bytes arrive: once the text ends in
    // a line break, the command's rule decides. Read replies complete on their raw byte count, and
    // junk bytes count too, so with noise the rule alone would call a value complete before its
    // last characters arrived whenever the reply comes in more than one piece (and with 1-byte
    // pieces "gethsi" and "gethw" complete that way even without junk, their rules being shorter
    // than their values). Junk never contains a line end, so waiting for the line end keeps every
    // reply whole without weakening the rule: a reply that ends but fails its rule still times out.
    std::string exchange(const std::string& request, ReplyRule rule)
    {
        m_reply.reset();
        m_rule = rule;
        m_awaiting = true;
        ++m_replies;
        m_complete.clear();
        EXPECT_EQ(SendCommandText(m_port, m_dialogs, m_log, request), 1) << request;
        bool expired = false;
        const auto guard = m_scheduler.singleShot(2s, [&expired] { expired = true; });
        while (m_awaiting && !expired)
            m_scheduler.pumpOnce();
        m_scheduler.killTimer(guard);
        EXPECT_FALSE(m_awaiting) << "no complete reply to " << request << ": " << m_reply.text();
        m_awaiting = false;
        return m_complete;
    }

    // A numbered request of the main window, with its rule for the firmware learnt so far.
    std::string command(int number, const DeviceCommand::Fields& fields = {})
    {
        const auto request = DeviceCommand::build(number, fields);
        if (!request) {
            ADD_FAILURE() << "number " << number << " builds no request";
            return {};
        }
        return exchange(request->text, DeviceCommand::replyRule(number, m_firmware));
    }

    // A setting request the device acknowledges with "OK".
    void acknowledged(Command command, const std::string& request)
    {
        exchange(request, replyRule(command, m_firmware));
    }

    int m_firmware = 0; // as the program learns it from "getversion"

private:
    void onArrival()
    {
        while (const std::size_t n = m_port.ReadAvailable()) {
            ++m_reads;
            m_junk += static_cast<std::size_t>(std::count_if(m_port.ReceiveBuffer(), m_port.ReceiveBuffer() + n,
                [](char c) { return !isPrintableAscii(c) && c != '\r' && c != '\n'; }));
            if (!m_awaiting) {
                m_stray.append(m_port.ReceiveBuffer(), n);
                continue;
            }
            m_reply.append(m_port.ReceiveBuffer(), n);
            if (m_reply.text().ends_with('\n') && isReplyComplete(m_rule, m_reply)) {
                m_complete = m_reply.text();
                m_awaiting = false;
            }
        }
    }

    SimulatorProcess m_sim {QStringLiteral(LUMIVEX_SIM_PATH)};
    QtScheduler m_scheduler;
    QtSerialBackend m_backend;
    test::RecordingDialogs m_dialogs;
    CSeriell m_port {m_backend, m_dialogs};
    CGlobal m_log;
    ReplyText m_reply {JoinRules::MainWindow};
    ReplyRule m_rule;
    bool m_awaiting = false;
    std::string m_complete;
    std::string m_stray;
    int m_replies = 0;
    int m_reads = 0;
    std::size_t m_junk = 0;
};

} // namespace

TEST_P(DeviceLink, connectionChainAndAFullValueReadOfOneSensor)
{
    // The connection chain of the main window.
    EXPECT_EQ(decodeHardware(command(DeviceCommand::GetHw)), kHardware);
    const std::string testcon = command(DeviceCommand::Testcon);
    EXPECT_EQ(decodeBoardCount(testcon).count, kBoards);
    EXPECT_EQ(testconStatusCount(testcon), std::to_string(kBoards));
    EXPECT_EQ(decodeSerial(command(DeviceCommand::GetSerial)), kSerial);
    const VersionReply version = decodeVersion(command(DeviceCommand::GetVersion));
    EXPECT_EQ(version.text, std::to_string(kFirmware));
    m_firmware = version.firmware;
    ASSERT_EQ(m_firmware, kFirmware);

    // Offsets and distance as the measurement list sends them, so that their reads carry values.
    acknowledged(Command::SetXOffset, formatSetOffset(Command::SetXOffset, kSensor, "0.0125", kBoard));
    acknowledged(Command::SetYOffset, formatSetOffset(Command::SetYOffset, kSensor, "-0.0310", kBoard));
    acknowledged(Command::SetDistance, formatSetDistance(kSensor, "12.5", kBoard));

    DeviceCommand::Fields fields;
    fields.board = kBoard;
    fields.sensor = kSensor - 1;
    fields.rangeIndex = 3; // 60 ms
    EXPECT_TRUE(containsOk(command(DeviceCommand::CaptureRange, fields)));

    // The simulator's reading of that LED, from its own colour formulas: the point here is that
    // the values cross the real serial stack and decode to what the device meant.
    const SimReading expected = simReadingFor(kRed, kGreen, kBlue, kIntensity, 4095, kXOffset, kYOffset);
    const RgbiReply rgbi = decodeRgbi(command(DeviceCommand::GetRgbi, fields), m_firmware);
    EXPECT_EQ(rgbi.red, expected.red);
    EXPECT_EQ(rgbi.green, expected.green);
    EXPECT_EQ(rgbi.blue, 0);
    EXPECT_EQ(rgbi.intensity, kIntensity);
    EXPECT_NEAR(rgbi.red, 4095 * 0.3, 2.0) << "12-bit counts at 30 % of saturation";

    const HsiReply hsi = decodeHsi(command(DeviceCommand::GetHsi, fields));
    EXPECT_NEAR(hsi.hue, expected.hue, 0.0051);
    EXPECT_GT(hsi.hue, 20.0) << "orange";
    EXPECT_LT(hsi.hue, 40.0) << "orange";
    EXPECT_EQ(hsi.saturation, 100);
    EXPECT_EQ(hsi.intensity, kIntensity);

    const XyReply xy = decodeXy(command(DeviceCommand::GetXy, fields));
    EXPECT_NEAR(xy.x, expected.x, 0.000051);
    EXPECT_NEAR(xy.y, expected.y, 0.000051);
    EXPECT_NEAR(decodeColourTemperature(command(DeviceCommand::GetCTemp, fields)), expected.cct, 0.051);

    const OffsetReply x = decodeOffset(command(DeviceCommand::GetXOffset, fields));
    EXPECT_DOUBLE_EQ(x.value, kXOffset);
    EXPECT_EQ(x.text, "0.0125");
    const OffsetReply y = decodeOffset(command(DeviceCommand::GetYOffset, fields));
    EXPECT_DOUBLE_EQ(y.value, kYOffset);
    EXPECT_EQ(y.text, "-0.0310");
    EXPECT_DOUBLE_EQ(decodeDistance(command(DeviceCommand::GetDistance, fields)), kDistance);
}

INSTANTIATE_TEST_SUITE_P(Sim, DeviceLink,
    ::testing::Values(Run {"wholeReplies", {}}, Run {"oneBytePieces", {"--chunk", "1"}, true},
        Run {"noise", {"--noise"}, false, true}),
    [](const ::testing::TestParamInfo<Run>& run) { return std::string(run.param.name); });
