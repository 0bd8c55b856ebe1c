#include "base/Windows1252.h"

#include <gtest/gtest.h>

using namespace lumivex;

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
