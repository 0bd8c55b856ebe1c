#include "base/NumberText.h"
#include "base/Windows1252.h"

#include <gtest/gtest.h>

#include <climits>

using namespace lumivex;

// Device replies, INI values and display texts are all read through these two; they must read as
// atoi and atof do in the "C" locale, whatever the process locale is.
TEST(NumberText, readsLikeAtoiAndAtof)
{
    const struct {
        const char* text;
        int integer;
        double decimal;
    } cases[] = {
        {"01234", 1234, 1234.0},
        {"  \t-42x", -42, -42.0},
        {"+7", 7, 7.0},
        {"0.3127", 0, 0.3127},
        {"-.5", 0, -0.5},
        {"+.25", 0, 0.25},
        {"5.", 5, 5.0},
        {"1e3", 1, 1000.0},
        {"-1.5e2xyz", -1, -150.0},
        {"1e", 1, 1.0},
        {"1e+", 1, 1.0},
        {"\r\n12", 12, 12.0},
        {"", 0, 0.0},
        {"abc", 0, 0.0},
        {"- 5", 0, 0.0},
        {"--1", 0, 0.0},
        {".", 0, 0.0},
        {"inf", 0, 0.0},
        {"nan", 0, 0.0},
        {"0x1A", 0, 0.0},
        {"1e999", 1, 0.0},
        {"99999999999", INT_MAX, 99999999999.0},
        {"-99999999999", INT_MIN, -99999999999.0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readInteger(c.text), c.integer) << c.text;
        EXPECT_DOUBLE_EQ(readDecimal(c.text), c.decimal) << c.text;
    }
}

TEST(Windows1252, germanLettersAndTheEuroRoundTripAndBadBytesDoNotCorrupt)
{
    const std::string cp1252 = "R\xFC"
                               "ckmeldung \xC4\xD6\xDC\xDF\xE4\xF6 \x80 \x9F";
    const std::string utf8 = windows1252ToUtf8(cp1252);
    EXPECT_EQ(utf8,
        "R\xC3\xBC"
        "ckmeldung \xC3\x84\xC3\x96\xC3\x9C\xC3\x9F\xC3\xA4\xC3\xB6 \xE2\x82\xAC \xC5\xB8");
    EXPECT_EQ(utf8ToWindows1252(utf8), cp1252);

    EXPECT_EQ(windows1252ToUtf8("\x81"), "\xEF\xBF\xBD") << "undefined in Windows-1252";
    EXPECT_EQ(utf8ToWindows1252("\xE2\x86\x92"), "?") << "an arrow has no Windows-1252 byte";
    EXPECT_EQ(utf8ToWindows1252("a\xC3"), "a?") << "a cut sequence";
    EXPECT_EQ(utf8ToWindows1252("\xFF"
                                "b"),
        "?b");
}
