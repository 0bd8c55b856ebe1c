#include "multisensor/ReferenceFiles.h"

#include "multisensor/ReadingLists.h"
#include "multisensor/SensorSettingsList.h"

#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace lumivex {
namespace {

using test::RecordingDialogs;
using test::TempDir;
using test::writeFile;

const std::string kFilter = "Reference file (*.ref)|*.ref| All files (*.*)|*.*||";
const std::string kSaveFailed = "Saving of measurements is not possible";
const std::string kNoData = "No measurement data available";
const std::string kNoReference = "No Reference data available ";
const std::string kNotFound = "Path or file not found";

// A saved pair a.ref + a.dat of three sensors with settings and readings of their own; afterwards
// the current lists are five defaults and five empty results, with the saved reference in use.
class ReferenceFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.setSettingsChangedHandler([this] { ++notifications; });
        settings.CreateDefaultSettings(3);
        for (const auto& r : settings.records()) {
            r->TestMode = kKonfUserCapture;
            r->MeasureTime = static_cast<std::uint8_t>(r->Index + 1);
            r->Gain = static_cast<std::int16_t>(100 + r->Index);
            r->XOffset = ShortText("0.0123");
            r->DevXYAbs = 0.02f;
            r->ChangeFlags = KonfChange::IntensPercent;
        }
        lists.CreateEmptyReadings(3);
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

    void TearDown() override { std::filesystem::current_path(startFolder); }

    template<typename Record> static std::vector<Record> copyOf(const std::vector<std::unique_ptr<Record>>& records)
    {
        std::vector<Record> copies;
        for (const auto& record : records)
            copies.push_back(*record);
        return copies;
    }

    const std::filesystem::path startFolder = std::filesystem::current_path();
    RecordingDialogs dialogs;
    SensorSettingsList settings {dialogs, DeviationSettings {}};
    ReadingLists lists {dialogs};
    TempDir dir;
    int notifications = 0;
    std::vector<CKonfList> savedSettings;
    std::vector<CMessList> savedReadings;
};

TEST_F(ReferenceFilesTest, SavedPairLoadsBackAsSettingsAndReference)
{
    ASSERT_EQ(dialogs.saveFileQuestions.size(), 1u);
    EXPECT_EQ(dialogs.saveFileQuestions[0].initialName, "sensor.ref");
    EXPECT_EQ(dialogs.saveFileQuestions[0].filter, kFilter);
    EXPECT_TRUE(std::filesystem::exists(dir.file("a.dat")));

    dialogs.fileAnswer = dir.file("a.ref");
    ASSERT_TRUE(loadReferenceWithDialog(lists, settings, dialogs, ""));
    EXPECT_EQ(dialogs.fileQuestions[0].initialName, "");
    EXPECT_EQ(dialogs.fileQuestions[0].filter, kFilter);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(notifications, 1);
    EXPECT_EQ(lists.baseTitle(), "List of measurements  Reference file: a.ref");

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
    EXPECT_EQ(lists.baseTitle(), cancelled ? "List of measurements  Reference file: a.ref" : "List of measurements");
}

std::string loadCaseName(const ::testing::TestParamInfo<LoadCase>& info)
{
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(ReferenceFiles, LoadRefused, ::testing::ValuesIn(kLoadCases), loadCaseName);

TEST_F(ReferenceFilesTest, CancelledOrEmptySaveWritesNothing)
{
    dialogs.saveFileAnswer.clear();
    EXPECT_FALSE(saveReferenceWithDialog(lists, settings, dialogs, ""));
    EXPECT_TRUE(lists.isReferenceLoaded()) << "a cancel keeps the reference in use";

    lists.CreateEmptyReadings(0);
    dialogs.saveFileAnswer = dir.file("b.ref");
    EXPECT_FALSE(saveReferenceWithDialog(lists, settings, dialogs, ""));
    EXPECT_EQ(dialogs.messages, std::vector<std::string> {kNoData});
    EXPECT_FALSE(std::filesystem::exists(dir.file("b.ref")));
    EXPECT_FALSE(lists.isReferenceLoaded());
}

} // namespace
} // namespace lumivex
