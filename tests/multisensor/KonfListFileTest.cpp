#include "multisensor/KonfListFile.h"
#include "multisensor/CKonfList.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace lumivex {
namespace {

// Values chosen so that every field has a different, recognisable byte pattern, signed fields
// carry their sign and the texts use their full width.
CKonfList goldenRecord()
{
    CKonfList r;
    r.Index = 3;
    r.SensorNo = 258;
    r.TestMode = 2;
    r.MeasureTime = 8;
    r.Range = 1;
    r.PwmRuns = 15;
    r.UserTime = 10000;
    r.Gain = 500;
    r.XOffset = "-0.0123";
    r.YOffset = "0.5";
    r.DevIntensPercent = 100;
    r.DevXYPercent = -1;
    r.ChangeFlags = 0xA1FD;
    r.OptionFlags = 0x0005;
    r.DevIntensAbs = 32767;
    r.DevXYAbs = 0.25f;
    r.Distance = "12.5";
    return r;
}

// Written from the layout table, field by field.
const KonfRecordBytes kGoldenBytes = {
    0x03, 0x00, // 0 Index 3
    0x02, 0x01, // 2 SensorNo 258
    0x02, // 4 TestMode
    0x08, // 5 MeasureTime
    0x01, // 6 Range
    0x0F, // 7 PwmRuns
    0x10, 0x27, // 8 UserTime 10000
    0xF4, 0x01, // 10 Gain 500
    '-', '0', '.', '0', '1', '2', '3', 0x00, // 12 XOffset
    '0', '.', '5', 0x00, 0x00, 0x00, 0x00, 0x00, // 20 YOffset
    0x64, 0x00, // 28 DevIntensPercent 100
    0xFF, 0xFF, // 30 DevXYPercent -1
    0xFD, 0xA1, // 32 ChangeFlags
    0x05, 0x00, // 34 OptionFlags
    0xFF, 0x7F, // 36 DevIntensAbs 32767
    0x00, 0x00, // 38 reserved
    0x00, 0x00, 0x80, 0x3E, // 40 DevXYAbs 0.25f
    '1', '2', '.', '5', 0x00, 0x00, 0x00, 0x00, // 44 Distance
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, // 52 reserved
};

TEST(KonfRecord, WritesTheGoldenBytes)
{
    EXPECT_EQ(encodeKonfRecord(goldenRecord()), kGoldenBytes);
}

TEST(KonfRecord, ReadsTheGoldenBytesIgnoringReservedBytes)
{
    KonfRecordBytes bytes = kGoldenBytes;
    bytes[38] = 0xAA;
    bytes[39] = 0x55;
    for (std::size_t i = 52; i < kKonfRecordSize; ++i)
        bytes[i] = 0xCC;
    EXPECT_EQ(decodeKonfRecord(bytes), goldenRecord());
}

TEST(KonfRecord, TextWithoutTerminatorStaysInsideItsField)
{
    KonfRecordBytes bytes = kGoldenBytes;
    for (std::size_t i = 12; i < 20; ++i)
        bytes[i] = 'X'; // no zero: the text must not run on into YOffset
    for (std::size_t i = 44; i < 52; ++i)
        bytes[i] = '9';
    const CKonfList r = decodeKonfRecord(bytes);
    EXPECT_EQ(r.XOffset.str(), "XXXXXXX");
    EXPECT_EQ(r.YOffset.str(), "0.5");
    EXPECT_EQ(r.Distance.str(), "9999999");
    // Written back, the field is zero-terminated again.
    EXPECT_EQ(encodeKonfRecord(r)[19], 0);
}

TEST(KonfRecord, FloatBitsSurviveARoundTrip)
{
    for (float value : {0.0f, -0.0f, 0.9999f, -1e-30f, std::numeric_limits<float>::infinity(),
             std::numeric_limits<float>::quiet_NaN()}) {
        CKonfList r;
        r.DevXYAbs = value;
        const float back = decodeKonfRecord(encodeKonfRecord(r)).DevXYAbs;
        EXPECT_EQ(std::signbit(back), std::signbit(value));
        if (std::isnan(value))
            EXPECT_TRUE(std::isnan(back));
        else
            EXPECT_EQ(back, value);
    }
}

TEST(ShortText, KeepsAtMostSevenCharactersAndStopsAtAZero)
{
    struct Case {
        std::string_view in;
        std::string_view out;
    };
    const std::vector<Case> cases = {
        {"", ""},
        {"0.0000", "0.0000"},
        {"1234567", "1234567"},
        {"12345678", "1234567"},
        {"-0.00001234", "-0.0000"},
        {std::string_view("ab\0cd", 5), "ab"},
    };
    for (const Case& c : cases) {
        const ShortText text(c.in);
        EXPECT_EQ(text.view(), c.out) << c.in;
        EXPECT_EQ(text.bytes().back(), '\0');
    }
}

TEST(SensorAddressing, ListNumberAndBoardAreInverse)
{
    struct Case {
        int sensorNo, board, sensor;
    };
    for (const Case& c : std::vector<Case> {{1, 1, 1}, {5, 1, 5}, {6, 2, 1}, {7, 2, 2}, {10, 2, 5}, {11, 3, 1}}) {
        EXPECT_EQ(boardOfSensor(c.sensorNo), c.board) << c.sensorNo;
        EXPECT_EQ(sensorOnBoard(c.sensorNo), c.sensor) << c.sensorNo;
        EXPECT_EQ(sensorListNumber(c.board, c.sensor), c.sensorNo);
    }
}

} // namespace
} // namespace lumivex
