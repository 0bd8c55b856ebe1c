// The readings of a measurement list, their comparison, report and reference files; the plan of a
// run and the run wired to the simulated device in virtual time.
#include "base/FormatText.h"
#include "base/VirtualScheduler.h"
#include "device/CSeriell.h"
#include "foundation/CGlobal.h"
#include "foundation/Settings.h"
#include "foundation/StringTable.h"
#include "multisensor/MeasurementRun.h"
#include "multisensor/MeasurementRunView.h"
#include "multisensor/ReadingLists.h"
#include "multisensor/ReferenceFiles.h"
#include "multisensor/RunPlan.h"
#include "multisensor/SensorSettingsList.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"

#include "InjectingBackend.h"
#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

namespace lumivex {
namespace {

using Question = test::RecordingDialogs::FileQuestion;
using test::readFile;
using test::texts;
using test::writeFile;

const std::string kSaveFailed = "Saving of measurements is not possible";
const std::string kNoData = "No measurement data available";
const std::string kNoReference = "No Reference data available ";
const std::string kNotFound = "Path or file not found";
const std::string kTitle = "List of measurements";

// A write that failed is told alone, with the file and why on a second line.
bool toldWriteFailed(const std::vector<std::string>& messages, const std::string& path)
{
    const std::string head = kSaveFailed + "\n" + path + ": ";
    return messages.size() == 1 && messages[0].size() > head.size() && messages[0].starts_with(head);
}

// Every field at full width or with a recognisable pattern; flags measured, x and y deviation,
// compared, PWM.
const CMessList kGoldenReading {258, "12", "Overf", "0", "255", "123.45678", "0.50", "99999", "0.3127", "0.3290",
    "6500 K", "PWM-SUH", "9 x 9", 0x1D02};

// Written from the layout table, field by field: 0 Index, 2 SensorText, 6 RedText, 12 GreenText, 18 BlueText,
// 24 HueText, 34 SatText, 44 IntensText, 54 XText, 64 YText, 74 TempText, 86 ModeText, 94 RangeText,
// 100 ReadingFlags, 102 reserved.
// clang-format off
constexpr char kGolden[] = "\x02\x01" "12\0\0" "Overf\0" "0\0\0\0\0\0" "255\0\0\0" "123.45678\0" "0.50\0\0\0\0\0\0"
    "99999\0\0\0\0\0" "0.3127\0\0\0\0" "0.3290\0\0\0\0" "6500 K\0\0\0\0\0\0" "PWM-SUH\0" "9 x 9\0" "\x02\x1D"
    "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0";
// clang-format on
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
    std::fill(dirty.begin() + 102, dirty.end(), '\xCC'); // reserved bytes are ignored
    EXPECT_EQ(decodeMessRecord(toRecord(dirty)), kGoldenReading);

    std::fill(dirty.begin() + 6, dirty.begin() + 12, 'R'); // no terminator: cut inside the field, not run on
    EXPECT_EQ(decodeMessRecord(toRecord(dirty)).RedText, "RRRRR");
}

// Three manual 200 ms sensors without tolerances or switches, and their empty results.
class ReadingListsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.setSettingsChangedHandler([this] { ++notifications; });
        settings.CreateDefaultSettings(3);
        for (const auto& r : settings.records())
            std::tie(r->TestMode, r->MeasureTime) = std::tuple(kKonfManualCapture, kKonfMeasureTime200ms);
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

TEST_F(ReadingListsTest, StoredReadingsFillTextsModeAndRangeAndHostileReferenceDataLosesNothing)
{
    EXPECT_FALSE(lists.StoreReading(4, {}, 2, 0, ReadingFlag::Measured)); // no such record

    lists.StoreReading(2, {"Overfl.", "", "", "", "", "", "", "", "0"}, 9, 1, ReadingFlag::Measured | 2);
    const CMessList* r = lists.resultByIndex(2);
    // A temperature of 0 gets no unit.
    EXPECT_EQ(
        std::tuple(r->RedText, r->TempText, r->ModeText, r->RangeText), std::tuple("Overf", "0", "PWM-AKT", "9 x 9"));
    // Empty texts keep what a previous reply stored; the unit is appended and cut to the field.
    lists.StoreReading(2, {"", "12", "", "", "", "", "", "", "1234567890"}, 0, 0, ReadingFlag::Measured | 1);
    EXPECT_EQ(std::tuple(r->RedText, r->GreenText, r->TempText, r->ModeText, r->RangeText, r->isMeasured()),
        std::tuple("Overf", "12", "1234567890 ", "USR-DIS", "3 x 3", false)); // measure time 0 is no measurement
    // Saturated: colour and x/y mean nothing; a hue of "0.00" is shown as it is.
    lists.StoreReading(
        1, {"Overf", "Overf", "Overf", "0.00", "0.1", "99999", "0.3", "0.3", "0"}, 2, 0, ReadingFlag::Measured);
    ReadingRow row;
    ASSERT_TRUE(lists.rowOf(1, row));
    EXPECT_EQ(
        std::tuple(row.hue, row.sat, row.x, row.temp, row.intens), std::tuple("0.00", "---", "---", "---", "99999"));
    EXPECT_FALSE(lists.rowOf(9, row));
    // Reference data read and written: nothing is lost.
    storeReference();
    const std::string good = readFile(dir.file("a.dat"));
    writeFile(dir.file("a.dat"), good.substr(0, kMessRecordSize + 100)); // truncated: the whole record only
    ASSERT_TRUE(lists.loadReferenceDataBytes(readFile(dir.file("a.dat"))));
    EXPECT_EQ(lists.results().size(), 1u);
    // Nothing to store: no reference, and the existing file is not emptied for it.
    lists.CreateEmptyReadings(0);
    writeFile(dir.file("a.dat"), good);
    EXPECT_FALSE(lists.writeReferenceData(dir.file("a.dat")));
    EXPECT_EQ(std::tuple(readFile(dir.file("a.dat")), dialogs.messages.size()), std::tuple(good, 0u));
    // A folder that cannot be written.
    lists.CreateEmptyReadings(3);
    EXPECT_FALSE(lists.writeReferenceData(dir.file("none/a.dat")));
    EXPECT_TRUE(toldWriteFailed(dialogs.messages, dir.file("none/a.dat")))
        << ::testing::PrintToString(dialogs.messages);
}

constexpr std::uint16_t kOk = ReadingFlag::Compared;
constexpr std::uint16_t kI = ReadingFlag::Compared | ReadingFlag::IntensDeviation;
constexpr std::uint16_t kX = ReadingFlag::Compared | ReadingFlag::XDeviation;
constexpr std::uint16_t kY = ReadingFlag::Compared | ReadingFlag::YDeviation;
constexpr std::uint16_t kPct = KonfChange::IntensPercent;
constexpr std::uint16_t kXyPct = KonfChange::XyPercent;
constexpr std::uint16_t kAbs = KonfOption::IntensAbs;
constexpr std::uint16_t kXyAbs = KonfOption::XyAbs;

TEST_F(ReadingListsTest, CompareFollowsChecksAndEnabledSensorsAndJudgesEachQuantityOnItsOwnBit)
{
    EXPECT_FALSE(lists.CompareWithReference(settings)); // no reference yet

    storeReference();
    for (const auto& r : settings.records())
        std::tie(r->ChangeFlags, r->OptionFlags, r->DevXYAbs) = std::tuple(kPct, kXyAbs, 0.01f);
    settings.settingsByIndex(3)->MeasureTime = kKonfMeasureTimeDisabled;
    for (int k = 1; k <= 3; ++k)
        measure(k, "2000", "0.3127", "0.3290");

    lists.setChecks({false, false, true, 0});
    ASSERT_TRUE(lists.CompareWithReference(settings));
    // Intensity is not compared at all, and x/y alone make the row compared.
    EXPECT_EQ(lists.resultByIndex(1)->ReadingFlags & ReadingFlag::ComparisonBits, kOk);
    // A disabled sensor loses its measured bit and shows dashes.
    ReadingRow row;
    ASSERT_TRUE(lists.rowOf(3, row));
    EXPECT_EQ(std::tuple(lists.resultByIndex(3)->ReadingFlags & 0x1F00, row.x, row.state, lists.anyFailed()),
        std::tuple(0, "---", ReadingRow::State::NotCompared, false));

    lists.setChecks({true, false, false, 0});
    ASSERT_TRUE(lists.CompareWithReference(settings));
    ASSERT_TRUE(lists.rowOf(1, row));
    EXPECT_EQ(std::tuple(lists.resultByIndex(1)->ReadingFlags & ReadingFlag::ComparisonBits, row.state,
                  row.intensCellDeviates, lists.anyFailed()),
        std::tuple(kI, ReadingRow::State::Deviation, true, true));
    // Reference: intensity 1000, x 0.3127, y 0.3290; every group checked. The tolerance is each of the four, as far
    // as it fits; the last column the comparison bits of the result.
    using S = const char*;
    const std::tuple<S, std::uint16_t, std::uint16_t, float, S, S, S, std::uint16_t> cases[] = {
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
    lists.setChecks({});
    for (const auto& [name, changeFlags, optionFlags, tolerance, intens, x, y, expected] : cases) {
        SCOPED_TRACE(name);
        CKonfList* s = settings.settingsByIndex(2);
        std::tie(s->ChangeFlags, s->OptionFlags, s->DevXYAbs) = std::tie(changeFlags, optionFlags, tolerance);
        s->DevIntensPercent = s->DevIntensAbs = s->DevXYPercent = static_cast<std::int16_t>(tolerance);
        measure(2, intens, x, y);
        ASSERT_TRUE(lists.CompareWithReference(settings));
        EXPECT_EQ(lists.resultByIndex(2)->ReadingFlags & ReadingFlag::ComparisonBits, expected);
        EXPECT_TRUE(lists.resultByIndex(2)->isMeasured());
    }
}

const std::tm kWhen = [] {
    std::tm t {};
    std::tie(t.tm_mday, t.tm_mon, t.tm_year, t.tm_hour, t.tm_min, t.tm_sec) = std::tuple(7, 2, 126, 9, 5, 3);
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
    EXPECT_TRUE(toldWriteFailed(dialogs.messages, dir.file("missing/report.txt")))
        << ::testing::PrintToString(dialogs.messages);
    // The columns follow the checks and the firmware.
    const std::tuple<ReadingChecks, const char*, const char*> cases[] = {
        {{true, false, true, 1003}, "Sens\tRed\tGreen\tBlue\tInt\tX\tY\tComparison",
            "1\t85\t85\t85\t1000\t0.3127\t0.3290\t\t -OK- "},
        {{false, true, false, 1004}, "Sens\tHue\tSat\tInt\t\tComparison", "1\t120.00\t0.50\t1000\t\t -OK- "},
        {{false, false, true, 1007}, "Sens\t\tX\tY\tC.Temp.\t\tComparison", "1\t0.3127\t0.3290\t6500 K\t\t -OK- "},
    };
    for (const auto& [checks, header, row] : cases) {
        lists.setChecks(checks);
        const std::string text = lists.testReportText("r", kWhen);
        EXPECT_NE(text.find(std::string("\r\n\r\n") + header + "\r\n\r\n" + row + "\r\n"), std::string::npos) << header;
    }
    lists.setChecks({false, false, false, 0});
    EXPECT_EQ(lists.testReportText("r", kWhen), "");
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

    template<typename R> static std::vector<R> copyOf(const std::vector<std::unique_ptr<R>>& records)
    {
        std::vector<R> copies;
        std::ranges::transform(records, std::back_inserter(copies), [](const auto& r) { return *r; });
        return copies;
    }

    std::vector<CKonfList> savedSettings;
    std::vector<CMessList> savedReadings;
};

// Sizes of the files replacing a.ref and a.dat: kKeep leaves the file, kRemove removes it.
constexpr int kKeep = -1;
constexpr int kRemove = -2;
// More records than a 16-bit number can count.
constexpr int kTooManySettings = (SensorSettingsList::kMaxRecords + 1) * 68;
constexpr int kTooManyReadings = (ReadingLists::kMaxRecords + 1) * 128;

void replaceFile(const std::string& path, int size)
{
    if (size == kRemove)
        std::filesystem::remove(path);
    else if (size != kKeep)
        writeFile(path, std::string(static_cast<std::size_t>(size), '\x01'));
}

TEST_F(ReferenceFilesTest, SavedPairLoadsBackAndARefusedLoadKeepsWhatTheFilesCannotReplace)
{
    EXPECT_TRUE(std::filesystem::exists(dir.file("a.dat")));

    dialogs.fileAnswer = dir.file("a.ref");
    ASSERT_TRUE(loadReferenceWithDialog(lists, settings, dialogs, ""));
    EXPECT_EQ(std::tuple(dialogs.messages.size(), notifications, lists.baseTitle()),
        std::tuple(0u, 1, kTitle + "  Reference file: a.ref"));
    const std::string filter = "Reference file (*.ref)|*.ref| All files (*.*)|*.*||";
    EXPECT_EQ(std::pair(dialogs.saveFileQuestions, dialogs.fileQuestions),
        std::pair(std::vector<Question> {{"sensor.ref", filter}}, std::vector<Question> {{"", filter}}));
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
    EXPECT_EQ(
        std::tuple(dialogs.messages.back(), std::filesystem::exists(dir.file("b.ref")), lists.isReferenceLoaded()),
        std::tuple(kNoData, false, false));
    // Whatever goes wrong, the results stay and so do the settings unless the settings half was whole.
    // The file chosen (empty: cancelled), the sizes of a.ref and a.dat, the settings after, the messages.
    const std::tuple<const char*, const char*, int, int, int, std::vector<std::string>> cases[] = {
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
    for (const auto& [name, chosen, refSize, datSize, settingsAfter, messages] : cases) {
        SCOPED_TRACE(name);
        dialogs = {};
        SetUp();
        replaceFile(dir.file("a.ref"), refSize);
        replaceFile(dir.file("a.dat"), datSize);
        dialogs.fileAnswer = *chosen ? dir.file(chosen) : "";
        EXPECT_FALSE(loadReferenceWithDialog(lists, settings, dialogs, ""));
        EXPECT_EQ(std::tuple(dialogs.messages, settings.settingsCount(), notifications, lists.results().size()),
            std::tuple(messages, settingsAfter, settingsAfter == 5 ? 0 : 1, 5u));
        // Only a cancel keeps the reference in use; a failed load leaves none, and the title says so.
        const bool cancelled = !*chosen;
        EXPECT_EQ(std::tuple(lists.isReferenceLoaded(), lists.baseTitle()),
            std::tuple(cancelled, cancelled ? kTitle + "  Reference file: a.ref" : kTitle));
    }
}

// --- the plan of a run ---

CKonfList sensor(std::int16_t no, std::uint8_t testMode, std::uint8_t measureTime, std::uint8_t pwmRuns = 0,
    std::int16_t userTime = 800)
{
    return {no, no, testMode, measureTime, 0, pwmRuns, userTime};
}

constexpr std::uint8_t kMan = kKonfManualCapture;
constexpr std::uint8_t kUsr = kKonfUserCapture;
constexpr std::uint8_t kPwm = kKonfPwmCapture;

TEST(RunPlan, CaptureRequestsAndBudgets)
{
    const std::tuple<const char*, std::vector<CKonfList>, std::vector<RunRequest>> cases[] = {
        {"all manual: one capture, 500 ticks", {sensor(1, kMan, 2), sensor(2, kMan, 1)},
            {{"capture\r", ListReply::CaptureAll, 500}}},
        // (3 + 1) x 5 x 20 ms = 400 ms, 400 / 5 + 5 = 85
        {"all PWM, runs code 3 at 20 ms", {sensor(1, kPwm, 5, 3), sensor(2, kPwm, 5, 3)},
            {{"capturepwm\r", ListReply::CapturePwmAll, 85}}},
        // 1000 / 5 + 5
        {"a user capture: budget from the longest user time", {sensor(1, kMan, 2, 0, 300), sensor(2, kUsr, 8, 0, 1000)},
            {{"capture\r", ListReply::CaptureAll, 205}}},
        // a manual 600 ms capture next to a 100 ms user time: 600 / 5 + 5
        {"a user capture never waits less than the slowest manual one",
            {sensor(1, kMan, 1, 0, 100), sensor(2, kUsr, 8, 0, 100)}, {{"capture\r", ListReply::CaptureAll, 125}}},
        // the most runs (15) with the longest time (600 ms): 16 x 5 x 600 = 48000 ms
        {"PWM: most runs and longest time need not be the same sensor", {sensor(1, kPwm, 1, 0), sensor(2, kPwm, 6, 15)},
            {{"capturepwm\r", ListReply::CapturePwmAll, 9605}}},
        // 4 x 5 x 20 / 10 + 20 = 60; user time 1000 / 10 + 20 = 120
        {"mixed: one capture per sensor, each addressing its own",
            {sensor(1, kMan, 2), sensor(2, kPwm, 5, 3), sensor(8, kUsr, 8, 0, 1000)},
            {{"capture201 1\r", ListReply::Successive, 500}, {"capturepwm032 1\r", ListReply::Successive, 60},
                {"capture803 2\r", ListReply::Successive, 120}}},
        {"user and manual sensors are not mixed", {sensor(1, kMan, 2, 0, 100), sensor(2, kUsr, 8, 0, 50)},
            {{"capture\r", ListReply::CaptureAll, 45}}},
    };
    for (const auto& [name, sensors, expected] : cases) {
        SCOPED_TRACE(name);
        std::vector<const CKonfList*> order;
        for (const CKonfList& r : sensors)
            order.push_back(&r);
        EXPECT_EQ(captureRequests(chooseCaptureMode(order), order), expected);
    }
}

TEST(RunPlan, PendingSettingsInDeviceOrder)
{
    struct Case {
        const char* name;
        std::uint16_t flags;
        std::uint16_t options;
        int firmware;
        bool offsetsLocked;
        std::vector<std::string> expected;
        const char* distance = "1.5";
    };
    const std::vector<std::string> all {"setusertime00250 2\r", "setcaptime513 2\r", "setaverage07 2\r",
        "setintgain3120 2\r", "setxoffset3+0.0125 2\r", "setyoffset3-0.0300 2\r", "setdistance31.5 2\r"};
    const Case cases[] = {
        {"everything pending, firmware 1007", KonfChange::AllWithDistance, 0, 1007, false, all},
        {"no distance below 1007", KonfChange::AllWithDistance, 0, 1006, false,
            {all[0], all[1], all[2], all[3], all[4], all[5]}},
        {"offsets held back by the global switch", KonfChange::AllWithDistance, 0, 1007, true,
            {all[0], all[1], all[2], all[3], all[6]}},
        {"offsets held back by the sensor's switch", KonfChange::AllWithDistance, KonfOption::KeepXyOffset, 1007, false,
            {all[0], all[1], all[2], all[3], all[6]}},
        {"only the user time", KonfChange::Pending | KonfChange::UserTime, 0, 1007, false, {all[0]}},
        {"range alone sends the capture time", KonfChange::Pending | KonfChange::Range, 0, 1007, false, {all[1]}},
        {"a distance never set is not sent", KonfChange::Pending | KonfChange::Distance, 0, 1007, false, {}, "-.-"},
        {"nothing without the pending bit", KonfChange::AllWithDistance & ~KonfChange::Pending, 0, 1007, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CKonfList r = sensor(8, kMan, 5, 7, 250); // sensor 3 of board 2
        std::tie(r.Range, r.Gain, r.ChangeFlags, r.OptionFlags) = std::tuple(1, 120, c.flags, c.options);
        std::tie(r.XOffset, r.YOffset, r.Distance) = std::tuple("0.0125", "-0.0300", c.distance);
        std::vector<std::string> texts;
        for (const SettingRequest& s : pendingSettingRequests(r, c.firmware, c.offsetsLocked))
            texts.push_back(s.text);
        EXPECT_EQ(texts, c.expected);
    }
}

TEST(RunPlan, ReadingTexts)
{
    const std::tuple<const char*, RgbiReply, int, std::string, std::string, std::string, std::string> cases[] = {
        // 100 x 255 / 250 = 102, 50 x 255 / 250 = 51
        {"shares of the sum", {100, 100, 50, 1234}, 4095, "102", "102", "51", "1234"},
        {"each channel at full scale overflows, the others stay empty", {255, 10, 255, 99999}, 255, "Overfl.", "",
            "Overfl.", "99999"},
        {"all dark underflows without an intensity", {0, 0, 0, 12}, 4095, "Underfl.", "Underfl.", "Underfl.", ""},
    };
    for (const auto& [name, reply, fullScale, red, green, blue, intens] : cases) {
        SCOPED_TRACE(name);
        const ReadingTexts t = rgbiTexts(reply, fullScale);
        EXPECT_EQ(std::tie(t.red, t.green, t.blue, t.intens), std::tie(red, green, blue, intens));
    }
    EXPECT_EQ(hsiTexts({123.456, 45, 678}).sat, "45 %");
    EXPECT_EQ(colourTemperatureTexts(6504.9).temp, "6504");
}

// --- the run ---

class RecordingRunView : public MeasurementRunView {
public:
    // The title and the progress bar, in the order the user sees them change.
    void ShowTitle(const std::string& title) override { shown.push_back(title); }
    void EnablePerform(bool enabled) override { performEnabled = enabled; }
    void ShowProgress(int position, int count) override
    {
        shown.push_back(std::to_string(position) + "/" + std::to_string(count));
        onProgress ? onProgress() : void();
    }
    void FillRows() override { }

    bool performEnabled = true;
    std::vector<std::string> shown;
    std::function<void()> onProgress; // what the user does while the run waits
};

// One board of five manual 200 ms sensors unless a test says otherwise, nothing pending.
struct RunBench {
    // `runFirmware`: the firmware number the program believes in; by default the device's own.
    explicit RunBench(int deviceFirmware, int boards = 1, int runFirmware = -1, SimFaults faults = {})
        : device(scheduler,
            SimConfig {.firmware = deviceFirmware, .boards = boards, .leds = {}, .inputEvents = {}, .faults = faults}),
          backend(scheduler, device),
          wire(backend),
          port(wire, dialogs),
          konf(dialogs, {}),
          readings(dialogs),
          firmware(runFirmware < 0 ? deviceFirmware : runFirmware),
          run({scheduler, port, dialogs, log, settings, konf, readings, view, [this] { return firmware; }, true, {},
              [this] { ++portsReturned; }})
    {
        device.setTrace([this](std::string_view direction, std::string_view line) {
            if (direction == "<") {
                received.emplace_back(line);
                receivedAt.push_back(scheduler.nowMicros());
                if (onRequest)
                    onRequest(received.back());
            }
        });
        port.SetPortName(SimSerialBackend::kPortName);
        port.OpenPort();
        // The offsets may be sent: the switch that holds them back is tested on its own.
        settings.noChangeXyOffset = 0;
        konf.setDeviationSettings(DeviationSettings::fromSettings(settings));
        konf.CreateDefaultSettings(5 * boards);
        readings.CreateEmptyReadings(5 * boards);
        for (const auto& record : konf.records())
            set(record->Index, kKonfManualCapture, 2);
    }

    CKonfList& set(int index, std::uint8_t testMode, std::uint8_t measureTime, std::uint8_t pwmRuns = 0)
    {
        CKonfList& r = *konf.settingsByIndex(index);
        std::tie(r.TestMode, r.MeasureTime, r.PwmRuns, r.ChangeFlags) = std::tuple(testMode, measureTime, pwmRuns, 0);
        return r;
    }
    // Only the records named take part.
    void disableAllBut(std::initializer_list<int> indexes)
    {
        for (const auto& r : konf.records())
            r->MeasureTime = std::find(indexes.begin(), indexes.end(), r->Index) == indexes.end() ? 0 : r->MeasureTime;
    }
    // Settings of that sensor to be sent with the next run.
    CKonfList& pending(int index, std::uint16_t flags)
    {
        konf.setModified(true);
        konf.settingsByIndex(index)->ChangeFlags = flags;
        return *konf.settingsByIndex(index);
    }

    void perform() { run.PerformMeasurement(); }
    long count(const std::string& line) const { return std::count(received.begin(), received.end(), line); }
    const CMessList& result(int index) const { return *readings.resultByIndex(index); }

    VirtualScheduler scheduler;
    SimulatedDevice device;
    SimSerialBackend backend;
    test::InjectingBackend wire;
    test::RecordingDialogs dialogs;
    CSeriell port;
    CGlobal log;
    Settings settings;
    SensorSettingsList konf;
    ReadingLists readings;
    RecordingRunView view;
    int firmware;
    int portsReturned = 0;
    std::vector<std::string> received; // request lines as the device took them
    std::vector<std::int64_t> receivedAt;
    std::function<void(const std::string&)> onRequest; // as the device takes a request
    MeasurementRun run;
};

TEST(MeasurementRun, AllManualCapturesOnceAndReadsEverySensorOfEveryBoardAsTheFirmwareAllows)
{
    for (const int boards : {1, 10}) {
        SCOPED_TRACE(boards);
        RunBench bench(1007, boards);
        // A negative x is read (and warned of) through an offset that is sent first.
        CKonfList& first = bench.pending(1, KonfChange::Pending | KonfChange::XOffset);
        first.XOffset = "-0.9000";
        const std::int64_t start = bench.scheduler.nowMicros();
        bench.perform();

        EXPECT_EQ(bench.run.LastRunRequests()[1], (RunRequest {"capture\r", ListReply::CaptureAll, 500}));
        EXPECT_EQ(bench.count("capture"), 1);
        // seven reads a sensor at 1007: colours, hue, x/y, temperature, two offsets, distance
        EXPECT_EQ(bench.received.size(), 2u + 35u * static_cast<unsigned>(boards));
        EXPECT_EQ(bench.received.back(), "getdistance5 " + std::to_string(boards));
        for (int b = 1; b <= boards; ++b) {
            for (int s = 1; s <= 5; ++s) {
                const SimReading& seen = bench.device.model().sensor(b, s).last;
                const CMessList& result = bench.result(sensorListNumber(b, s));
                const bool other = b * s > 1; // the first one's negative x is rounded by the device
                EXPECT_EQ(std::tuple(result.isMeasured(), result.IntensText, other ? result.XText : ""),
                    std::tuple(true, std::to_string(seen.intensity), other ? formatText("%.4f", seen.x) : ""))
                    << b << ":" << s;
            }
        }
        EXPECT_EQ(bench.dialogs.messages, texts({StringId::NoReferenceData, StringId::XyOutOfRange}));
        EXPECT_TRUE(bench.result(1).XText.starts_with("-"));
        EXPECT_FALSE(bench.run.XyWarning());
        // The offsets and the distance read back into the settings.
        EXPECT_EQ(std::tuple(first.XOffset.str(), first.YOffset.str(), first.Distance.str()),
            std::tuple("-0.9000", "0.0000", "2.0"));
        // Replies are taken as they arrive: the run lasts as long as its 200 ms capture, not a tick
        // longer for each request.
        EXPECT_TRUE(boards > 1 || bench.scheduler.nowMicros() - start < 205000) << bench.scheduler.nowMicros() - start;
    }
    // The requests of one sensor follow the firmware.
    const std::vector<std::string> reads {"capture", "getrgbi2 1", "gethsi2 1", "getxy2 1"};
    const std::vector<std::string> offsets {"getctemp2 1", "getxoffset2 1", "getyoffset2 1", "getdistance2 1"};
    auto join = [](std::vector<std::vector<std::string>> parts) {
        std::vector<std::string> all;
        for (const auto& part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    };
    // No reference: nothing compared deviates, so the pass output at the end.
    const auto withOutputs = join({{"setoutput00", "setoutput10"}, reads, offsets, {"setoutput11", "setoutput00"}});
    const std::tuple<const char*, int, int, std::vector<std::string>> cases[] = {
        {"1003: no colour temperature, no offsets", 1003, -1, reads},
        {"1005: colour temperature, no offsets", 1005, -1, join({reads, {"getctemp2 1"}})},
        {"1007: offsets and distance", 1007, -1, join({reads, offsets})},
        {"2002: outputs off first, pass at the end", 2002, -1, withOutputs},
        {"firmware not known: everything", 2002, 0, withOutputs},
    };
    for (const auto& [name, deviceFirmware, runFirmware, expected] : cases) {
        SCOPED_TRACE(name);
        RunBench bench(deviceFirmware, 1, runFirmware);
        bench.disableAllBut({2});
        bench.perform();
        EXPECT_EQ(bench.received, expected);
    }
}

TEST(MeasurementRun, MixedModesCaptureEachSensorOnItsOwnAfterThePendingSettings)
{
    RunBench bench(1007);
    bench.set(2, kKonfPwmCapture, 5, 1);
    bench.set(4, kKonfManualCapture, 3);
    bench.disableAllBut({1, 2, 4});
    bench.pending(1, KonfChange::Pending | KonfChange::UserTime | KonfChange::IntensPercent).UserTime = 250;
    bench.pending(2, KonfChange::Pending | KonfChange::MeasureTime);
    bench.pending(3, KonfChange::AllWithDistance); // measure time 0
    bench.perform();

    EXPECT_EQ(bench.dialogs.messages, texts({StringId::MixedCaptureMode, StringId::NoReferenceData}));
    // Only what changed is sent, then one capture per sensor.
    ASSERT_GE(bench.received.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(bench.received.begin(), bench.received.begin() + 5),
        (std::vector<std::string> {
            "setusertime00250 1", "setcaptime502 1", "capture201 1", "capturepwm012 1", "capture304 1"}));
    EXPECT_EQ(std::count_if(bench.received.begin(), bench.received.end(),
                  [](const std::string& line) { return line.starts_with("set") || line.starts_with("capture"); }),
        5);
    const int expectedCaptures[] = {1, 1, 0, 1, 0};
    for (int s = 1; s <= 5; ++s)
        EXPECT_EQ(bench.device.model().sensor(1, s).captures, expectedCaptures[s - 1]) << "sensor " << s;
    EXPECT_TRUE(bench.result(2).isMeasured());
    EXPECT_EQ(std::tuple(bench.konf.settingsByIndex(1)->ChangeFlags, bench.konf.settingsByIndex(2)->ChangeFlags,
                  bench.konf.isModified()),
        std::tuple(KonfChange::IntensPercent, 0, false));
    // Sensor 3: no settings, no capture, no read, dashes; its settings stay pending.
    for (const std::string& line : bench.received)
        EXPECT_FALSE(line.ends_with("3 1")) << line;
    ReadingRow row;
    ASSERT_TRUE(bench.readings.rowOf(3, row));
    EXPECT_EQ(std::tuple(row.red, row.x, bench.konf.settingsByIndex(3)->ChangeFlags),
        std::tuple("---", "---", KonfChange::AllWithDistance));
    EXPECT_EQ(bench.portsReturned, 1);
    const auto title = [](std::optional<StringId> phase) {
        return std::string(stringText(StringId::MeasurementListTitle)).append(phase ? stringText(*phase) : "");
    };
    EXPECT_EQ(bench.view.shown,
        (std::vector<std::string> {title(std::nullopt), title(StringId::TitleSendingSettings), "1/3", "2/3",
            title(StringId::TitleMeasurementStarted), "1/3", "2/3", "3/3", title(StringId::TitleCollectingData), "1/3",
            "2/3", "3/3", title(StringId::TitleComparingData), title(std::nullopt)}));
}

TEST(MeasurementRun, RefusedLostOrGarbledRepliesEndTheRunAsDocumentedNoiseChangesNothing)
{
    enum Fault { Error, Silent, Garbled };
    // The request word the fault hits, the budget in ticks of a lost request, the outputs after.
    using Case = std::tuple<const char*, int, std::string, Fault, bool, std::vector<std::string>, std::string, int,
        bool, bool>;
    const auto noValue = texts({StringId::NoValidReturnValue, StringId::ErrorGettingData});
    const auto refused = texts({StringId::BoardReturnsError, StringId::ErrorGettingData});
    const Case cases[] = {
        {"ERROR to getxy", 1007, "getxy", Error, false, refused, "getxy1 1", 0, false, false},
        {"ERROR to getxy signals fail, not pass", 2002, "getxy", Error, false, refused, "setoutput10", 0, true, false},
        {"silent getxy: outputs stay off", 2002, "getxy", Silent, false, noValue, "getxy1 1", 500, false, false},
        {"silent capture", 1007, "capture", Silent, false,
            texts({StringId::NoValidReturnValue, StringId::MeasurementsFailed}), "capture", 500, false, false},
        {"silent setting: the run ends without a further message", 1007, "setusertime", Silent, true,
            texts({StringId::NoValidReturnValue}), "setusertime00800 1", 200, false, false},
        // Letters where the numbers belong, long enough to pass for the reply, ahead of the real one.
        {"garbled x/y are no values", 1007, "", Garbled, false, noValue, "getxy1 1", 0, false, false},
    };
    for (const auto& [name, firmware, word, fault, settingsPending, messages, lastRequest, ticks, output0, output1] :
        cases) {
        SCOPED_TRACE(name);
        SimFaults faults;
        if (fault != Garbled)
            (fault == Silent ? faults.silentOn : faults.errorOn).insert(word);
        RunBench bench(firmware, 1, -1, faults);
        bench.disableAllBut({1});
        if (settingsPending)
            bench.pending(1, KonfChange::Pending | KonfChange::UserTime);
        bench.onRequest = [&bench, &fault, &lastRequest](const std::string& line) {
            if (fault == Garbled && line == lastRequest)
                bench.scheduler.singleShot(
                    std::chrono::microseconds(0), [&bench] { bench.wire.inject("ABCDEF GHIJKL\r"); });
        };
        bench.perform();

        EXPECT_EQ(bench.dialogs.messages, messages);
        // Nothing stored, the outputs as said, the run over and startable again.
        EXPECT_EQ(std::tuple(bench.received.back(), bench.result(1).XText, bench.device.model().output(0),
                      bench.device.model().output(1), bench.run.IsMeasuring(), bench.view.performEnabled,
                      bench.konf.isModified()),
            std::tuple(lastRequest, "", output0, output1, false, true, settingsPending));
        // A lost reply is given up on the last of its ticks (the run ends there), 10 ms of phase either way.
        const std::int64_t waited = bench.scheduler.nowMicros() - bench.receivedAt.back();
        EXPECT_TRUE(ticks == 0 || (waited > (ticks - 1) * 10000 && waited <= ticks * 10000)) << waited;
    }
    // Noise and one-byte chunks change nothing.
    auto runOn = [](SimFaults faults) {
        auto bench = std::make_unique<RunBench>(2002, 2, -1, faults);
        bench->set(7, kKonfPwmCapture, 5, 2);
        bench->perform();
        return bench;
    };
    const auto clean = runOn({});
    SimFaults faulty;
    std::tie(faulty.chunkSize, faulty.noiseBytes) = std::tuple(1, 3);
    const auto noisy = runOn(faulty);

    EXPECT_EQ(noisy->received, clean->received);
    EXPECT_EQ(noisy->dialogs.messages, clean->dialogs.messages);
    for (int k = 1; k <= 10; ++k)
        EXPECT_EQ(noisy->result(k), clean->result(k)) << "row " << k;
}

TEST(MeasurementRun, StartsOnlyWhenItMayAndEndsWithTheWindow)
{
    // The firmware the run believes in, the digit on the device's input (0: the button), what the user did before.
    const std::tuple<const char*, int, int, void (*)(RunBench&), bool> cases[] = {
        {"input 2 while idle", 2002, 2, nullptr, true},
        {"any other digit", 2002, 5, nullptr, false},
        {"no input poll below 2002", 1007, 2, nullptr, false},
        {"the main window awaits a reply", 2002, 0, [](RunBench& b) { b.run.SetBusy(true); }, false},
        {"the port is closed", 2002, 0, [](RunBench& b) { b.port.ClosePort(); }, false},
        {"no sensors", 2002, 0, [](RunBench& b) { b.readings.CreateEmptyReadings(0); }, false},
    };
    for (const auto& [name, runFirmware, digit, prepare, runs] : cases) {
        SCOPED_TRACE(name);
        RunBench bench(2002, 1, runFirmware);
        bench.disableAllBut({1});
        if (prepare)
            prepare(bench);
        if (digit == 0) {
            bench.perform();
        } else {
            bench.run.StartInputPoll();
            ASSERT_TRUE(bench.device.triggerInputIo(digit));
            bench.scheduler.advance(std::chrono::milliseconds(120));
            bench.run.StopInputPoll();
        }
        EXPECT_EQ(std::tuple(bench.count("capture"), bench.received.empty(), bench.dialogs.messages.empty(),
                      bench.portsReturned),
            std::tuple(runs ? 1 : 0, !runs, !runs, runs ? 1 : 0));
    }
    // Closing refused during a run is driven through the window in tst_multisensorwindows.
    RunBench bench(2002);
    bench.disableAllBut({1});
    bench.perform();
    ASSERT_TRUE(bench.device.model().output(1)) << "passed";

    EXPECT_TRUE(bench.run.ConfirmClose());
    bench.run.SwitchOutputsOffOnClose();
    EXPECT_EQ(std::tuple(bench.device.model().output(0), bench.device.model().output(1), bench.portsReturned),
        std::tuple(false, false, 2));
    // Closing the program in the middle of a run: it ends without another request or box.
    bench.dialogs.messages.clear();
    bench.view.onProgress = [&] { bench.run.Cancel(); };
    const std::size_t before = bench.received.size();
    bench.perform();
    EXPECT_EQ(bench.received.size(), before + 3) << "outputs off, capture: no read";
    EXPECT_TRUE(bench.dialogs.messages.empty() && !bench.run.IsMeasuring());
}

} // namespace
} // namespace lumivex
