#include "foundation/Settings.h"
#include "foundation/StringTable.h"
#include "multisensor/KonfListFile.h"
#include "multisensor/SensorSettingsList.h"
#include "multisensor/SettingsFileChoice.h"

#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace lumivex {
namespace {

DeviationSettings iniDeviation()
{
    Settings settings;
    settings.abwIntens = 12;
    settings.abwXy = 7;
    return DeviationSettings::fromSettings(settings);
}

std::string recordBytes(const CKonfList& r)
{
    const KonfRecordBytes bytes = encodeKonfRecord(r);
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        list.setSettingsChangedHandler([this] { ++notifications; });
    }

    // A list as a user leaves it: two boards, some sensors set up, one with odd but legal values.
    void fillEditedList()
    {
        list.CreateDefaultSettings(10);
        CKonfList& a = *list.records()[0];
        a.TestMode = 1;
        a.MeasureTime = 8;
        a.UserTime = 10000;
        a.XOffset = "-0.0123";
        a.Distance = "12.5";
        a.ChangeFlags = 0x4000 | 0x0041;
        CKonfList& b = *list.records()[6];
        b.TestMode = 2;
        b.MeasureTime = 7;
        b.PwmRuns = 15;
        b.Gain = 500;
        b.DevIntensAbs = 0;
        b.DevXYAbs = -0.5f;
        b.OptionFlags = 0x0003;
    }

    test::TempDir dir;
    test::RecordingDialogs dialogs;
    const DeviationSettings deviation = iniDeviation();
    SensorSettingsList list {dialogs, deviation};
    int notifications = 0;
};

TEST_F(SettingsFileTest, SaveAndLoadGiveTheSameFieldsWithEverythingPending)
{
    fillEditedList();
    const std::string path = dir.file("sensor.cfg");
    ASSERT_TRUE(list.SaveSettingsFile(path));
    EXPECT_EQ(std::filesystem::file_size(path), 10 * kKonfRecordSize);

    SensorSettingsList loaded(dialogs, deviation);
    ASSERT_TRUE(loaded.LoadSettingsFile(path));
    ASSERT_EQ(loaded.settingsCount(), 10);
    for (int i = 0; i < 10; ++i) {
        CKonfList expected = *list.records()[static_cast<std::size_t>(i)];
        expected.ChangeFlags |= 0x21FD;
        EXPECT_EQ(*loaded.records()[static_cast<std::size_t>(i)], expected) << i;
    }
    EXPECT_TRUE(loaded.isModified());
    EXPECT_TRUE(dialogs.messages.empty());

    // A second save of the loaded list differs from the first only in the flag words.
    const std::string again = dir.file("again.cfg");
    ASSERT_TRUE(loaded.SaveSettingsFile(again));
    std::string first = test::readFile(path);
    const std::string second = test::readFile(again);
    ASSERT_EQ(first.size(), second.size());
    for (std::size_t at = 32; at < first.size(); at += kKonfRecordSize) {
        first[at] = static_cast<char>(static_cast<unsigned char>(first[at]) | 0xFD);
        first[at + 1] = static_cast<char>(static_cast<unsigned char>(first[at + 1]) | 0x21);
    }
    EXPECT_EQ(first, second);
}

TEST_F(SettingsFileTest, LoadTakesWholeRecordsAndIgnoresAShortRest)
{
    struct Case {
        std::size_t extra;
        int records;
    };
    for (const Case& c : {Case {0, 3}, Case {10, 3}, Case {67, 3}}) {
        std::string bytes;
        for (int k = 1; k <= 3; ++k)
            bytes += recordBytes(CKonfList::Default(k, deviation));
        bytes += std::string(c.extra, '\x7F');
        ASSERT_TRUE(list.loadSettingsBytes(bytes));
        EXPECT_EQ(list.settingsCount(), c.records) << c.extra;
    }
    // Less than one record: an empty list, loaded successfully, nothing to tell the owner.
    list.setModified(false);
    notifications = 0;
    ASSERT_TRUE(list.loadSettingsBytes(std::string(67, '\x01')));
    EXPECT_EQ(list.settingsCount(), 0);
    EXPECT_FALSE(list.isModified());
    EXPECT_EQ(notifications, 0);
}

TEST_F(SettingsFileTest, LoadReplacesOutOfRangePercentsOnly)
{
    CKonfList r = CKonfList::Default(1, deviation);
    r.DevIntensPercent = 150;
    r.DevXYPercent = -3;
    r.DevIntensAbs = -7; // taken unchecked from a file
    ASSERT_TRUE(list.loadSettingsBytes(recordBytes(r)));
    const CKonfList& loaded = *list.records()[0];
    EXPECT_EQ(loaded.DevIntensPercent, 12);
    EXPECT_EQ(loaded.DevXYPercent, 7);
    EXPECT_EQ(loaded.DevIntensAbs, -7);
    EXPECT_EQ(notifications, 1);
}

TEST_F(SettingsFileTest, FilesThatCannotBeReadLeaveTheListAsItWas)
{
    fillEditedList();
    list.setModified(false);
    const std::string before = list.settingsFileBytes();

    // Missing file, a folder, and a file with more records than an Index can number.
    const std::string oversized = dir.file("huge.cfg");
    test::writeFile(oversized, std::string((SensorSettingsList::kMaxRecords + 1) * kKonfRecordSize, '\0'));
    for (const std::string& path : {dir.file("missing.cfg"), dir.path().string(), oversized}) {
        EXPECT_FALSE(list.LoadSettingsFile(path)) << path;
        EXPECT_EQ(list.settingsFileBytes(), before);
    }
    EXPECT_FALSE(list.isModified());
    EXPECT_EQ(notifications, 0);
    EXPECT_TRUE(dialogs.messages.empty());

    // One record fewer (and a short rest) is the largest file that loads.
    test::writeFile(oversized, std::string(SensorSettingsList::kMaxRecords * kKonfRecordSize + 67, '\0'));
    ASSERT_TRUE(list.LoadSettingsFile(oversized));
    EXPECT_EQ(list.settingsCount(), SensorSettingsList::kMaxRecords);
}

TEST_F(SettingsFileTest, HostileValuesLoadAndSaveBackUnchanged)
{
    // Numbers a list never makes: the records are taken as they are and written back as read.
    CKonfList r;
    r.Index = -1;
    r.SensorNo = 0;
    r.TestMode = 0xFF;
    r.UserTime = -32768;
    r.ChangeFlags = 0xFFFF;
    CKonfList twin = r;
    twin.Index = 32767;
    const std::string bytes = recordBytes(r) + recordBytes(twin);
    ASSERT_TRUE(list.loadSettingsBytes(bytes));
    EXPECT_EQ(list.settingsFileBytes(), bytes);
    EXPECT_TRUE(list.walkByIndex().empty());
}

// Saving used to skip records whose Index the k = 1..count loop never reached, so a file with
// numbers 1, 2, 4 lost record 4 on its way back to disk.
// A save also replaces the whole of a longer old file.
TEST_F(SettingsFileTest, SaveKeepsRecordsBeyondAGapInIndex)
{
    for (int index : {1, 2, 4})
        list.appendSettings(CKonfList::Default(index, deviation));
    const std::string path = dir.file("gap.cfg");
    test::writeFile(path, std::string(20 * kKonfRecordSize, '\xEE'));
    ASSERT_TRUE(list.SaveSettingsFile(path));
    EXPECT_EQ(test::readFile(path), list.settingsFileBytes());
    SensorSettingsList loaded(dialogs, deviation);
    ASSERT_TRUE(loaded.LoadSettingsFile(path));
    ASSERT_EQ(loaded.settingsCount(), 3);
    EXPECT_EQ(loaded.records()[2]->Index, 4);
}

TEST_F(SettingsFileTest, FailedSaveTellsTheUserAndLeavesNothingBehind)
{
    list.CreateDefaultSettings(5);
    const std::filesystem::path target = dir.path() / "taken";
    std::filesystem::create_directory(target);
    std::filesystem::create_directory(dir.path() / "missing");
    std::filesystem::remove(dir.path() / "missing");
    for (const std::filesystem::path& path : {target, dir.path() / "missing" / "sensor.cfg"}) {
        dialogs.messages.clear();
        EXPECT_FALSE(list.SaveSettingsFile(path.string()));
        ASSERT_EQ(dialogs.messages.size(), 1u);
        // The text, then the file and why.
        const std::string head
            = std::string(stringText(StringId::SavingConfigurationFailed)) + "\n" + path.string() + ": ";
        EXPECT_GT(dialogs.messages[0].size(), head.size());
        EXPECT_EQ(dialogs.messages[0].rfind(head, 0), 0u) << dialogs.messages[0];
    }
    EXPECT_TRUE(std::filesystem::is_directory(target));
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 1); // only the folder "taken": no temporary file left over
}

// --- choosing the file ---

class SettingsFileChoiceTest : public SettingsFileTest {
protected:
    void SetUp() override
    {
        SettingsFileTest::SetUp();
        m_cwd = std::filesystem::current_path();
    }
    void TearDown() override { std::filesystem::current_path(m_cwd); }

private:
    std::filesystem::path m_cwd;
};

TEST_F(SettingsFileChoiceTest, SaveProposesSensorCfgInTheSettingsFolder)
{
    list.CreateDefaultSettings(5);
    dialogs.saveFileAnswer = dir.file("mine");
    ASSERT_TRUE(saveSettingsWithDialog(list, dialogs, dir.path().string()));
    ASSERT_EQ(dialogs.saveFileQuestions.size(), 1u);
    EXPECT_EQ(dialogs.saveFileQuestions[0].initialName, "sensor.cfg");
    EXPECT_EQ(dialogs.saveFileQuestions[0].filter, stringText(StringId::ConfigFileFilter));
    EXPECT_EQ(std::filesystem::canonical(std::filesystem::current_path()), std::filesystem::canonical(dir.path()));
    EXPECT_EQ(test::readFile(dir.file("mine.cfg")), list.settingsFileBytes());
}

TEST_F(SettingsFileChoiceTest, LoadOffersNoNameAndACancelChangesNothing)
{
    list.CreateDefaultSettings(5);
    const std::string before = list.settingsFileBytes();
    EXPECT_FALSE(loadSettingsWithDialog(list, dialogs, ""));
    EXPECT_FALSE(saveSettingsWithDialog(list, dialogs, ""));
    ASSERT_EQ(dialogs.fileQuestions.size(), 1u);
    EXPECT_EQ(dialogs.fileQuestions[0].initialName, "");
    EXPECT_EQ(list.settingsFileBytes(), before);
    EXPECT_FALSE(list.isModified());

    SensorSettingsList other(dialogs, deviation);
    other.CreateDefaultSettings(2);
    ASSERT_TRUE(other.SaveSettingsFile(dir.file("two.cfg")));
    dialogs.fileAnswer = dir.file("two.cfg");
    ASSERT_TRUE(loadSettingsWithDialog(list, dialogs, ""));
    EXPECT_EQ(list.settingsCount(), 2);
}

} // namespace
} // namespace lumivex
