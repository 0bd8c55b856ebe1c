#include "foundation/StringTable.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

namespace lumivex {
namespace {

std::string format(StringId id, auto... args)
{
    char buffer[256];
    const std::string pattern(stringText(id));
    std::snprintf(buffer, sizeof buffer, pattern.c_str(), args...);
    return buffer;
}

// The table's order is checked when compiling; here every entry must be found, hold a text, and
// hold it in Windows-1252 rather than UTF-8.
TEST(StringTableTest, everyEntryIsFoundByLookupAndIsWindows1252)
{
    ASSERT_EQ(allStrings().size(), 122u);
    for (const StringEntry& entry : allStrings()) {
        SCOPED_TRACE(entry.id);
        EXPECT_GT(entry.id, 100);
        EXPECT_LE(entry.id, 242);
        EXPECT_FALSE(entry.text.empty());
        EXPECT_EQ(stringText(entry.id).data(), entry.text.data());
        EXPECT_EQ(stringText(entry.id).size(), entry.text.size());
        for (unsigned char c : entry.text)
            EXPECT_FALSE(c == 0xC2 || c == 0xC3) << "UTF-8 lead byte";
    }
    EXPECT_EQ(stringText(StringId::ComPortNotOpen), stringText(132));
    EXPECT_EQ(stringText(StringId::AboutMenuItem), stringText(101));
    EXPECT_EQ(stringText(StringId::PathOrFileNotFound), stringText(242));
    for (int id : {INT_MIN, -1, 0, 100, 119, 126, 140, 187, 208, 216, 243, INT_MAX})
        EXPECT_TRUE(stringText(id).empty()) << "unknown id " << id;
}

// The callers pass their arguments in the types these formats expect.
TEST(StringTableTest, formatsTakeTheirCallersArguments)
{
    EXPECT_EQ(format(StringId::ComPortActive, "COM3", 115200L), "COM port COM3 with 115200 baud is activ ! ");
    EXPECT_EQ(format(StringId::ReportDateTime, "06.12.2024", "20:23:05"), "Data: 06.12.2024  Time: 20:23:05\r\n\r\n");
}

} // namespace
} // namespace lumivex
