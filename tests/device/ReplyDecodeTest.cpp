#include "device/ReplyDecode.h"
#include "device/ReplyRules.h"
#include "device/ReplyText.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

using namespace lumivex;

namespace {

// The text the main window holds after the device sent these bytes.
std::string joined(std::string_view bytes)
{
    return ReplyText::join(bytes, JoinRules::MainWindow);
}

std::tuple<int, int, int, int> values(const RgbiReply& r)
{
    return {r.red, r.green, r.blue, r.intensity};
}

} // namespace

TEST(ReplyRulesTest, readRepliesCompleteAtTheirByteCount)
{
    const struct {
        Command command;
        int firmware;
        std::size_t waits; // still incomplete at this many bytes
    } cases[] = {
        {Command::GetRgbi, 1006, 17},
        {Command::GetRgbi, 1007, 20},
        {Command::GetRgbi, 0, 17},
        {Command::GetHsi, 1007, 14},
        {Command::GetXy, 1007, 13},
        {Command::GetCTemp, 1007, 7},
        {Command::GetXOffset, 1007, 7},
        {Command::GetYOffset, 1007, 7},
        {Command::GetDistance, 1007, 5},
        {Command::GetUserTime, 1007, 5},
        {Command::GetIntensity, 1007, 5},
        {Command::GetSerial, 1007, 4},
        {Command::GetVersion, 1007, 4},
        {Command::GetHw, 1007, 7},
    };
    for (const auto& c : cases) {
        const ReplyRule rule = replyRule(c.command, c.firmware);
        EXPECT_FALSE(isReplyComplete(rule, "OK", c.waits)) << commandWord(c.command) << " " << c.firmware;
        EXPECT_TRUE(isReplyComplete(rule, "", c.waits + 1)) << commandWord(c.command) << " " << c.firmware;
    }
}

TEST(ReplyRulesTest, acknowledgementsWaitForOkWhateverTheirLength)
{
    for (Command command : {Command::Testcon, Command::Capture, Command::CapturePwm, Command::SetUserTime,
             Command::SetDefault, Command::SetCapTime, Command::SetOutput}) {
        const ReplyRule rule = replyRule(command, 1007);
        EXPECT_FALSE(isReplyComplete(rule, "O", 1000)) << commandWord(command);
        EXPECT_FALSE(isReplyComplete(rule, "ok\r\n", 4)) << commandWord(command);
        EXPECT_TRUE(isReplyComplete(rule, "3OK\r\n", 1)) << commandWord(command);
    }

    ReplyText reply;
    reply.append("2O");
    EXPECT_FALSE(isReplyComplete(replyRule(Command::Testcon, 0), reply));
    reply.append("K");
    EXPECT_TRUE(isReplyComplete(replyRule(Command::Testcon, 0), reply)) << "\"OK\" split over two chunks";
    EXPECT_TRUE(containsError("xERRORx"));
    EXPECT_FALSE(containsError("ERRO"));
}

TEST(ReplyRulesTest, lastLineDropsEarlierLinesAndTheFirstCharacter)
{
    EXPECT_EQ(lastLine("255 128\r\n"), "255 128\r\n") << "one line is used from its first character";
    EXPECT_EQ(lastLine("OK\r\n\r\n 255 128\r\n\r\n"), "255 128\r\n\r\n");
    EXPECT_EQ(lastLine("a\r\nb\r\nxy"), "y");
    EXPECT_EQ(lastLine("a\r\nx"), "") << "a one-character last line leaves nothing";
    EXPECT_EQ(lastLine("\nxyz"), "\nxyz") << "a break at position 0 is not cut";
    EXPECT_EQ(lastLine(""), "");
    EXPECT_EQ(lastLine("\r\n\r\n"), "\r\n\r\n");
    EXPECT_EQ(lastLine("ab\xE4"
                       "cd"),
        "d")
        << "an umlaut is not printable here";
    const std::string_view cut = lastLine("OK\r\n 0.3127 0.3290\r\n");
    EXPECT_EQ(lastLine(cut), cut) << "cutting twice changes nothing more";
}

TEST(ReplyDecodeTest, fieldsStopAtTheTextsEnd)
{
    EXPECT_EQ(fieldText("abc", 1, 5), "bc");
    EXPECT_EQ(fieldText("abc", 3, 5), "");
    EXPECT_EQ(fieldText("abc", 100, 5), "");
    EXPECT_EQ(integerField("12345678", 2, 3), 345) << "a field ends at its width";
}

TEST(ReplyDecodeTest, rgbiLayoutFollowsTheFirmware)
{
    EXPECT_EQ(values(decodeRgbi(joined("255 128 000 01234\r"), 1006)), std::make_tuple(255, 128, 0, 1234));
    EXPECT_EQ(values(decodeRgbi(joined("0255 0128 0000 01234\r"), 1007)), std::make_tuple(255, 128, 0, 1234));

    // The narrow reply read with the wide layout shows why the firmware matters.
    EXPECT_NE(decodeRgbi(joined("255 128 000 01234\r"), 1007).green, 128);
    EXPECT_EQ(rgbFullScale(1006), 255);
    EXPECT_EQ(rgbFullScale(1007), 4095);
}

TEST(ReplyDecodeTest, multiLineRepliesCountFromTheLastLinesSecondCharacter)
{
    // Lines before the values (a late "OK", an echo) are dropped, and with them the last
    // line's first character: a value line without a leading pad loses its first digit.
    EXPECT_EQ(values(decodeRgbi(joined("OK\r 255 128 000 01234\r"), 1006)), std::make_tuple(255, 128, 0, 1234));
    EXPECT_EQ(decodeRgbi(joined("OK\r255 128 000 01234\r"), 1006).red, 55);

    const XyReply xy = decodeXy(joined("x\r\n 0.3127 0.3290\r\n"));
    EXPECT_DOUBLE_EQ(xy.x, 0.3127);
    EXPECT_DOUBLE_EQ(xy.y, 0.3290);
}

TEST(ReplyDecodeTest, valueAndIdentificationReplies)
{
    const HsiReply hsi = decodeHsi(joined("123.45 067 01234\r"));
    EXPECT_DOUBLE_EQ(hsi.hue, 123.45);
    EXPECT_EQ(hsi.saturation, 67);
    EXPECT_EQ(hsi.intensity, 1234);

    EXPECT_DOUBLE_EQ(decodeColourTemperature(joined("06504.3\r")), 6504.3);
    EXPECT_DOUBLE_EQ(decodeDistance(joined("002.5\r")), 2.5);
    EXPECT_EQ(decodeIntensityText(joined("01234\r")), "01234");
    EXPECT_EQ(decodeUserTime(joined("00250\r")), 250);

    const OffsetReply positive = decodeOffset(joined("+0.0125\r"));
    EXPECT_DOUBLE_EQ(positive.value, 0.0125);
    EXPECT_EQ(positive.text, "0.0125");
    const OffsetReply negative = decodeOffset(joined("-0.0125\r"));
    EXPECT_DOUBLE_EQ(negative.value, -0.0125);
    EXPECT_EQ(negative.text, "-0.0125");

    // Identification replies: short ones are read from the start, long ones from a fixed place.
    EXPECT_EQ(decodeSerial(joined("1234\r")), "1234");
    EXPECT_EQ(decodeSerial("123456789012345"), "1234") << "15 characters are still short";
    EXPECT_EQ(decodeSerial(joined("Serial No: 5678\r")), "5678");

    const VersionReply shortVersion = decodeVersion(joined("1007\r"));
    EXPECT_EQ(shortVersion.text, "1007");
    EXPECT_EQ(shortVersion.firmware, 1007);
    EXPECT_EQ(decodeVersion("1006567890123456").firmware, 1006) << "16 characters are still short";
    const VersionReply longVersion = decodeVersion(joined("Firmware V: 2002\r"));
    EXPECT_EQ(longVersion.text, "2002");
    EXPECT_EQ(longVersion.firmware, 2002);

    EXPECT_EQ(decodeHardware(joined("LMX-5B-01 rev C\r")), "LMX-5B-01");
    EXPECT_EQ(decodeHardware("LMX"), "LMX");
}

TEST(ReplyDecodeTest, boardCountFromTestcon)
{
    const struct {
        const char* reply;
        int count;
        bool reported;
        const char* status;
    } cases[] = {
        {"3OK\r\n", 3, true, "3"},
        {"12OK\r\n", 12, true, "12"},
        {"0OK\r\n", 1, false, "0"},
        {"OK\r\n", 1, false, "1"},
        {"OKxx\r\n", 1, false, "1"},
        {"xOK\r\n", 1, false, "x"},
        {"-2OK\r\n", 1, false, "-2"},
        {"3OK", 3, true, "1"},
        {"99999999999OK\r\n", kMaxBoardCount, true, "99999999999"},
    };
    for (const auto& c : cases) {
        const BoardCount boards = decodeBoardCount(c.reply);
        EXPECT_EQ(boards.count, c.count) << c.reply;
        EXPECT_EQ(boards.reported, c.reported) << c.reply;
        EXPECT_EQ(testconStatusCount(c.reply), c.status) << c.reply;
    }
}

TEST(ReplyDecodeTest, hostileRepliesReadZeroWithoutOverrunning)
{
    const std::string longGarbage(100000, '\xE9');
    const std::string noDigits = joined("abc def ghi jkl mno pqr\r");
    for (const std::string& reply : {std::string(), std::string("\r\n"), noDigits, longGarbage}) {
        EXPECT_EQ(values(decodeRgbi(reply, 1007)), std::make_tuple(0, 0, 0, 0));
        EXPECT_EQ(decodeHsi(reply).hue, 0.0);
        EXPECT_EQ(decodeXy(reply).y, 0.0);
        EXPECT_EQ(decodeOffset(reply).value, 0.0);
        EXPECT_EQ(decodeVersion(reply).firmware, 0);
        EXPECT_LE(decodeSerial(reply).size(), 4u);
    }
    EXPECT_EQ(values(decodeRgbi("0255 01", 1007)), std::make_tuple(255, 1, 0, 0))
        << "a field cut by the end reads what is there";
}
