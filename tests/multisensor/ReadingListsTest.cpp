#include "multisensor/ReadingLists.h"
#include "multisensor/SensorSettingsList.h"

#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace lumivex {
namespace {

using test::readFile;
using test::RecordingDialogs;
using test::TempDir;
using test::writeFile;

const std::string kSaveFailed = "Saving of measurements is not possible";

// A write that failed is told with the file and why on a second line.
bool toldWriteFailed(const std::string& message, const std::string& path)
{
    const std::string head = kSaveFailed + "\n" + path + ": ";
    return message.size() > head.size() && message.rfind(head, 0) == 0;
}

// Every field at full width or with a recognisable pattern; flags measured, x and y deviation,
// compared, PWM.
const CMessList kGoldenReading {258, "12", "Overf", "0", "255", "123.45678", "0.50", "99999", "0.3127", "0.3290",
    "6500 K", "PWM-SUH", "9 x 9", 0x1D02};

// Written from the layout table, field by field.
constexpr char kGolden[] = "\x02\x01" // 0 Index 258
                           "12\0\0" // 2 SensorText
                           "Overf\0" // 6 RedText
                           "0\0\0\0\0\0" // 12 GreenText
                           "255\0\0\0" // 18 BlueText
                           "123.45678\0" // 24 HueText
                           "0.50\0\0\0\0\0\0" // 34 SatText
                           "99999\0\0\0\0\0" // 44 IntensText
                           "0.3127\0\0\0\0" // 54 XText
                           "0.3290\0\0\0\0" // 64 YText
                           "6500 K\0\0\0\0\0\0" // 74 TempText
                           "PWM-SUH\0" // 86 ModeText
                           "9 x 9\0" // 94 RangeText
                           "\x02\x1D" // 100 ReadingFlags
                           "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"; // 102 reserved
const std::string kGoldenBytes(kGolden, sizeof kGolden - 1);

MessRecordBytes toRecord(const std::string& bytes)
{
    MessRecordBytes out {};
    std::copy(bytes.begin(), bytes.end(), out.begin());
    return out;
}

TEST(MessRecord, GoldenBytesBothWays)
{
    ASSERT_EQ(kGoldenBytes.size(), kMessRecordSize);
    EXPECT_EQ(encodeMessRecord(kGoldenReading), toRecord(kGoldenBytes));

    std::string dirty = kGoldenBytes;
    for (std::size_t i = 102; i < kMessRecordSize; ++i)
        dirty[i] = '\xCC'; // reserved bytes are ignored
    EXPECT_EQ(decodeMessRecord(toRecord(dirty)), kGoldenReading);

    for (std::size_t i = 6; i < 12; ++i)
        dirty[i] = 'R'; // no terminator: cut inside the field, not run on into GreenText
    EXPECT_EQ(decodeMessRecord(toRecord(dirty)).RedText, "RRRRR");
}

class ReadingListsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.CreateDefaultSettings(3);
        for (const auto& r : settings.records()) {
            r->TestMode = kKonfManualCapture;
            r->MeasureTime = kKonfMeasureTime200ms;
            r->ChangeFlags = 0;
            r->OptionFlags = 0;
        }
        lists.CreateEmptyReadings(3);
    }

    void measure(int index, const std::string& intens, const std::string& x, const std::string& y)
    {
        lists.StoreReading(index, {"85", "85", "85", "120.00", "0.50", intens, x, y, "6500"}, 2, 0,
            ReadingFlag::Measured | kKonfManualCapture);
    }

    // Results of a first run stored as the reference.
    void storeReference()
    {
        for (int k = 1; k <= 3; ++k)
            measure(k, "1000", "0.3127", "0.3290");
        ASSERT_TRUE(lists.SaveReference(dir.file("a.ref"), settings));
    }

    RecordingDialogs dialogs;
    SensorSettingsList settings {dialogs, DeviationSettings {}};
    ReadingLists lists {dialogs};
    TempDir dir;
};

TEST_F(ReadingListsTest, StoreReadingFillsTextsModeAndRange)
{
    EXPECT_FALSE(lists.StoreReading(4, {}, 2, 0, ReadingFlag::Measured)); // no such record

    lists.StoreReading(2, {"Overfl.", "", "", "", "", "", "", "", "0"}, 9, 1, ReadingFlag::Measured | 2);
    const CMessList* r = lists.resultByIndex(2);
    // A temperature of 0 gets no unit.
    EXPECT_EQ(std::vector<std::string>({r->RedText, r->TempText, r->ModeText, r->RangeText}),
        std::vector<std::string>({"Overf", "0", "PWM-AKT", "9 x 9"}));

    // Empty texts keep what a previous reply stored; the unit is appended and cut to the field.
    lists.StoreReading(2, {"", "12", "", "", "", "", "", "", "1234567890"}, 0, 0, ReadingFlag::Measured | 1);
    EXPECT_EQ(std::vector<std::string>({r->RedText, r->GreenText, r->TempText, r->ModeText, r->RangeText}),
        std::vector<std::string>({"Overf", "12", "1234567890 ", "USR-DIS", "3 x 3"}));
    EXPECT_FALSE(r->isMeasured()); // measure time 0 is no measurement

    lists.StoreReading(3, {}, 42, 0, 7);
    EXPECT_EQ(lists.resultByIndex(3)->ModeText, "NNO");

    // Saturated: colour and x/y mean nothing; a hue of "0.00" is shown as it is.
    lists.StoreReading(
        1, {"Overf", "Overf", "Overf", "0.00", "0.1", "99999", "0.3", "0.3", "0"}, 2, 0, ReadingFlag::Measured);
    ReadingRow row;
    ASSERT_TRUE(lists.rowOf(1, row));
    EXPECT_EQ(std::vector<std::string>({row.hue, row.sat, row.x, row.temp, row.intens}),
        std::vector<std::string>({"0.00", "---", "---", "---", "99999"}));
    EXPECT_FALSE(lists.rowOf(9, row));
}

struct LimitCase {
    const char* name;
    std::uint16_t changeFlags;
    std::uint16_t optionFlags;
    std::int16_t intensPercent, intensAbs, xyPercent;
    float xyAbs;
    const char *intens, *x, *y;
    std::uint16_t expected; // comparison bits of the result
};

constexpr std::uint16_t kOk = ReadingFlag::Compared;
constexpr std::uint16_t kI = ReadingFlag::Compared | ReadingFlag::IntensDeviation;
constexpr std::uint16_t kX = ReadingFlag::Compared | ReadingFlag::XDeviation;
constexpr std::uint16_t kY = ReadingFlag::Compared | ReadingFlag::YDeviation;
constexpr std::uint16_t kPct = KonfChange::IntensPercent;
constexpr std::uint16_t kXyPct = KonfChange::XyPercent;
constexpr std::uint16_t kAbs = KonfOption::IntensAbs;
constexpr std::uint16_t kXyAbs = KonfOption::XyAbs;

// Reference: intensity 1000, x 0.3127, y 0.3290.
const LimitCase kLimits[] = {
    {"pct10_upper_limit", kPct, 0, 10, 0, 0, 0, "1100", "9", "9", kOk},
    {"pct10_lower_limit", kPct, 0, 10, 0, 0, 0, "900", "9", "9", kOk},
    {"pct10_beyond_upper", kPct, 0, 10, 0, 0, 0, "1101", "9", "9", kI},
    {"pct10_beyond_lower", kPct, 0, 10, 0, 0, 0, "899", "9", "9", kI},
    {"pct0_any_difference", kPct, 0, 0, 0, 0, 0, "1001", "9", "9", kI},
    {"percent_wins_over_abs", kPct, kAbs, 10, 1, 0, 0, "1100", "9", "9", kOk},
    {"abs50_limit", 0, kAbs, 0, 50, 0, 0, "950", "9", "9", kOk},
    {"abs50_beyond", 0, kAbs, 0, 50, 0, 0, "1051", "9", "9", kI},
    {"abs0_any_difference", 0, kAbs, 0, 0, 0, 0, "999", "9", "9", kI},
    {"xyabs_limit", 0, kXyAbs, 0, 0, 0, 0.01f, "0", "0.3227", "0.3190", kOk},
    {"xyabs_beyond_x", 0, kXyAbs, 0, 0, 0, 0.01f, "0", "0.3228", "0.3290", kX},
    {"xyabs_beyond_y_only", 0, kXyAbs, 0, 0, 0, 0.01f, "0", "0.3127", "0.3189", kY},
    {"xyabs0_any_difference", 0, kXyAbs, 0, 0, 0, 0, "0", "0.3127", "0.3291", kY},
    {"xypct10_limit", kXyPct, 0, 0, 0, 10, 0, "0", "0.34397", "0.2961", kOk},
    {"xypct10_beyond", kXyPct, 0, 0, 0, 10, 0, "0", "0.3441", "0.2960", kX | kY},
    {"all_three", kPct | kXyPct, 0, 1, 0, 1, 0, "1011", "0.3160", "0.3200", kI | kX | kY},
    {"nothing_switched_on", 0, 0, 0, 0, 0, 0, "5", "0.9", "0.9", 0},
};

class CompareLimits : public ReadingListsTest, public ::testing::WithParamInterface<LimitCase> { };

TEST_P(CompareLimits, JudgesEachQuantityOnItsOwnBit)
{
    const LimitCase& c = GetParam();
    storeReference();
    CKonfList* s = settings.settingsByIndex(2);
    s->ChangeFlags = c.changeFlags;
    s->OptionFlags = c.optionFlags;
    s->DevIntensPercent = c.intensPercent;
    s->DevIntensAbs = c.intensAbs;
    s->DevXYPercent = c.xyPercent;
    s->DevXYAbs = c.xyAbs;
    measure(2, c.intens, c.x, c.y);

    ASSERT_TRUE(lists.CompareWithReference(settings));
    EXPECT_EQ(lists.resultByIndex(2)->ReadingFlags & ReadingFlag::ComparisonBits, c.expected);
    EXPECT_TRUE(lists.resultByIndex(2)->isMeasured());
}

std::string limitName(const ::testing::TestParamInfo<LimitCase>& info)
{
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(ReadingLists, CompareLimits, ::testing::ValuesIn(kLimits), limitName);

TEST_F(ReadingListsTest, CompareFollowsChecksAndEnabledSensors)
{
    EXPECT_FALSE(lists.CompareWithReference(settings)); // no reference yet

    storeReference();
    for (const auto& r : settings.records()) {
        r->ChangeFlags = kPct;
        r->OptionFlags = kXyAbs;
        r->DevXYAbs = 0.01f;
    }
    settings.settingsByIndex(3)->MeasureTime = kKonfMeasureTimeDisabled;
    for (int k = 1; k <= 3; ++k)
        measure(k, "2000", "0.3127", "0.3290");

    lists.setChecks({false, false, true, 0});
    ASSERT_TRUE(lists.CompareWithReference(settings));
    // Intensity is not compared at all, and x/y alone make the row compared.
    EXPECT_EQ(lists.resultByIndex(1)->ReadingFlags & ReadingFlag::ComparisonBits, kOk);
    // A disabled sensor loses its measured bit and shows dashes.
    EXPECT_EQ(lists.resultByIndex(3)->ReadingFlags & 0x1F00, 0);
    ReadingRow row;
    ASSERT_TRUE(lists.rowOf(3, row));
    EXPECT_EQ(row.x, "---");
    EXPECT_EQ(row.state, ReadingRow::State::NotCompared);
    EXPECT_FALSE(lists.anyFailed());

    lists.setChecks({true, false, false, 0});
    ASSERT_TRUE(lists.CompareWithReference(settings));
    EXPECT_EQ(lists.resultByIndex(1)->ReadingFlags & ReadingFlag::ComparisonBits, kI);
    ASSERT_TRUE(lists.rowOf(1, row));
    EXPECT_EQ(row.state, ReadingRow::State::Deviation);
    EXPECT_TRUE(row.intensCellDeviates);
    EXPECT_TRUE(lists.anyFailed());
}

const std::tm kWhen = [] {
    std::tm t {};
    t.tm_mday = 7;
    t.tm_mon = 2;
    t.tm_year = 126;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 3;
    return t;
}();

TEST_F(ReadingListsTest, ReportByteForByte)
{
    measure(1, "1000", "0.3127", "0.3290");
    lists.StoreReading(2, {"85", "85", "85", "120.00", "0.50", "1500", "0.4", "0.4", "0"}, 2, 0, ReadingFlag::Measured);
    lists.resultByIndex(1)->ReadingFlags |= kOk;
    lists.resultByIndex(2)->ReadingFlags |= kI | kY;
    lists.resultByIndex(3)->ReadingFlags |= kOk; // compared but never measured

    EXPECT_EQ(lists.testReportText("r.txt", kWhen),
        "r.txt\r\n\r\n"
        "Data: 07.03.2026  Time: 09:05:03\r\n\r\n"
        "Sens\tRed\tGreen\tBlue\tHue\tSat\tInt\tX\tY\tC.Temp.\t\tComparison\r\n\r\n"
        "1\t85\t85\t85\t120.00\t0.50\t1000\t0.3127\t0.3290\t6500 K\t\t -OK- \r\n"
        "2\t85\t85\t85\t120.00\t0.50\t1500\t0.4\t0.4\t---\t\tError\t -I-Y-\r\n"
        "3\t---\t---\t---\t---\t---\t---\t---\t---\t---\t\t --- \r\n");

    const std::string path = dir.file("report.txt");
    ASSERT_TRUE(lists.WriteTestReport(path));
    EXPECT_NE(readFile(path).find("\tError\t -I-Y-\r\n"), std::string::npos);
    EXPECT_FALSE(lists.WriteTestReport(dir.file("missing/report.txt")));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(toldWriteFailed(dialogs.messages[0], dir.file("missing/report.txt"))) << dialogs.messages[0];
}

struct ColumnCase {
    ReadingChecks checks;
    const char* header;
    const char* row;
};

TEST_F(ReadingListsTest, ReportColumnsFollowChecksAndFirmware)
{
    const ColumnCase cases[] = {
        {{true, false, true, 1003}, "Sens\tRed\tGreen\tBlue\tInt\tX\tY\tComparison",
            "1\t85\t85\t85\t1000\t0.3127\t0.3290\t\t -OK- "},
        {{false, true, false, 1004}, "Sens\tHue\tSat\tInt\t\tComparison", "1\t120.00\t0.50\t1000\t\t -OK- "},
        {{false, false, true, 1007}, "Sens\t\tX\tY\tC.Temp.\t\tComparison", "1\t0.3127\t0.3290\t6500 K\t\t -OK- "},
    };
    lists.CreateEmptyReadings(1);
    measure(1, "1000", "0.3127", "0.3290");
    lists.resultByIndex(1)->ReadingFlags |= kOk;
    for (const ColumnCase& c : cases) {
        lists.setChecks(c.checks);
        const std::string text = lists.testReportText("r", kWhen);
        EXPECT_NE(text.find(std::string("\r\n\r\n") + c.header + "\r\n\r\n" + c.row + "\r\n"), std::string::npos)
            << c.header;
    }
    lists.setChecks({false, false, false, 0});
    EXPECT_EQ(lists.testReportText("r", kWhen), "");
}

TEST_F(ReadingListsTest, SaveAndLoadReferencePair)
{
    storeReference();
    EXPECT_TRUE(lists.isReferenceLoaded());
    const std::string data = readFile(dir.file("a.dat"));
    ASSERT_EQ(data.size(), 3 * kMessRecordSize);
    EXPECT_EQ(data.substr(0, 2), std::string("\x01\x00", 2));

    // Loading hands the stored results over uncompared and replaces settings, results and reference.
    lists.resultByIndex(1)->ReadingFlags |= kI;
    ASSERT_TRUE(lists.SaveReference(dir.file("b.ref"), settings));
    settings.CreateDefaultSettings(5);
    lists.CreateEmptyReadings(5);
    ASSERT_TRUE(lists.LoadReference(dir.file("b.ref"), settings));
    EXPECT_EQ(settings.settingsCount(), 3);
    EXPECT_EQ(lists.results().size(), 3u);
    EXPECT_EQ(lists.resultByIndex(1)->ReadingFlags & ReadingFlag::ComparisonBits, 0);
    EXPECT_EQ(lists.reference()[0]->ReadingFlags & ReadingFlag::ComparisonBits, kI);
    EXPECT_EQ(lists.baseTitle(), "List of measurements  Reference file: b.ref");

    // The data file missing: settings replaced, no reference.
    std::filesystem::remove(dir.file("a.dat"));
    settings.CreateDefaultSettings(5);
    EXPECT_FALSE(lists.LoadReference(dir.file("a.ref"), settings));
    EXPECT_EQ(settings.settingsCount(), 3);
    EXPECT_FALSE(lists.isReferenceLoaded());
    EXPECT_FALSE(lists.CompareWithReference(settings));
}

TEST_F(ReadingListsTest, HostileReferenceDataLosesNothing)
{
    storeReference();
    const std::string good = readFile(dir.file("a.dat"));

    writeFile(dir.file("a.dat"), good.substr(0, kMessRecordSize + 100)); // truncated: the whole record only
    ASSERT_TRUE(lists.readReferenceData(dir.file("a.dat")));
    EXPECT_EQ(lists.results().size(), 1u);

    // More records than a 16-bit number can address, and an empty file: refused or no reference.
    writeFile(dir.file("a.dat"), std::string((ReadingLists::kMaxRecords + 1) * kMessRecordSize, '\x01'));
    EXPECT_FALSE(lists.readReferenceData(dir.file("a.dat")));
    EXPECT_EQ(lists.results().size(), 1u);
    EXPECT_FALSE(lists.LoadReference(dir.file("a.ref"), settings));
    writeFile(dir.file("a.dat"), std::string(kMessRecordSize - 1, '\x01'));
    EXPECT_FALSE(lists.LoadReference(dir.file("a.ref"), settings));
    EXPECT_EQ(lists.results().size(), 1u); // no whole record: the results stay
    // Nothing to store: no reference, and the existing file is not emptied for it.
    lists.CreateEmptyReadings(0);
    writeFile(dir.file("a.dat"), good);
    EXPECT_FALSE(lists.writeReferenceData(dir.file("a.dat")));
    EXPECT_EQ(readFile(dir.file("a.dat")), good);
    EXPECT_TRUE(dialogs.messages.empty());

    // A name that would put the data over the settings, and a folder that cannot be written.
    lists.CreateEmptyReadings(3);
    EXPECT_FALSE(lists.SaveReference(dir.file("x.dat"), settings));
    EXPECT_FALSE(lists.writeReferenceData(dir.file("none/a.dat")));
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0], kSaveFailed);
    EXPECT_TRUE(toldWriteFailed(dialogs.messages[1], dir.file("none/a.dat"))) << dialogs.messages[1];
}

TEST_F(ReadingListsTest, AReferenceNamedLikeItsDataFileIsRefusedForLoadingAsForSaving)
{
    storeReference();
    const std::string data = readFile(dir.file("a.dat"));
    for (const char* name : {"b.dat", "b.DAT", "bDat"}) {
        SCOPED_TRACE(name);
        dialogs.messages.clear();
        EXPECT_FALSE(lists.SaveReference(dir.file(name), settings));
        EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << "nothing written";

        writeFile(dir.file(name), data);
        EXPECT_FALSE(lists.LoadReference(dir.file(name), settings));
        EXPECT_EQ(settings.settingsCount(), 3) << "the data is not read as settings";
        EXPECT_FALSE(lists.isReferenceLoaded());
        EXPECT_EQ(dialogs.messages, (std::vector<std::string> {kSaveFailed, kSaveFailed}));
        std::filesystem::remove(dir.file(name));
    }
}

} // namespace
} // namespace lumivex
