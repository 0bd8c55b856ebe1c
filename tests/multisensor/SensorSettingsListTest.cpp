#include "multisensor/SensorSettingsList.h"
#include "foundation/Settings.h"
#include "foundation/StringTable.h"
#include "multisensor/KonfListFile.h"
#include "multisensor/SettingsFileChoice.h"

#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <tuple>
#include <vector>

namespace lumivex {
namespace {

using test::readFile;
using test::writeFile;

// INI values that differ from the record defaults, so a test sees where a value came from; every
// tolerance switch on.
DeviationSettings iniDeviation(int noChangeXyOffset = 1)
{
    Settings settings;
    settings.abwIntens = 12;
    settings.abwXy = 7;
    settings.abwAbsIntens = 345;
    settings.abwAbsXy = 0.02f;
    settings.noChangeXyOffset = noChangeXyOffset;
    return DeviationSettings::fromSettings(settings);
}

std::string text(StringId id)
{
    return std::string(stringText(id));
}

std::string recordBytes(const CKonfList& r)
{
    const KonfRecordBytes bytes = encodeKonfRecord(r);
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// Values chosen so that every field has a different, recognisable byte pattern, signed fields
// carry their sign and the texts use their full width; in field order, as in the bytes below.
const CKonfList kGoldenRecord {
    3, 258, 2, 8, 1, 15, 10000, 500, {"-0.0123"}, {"0.5"}, 100, -1, 0xA1FD, 0x0005, 32767, 0.25f, {"12.5"}};

// Written from the layout table, field by field.
const KonfRecordBytes kGoldenBytes = {
    0x03, 0x00, // 0 Index 3
    0x02, 0x01, // 2 SensorNo 258
    0x02, // 4 TestMode
    0x08, // 5 MeasureTime
    0x01, // 6 Range
    0x0F, // 7 PwmRuns
    0x10, 0x27, // 8 UserTime 10000
    0xF4, 0x01, // 10 Gain 500
    '-', '0', '.', '0', '1', '2', '3', 0x00, // 12 XOffset
    '0', '.', '5', 0x00, 0x00, 0x00, 0x00, 0x00, // 20 YOffset
    0x64, 0x00, // 28 DevIntensPercent 100
    0xFF, 0xFF, // 30 DevXYPercent -1
    0xFD, 0xA1, // 32 ChangeFlags
    0x05, 0x00, // 34 OptionFlags
    0xFF, 0x7F, // 36 DevIntensAbs 32767
    0x00, 0x00, // 38 reserved
    0x00, 0x00, 0x80, 0x3E, // 40 DevXYAbs 0.25f
    '1', '2', '.', '5', 0x00, 0x00, 0x00, 0x00, // 44 Distance
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, // 52 reserved
};

TEST(KonfRecord, GoldenBytesBothWays)
{
    EXPECT_EQ(encodeKonfRecord(kGoldenRecord), kGoldenBytes);

    KonfRecordBytes bytes = kGoldenBytes;
    bytes[38] = 0xAA; // reserved bytes are ignored
    bytes[39] = 0x55;
    for (std::size_t i = 52; i < kKonfRecordSize; ++i)
        bytes[i] = 0xCC;
    EXPECT_EQ(decodeKonfRecord(bytes), kGoldenRecord);

    for (std::size_t i = 12; i < 20; ++i)
        bytes[i] = 'X'; // no zero: the text must not run on into YOffset
    for (std::size_t i = 44; i < 52; ++i)
        bytes[i] = '9';
    const CKonfList r = decodeKonfRecord(bytes);
    EXPECT_EQ(std::tuple(r.XOffset.str(), r.YOffset.str(), r.Distance.str()), std::tuple("XXXXXXX", "0.5", "9999999"));
    EXPECT_EQ(encodeKonfRecord(r)[19], 0) << "written back zero-terminated";
}

class SettingsListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        list.setSettingsChangedHandler([this] { ++notifications; });
    }
    void TearDown() override { std::filesystem::current_path(m_cwd); }

    // Sets a record up as a user would in the settings dialog, so that it takes part in a run.
    static void enable(CKonfList& r)
    {
        std::tie(r.TestMode, r.MeasureTime, r.Range, r.PwmRuns, r.UserTime, r.Gain, r.ChangeFlags)
            = std::tuple(kKonfUserCapture, 5, 1, 7, 1234, 250, KonfChange::XyPercent);
        std::tie(r.XOffset, r.YOffset, r.Distance) = std::tuple("+0.0100", "-0.0200", "5.5");
    }

    test::TempDir dir;
    test::RecordingDialogs dialogs;
    const DeviationSettings deviation = iniDeviation();
    SensorSettingsList list {dialogs, deviation};
    int notifications = 0;
    const std::filesystem::path m_cwd = std::filesystem::current_path();
};

TEST_F(SettingsListTest, DefaultListsAndLookups)
{
    list.CreateDefaultSettings(10);
    ASSERT_EQ(list.settingsCount(), 10);
    for (int k = 1; k <= 10; ++k) {
        ASSERT_TRUE(list.FindSettingsByIndex(k));
        EXPECT_EQ(std::tuple(list.cursor()->SensorNo, list.cursor()->isEnabled()), std::tuple(k, false));
    }
    // The tolerances come from the INI, not from the record's own defaults.
    const CKonfList& last = *list.cursor();
    EXPECT_EQ(std::tuple(last.DevIntensPercent, last.DevXYPercent, last.DevIntensAbs, last.DevXYAbs),
        std::tuple(12, 7, 345, 0.02f));
    EXPECT_FALSE(list.FindSettingsByIndex(11));
    EXPECT_EQ(list.cursor(), nullptr);
    // By sensor number: the record whose number differs from its index.
    list.records()[2]->SensorNo = 9;
    ASSERT_TRUE(list.FindSettingsBySensor(9));
    EXPECT_EQ(list.cursor()->Index, 3);
    EXPECT_FALSE(list.FindSettingsBySensor(3));
    EXPECT_EQ(list.cursor(), nullptr);

    // The walk stops at the first missing index and at its limit; record 4 is still found directly.
    list.ClearSettings();
    for (int index : {1, 2, 4, 5})
        list.appendSettings(CKonfList::Default(index, deviation));
    EXPECT_EQ(list.walkByIndex(), (std::vector {list.records()[0].get(), list.records()[1].get()}));
    EXPECT_EQ(list.walkByIndex(1).size(), 1u);
    EXPECT_TRUE(list.FindSettingsByIndex(4));
}

TEST_F(SettingsListTest, DefaultFlagsFollowTheIniSwitches)
{
    struct Case {
        int intens, xy, absIntens, absXy, noChange;
        std::uint16_t change, option;
    };
    const std::vector<Case> cases = {
        {1, 1, 1, 1, 1, 0xC000, 0x0007}, {0, 0, 0, 0, 0, 0x0000, 0x0000}, {1, 0, 0, 1, 0, 0x4000, 0x0002},
        {0, 1, 1, 0, 1, 0x8000, 0x0005}, {2, 2, 2, 2, 2, 0x0000, 0x0000}, // only 1 switches on
    };
    for (const Case& c : cases) {
        DeviationSettings d = iniDeviation(c.noChange);
        std::tie(d.checkAbwIntens, d.checkAbwXy, d.checkAbwAbsIntens, d.checkAbwAbsXy)
            = std::tie(c.intens, c.xy, c.absIntens, c.absXy);
        list.setDeviationSettings(d);
        list.CreateDefaultSettings(5);
        EXPECT_EQ(std::tuple(list.records().front()->ChangeFlags, list.records().back()->OptionFlags),
            std::tuple(c.change, c.option));
    }
}

// After "setdefault": only the enabled sensors of that board, their offsets as the INI says.
TEST_F(SettingsListTest, BoardResetTouchesOnlyEnabledSensorsOfThatBoard)
{
    for (int noChange : {1, 0}) {
        SCOPED_TRACE(noChange);
        list.setDeviationSettings(iniDeviation(noChange));
        list.CreateDefaultSettings(15);
        for (const auto& r : list.records())
            enable(*r);
        list.records()[5]->OptionFlags = 0;
        // On board 2: sensor 8 never set, sensor 9 disabled; they must stay untouched.
        list.records()[7]->TestMode = kKonfTestModeNotSet;
        list.records()[8]->MeasureTime = 0;
        const std::vector untouched {*list.records()[7], *list.records()[8]};

        EXPECT_FALSE(list.ResetBoardSettings(3, 10) || list.ResetBoardSettings(4, 15) || list.isModified())
            << "board 3 is sensors 11..15";
        ASSERT_TRUE(list.ResetBoardSettings(2, 10)); // sensor 10 is the last the device has
        EXPECT_TRUE(list.isModified());
        for (int k = 1; k <= 15; ++k) {
            const CKonfList& r = *list.records()[static_cast<std::size_t>(k - 1)];
            const bool reset = k == 6 || k == 7 || k == 10;
            EXPECT_EQ(r.MeasureTime == kKonfMeasureTime200ms, reset) << k;
            if (reset) {
                EXPECT_EQ(
                    std::tuple(r.TestMode, r.Range, r.PwmRuns, r.UserTime, r.Gain, r.Distance.str(), r.ChangeFlags),
                    std::tuple(
                        kKonfManualCapture, 0, 0, 800, 100, "2.0", KonfChange::XyPercent | KonfChange::AllCapture));
            }
        }
        const CKonfList& six = *list.records()[5];
        EXPECT_EQ(std::tuple(six.XOffset.str(), six.YOffset.str(), six.OptionFlags),
            noChange ? std::tuple("+0.0100", "-0.0200", KonfOption::KeepXyOffset)
                     : std::tuple("0.0000", "0.0000", std::uint16_t {0}));
        EXPECT_EQ((std::vector {*list.records()[7], *list.records()[8]}), untouched);
        list.setModified(false);
    }
}

DeviceReadBack readBack(int sensorNo)
{
    return {sensorNo, kKonfPwmCapture, 3, 1, 4, 900, 120, "+0.001234", "-0.0042", "3.1"};
}

TEST_F(SettingsListTest, ReadBackStoresTheDeviceValuesAndRebuildsTheFlagsOfANeverSetRecordOnly)
{
    list.CreateDefaultSettings(10);
    // Stale pending bits on a record never set; bits of its own on one that was.
    std::tie(list.records()[0]->ChangeFlags, list.records()[0]->OptionFlags) = std::tuple(0x01FD, 0);
    enable(*list.records()[1]);
    std::tie(list.records()[1]->ChangeFlags, list.records()[1]->OptionFlags)
        = std::tuple(KonfChange::Pending | KonfChange::Gain, KonfOption::XyAbs);

    ASSERT_TRUE(list.UpdateSettingsFromDevice(readBack(7)));
    const CKonfList& r = *list.records()[6];
    EXPECT_EQ(list.cursor(), &r);
    EXPECT_EQ(std::tuple(r.TestMode, r.MeasureTime, r.Range, r.PwmRuns, r.UserTime, r.Gain),
        std::tuple(kKonfPwmCapture, 3, 1, 4, 900, 120));
    EXPECT_EQ(std::tuple(r.XOffset.str(), r.YOffset.str(), r.Distance.str()), std::tuple("+0.0012", "-0.0042", "3.1"));
    EXPECT_FALSE(list.UpdateSettingsFromDevice(readBack(11)));
    EXPECT_EQ(notifications, 1);

    ASSERT_TRUE(list.UpdateSettingsFromDevice(readBack(1)));
    ASSERT_TRUE(list.UpdateSettingsFromDevice(readBack(2)));
    EXPECT_EQ(std::tuple(list.records()[0]->ChangeFlags, list.records()[0]->OptionFlags, list.records()[1]->ChangeFlags,
                  list.records()[1]->OptionFlags),
        std::tuple(0xC000, 0x0007, KonfChange::Pending | KonfChange::Gain, KonfOption::XyAbs));
}

TEST_F(SettingsListTest, ReadBackReplacesOutOfRangeTolerancesWithTheIniValues)
{
    struct Case {
        std::int16_t percent, absIntens;
        float absXy;
        bool replaced;
    };
    const std::vector<Case> cases = {{0, 0, 0.0f, false}, {100, 32767, 0.9999f, false}, {50, 0, -0.9999f, false},
        {101, -1, 1.0f, true}, {-1, -32768, -1.0f, true}, {150, -5, std::numeric_limits<float>::quiet_NaN(), true}};
    list.CreateDefaultSettings(1);
    CKonfList& r = *list.records()[0];
    for (const Case& c : cases) {
        SCOPED_TRACE(c.percent);
        std::tie(r.DevIntensPercent, r.DevXYPercent, r.DevIntensAbs, r.DevXYAbs)
            = std::tie(c.percent, c.percent, c.absIntens, c.absXy);
        ASSERT_TRUE(list.UpdateSettingsFromDevice(readBack(1)));
        EXPECT_EQ(std::tuple(r.DevIntensPercent, r.DevXYPercent, r.DevIntensAbs),
            (c.replaced ? std::tuple(12, 7, 345) : std::tuple<int, int, int>(c.percent, c.percent, c.absIntens)));
        EXPECT_FLOAT_EQ(r.DevXYAbs, c.replaced ? 0.02f : c.absXy);
    }
}

// The configuration dialog's new tolerances.
TEST_F(SettingsListTest, NewTolerancesReachOnlyRecordsNeverSet)
{
    list.CreateDefaultSettings(4);
    enable(*list.records()[1]);
    list.records()[3]->Index = 9; // beyond a gap: the walk never reaches it
    const CKonfList set = *list.records()[1];
    const CKonfList beyondGap = *list.records()[3];
    const std::uint16_t flags = list.records()[0]->ChangeFlags;

    DeviationSettings d = iniDeviation();
    std::tie(d.abwIntens, d.abwXy, d.abwAbsIntens, d.abwAbsXy) = std::tuple(40, 30, 99, 0.5f);
    d.checkAbwXy = 0; // switched off: the x/y percent stays
    EXPECT_EQ(list.applyDeviationSettings(d), 2);
    for (std::size_t i : {0u, 2u}) {
        const CKonfList& r = *list.records()[i];
        EXPECT_EQ(std::tuple(r.DevIntensPercent, r.DevXYPercent, r.DevIntensAbs, r.DevXYAbs, r.ChangeFlags),
            std::tuple(40, 7, 99, 0.5f, flags));
    }
    EXPECT_EQ(*list.records()[1], set);
    EXPECT_EQ(*list.records()[3], beyondGap);
    EXPECT_EQ(list.deviationSettings(), d) << "new records take the new values";

    // With every switch off no record changes.
    d.checkAbwIntens = d.checkAbwAbsIntens = d.checkAbwAbsXy = 0;
    d.abwIntens = 77;
    EXPECT_EQ(list.applyDeviationSettings(d), 0);
    EXPECT_EQ(list.records()[0]->DevIntensPercent, 40);
}

// --- the settings file ---

// Saving used to skip records whose Index the k = 1..count loop never reached, so a file with
// numbers 1, 2, 4 lost record 4 on its way back to disk. A save also replaces the whole of a longer
// old file.
TEST_F(SettingsListTest, SaveAndLoadGiveTheSameRecordsGapsIncludedWithEverythingPending)
{
    for (int index : {1, 2, 4})
        enable(list.appendSettings(CKonfList::Default(index, deviation)));
    *list.records()[1] = kGoldenRecord; // odd but legal values
    list.records()[2]->DevIntensPercent = 150;
    list.records()[2]->DevIntensAbs = -7; // taken unchecked from a file
    const std::string path = dir.file("sensor.cfg");
    writeFile(path, std::string(20 * kKonfRecordSize, '\xEE'));
    ASSERT_TRUE(list.SaveSettingsFile(path));
    EXPECT_EQ(readFile(path), list.settingsFileBytes());
    EXPECT_EQ(std::filesystem::file_size(path), 3 * kKonfRecordSize);

    SensorSettingsList loaded(dialogs, deviation);
    ASSERT_TRUE(loaded.LoadSettingsFile(path));
    ASSERT_EQ(loaded.settingsCount(), 3);
    for (std::size_t i = 0; i < 3; ++i) {
        CKonfList expected = *list.records()[i];
        expected.ChangeFlags |= 0x21FD;
        // Percents out of range are the INI's.
        expected.DevXYPercent = i == 1 ? 7 : expected.DevXYPercent;
        expected.DevIntensPercent = i == 2 ? 12 : expected.DevIntensPercent;
        EXPECT_EQ(*loaded.records()[i], expected) << i;
    }
    EXPECT_TRUE(loaded.isModified());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SettingsListTest, LoadTakesWholeRecordsAsTheyAre)
{
    for (const std::size_t extra : {0u, 10u, 67u}) {
        std::string bytes;
        for (int k = 1; k <= 3; ++k)
            bytes += recordBytes(CKonfList::Default(k, deviation));
        ASSERT_TRUE(list.loadSettingsBytes(bytes + std::string(extra, '\x7F')));
        EXPECT_EQ(list.settingsCount(), 3) << extra;
    }
    EXPECT_EQ(notifications, 3);
    // Less than one record: an empty list, loaded successfully, nothing to tell the owner.
    list.setModified(false);
    notifications = 0;
    ASSERT_TRUE(list.loadSettingsBytes(std::string(67, '\x01')));
    EXPECT_EQ(std::tuple(list.settingsCount(), list.isModified(), notifications), std::tuple(0, false, 0));

    // Numbers a list never makes: the records are taken as they are and written back as read.
    CKonfList hostile {-1, 0, 0xFF, 0, 0, 0, -32768};
    hostile.ChangeFlags = 0xFFFF;
    CKonfList twin = hostile;
    twin.Index = 32767;
    const std::string bytes = recordBytes(hostile) + recordBytes(twin);
    ASSERT_TRUE(list.loadSettingsBytes(bytes));
    EXPECT_EQ(list.settingsFileBytes(), bytes);
    EXPECT_TRUE(list.walkByIndex().empty());
}

TEST_F(SettingsListTest, FilesThatCannotBeReadOrWrittenLeaveEverythingAsItWas)
{
    list.CreateDefaultSettings(10);
    const std::string before = list.settingsFileBytes();
    // Missing file, a folder, and a file with more records than an Index can number.
    const std::string oversized = dir.file("huge.cfg");
    writeFile(oversized, std::string((SensorSettingsList::kMaxRecords + 1) * kKonfRecordSize, '\0'));
    for (const std::string& path : {dir.file("missing.cfg"), dir.path().string(), oversized}) {
        EXPECT_FALSE(list.LoadSettingsFile(path)) << path;
        EXPECT_EQ(list.settingsFileBytes(), before);
    }
    EXPECT_EQ(std::tuple(list.isModified(), notifications, dialogs.messages.size()), std::tuple(false, 0, 0u));

    // A failed save keeps what was there and tells the text, then the file and why.
    EXPECT_FALSE(list.SaveSettingsFile(dir.path().string()));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path()));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const std::string head = text(StringId::SavingConfigurationFailed) + "\n" + dir.path().string() + ": ";
    EXPECT_TRUE(dialogs.messages[0].starts_with(head) && dialogs.messages[0].size() > head.size())
        << dialogs.messages[0];

    // One record fewer (and a short rest) is the largest file that loads.
    writeFile(oversized, std::string(SensorSettingsList::kMaxRecords * kKonfRecordSize + 67, '\0'));
    ASSERT_TRUE(list.LoadSettingsFile(oversized));
    EXPECT_EQ(list.settingsCount(), SensorSettingsList::kMaxRecords);
}

TEST_F(SettingsListTest, FileDialogsProposeSensorCfgInTheSettingsFolderAndACancelChangesNothing)
{
    list.CreateDefaultSettings(5);
    const std::string before = list.settingsFileBytes();
    EXPECT_FALSE(loadSettingsWithDialog(list, dialogs, ""));
    EXPECT_FALSE(saveSettingsWithDialog(list, dialogs, ""));
    ASSERT_EQ(dialogs.fileQuestions.size(), 1u);
    EXPECT_EQ(std::tuple(dialogs.fileQuestions[0].initialName, list.settingsFileBytes(), list.isModified()),
        std::tuple("", before, false));

    dialogs.saveFileAnswer = dir.file("mine");
    ASSERT_TRUE(saveSettingsWithDialog(list, dialogs, dir.path().string()));
    EXPECT_EQ(std::tuple(dialogs.saveFileQuestions[1].initialName, dialogs.saveFileQuestions[1].filter),
        std::tuple("sensor.cfg", text(StringId::ConfigFileFilter)));
    EXPECT_EQ(std::filesystem::canonical(std::filesystem::current_path()), std::filesystem::canonical(dir.path()));
    EXPECT_EQ(readFile(dir.file("mine.cfg")), before);

    list.CreateDefaultSettings(2);
    dialogs.fileAnswer = dir.file("mine.cfg");
    ASSERT_TRUE(loadSettingsWithDialog(list, dialogs, ""));
    EXPECT_EQ(list.settingsCount(), 5);
}

} // namespace
} // namespace lumivex
