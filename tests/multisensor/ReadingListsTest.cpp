#include "multisensor/ReadingLists.h"
#include "multisensor/ReferenceFiles.h"
#include "multisensor/SensorSettingsList.h"

#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace lumivex {
namespace {

using test::readFile;
using test::writeFile;

const std::string kSaveFailed = "Saving of measurements is not possible";
const std::string kNoData = "No measurement data available";
const std::string kNoReference = "No Reference data available ";
const std::string kNotFound = "Path or file not found";
const std::string kTitle = "List of measurements";

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

// CTest names a parameterised case by its row's name.
template<class Case> std::string caseName(const ::testing::TestParamInfo<Case>& info)
{
    return info.param.name;
}

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

// Three manual 200 ms sensors without tolerances or switches, and their empty results.
class ReadingListsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.setSettingsChangedHandler([this] { ++notifications; });
        settings.CreateDefaultSettings(3);
        for (const auto& r : settings.records()) {
            r->TestMode = kKonfManualCapture;
            r->MeasureTime = kKonfMeasureTime200ms;
        }
        lists.CreateEmptyReadings(3);
    }
    void TearDown() override { std::filesystem::current_path(startFolder); }

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

    const std::filesystem::path startFolder = std::filesystem::current_path();
    test::RecordingDialogs dialogs;
    SensorSettingsList settings {dialogs, DeviationSettings {}};
    ReadingLists lists {dialogs};
    test::TempDir dir;
    int notifications = 0;
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
    std::uint16_t changeFlags, optionFlags;
    float tolerance; // each of the four, as far as it fits
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
    {"pct10_upper_limit", kPct, 0, 10, "1100", "9", "9", kOk},
    {"pct10_lower_limit", kPct, 0, 10, "900", "9", "9", kOk},
    {"pct10_beyond_upper", kPct, 0, 10, "1101", "9", "9", kI},
    {"pct10_beyond_lower", kPct, 0, 10, "899", "9", "9", kI},
    {"pct0_any_difference", kPct, 0, 0, "1001", "9", "9", kI},
    {"percent_wins_over_abs", kPct, kAbs, 10, "1100", "9", "9", kOk},
    {"abs50_limit", 0, kAbs, 50, "950", "9", "9", kOk},
    {"abs50_beyond", 0, kAbs, 50, "1051", "9", "9", kI},
    {"abs0_any_difference", 0, kAbs, 0, "999", "9", "9", kI},
    {"xyabs_limit", 0, kXyAbs, 0.01f, "0", "0.3227", "0.3190", kOk},
    {"xyabs_beyond_x", 0, kXyAbs, 0.01f, "0", "0.3228", "0.3290", kX},
    {"xyabs_beyond_y_only", 0, kXyAbs, 0.01f, "0", "0.3127", "0.3189", kY},
    {"xyabs0_any_difference", 0, kXyAbs, 0, "0", "0.3127", "0.3291", kY},
    {"xypct10_limit", kXyPct, 0, 10, "0", "0.34397", "0.2961", kOk},
    {"xypct10_beyond", kXyPct, 0, 10, "0", "0.3441", "0.2960", kX | kY},
    {"all_three", kPct | kXyPct, 0, 1, "1011", "0.3160", "0.3200", kI | kX | kY},
    {"nothing_switched_on", 0, 0, 0, "5", "0.9", "0.9", 0},
};

class CompareLimits : public ReadingListsTest, public ::testing::WithParamInterface<LimitCase> { };

TEST_P(CompareLimits, JudgesEachQuantityOnItsOwnBit)
{
    const LimitCase& c = GetParam();
    storeReference();
    CKonfList* s = settings.settingsByIndex(2);
    s->ChangeFlags = c.changeFlags;
    s->OptionFlags = c.optionFlags;
    s->DevIntensPercent = s->DevIntensAbs = s->DevXYPercent = static_cast<std::int16_t>(c.tolerance);
    s->DevXYAbs = c.tolerance;
    measure(2, c.intens, c.x, c.y);

    ASSERT_TRUE(lists.CompareWithReference(settings));
    EXPECT_EQ(lists.resultByIndex(2)->ReadingFlags & ReadingFlag::ComparisonBits, c.expected);
    EXPECT_TRUE(lists.resultByIndex(2)->isMeasured());
}

INSTANTIATE_TEST_SUITE_P(ReadingLists, CompareLimits, ::testing::ValuesIn(kLimits), caseName<LimitCase>);

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

    // The columns follow the checks and the firmware.
    struct Case {
        ReadingChecks checks;
        const char* header;
        const char* row;
    };
    const Case cases[] = {
        {{true, false, true, 1003}, "Sens\tRed\tGreen\tBlue\tInt\tX\tY\tComparison",
            "1\t85\t85\t85\t1000\t0.3127\t0.3290\t\t -OK- "},
        {{false, true, false, 1004}, "Sens\tHue\tSat\tInt\t\tComparison", "1\t120.00\t0.50\t1000\t\t -OK- "},
        {{false, false, true, 1007}, "Sens\t\tX\tY\tC.Temp.\t\tComparison", "1\t0.3127\t0.3290\t6500 K\t\t -OK- "},
    };
    for (const Case& c : cases) {
        lists.setChecks(c.checks);
        const std::string text = lists.testReportText("r", kWhen);
        EXPECT_NE(text.find(std::string("\r\n\r\n") + c.header + "\r\n\r\n" + c.row + "\r\n"), std::string::npos)
            << c.header;
    }
    lists.setChecks({false, false, false, 0});
    EXPECT_EQ(lists.testReportText("r", kWhen), "");
}

TEST_F(ReadingListsTest, HostileReferenceDataLosesNothing)
{
    storeReference();
    const std::string good = readFile(dir.file("a.dat"));
    writeFile(dir.file("a.dat"), good.substr(0, kMessRecordSize + 100)); // truncated: the whole record only
    ASSERT_TRUE(lists.readReferenceData(dir.file("a.dat")));
    EXPECT_EQ(lists.results().size(), 1u);
    // More records than a 16-bit number can address: refused, the results stay.
    writeFile(dir.file("a.dat"), std::string((ReadingLists::kMaxRecords + 1) * kMessRecordSize, '\x01'));
    EXPECT_FALSE(lists.readReferenceData(dir.file("a.dat")));
    EXPECT_EQ(lists.results().size(), 1u);

    // Nothing to store: no reference, and the existing file is not emptied for it.
    lists.CreateEmptyReadings(0);
    writeFile(dir.file("a.dat"), good);
    EXPECT_FALSE(lists.writeReferenceData(dir.file("a.dat")));
    EXPECT_EQ(readFile(dir.file("a.dat")), good);
    EXPECT_TRUE(dialogs.messages.empty());
    // A folder that cannot be written.
    lists.CreateEmptyReadings(3);
    EXPECT_FALSE(lists.writeReferenceData(dir.file("none/a.dat")));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(toldWriteFailed(dialogs.messages[0], dir.file("none/a.dat"))) << dialogs.messages[0];
}

// --- the reference file dialogs ---

// A saved pair a.ref + a.dat of three sensors with readings of their own; afterwards
// the current lists are five defaults and five empty results, with the saved reference in use.
class ReferenceFilesTest : public ReadingListsTest {
protected:
    void SetUp() override
    {
        ReadingListsTest::SetUp();
        for (const auto& r : settings.records())
            r->ChangeFlags = KonfChange::IntensPercent;
        lists.StoreReading(1, {"85", "86", "84", "120.00", "0.50", "1000", "0.3127", "0.3290", "6500"}, 2, 1,
            ReadingFlag::Measured | kKonfUserCapture);
        lists.StoreReading(3, {"Overfl.", "0", "0", "0.00", "0", "99999", "0", "0", "0"}, 8, 0,
            ReadingFlag::Measured | ReadingFlag::Compared | ReadingFlag::IntensDeviation);
        savedSettings = copyOf(settings.records());
        savedReadings = copyOf(lists.results());

        dialogs.saveFileAnswer = "a"; // relative: lands in the settings folder, ".ref" added
        ASSERT_TRUE(saveReferenceWithDialog(lists, settings, dialogs, dir.path().string()));
        settings.CreateDefaultSettings(5);
        lists.CreateEmptyReadings(5);
        notifications = 0;
    }

    template<typename Record> static std::vector<Record> copyOf(const std::vector<std::unique_ptr<Record>>& records)
    {
        std::vector<Record> copies;
        for (const auto& record : records)
            copies.push_back(*record);
        return copies;
    }

    std::vector<CKonfList> savedSettings;
    std::vector<CMessList> savedReadings;
};

TEST_F(ReferenceFilesTest, SavedPairLoadsBackAsSettingsAndReference)
{
    const std::string filter = "Reference file (*.ref)|*.ref| All files (*.*)|*.*||";
    ASSERT_EQ(dialogs.saveFileQuestions.size(), 1u);
    EXPECT_EQ(dialogs.saveFileQuestions[0].initialName, "sensor.ref");
    EXPECT_EQ(dialogs.saveFileQuestions[0].filter, filter);
    EXPECT_TRUE(std::filesystem::exists(dir.file("a.dat")));

    dialogs.fileAnswer = dir.file("a.ref");
    ASSERT_TRUE(loadReferenceWithDialog(lists, settings, dialogs, ""));
    EXPECT_EQ(dialogs.fileQuestions[0].initialName, "");
    EXPECT_EQ(dialogs.fileQuestions[0].filter, filter);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(lists.baseTitle(), kTitle + "  Reference file: a.ref");

    // Every setting as saved, everything marked to be sent at the next run.
    for (CKonfList& expected : savedSettings)
        expected.ChangeFlags |= KonfChange::AllWithDistance;
    EXPECT_EQ(copyOf(settings.records()), savedSettings);
    // The reference as measured; the results the same, but not yet compared.
    EXPECT_EQ(copyOf(lists.reference()), savedReadings);
    ASSERT_EQ(lists.results().size(), 3u);
    EXPECT_EQ(lists.results()[2]->ReadingFlags, ReadingFlag::Measured);
    // A reading judged against itself passes.
    ASSERT_TRUE(lists.CompareWithReference(settings));
    EXPECT_EQ(lists.results()[0]->ReadingFlags & ReadingFlag::ComparisonBits, ReadingFlag::Compared);

    // A cancel keeps the reference in use.
    dialogs.saveFileAnswer.clear();
    EXPECT_FALSE(saveReferenceWithDialog(lists, settings, dialogs, ""));
    EXPECT_TRUE(lists.isReferenceLoaded());
    // A name that would make the data overwrite the settings, in any case, is refused.
    for (const char* name : {"b.dat", "b.DAT", "bDat"}) {
        EXPECT_FALSE(lists.SaveReference(dir.file(name), settings));
        EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << name;
    }
    EXPECT_EQ(dialogs.messages, std::vector<std::string>(3, kSaveFailed));
    // Nothing to save is told and writes nothing.
    lists.CreateEmptyReadings(0);
    dialogs.saveFileAnswer = dir.file("b.ref");
    EXPECT_FALSE(saveReferenceWithDialog(lists, settings, dialogs, ""));
    EXPECT_EQ(dialogs.messages.back(), kNoData);
    EXPECT_FALSE(std::filesystem::exists(dir.file("b.ref")));
    EXPECT_FALSE(lists.isReferenceLoaded());
}

// Sizes of the files replacing a.ref and a.dat: kKeep leaves the file, kRemove removes it.
constexpr int kKeep = -1;
constexpr int kRemove = -2;
// More records than a 16-bit number can count.
constexpr int kTooManySettings = (SensorSettingsList::kMaxRecords + 1) * 68;
constexpr int kTooManyReadings = (ReadingLists::kMaxRecords + 1) * 128;

struct LoadCase {
    const char* name;
    const char* chosen; // empty: cancelled
    int refSize;
    int datSize;
    int settingsAfter;
    std::vector<std::string> messages;
};

const LoadCase kLoadCases[] = {
    {"cancelled", "", kKeep, kKeep, 5, {}},
    {"no_such_file", "b.ref", kKeep, kKeep, 5, {kNotFound}},
    {"named_like_its_data", "a.dat", kKeep, kKeep, 5, {kSaveFailed}},
    {"settings_empty", "a.ref", 0, kKeep, 5, {kNoReference}},
    {"settings_short_of_a_record", "a.ref", 67, kKeep, 5, {kNoReference}},
    {"settings_too_many", "a.ref", kTooManySettings, kKeep, 5, {kNoReference}},
    {"data_missing", "a.ref", kKeep, kRemove, 3, {kNoReference}},
    {"data_short_of_a_record", "a.ref", kKeep, 127, 3, {kNoReference}},
    {"data_too_many", "a.ref", kKeep, kTooManyReadings, 3, {kNoReference}},
};

void replaceFile(const std::string& path, int size)
{
    if (size == kRemove)
        std::filesystem::remove(path);
    else if (size != kKeep)
        writeFile(path, std::string(static_cast<std::size_t>(size), '\x01'));
}

class LoadRefused : public ReferenceFilesTest, public ::testing::WithParamInterface<LoadCase> { };

// Whatever goes wrong, the results stay and so do the settings unless the settings half was whole.
TEST_P(LoadRefused, KeepsWhatTheFilesCannotReplace)
{
    const LoadCase& c = GetParam();
    replaceFile(dir.file("a.ref"), c.refSize);
    replaceFile(dir.file("a.dat"), c.datSize);
    dialogs.fileAnswer = *c.chosen ? dir.file(c.chosen) : "";

    EXPECT_FALSE(loadReferenceWithDialog(lists, settings, dialogs, ""));
    EXPECT_EQ(dialogs.messages, c.messages);
    EXPECT_EQ(settings.settingsCount(), c.settingsAfter);
    EXPECT_EQ(notifications, c.settingsAfter == 5 ? 0 : 1);
    EXPECT_EQ(lists.results().size(), 5u);
    // Only a cancel keeps the reference in use; a failed load leaves none, and the title says so.
    const bool cancelled = !*c.chosen;
    EXPECT_EQ(lists.isReferenceLoaded(), cancelled);
    EXPECT_EQ(lists.baseTitle(), cancelled ? kTitle + "  Reference file: a.ref" : kTitle);
}

INSTANTIATE_TEST_SUITE_P(ReferenceFiles, LoadRefused, ::testing::ValuesIn(kLoadCases), caseName<LoadCase>);

} // namespace
} // namespace lumivex
