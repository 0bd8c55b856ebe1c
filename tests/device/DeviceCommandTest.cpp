#include "device/DeviceCommand.h"

#include <gtest/gtest.h>

#include <string>

using namespace lumivex;

namespace {

DeviceCommand::Fields boardThreeSensorFive()
{
    DeviceCommand::Fields fields;
    fields.board = 3;
    fields.sensor = 4; // sent as 5
    fields.rangeIndex = 3;
    fields.pwmFactor = 7;
    fields.userTimeMs = 250;
    return fields;
}

} // namespace

TEST(DeviceCommandTest, requestsOfTheNumbers)
{
    const DeviceCommand::Fields fields = boardThreeSensorFive();
    const struct {
        int number;
        const char* text;
    } cases[] = {
        {1, "testcon\r"},
        {2, "capture\r"},
        {3, "capture405 3\r"},
        {4, "capturepwm075 3\r"},
        {5, "capture805 3\r"},
        {6, "getrgbi5 3\r"},
        {7, "gethsi5 3\r"},
        {8, "getxy5 3\r"},
        {12, "getusertime 3\r"},
        {14, "setusertime00250 3\r"},
        {17, "getserial\r"},
        {18, "getversion\r"},
        {19, "gethw\r"},
        {23, "getctemp5 3\r"},
        {24, "setdefault\r"},
        {25, "getxoffset5 3\r"},
        {26, "getyoffset5 3\r"},
        {27, "getdistance5 3\r"},
    };
    for (const auto& c : cases) {
        const auto request = DeviceCommand::build(c.number, fields);
        ASSERT_TRUE(request) << c.number;
        EXPECT_EQ(request->text, c.text) << c.number;
        EXPECT_EQ(request->number, c.number);
    }
}

TEST(DeviceCommandTest, numbersWithoutARequestBuildNothing)
{
    const DeviceCommand::Fields fields;
    for (int number : {0, 9, 10, 11, 13, 15, 16, 20, 21, 22, 28, -1, 1000})
        EXPECT_FALSE(DeviceCommand::build(number, fields)) << number;

    DeviceCommand::Fields outOfList;
    outOfList.rangeIndex = 12;
    EXPECT_FALSE(DeviceCommand::build(DeviceCommand::CaptureRange, outOfList));
}

TEST(DeviceCommandTest, stateSetWhenSending)
{
    const DeviceCommand::Fields fields = boardThreeSensorFive();
    for (int number : {6, 7, 8, 23, 25, 26, 27})
        EXPECT_EQ(DeviceCommand::build(number, fields)->sensorListIndex, 15) << number << ": five sensors a board";
    EXPECT_FALSE(DeviceCommand::build(DeviceCommand::Testcon, fields)->sensorListIndex);

    EXPECT_EQ(DeviceCommand::build(DeviceCommand::CaptureRange, fields)->capture, (RangeSetting {4, 0}));

    DeviceCommand::Fields user = fields;
    user.area9x9 = true;
    const auto capture = DeviceCommand::build(DeviceCommand::CaptureUser, user);
    EXPECT_EQ(capture->text, "capture815 3\r");
    EXPECT_EQ(capture->capture, (RangeSetting {8, 1}));
    EXPECT_EQ(capture->precededBy, DeviceCommand::SetUserTime);
    EXPECT_FALSE(DeviceCommand::build(DeviceCommand::CaptureRange, fields)->precededBy);
}

TEST(DeviceCommandTest, pwmTimeoutFollowsTheLastCaptureCode)
{
    EXPECT_EQ(DeviceCommand::pwmTimeoutTicks(0, 1), 7) << "integer division: 5 / 2 = 2";
    const struct {
        int factor, lastCode, userTimeMs, ticks;
        const char* why;
    } cases[] = {
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
