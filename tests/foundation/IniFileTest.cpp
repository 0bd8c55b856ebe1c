#include "foundation/IniFile.h"

#include <gtest/gtest.h>

#include <random>

using lumivex::IniFile;
using namespace std::string_literals;

namespace {

const char* const kSample = "; Lumivex settings\r\n"
                            "[SYSTEM]\r\n"
                            "COMPORT = COM3 \r\n"
                            "Baudrate=57600\r\n"
                            "; a comment = not a key\r\n"
                            "ResultFile=\"C:\\reports\\out.txt\"\r\n"
                            "\r\n"
                            "[Extra]\r\n"
                            "Unknown=kept\r\n";

} // namespace

TEST(IniFileRead, findsKeysWithoutRegardToCaseBlanksOrQuotes)
{
    const auto ini = IniFile::parse(kSample);
    EXPECT_EQ(ini.getString("SYSTEM", "COMPORT", "COM1"), "COM3");
    EXPECT_EQ(ini.getString("system", "comport", "COM1"), "COM3");
    EXPECT_EQ(ini.getString("SYSTEM", "ResultFile", ""), "C:\\reports\\out.txt");
    EXPECT_EQ(ini.getString("SYSTEM", "Missing", "dflt"), "dflt");
    EXPECT_EQ(ini.getString("NoSection", "COMPORT", "dflt"), "dflt");
    // A comment line is never a key, even when it holds an equals sign.
    EXPECT_EQ(ini.getString("SYSTEM", "; a comment", "none"), "none");
    EXPECT_EQ(ini.getString("Extra", "Unknown", ""), "kept");
}

TEST(IniFileRead, integersComeFromTheirLeadingDigitsAndEmptyValuesGiveTheDefault)
{
    const auto ini = IniFile::parse("[S]\nA=12abc\nB=abc\nF=\nH=\"3\"\n");
    EXPECT_EQ(ini.getInt("S", "A", 1), 12);
    EXPECT_EQ(ini.getInt("S", "B", 1), 0);
    EXPECT_EQ(ini.getInt("S", "F", 1), 1);
    EXPECT_EQ(ini.getInt("S", "H", 1), 3);
    EXPECT_EQ(ini.getInt("S", "Missing", 800), 800);
}

TEST(IniFile, theFirstOfDuplicateSectionsAndKeysIsReadAndWritten)
{
    auto ini = IniFile::parse("[S]\nK=first\nK=second\n[S]\nK=third\nOnlyLater=x\n");
    EXPECT_EQ(ini.getString("S", "K", ""), "first");
    EXPECT_EQ(ini.getString("S", "OnlyLater", "dflt"), "dflt");
    ini.setString("S", "K", "9");
    ini.setString("S", "New", "n");
    EXPECT_EQ(ini.serialize(), "[S]\nK=9\nK=second\nNew=n\n[S]\nK=third\nOnlyLater=x\n");
}

TEST(IniFileRead, hostileContentLoadsAndLongStringsAreCutTo126Bytes)
{
    std::string junk = "\x00\xff\xfe[\x01]]]==\r\r\n[S]\n\0\n"s;
    junk += "K=" + std::string(10000, 'v') + "\n[T]\nL=\x80\x81";
    const auto ini = IniFile::parse(junk);
    EXPECT_EQ(ini.getString("S", "K", ""), std::string(126, 'v'));
    EXPECT_EQ(ini.getString("S", "Missing", std::string(127, 'd')).size(), 126u) << "the default is cut the same way";
    EXPECT_EQ(ini.getString("T", "L", ""), "\x80\x81") << "a last line without line end is read";
    EXPECT_EQ(ini.serialize(), junk);
}

TEST(IniFileWrite, replacesInPlaceAddsAfterTheSectionsLastKeyAndKeepsEveryOtherLine)
{
    auto ini = IniFile::parse(kSample);
    ini.setString("SYSTEM", "Baudrate", "9600");
    ini.setString("system", "comport", "COM7");
    ini.setString("SYSTEM", "Log-Level", "6");
    ini.setString("Extra", "Second", "2");
    ini.setString("BLINKLED", "Delay", "0");
    const std::string expected = "; Lumivex settings\r\n"
                                 "[SYSTEM]\r\n"
                                 "COMPORT=COM7\r\n"
                                 "Baudrate=9600\r\n"
                                 "; a comment = not a key\r\n"
                                 "ResultFile=\"C:\\reports\\out.txt\"\r\n"
                                 "Log-Level=6\r\n"
                                 "\r\n"
                                 "[Extra]\r\n"
                                 "Unknown=kept\r\n"
                                 "Second=2\r\n"
                                 "[BLINKLED]\r\n"
                                 "Delay=0\r\n";
    EXPECT_EQ(ini.serialize(), expected);
}

TEST(IniFileWrite, keepsTheFilesLineEndsAndEndsAnUnfinishedLastLine)
{
    auto unix = IniFile::parse("[S]\nA=1");
    unix.setString("S", "B", "2");
    unix.setString("T", "C", "3");
    EXPECT_EQ(unix.serialize(), "[S]\nA=1\nB=2\n[T]\nC=3\n");

    auto mac = IniFile::parse("[S]\rK=COM3\rcomment\n");
    EXPECT_EQ(mac.getString("S", "K", ""), "COM3") << "a lone carriage return ends a line";
    mac.setString("S", "K", "COM3");
    EXPECT_EQ(mac.serialize(), "[S]\rK=COM3\rcomment\n");

    IniFile fresh;
    fresh.setString("S", "A", "1");
    EXPECT_EQ(fresh.serialize(), "[S]\r\nA=1\r\n") << "a new file gets Windows line ends";
}

TEST(IniFileWrite, valuesThatWouldSplitTheFileOrReadBackChangedAreGuarded)
{
    IniFile ini;
    ini.setString("S", "K", "C:\\log.txt\r\n[Evil]\r\nX=1");
    EXPECT_EQ(ini.getString("S", "K", ""), "C:\\log.txt");
    EXPECT_EQ(ini.getString("Evil", "X", "none"), "none");

    for (const std::string value : {" COM1", "'x'", "\"quoted\"", "tab\t", "plain"}) {
        ini.setString("S", "K", value);
        EXPECT_EQ(ini.getString("S", "K", ""), value) << "quoted where reading would change it";
    }
    EXPECT_EQ(ini.serialize(), "[S]\r\nK=plain\r\n");
}

TEST(IniFileRoundTrip, anyBytesSurviveParseAndSerialize)
{
    std::mt19937 random(1234);
    const std::string alphabet = "[]=;#\r\n \t\"'abcAB01\x00\xff"s;
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        const int length = static_cast<int>(random() % 80);
        for (int i = 0; i < length; ++i)
            bytes += alphabet[random() % alphabet.size()];
        auto ini = IniFile::parse(bytes);
        ASSERT_EQ(ini.serialize(), bytes);
        // A write followed by a read gives the value back, whatever the file held before.
        ini.setString("S", "K", "value");
        ASSERT_EQ(ini.getString("S", "K", ""), "value") << "input: " << testing::PrintToString(bytes);
    }
}
