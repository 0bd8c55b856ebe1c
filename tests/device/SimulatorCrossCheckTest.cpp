// The simulated device checked from the program's side: every read request is built by the
// program's own formatting, travels through CSeriell and SendCommandText to the in-process port,
// is joined by the main window's joiner, must complete by the program's rule and is decoded by the
// program's decoders. What comes out has to match the simulator's model. The simulator's own tests
// read its replies with their own helpers; a fault on either side shows up here as a mismatch.
#include "base/VirtualScheduler.h"
#include "device/CSeriell.h"
#include "device/DeviceCommand.h"
#include "device/ReplyDecode.h"
#include "device/ReplyRules.h"
#include "device/ReplyText.h"
#include "device/SendCommandText.h"
#include "foundation/CGlobal.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"

#include "RecordingDialogs.h"
#include "SimWire.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <tuple>

using namespace lumivex;
using namespace std::chrono_literals;
using test::led;

namespace {

constexpr int kBoards = 3;
const std::string kHardware = "LVX-CC-07";
const std::string kSerial = "0815";

struct Sensor {
    int board;
    int sensor; // 1..5
};
// An orange LED at 30 % of saturation, a saturated blue one on the last board, a white one.
constexpr Sensor kOrange {1, 3};
constexpr Sensor kBlue {3, 5};
constexpr Sensor kWhite {2, 1};
constexpr int kOrangeIntensity = 30000;

SimConfig deviceConfig(int firmware, bool multiLine, bool longIdentity)
{
    SimConfig config;
    config.firmware = firmware;
    config.boards = kBoards;
    config.hardwareText = kHardware;
    config.serialText = kSerial;
    config.longIdentity = longIdentity;
    config.faults.multiLine = multiLine;
    config.leds = {
        {kOrange.board, kOrange.sensor, led(255, 128, 0, kOrangeIntensity)},
        {kBlue.board, kBlue.sensor, led(20, 70, 255, 99999)},
        {kWhite.board, kWhite.sensor, led(255, 255, 255, 50000)},
    };
    return config;
}

// The main window's fields that address one sensor (its sensor field counts from 0).
DeviceCommand::Fields fieldsFor(Sensor s)
{
    DeviceCommand::Fields fields;
    fields.board = s.board;
    fields.sensor = s.sensor - 1;
    fields.rangeIndex = 3; // code 4, 60 ms, 3 x 3 area
    return fields;
}

// The program's half of the line on the simulated device's in-process port, in virtual time.
class Link {
public:
    struct Reply {
        std::string text; // as joined when the rule called it complete (or when the wait gave up)
        bool complete = false;
        std::size_t lateBytes = 0; // arrived for this request after it was complete
    };

    explicit Link(SimConfig config) : m_device(m_scheduler, std::move(config)), m_backend(m_scheduler, m_device)
    {
        m_backend.setBytesArrivedCallback([this] { onArrival(); });
        m_port.SetPortName(SimSerialBackend::kPortName);
        EXPECT_EQ(m_port.OpenPort(), 1);
        m_port.SetBaudRate(115200);
    }

    // Sends one request and waits, as the main window does, at most 200 ticks of 10 ms for the
    // reply to meet its rule; then lets the device finish, so that bytes the rule left behind show.
    Reply exchange(const std::string& request, ReplyRule rule)
    {
        m_reply.reset();
        m_rule = rule;
        m_result = {};
        m_awaiting = true;
        EXPECT_EQ(SendCommandText(m_port, m_dialogs, m_log, request), 1) << request;
        bool expired = false;
        const auto guard = m_scheduler.singleShot(2s, [&expired] { expired = true; });
        while (m_awaiting && !expired && m_scheduler.pumpOnce()) { }
        m_scheduler.killTimer(guard);
        if (m_awaiting)
            m_result.text = m_reply.text();
        m_awaiting = false;
        while (m_device.busy() && m_scheduler.pumpOnce()) { }
        return m_result;
    }

    // A numbered request of the main window, with its rule for the firmware the program believes in.
    Reply command(int number, const DeviceCommand::Fields& fields, int firmware)
    {
        return exchange(requestText(number, fields), DeviceCommand::replyRule(number, firmware));
    }

    // A read that is complete by its rule and left nothing behind; its joined text.
    std::string read(const std::string& request, ReplyRule rule)
    {
        const Reply reply = exchange(request, rule);
        EXPECT_TRUE(reply.complete) << request << " -> " << reply.text;
        EXPECT_EQ(reply.lateBytes, 0u) << request << " completed before its reply ended: " << reply.text;
        return reply.text;
    }
    std::string read(int number, const DeviceCommand::Fields& fields, int firmware)
    {
        return read(requestText(number, fields), DeviceCommand::replyRule(number, firmware));
    }

    // A setting request the device acknowledges with "OK".
    void acknowledged(Command command, const std::string& request)
    {
        const Reply reply = exchange(request, replyRule(command, m_device.model().firmware()));
        EXPECT_TRUE(reply.complete) << request << " -> " << reply.text;
    }

    SimulatedDevice& device() { return m_device; }
    const SimDeviceModel::Sensor& model(Sensor s) const { return m_device.model().sensor(s.board, s.sensor); }
    std::int64_t now() const { return m_scheduler.nowMicros(); }
    const test::RecordingDialogs& dialogs() const { return m_dialogs; }

private:
    static std::string requestText(int number, const DeviceCommand::Fields& fields)
    {
        const auto request = DeviceCommand::build(number, fields);
        EXPECT_TRUE(request.has_value()) << "number " << number << " builds no request";
        return request ? request->text : std::string();
    }

    void onArrival()
    {
        while (const std::size_t n = m_port.ReadAvailable()) {
            if (!m_awaiting) {
                m_result.lateBytes += n;
                continue;
            }
            m_reply.append(m_port.ReceiveBuffer(), n);
            if (isReplyComplete(m_rule, m_reply)) {
                m_result.text = m_reply.text();
                m_result.complete = true;
                m_awaiting = false;
            }
        }
    }

    VirtualScheduler m_scheduler;
    SimulatedDevice m_device;
    SimSerialBackend m_backend;
    test::RecordingDialogs m_dialogs;
    CSeriell m_port {m_backend, m_dialogs};
    CGlobal m_log;
    ReplyText m_reply {JoinRules::MainWindow};
    ReplyRule m_rule;
    Reply m_result;
    bool m_awaiting = false;
};

using Layout = std::tuple<int, bool>; // firmware, multi-line replies

class SimulatorCrossCheck : public ::testing::TestWithParam<Layout> {
protected:
    int firmware() const { return std::get<0>(GetParam()); }
    bool multiLine() const { return std::get<1>(GetParam()); }

    void TearDown() override
    {
        EXPECT_TRUE(m_link.dialogs().problems.empty()) << m_link.dialogs().problems.front();
        EXPECT_TRUE(m_link.dialogs().messages.empty()) << m_link.dialogs().messages.front();
    }

    // The firmware number as the program learns it, from "getversion".
    int askFirmware() { return decodeVersion(m_link.read(DeviceCommand::GetVersion, {}, 0)).firmware; }

    void capture(Sensor s, int fw)
    {
        const Link::Reply reply = m_link.command(DeviceCommand::CaptureRange, fieldsFor(s), fw);
        EXPECT_TRUE(reply.complete) << reply.text;
        EXPECT_EQ(m_link.model(s).code, rangeSetting(fieldsFor(s).rangeIndex)->code) << "the device took the code sent";
    }

    Link m_link {deviceConfig(firmware(), multiLine(), false)};
};

} // namespace

TEST_P(SimulatorCrossCheck, identityBoardCountAndUserTime)
{
    for (const bool longIdentity : {false, true}) {
        SCOPED_TRACE(longIdentity ? "long identity replies" : "short identity replies");
        Link link(deviceConfig(firmware(), multiLine(), longIdentity));

        const std::string testcon = link.read(DeviceCommand::Testcon, {}, 0);
        const BoardCount boards = decodeBoardCount(testcon);
        EXPECT_EQ(boards.count, kBoards);
        EXPECT_TRUE(boards.reported);
        EXPECT_EQ(testconStatusCount(testcon), std::to_string(kBoards));

        EXPECT_EQ(decodeHardware(link.read(DeviceCommand::GetHw, {}, 0)), kHardware);
        EXPECT_EQ(decodeSerial(link.read(DeviceCommand::GetSerial, {}, 0)), kSerial);
        const VersionReply version = decodeVersion(link.read(DeviceCommand::GetVersion, {}, 0));
        EXPECT_EQ(version.firmware, firmware());
        EXPECT_EQ(version.text, std::to_string(firmware()));

        // User time is kept per board; a user capture (code 8) takes it.
        DeviceCommand::Fields fields = fieldsFor(kWhite);
        fields.userTimeMs = 250;
        EXPECT_TRUE(link.command(DeviceCommand::SetUserTime, fields, firmware()).complete);
        EXPECT_EQ(decodeUserTime(link.read(DeviceCommand::GetUserTime, fields, firmware())), 250);
        EXPECT_EQ(link.device().model().board(kWhite.board).userTime, 250);
        fields.board = 1;
        EXPECT_EQ(decodeUserTime(link.read(DeviceCommand::GetUserTime, fields, firmware())),
            link.device().model().board(1).userTime);

        const std::int64_t start = link.now();
        const Link::Reply user = link.command(DeviceCommand::CaptureUser, fieldsFor(kWhite), firmware());
        EXPECT_TRUE(user.complete) << user.text;
        EXPECT_GE(link.now() - start, 250'000);
        EXPECT_LT(link.now() - start, 260'000);
        EXPECT_EQ(link.model(kWhite).code, kUserTimeCode);
    }
}

TEST_P(SimulatorCrossCheck, colourReadsDecodeToTheModelsReading)
{
    const int fw = askFirmware();
    ASSERT_EQ(fw, firmware());
    const int fullScale = rgbFullScale(fw);

    for (const Sensor s : {kOrange, kBlue, kWhite}) {
        SCOPED_TRACE("board " + std::to_string(s.board) + " sensor " + std::to_string(s.sensor));
        capture(s, fw);
        const SimReading& expected = m_link.model(s).last;
        ASSERT_EQ(m_link.model(s).captures, 1);
        const DeviceCommand::Fields fields = fieldsFor(s);

        const RgbiReply rgbi = decodeRgbi(m_link.read(DeviceCommand::GetRgbi, fields, fw), fw);
        EXPECT_EQ(std::tie(rgbi.red, rgbi.green, rgbi.blue, rgbi.intensity),
            std::tie(expected.red, expected.green, expected.blue, expected.intensity));

        const HsiReply hsi = decodeHsi(m_link.read(DeviceCommand::GetHsi, fields, fw));
        EXPECT_NEAR(hsi.hue, expected.hue, 0.0051);
        EXPECT_EQ(hsi.saturation, expected.saturation);
        EXPECT_EQ(hsi.intensity, expected.intensity);

        const XyReply xy = decodeXy(m_link.read(DeviceCommand::GetXy, fields, fw));
        EXPECT_NEAR(xy.x, expected.x, 0.000051);
        EXPECT_NEAR(xy.y, expected.y, 0.000051);

        // "getintensity" has no number of the main window; the measurement list asks for it.
        const std::string intensity = decodeIntensityText(m_link.read(
            formatSensorRequest(Command::GetIntensity, s.sensor, s.board), replyRule(Command::GetIntensity, fw)));
        EXPECT_EQ(intensity.size(), 5u) << intensity;
        EXPECT_EQ(std::atoi(intensity.c_str()), expected.intensity);

        if (fw >= kFirmwareColourTemperature) {
            EXPECT_NEAR(decodeColourTemperature(m_link.read(DeviceCommand::GetCTemp, fields, fw)), expected.cct, 0.051);
        } else {
            // Why the program's test stops short of "getctemp" below 1004: the device refuses it.
            const auto ctemp = m_link.command(DeviceCommand::GetCTemp, fields, fw);
            EXPECT_TRUE(containsError(ctemp.text)) << ctemp.text;
        }
    }

    // Full scale as both sides see it: a saturated LED fills its brightest channel exactly, and
    // the orange one at 30 % of saturation fills 30 % of the scale.
    const RgbiReply blue = decodeRgbi(m_link.read(DeviceCommand::GetRgbi, fieldsFor(kBlue), fw), fw);
    EXPECT_EQ(blue.blue, fullScale);
    EXPECT_EQ(blue.intensity, 99999);
    const RgbiReply orange = decodeRgbi(m_link.read(DeviceCommand::GetRgbi, fieldsFor(kOrange), fw), fw);
    EXPECT_NEAR(orange.red, fullScale * kOrangeIntensity / 99999.0, 1.0);
    EXPECT_EQ(orange.blue, 0);
}

TEST_P(SimulatorCrossCheck, offsetsAndDistanceFromFirmware1007On)
{
    const int fw = askFirmware();
    const DeviceCommand::Fields orange = fieldsFor(kOrange);
    const DeviceCommand::Fields blue = fieldsFor(kBlue);

    capture(kOrange, fw);
    const SimReading before = m_link.model(kOrange).last;
    m_link.acknowledged(
        Command::SetXOffset, formatSetOffset(Command::SetXOffset, kOrange.sensor, "0.0125", kOrange.board));
    m_link.acknowledged(
        Command::SetYOffset, formatSetOffset(Command::SetYOffset, kOrange.sensor, "-0.0310", kOrange.board));
    // Pulls the blue LED's y below zero: the field keeps its width and its sign.
    m_link.acknowledged(Command::SetYOffset, formatSetOffset(Command::SetYOffset, kBlue.sensor, "-0.5", kBlue.board));
    EXPECT_DOUBLE_EQ(m_link.model(kOrange).xOffset, 0.0125);
    EXPECT_DOUBLE_EQ(m_link.model(kOrange).yOffset, -0.031);
    EXPECT_DOUBLE_EQ(m_link.model(kBlue).yOffset, -0.5);

    if (fw < kFirmwareWideCounts) {
        // Why the program's test stops short of the offsets and the distance below 1007.
        for (const int number : {DeviceCommand::GetXOffset, DeviceCommand::GetYOffset, DeviceCommand::GetDistance}) {
            const auto reply = m_link.command(number, orange, fw);
            EXPECT_TRUE(containsError(reply.text)) << number << ": " << reply.text;
        }
        return;
    }

    m_link.acknowledged(Command::SetDistance, formatSetDistance(kOrange.sensor, "12.5", kOrange.board));
    EXPECT_DOUBLE_EQ(m_link.model(kOrange).distance, 12.5);

    const OffsetReply x = decodeOffset(m_link.read(DeviceCommand::GetXOffset, orange, fw));
    EXPECT_DOUBLE_EQ(x.value, 0.0125);
    EXPECT_EQ(x.text, "0.0125") << "a non-negative offset is shown without its sign";
    const OffsetReply y = decodeOffset(m_link.read(DeviceCommand::GetYOffset, orange, fw));
    EXPECT_DOUBLE_EQ(y.value, -0.031);
    EXPECT_EQ(y.text, "-0.0310");
    const OffsetReply untouched = decodeOffset(m_link.read(DeviceCommand::GetXOffset, blue, fw));
    EXPECT_DOUBLE_EQ(untouched.value, 0.0);
    EXPECT_EQ(untouched.text, "0.0000");
    EXPECT_DOUBLE_EQ(decodeDistance(m_link.read(DeviceCommand::GetDistance, orange, fw)), 12.5);
    EXPECT_DOUBLE_EQ(decodeDistance(m_link.read(DeviceCommand::GetDistance, blue, fw)), m_link.model(kBlue).distance);

    // The offsets move the chromaticity of the next capture, and the program reads it so.
    capture(kOrange, fw);
    const XyReply moved = decodeXy(m_link.read(DeviceCommand::GetXy, orange, fw));
    EXPECT_NEAR(moved.x, before.x + 0.0125, 0.000051);
    EXPECT_NEAR(moved.y, before.y - 0.031, 0.000051);
    EXPECT_NEAR(decodeColourTemperature(m_link.read(DeviceCommand::GetCTemp, orange, fw)),
        m_link.model(kOrange).last.cct, 0.051);

    capture(kBlue, fw);
    const XyReply negative = decodeXy(m_link.read(DeviceCommand::GetXy, blue, fw));
    ASSERT_LT(m_link.model(kBlue).last.y, 0.0);
    EXPECT_NEAR(negative.x, m_link.model(kBlue).last.x, 0.000051);
    EXPECT_NEAR(negative.y, m_link.model(kBlue).last.y, 0.00051) << "three decimals once the sign takes a place";
}

INSTANTIATE_TEST_SUITE_P(Layouts, SimulatorCrossCheck,
    ::testing::Combine(::testing::Values(1003, 1006, 1007), ::testing::Bool()),
    [](const ::testing::TestParamInfo<Layout>& layout) {
        return "firmware" + std::to_string(std::get<0>(layout.param))
            + (std::get<1>(layout.param) ? "_multiLine" : "_oneLine");
    });
