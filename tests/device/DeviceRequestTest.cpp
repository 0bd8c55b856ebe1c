// The requests as the main window's numbers and the other senders build them, and the protocol's
// log lines.
#include "device/DeviceRequest.h"
#include "device/DeviceCommand.h"
#include "device/ProtocolLog.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

using namespace lumivex;

TEST(DeviceCommandTest, requestsOfTheNumbersAndTheSensorTheyRead)
{
    DeviceCommand::Fields fields;
    fields.board = 3;
    fields.sensor = 4; // sent as 5
    fields.rangeIndex = 3;
    fields.pwmFactor = 7;
    fields.userTimeMs = 250;
    // The request, its number and the list index of the sensor it reads (0: none; five a board).
    const std::pair<int, const char*> cases[]
        = {{1, "testcon\r 1 0"}, {2, "capture\r 2 0"}, {3, "capture405 3\r 3 0"}, {4, "capturepwm075 3\r 4 0"},
            {5, "capture805 3\r 5 0"}, {6, "getrgbi5 3\r 6 15"}, {7, "gethsi5 3\r 7 15"}, {8, "getxy5 3\r 8 15"},
            {12, "getusertime 3\r 12 0"}, {14, "setusertime00250 3\r 14 0"}, {17, "getserial\r 17 0"},
            {18, "getversion\r 18 0"}, {19, "gethw\r 19 0"}, {23, "getctemp5 3\r 23 15"}, {24, "setdefault\r 24 0"},
            {25, "getxoffset5 3\r 25 15"}, {26, "getyoffset5 3\r 26 15"}, {27, "getdistance5 3\r 27 15"}};
    for (const auto& [number, expected] : cases) {
        const auto request = DeviceCommand::build(number, fields);
        EXPECT_EQ(request ? request->text + " " + std::to_string(request->number) + " "
                    + std::to_string(request->sensorListIndex.value_or(0))
                          : "none",
            expected);
    }
    const auto range = DeviceCommand::build(DeviceCommand::CaptureRange, fields);
    EXPECT_TRUE(range->capture == (RangeSetting {4, 0}) && !range->precededBy);

    fields.area9x9 = true;
    const auto user = DeviceCommand::build(DeviceCommand::CaptureUser, fields);
    EXPECT_EQ(user->text, "capture815 3\r");
    EXPECT_TRUE(user->capture == (RangeSetting {8, 1}) && user->precededBy == DeviceCommand::SetUserTime);

    for (int number : {0, 9, 10, 11, 13, 15, 16, 20, 21, 22, 28, -1, 1000})
        EXPECT_FALSE(DeviceCommand::build(number, fields)) << number;
    fields.rangeIndex = 12;
    EXPECT_FALSE(DeviceCommand::build(DeviceCommand::CaptureRange, fields)) << "past the range list";
}

TEST(DeviceCommandTest, pwmTimeoutFollowsTheLastCaptureCode)
{
    const struct {
        int factor, lastCode, userTimeMs, ticks;
        const char* why;
    } cases[] = {
        {0, 8, 1, 7, "integer division: (0 + 1) x 1 ms x 5 / 2 + 5"},
        {1, 2, 0, 1005, "code 2 (200 ms), as before any capture"},
        {1, 6, 0, 55, "code 6 (10 ms)"},
        {1, 8, 1000, 5005, "code 8 takes the user time"},
        {1, 0, 1000, 1005, "after DISABLE the capture time counts as 200 ms"},
        {15, 1, 0, 24005, "the largest factor"},
        {15, 8, 99999, 3999965, "no overflow with the longest user time"},
    };
    for (const auto& c : cases) {
        DeviceCommand::Fields fields;
        fields.pwmFactor = c.factor;
        fields.lastCaptureCode = c.lastCode;
        fields.userTimeMs = c.userTimeMs;
        EXPECT_EQ(DeviceCommand::build(DeviceCommand::CapturePwm, fields)->pwmTimeoutTicks, c.ticks) << c.why;
    }
}

TEST(DeviceCommandTest, replyRuleByNumber)
{
    using Kind = ReplyRule::Kind;
    // The read commands' rules are held against the simulated device in SimulatorCrossCheckTest.
    EXPECT_EQ(DeviceCommand::replyRule(9, 1007), (ReplyRule {Kind::RawBytes, 6}));
    EXPECT_EQ(DeviceCommand::replyRule(10, 1007), (ReplyRule {Kind::RawBytes, 4}));
    EXPECT_EQ(DeviceCommand::replyRule(11, 1007), (ReplyRule {Kind::RawBytes, 20}));
    for (int number : {1, 2, 3, 4, 5, 13, 14, 15, 16, 20, 24})
        EXPECT_EQ(DeviceCommand::replyRule(number, 1007).kind, Kind::ContainsOk) << number;
    for (int number : {0, 21, 22, 28, -5})
        EXPECT_EQ(DeviceCommand::replyRule(number, 1007).kind, Kind::Immediately) << number;
}

// The shapes only the measurement list, the stability analysis and the I/O dialog send.
TEST(DeviceRequestTest, requestsMatchTheDeviceGrammar)
{
    // Offsets always carry a sign; only a leading minus counts as one of its own.
    const std::pair<std::string, const char*> cases[] = {{formatPlainRequest(Command::CapturePwm), "capturepwm\r"},
        {formatCodeAreaRequest(Command::SetCapTime, 7, 0, 5, 12), "setcaptime705 12\r"},
        {formatCapturePwm(15, 5, 2), "capturepwm155 2\r"}, {formatSetUserTime(20000, 2), "setusertime20000 2\r"},
        {formatSetUserTime(7, 2), "setusertime00007 2\r"}, {formatSetAverage(4, 1), "setaverage04 1\r"},
        {formatSetIntGain(3, 5, 2), "setintgain3005 2\r"}, {formatSetIntGain(3, 100, 2), "setintgain3100 2\r"},
        {formatSetDistance(4, "2.0", 1), "setdistance42.0 1\r"},
        {formatSensorRequest(Command::GetIntensity, 1, 10), "getintensity1 10\r"},
        {formatSetOutput(0, false), "setoutput00\r"}, {formatSetOutput(1, true), "setoutput11\r"},
        {formatSetOffset(Command::SetXOffset, 2, "0.0125", 1), "setxoffset2+0.0125 1\r"},
        {formatSetOffset(Command::SetXOffset, 2, "-0.0125", 1), "setxoffset2-0.0125 1\r"},
        {formatSetOffset(Command::SetYOffset, 1, "", 1), "setyoffset1+ 1\r"}};
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(text, expected);

    // A long value is formatted whole, for the sender to refuse.
    const std::string value(600, '1');
    const std::string request = formatSetDistance(1, value, 1);
    EXPECT_EQ(request, "setdistance1" + value + " 1\r");
    EXPECT_TRUE(isRequestTooLong(request));
}

TEST(DeviceRequestTest, captureTimesAndRanges)
{
    // Codes 1 to 7, 8 the user time (250 ms here), and three that are none.
    const std::pair<int, std::optional<int>> times[] = {{1, 600}, {2, 200}, {3, 120}, {4, 60}, {5, 20}, {6, 10}, {7, 2},
        {8, 250}, {0, std::nullopt}, {-1, std::nullopt}, {9, std::nullopt}};
    for (const auto& [code, ms] : times)
        EXPECT_EQ(captureTimeMs(code, 250), ms) << "code " << code;

    // Index 0 is DISABLE; the 9 x 9 ranges start at 20 ms.
    EXPECT_EQ((std::vector {rangeSetting(0), rangeSetting(1), rangeSetting(6), rangeSetting(7), rangeSetting(11),
                  rangeSetting(-1)}),
        (std::vector<std::optional<RangeSetting>> {RangeSetting {0, 0}, RangeSetting {6, 0}, RangeSetting {1, 0},
            RangeSetting {5, 1}, RangeSetting {1, 1}, {}}));
}

TEST(ProtocolLogTest, linesAreWindows1252AndTakeRepliesAsData)
{
    // The lines of a sent request, an "OK" and a reply are checked in the main window's log.
    EXPECT_EQ(ProtocolLog::commandNotSent("testcon\r"), "Befehl testcon\r - konnte nicht ausgef\xFChrt werden!");
    EXPECT_EQ(ProtocolLog::noValidResponse(23), "No valid response from command 23");
    EXPECT_EQ(ProtocolLog::reply("%s%d", 7), "R\374ckmeldung %s%d von Befehl 7") << "a \"%\" in a reply is no format";
}
