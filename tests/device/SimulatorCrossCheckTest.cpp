// The simulated device checked from the program's side: every read request is built by the
// program's own formatting, travels through CSeriell and DeviceExchange to the in-process port,
// must complete by the program's rule and is decoded by the program's decoders. What comes out
// has to match the simulator's model. The simulator's own tests read its replies with their own
// helpers; a fault on either side shows up here as a mismatch.
#include "base/VirtualScheduler.h"
#include "device/CSeriell.h"
#include "device/DeviceCommand.h"
#include "device/DeviceExchange.h"
#include "device/ReplyDecode.h"
#include "foundation/CGlobal.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"

#include "RecordingDialogs.h"
#include "SimWire.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <tuple>

using namespace lumivex;
using namespace std::chrono_literals;
using test::led;
using Model = SimDeviceModel::Sensor;

namespace {

struct Sensor {
    int board;
    int sensor; // 1..5
};
// An orange LED, a saturated blue one on the last of three boards, a white one.
constexpr Sensor kOrange {1, 3};
constexpr Sensor kBlue {3, 5};
constexpr Sensor kWhite {2, 1};

// The identity replies do not depend on the multi-line fault, so the device with multi-line
// replies also sends the long identity replies.
SimConfig deviceConfig(int firmware, bool multiLine)
{
    SimConfig config = test::configWith(firmware,
        {{kOrange.board, kOrange.sensor, led(255, 128, 0, 30000)}, {kBlue.board, kBlue.sensor, led(20, 70, 255, 99999)},
            {kWhite.board, kWhite.sensor, led(255, 255, 255, 50000)}});
    config.boards = 3;
    config.longIdentity = multiLine;
    config.faults.multiLine = multiLine;
    return config;
}

// The program's half of the line on the simulated device's in-process port, in virtual time.
struct Link {
    using State = ReplyCollector::State;

    explicit Link(SimConfig config) : device(scheduler, std::move(config)), backend(scheduler, device)
    {
        backend.setBytesArrivedCallback([this] { exchange.ReadArrived(); });
        port.SetPortName(SimSerialBackend::kPortName);
        EXPECT_EQ(port.OpenPort(), 1);
        port.SetBaudRate(115200);
    }

    // Sends one request and waits, as the main window does, at most 200 ticks of 10 ms for its
    // reply to be over; then lets the device finish. The reply's text as far as it came.
    std::string send(const std::string& request, ReplyRule rule)
    {
        EXPECT_TRUE(exchange.Send(request, rule, dialogs, log)) << request;
        bool expired = false;
        const auto guard = scheduler.singleShot(2s, [&expired] { expired = true; });
        while (exchange.State() == State::Pending && !expired && scheduler.pumpOnce()) { }
        scheduler.killTimer(guard);
        state = exchange.State();
        const std::string text = exchange.Text();
        exchange.Abandon();
        while (device.busy() && scheduler.pumpOnce()) { }
        return text;
    }
    // A numbered request of the main window for the sensor (its sensor field counts from 0, its
    // range index 3 is code 4, 60 ms, 3 x 3), with its rule for the firmware the program believes in.
    std::string command(int number, Sensor s, int firmware)
    {
        DeviceCommand::Fields fields;
        fields.board = s.board;
        fields.sensor = s.sensor - 1;
        fields.rangeIndex = 3;
        const auto request = DeviceCommand::build(number, fields);
        EXPECT_TRUE(request.has_value()) << "number " << number << " builds no request";
        return send(request ? request->text : std::string(), DeviceCommand::replyRule(number, firmware));
    }
    const Model& model(Sensor s) const { return device.model().sensor(s.board, s.sensor); }

    VirtualScheduler scheduler;
    SimulatedDevice device;
    SimSerialBackend backend;
    test::RecordingDialogs dialogs;
    CSeriell port {backend, dialogs};
    CGlobal log;
    DeviceExchange exchange {port, JoinRules::MainWindow};
    State state = State::Pending;
};

void near(double actual, double expected, int decimals)
{
    EXPECT_NEAR(actual, expected, 0.51 * std::pow(10.0, -decimals));
}

// One read of a sensor and how its decoded reply must match the model.
struct Read {
    const char* name;
    int number; // the main window's; 0 for "getintensity", which the measurement list sends
    int fromFirmware; // below it the device refuses the request
    void (*check)(const std::string& reply, int firmware, const Model& model);
};

const Read kReads[] = {
    {"rgbi", DeviceCommand::GetRgbi, 0,
        [](const std::string& reply, int fw, const Model& m) {
            const RgbiReply v = decodeRgbi(reply, fw);
            EXPECT_EQ(std::tie(v.red, v.green, v.blue, v.intensity),
                std::tie(m.last.red, m.last.green, m.last.blue, m.last.intensity));
        }},
    {"hsi", DeviceCommand::GetHsi, 0,
        [](const std::string& reply, int, const Model& m) {
            const HsiReply v = decodeHsi(reply);
            near(v.hue, m.last.hue, 2);
            EXPECT_EQ(std::tie(v.saturation, v.intensity), std::tie(m.last.saturation, m.last.intensity));
        }},
    {"xy", DeviceCommand::GetXy, 0,
        [](const std::string& reply, int, const Model& m) {
            // Three decimals once the sign takes a place.
            near(decodeXy(reply).x, m.last.x, m.last.x < 0 ? 3 : 4);
            near(decodeXy(reply).y, m.last.y, m.last.y < 0 ? 3 : 4);
        }},
    {"intensity", 0, 0,
        [](const std::string& reply, int, const Model& m) {
            EXPECT_EQ(decodeIntensityText(reply).size(), 5u) << reply;
            EXPECT_EQ(std::atoi(decodeIntensityText(reply).c_str()), m.last.intensity);
        }},
    {"colour temperature", DeviceCommand::GetCTemp, kFirmwareColourTemperature,
        [](const std::string& reply, int, const Model& m) { near(decodeColourTemperature(reply), m.last.cct, 1); }},
    {"x offset", DeviceCommand::GetXOffset, kFirmwareWideCounts,
        [](const std::string& reply, int, const Model& m) { EXPECT_DOUBLE_EQ(decodeOffset(reply).value, m.xOffset); }},
    {"y offset", DeviceCommand::GetYOffset, kFirmwareWideCounts,
        [](const std::string& reply, int, const Model& m) { EXPECT_DOUBLE_EQ(decodeOffset(reply).value, m.yOffset); }},
    {"distance", DeviceCommand::GetDistance, kFirmwareWideCounts,
        [](const std::string& reply, int, const Model& m) { EXPECT_DOUBLE_EQ(decodeDistance(reply), m.distance); }},
};

// Firmware and multi-line replies.
using Layout = std::tuple<int, bool>;
class SimulatorCrossCheck : public ::testing::TestWithParam<Layout> { };

} // namespace

TEST_P(SimulatorCrossCheck, everyReadDecodesToTheModel)
{
    const auto [firmware, multiLine] = GetParam();
    Link link(deviceConfig(firmware, multiLine));
    // The firmware number as the program learns it, from "getversion".
    const int fw = decodeVersion(link.command(DeviceCommand::GetVersion, {}, 0)).firmware;
    ASSERT_EQ(fw, firmware);

    // Offsets can be set on every firmware, the distance from 1007 on; the blue LED's y goes
    // below zero, where the field keeps its width and its sign. The device acknowledges each.
    const std::tuple<Command, std::string, double Model::*, Sensor, double> settings[] = {
        {Command::SetXOffset, formatSetOffset(Command::SetXOffset, kOrange.sensor, "0.0125", kOrange.board),
            &Model::xOffset, kOrange, 0.0125},
        {Command::SetYOffset, formatSetOffset(Command::SetYOffset, kOrange.sensor, "-0.0310", kOrange.board),
            &Model::yOffset, kOrange, -0.031},
        {Command::SetYOffset, formatSetOffset(Command::SetYOffset, kBlue.sensor, "-0.5", kBlue.board), &Model::yOffset,
            kBlue, -0.5},
        {Command::SetDistance, formatSetDistance(kOrange.sensor, "12.5", kOrange.board), &Model::distance, kOrange,
            12.5},
    };
    for (const auto& [command, request, field, s, value] : settings) {
        if (command == Command::SetDistance && fw < kFirmwareWideCounts)
            continue;
        link.send(request, replyRule(command, fw));
        EXPECT_TRUE(link.state == Link::State::Complete && link.model(s).*field == value) << request;
    }

    for (const Sensor s : {kOrange, kBlue, kWhite}) {
        SCOPED_TRACE("board " + std::to_string(s.board) + " sensor " + std::to_string(s.sensor));
        link.command(DeviceCommand::CaptureRange, s, fw);
        ASSERT_TRUE(link.state == Link::State::Complete && link.model(s).code == 4 && link.model(s).captures == 1)
            << "the device took the code of range index 3";
        for (const Read& r : kReads) {
            SCOPED_TRACE(r.name);
            const std::string intensity = formatSensorRequest(Command::GetIntensity, s.sensor, s.board);
            const std::string reply = r.number != 0 ? link.command(r.number, s, fw)
                                                    : link.send(intensity, replyRule(Command::GetIntensity, fw));
            // Below its firmware the device refuses the read: why the program's test skips it there.
            EXPECT_EQ(link.state, fw < r.fromFirmware ? Link::State::DeviceError : Link::State::Complete) << reply;
            if (fw >= r.fromFirmware)
                r.check(reply, fw, link.model(s));
        }
    }
    EXPECT_TRUE(link.dialogs.problems.empty() && link.dialogs.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Layouts, SimulatorCrossCheck,
    ::testing::Combine(::testing::Values(1003, 1006, 1007), ::testing::Bool()),
    [](const ::testing::TestParamInfo<Layout>& layout) {
        return "firmware" + std::to_string(std::get<0>(layout.param))
            + (std::get<1>(layout.param) ? "_multiLineLongIdentity" : "_oneLine");
    });
