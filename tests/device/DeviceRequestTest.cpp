#include "device/DeviceRequest.h"
#include "device/ProtocolLog.h"

#include <gtest/gtest.h>

#include <string>

using namespace lumivex;

// The requests the numbered commands send are checked in DeviceCommandTest; these are the shapes
// only the measurement list, the stability analysis and the I/O dialog send.
TEST(DeviceRequestTest, requestsMatchTheDeviceGrammar)
{
    const struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {formatPlainRequest(Command::CapturePwm), "capturepwm\r"},
        {formatCodeAreaRequest(Command::SetCapTime, 7, 0, 5, 12), "setcaptime705 12\r"},
        {formatCapturePwm(15, 5, 2), "capturepwm155 2\r"},
        {formatSetUserTime(20000, 2), "setusertime20000 2\r"},
        {formatSetUserTime(7, 2), "setusertime00007 2\r"},
        {formatSetAverage(4, 1), "setaverage04 1\r"},
        {formatSetIntGain(3, 5, 2), "setintgain3005 2\r"},
        {formatSetIntGain(3, 100, 2), "setintgain3100 2\r"},
        {formatSetDistance(4, "2.0", 1), "setdistance42.0 1\r"},
        {formatSensorRequest(Command::GetIntensity, 1, 10), "getintensity1 10\r"},
        {formatSetOutput(0, false), "setoutput00\r"},
        {formatSetOutput(1, true), "setoutput11\r"},
        // Offsets always carry a sign; only a leading minus counts as one of its own.
        {formatSetOffset(Command::SetXOffset, 2, "0.0125", 1), "setxoffset2+0.0125 1\r"},
        {formatSetOffset(Command::SetXOffset, 2, "-0.0125", 1), "setxoffset2-0.0125 1\r"},
        {formatSetOffset(Command::SetYOffset, 1, "", 1), "setyoffset1+ 1\r"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.text, c.expected);

    // A long value is formatted whole, for the sender to refuse.
    const std::string value(600, '1');
    const std::string request = formatSetDistance(1, value, 1);
    EXPECT_EQ(request, "setdistance1" + value + " 1\r");
    EXPECT_TRUE(isRequestTooLong(request));
}

TEST(DeviceRequestTest, sensorIndexCaptureTimesAndRanges)
{
    EXPECT_EQ(sensorListIndex(1, 1), 1);
    EXPECT_EQ(sensorListIndex(1, 5), 5);
    EXPECT_EQ(sensorListIndex(2, 1), 6);

    const int expected[] = {600, 200, 120, 60, 20, 10, 2};
    for (int code = 1; code <= 7; ++code)
        EXPECT_EQ(captureTimeMs(code, 999), expected[code - 1]) << "code " << code;
    EXPECT_EQ(captureTimeMs(8, 250), 250) << "code 8 is the user time";
    for (int code : {0, -1, 9})
        EXPECT_EQ(captureTimeMs(code, 250), std::nullopt) << "code " << code;

    EXPECT_EQ(rangeSetting(0), (RangeSetting {0, 0})) << "DISABLE";
    EXPECT_EQ(rangeSetting(1), (RangeSetting {6, 0}));
    EXPECT_EQ(rangeSetting(6), (RangeSetting {1, 0}));
    EXPECT_EQ(rangeSetting(7), (RangeSetting {5, 1})) << "the 9 x 9 ranges start at 20 ms";
    EXPECT_EQ(rangeSetting(11), (RangeSetting {1, 1}));
    EXPECT_EQ(rangeSetting(-1), std::nullopt);
    EXPECT_EQ(rangeSetting(12), std::nullopt);
}

TEST(ProtocolLogTest, linesAreWindows1252AndTakeRepliesAsData)
{
    EXPECT_EQ(ProtocolLog::commandSent("gethw\r"), "Befehl gethw\r - aufgerufen");
    EXPECT_EQ(ProtocolLog::commandNotSent("testcon\r"), "Befehl testcon\r - konnte nicht ausgef\xFChrt werden!");
    EXPECT_EQ(ProtocolLog::replyOk(14),
        "R\xFC"
        "ckmeldung OK von Befehl 14");
    EXPECT_EQ(ProtocolLog::reply("255 128\r\n", 6),
        "R\xFC"
        "ckmeldung 255 128\r\n von Befehl 6");
    EXPECT_EQ(ProtocolLog::noValidResponse(23), "No valid response from command 23");
    EXPECT_EQ(ProtocolLog::reply("%s%d", 7),
        "R\xFC"
        "ckmeldung %s%d von Befehl 7")
        << "a \"%\" in a reply is no format";
}
