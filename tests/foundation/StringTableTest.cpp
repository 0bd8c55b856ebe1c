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

TEST(StringTableTest, idsAreSortedUniqueAndInRange)
{
    const auto table = allStrings();
    ASSERT_EQ(table.size(), 122u);
    int previous = 100;
    for (const StringEntry& entry : table) {
        EXPECT_GT(entry.id, previous) << "out of order or duplicated after " << previous;
        EXPECT_LE(entry.id, 242);
        EXPECT_FALSE(entry.text.empty()) << "id " << entry.id;
        previous = entry.id;
    }
}

TEST(StringTableTest, everyEntryIsFoundByLookup)
{
    for (const StringEntry& entry : allStrings()) {
        EXPECT_EQ(stringText(entry.id).data(), entry.text.data()) << "id " << entry.id;
        EXPECT_EQ(stringText(entry.id).size(), entry.text.size()) << "id " << entry.id;
    }
    EXPECT_EQ(stringText(StringId::ComPortNotOpen), stringText(132));
    EXPECT_EQ(stringText(StringId::AboutMenuItem), stringText(101));
    EXPECT_EQ(stringText(StringId::PathOrFileNotFound), stringText(242));
}

TEST(StringTableTest, unknownIdsGiveEmptyText)
{
    for (int id : {INT_MIN, -1, 0, 100, 119, 126, 140, 187, 208, 216, 243, INT_MAX})
        EXPECT_TRUE(stringText(id).empty()) << "id " << id;
}

TEST(StringTableTest, blanksLineBreaksAndTabsAreKeptAsBytes)
{
    EXPECT_EQ(stringText(StringId::NoReferenceData), "No Reference data available ");
    EXPECT_EQ(stringText(StringId::ReferenceFileTitle), "  Reference file: ");
    EXPECT_EQ(stringText(StringId::WorkingDirectoryError), "Error in working directory\nMay be to long");
    EXPECT_EQ(stringText(StringId::ReportHeadXyTemp), "X\tY\tC.Temp.");
    EXPECT_TRUE(stringText(StringId::WelcomeText).starts_with("Welcome to Orvian Lumivex USER Software\r\n\r\n"));
}

TEST(StringTableTest, textsAreWindows1252NotUtf8)
{
    EXPECT_EQ(stringText(StringId::AboutMenuItem),
        "&Info \xFC"
        "ber Lumivex...");
    for (const StringEntry& entry : allStrings()) {
        for (unsigned char c : entry.text)
            EXPECT_FALSE(c == 0xC2 || c == 0xC3) << "UTF-8 lead byte in id " << entry.id;
    }
}

TEST(StringTableTest, printfFormatsProduceTheShownText)
{
    EXPECT_EQ(format(StringId::ComPortActive, "COM3", 115200L), "COM port COM3 with 115200 baud is activ ! ");
    EXPECT_EQ(format(StringId::ReportDateTime, "06.12.2024", "20:23:05"), "Data: 06.12.2024  Time: 20:23:05\r\n\r\n");
}

} // namespace
} // namespace lumivex
