// A sensor's settings: the record and its file, the list of them, the dialog that edits one and the
// list window's model.
#include "foundation/Settings.h"
#include "foundation/StringTable.h"
#include "multisensor/KonfListFile.h"
#include "multisensor/SensorSettingsForm.h"
#include "multisensor/SensorSettingsList.h"
#include "multisensor/SettingsFileChoice.h"
#include "multisensor/SettingsListModel.h"
#include "multisensor/SettingsRows.h"

#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <limits>
#include <tuple>
#include <vector>

namespace lumivex {
namespace {

using Question = test::RecordingDialogs::FileQuestion;
using test::readFile;
using test::writeFile;
using C = SettingsControl;
using D = DeviationOf;
using Edit = std::function<void(SensorSettingsForm&)>;

// INI values that differ from the record defaults, so a test sees where a value came from; every
// tolerance switch on.
DeviationSettings iniDeviation(int noChangeXyOffset = 1)
{
    Settings s;
    std::tie(s.abwIntens, s.abwXy, s.abwAbsIntens, s.abwAbsXy, s.noChangeXyOffset)
        = std::tuple(12, 7, 345, 0.02f, noChangeXyOffset);
    return DeviationSettings::fromSettings(s);
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

// Written from the layout table, field by field; the comments give each field's offset.
const KonfRecordBytes kGoldenBytes = {
    0x03, 0x00, 0x02, 0x01, 0x02, 0x08, 0x01, 0x0F, // 0 Index 3, 2 SensorNo 258, 4 TestMode ... 7 PwmRuns
    0x10, 0x27, 0xF4, 0x01, // 8 UserTime 10000, 10 Gain 500
    '-', '0', '.', '0', '1', '2', '3', 0x00, '0', '.', '5', 0x00, 0x00, 0x00, 0x00, 0x00, // 12 XOffset, 20 YOffset
    0x64, 0x00, 0xFF, 0xFF, 0xFD, 0xA1, 0x05, 0x00, // 28 DevIntensPercent 100, 30 DevXYPercent -1, 32/34 flags
    0xFF, 0x7F, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3E, // 36 DevIntensAbs 32767, 38 reserved, 40 DevXYAbs 0.25f
    '1', '2', '.', '5', 0x00, 0x00, 0x00, 0x00, // 44 Distance
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, // 52 reserved
};

TEST(KonfRecord, GoldenBytesBothWays)
{
    EXPECT_EQ(encodeKonfRecord(kGoldenRecord), kGoldenBytes);

    KonfRecordBytes bytes = kGoldenBytes;
    std::tie(bytes[38], bytes[39]) = std::tuple(0xAA, 0x55); // reserved bytes are ignored
    std::fill(bytes.begin() + 52, bytes.end(), 0xCC);
    EXPECT_EQ(decodeKonfRecord(bytes), kGoldenRecord);

    std::fill(bytes.begin() + 12, bytes.begin() + 20, 'X'); // no zero: the text must not run on into YOffset
    std::fill(bytes.begin() + 44, bytes.begin() + 52, '9');
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

TEST_F(SettingsListTest, DefaultListsFollowTheIniAndAreFoundByIndexAndSensor)
{
    // The size is bounded by what an index can address: a device may claim any number of boards.
    list.CreateDefaultSettings(-5);
    EXPECT_EQ(list.settingsCount(), 0);
    list.CreateDefaultSettings(5 * 100000);
    EXPECT_EQ(list.settingsCount(), SensorSettingsList::kMaxRecords);
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
    EXPECT_FALSE(list.FindSettingsByIndex(11) || list.cursor());
    // By sensor number: the record whose number differs from its index.
    list.records()[2]->SensorNo = 9;
    ASSERT_TRUE(list.FindSettingsBySensor(9));
    EXPECT_EQ(list.cursor()->Index, 3);
    EXPECT_FALSE(list.FindSettingsBySensor(3) || list.cursor());
    // The walk stops at the first missing index and at its limit; record 4 is still found directly.
    list.ClearSettings();
    for (int index : {1, 2, 4, 5})
        list.appendSettings(CKonfList::Default(index, deviation));
    EXPECT_EQ(list.walkByIndex(), (std::vector {list.records()[0].get(), list.records()[1].get()}));
    EXPECT_EQ(list.walkByIndex(1).size(), 1u);
    EXPECT_TRUE(list.FindSettingsByIndex(4));
    // The default flags follow the INI switches: intensity %, x/y %, absolute intensity, absolute x/y, offsets kept.
    const std::tuple<int, int, int, int, int, std::uint16_t, std::uint16_t> cases[] = {
        {1, 1, 1, 1, 1, 0xC000, 0x0007}, {0, 0, 0, 0, 0, 0x0000, 0x0000}, {1, 0, 0, 1, 0, 0x4000, 0x0002},
        {0, 1, 1, 0, 1, 0x8000, 0x0005}, {2, 2, 2, 2, 2, 0x0000, 0x0000}, // only 1 switches on
    };
    for (const auto& [intens, xy, absIntens, absXy, noChange, change, option] : cases) {
        DeviationSettings d = iniDeviation(noChange);
        std::tie(d.checkAbwIntens, d.checkAbwXy, d.checkAbwAbsIntens, d.checkAbwAbsXy)
            = std::tie(intens, xy, absIntens, absXy);
        list.setDeviationSettings(d);
        list.CreateDefaultSettings(5);
        EXPECT_EQ(std::tuple(list.records().front()->ChangeFlags, list.records().back()->OptionFlags),
            std::tuple(change, option));
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
    // Tolerances out of range are replaced with the INI values.
    const std::tuple<std::int16_t, std::int16_t, float, bool> cases[]
        = {{0, 0, 0.0f, false}, {100, 32767, 0.9999f, false}, {50, 0, -0.9999f, false}, {101, -1, 1.0f, true},
            {-1, -32768, -1.0f, true}, {150, -5, std::numeric_limits<float>::quiet_NaN(), true}};
    CKonfList& one = *list.records()[0];
    for (const auto& [percent, absIntens, absXy, replaced] : cases) {
        SCOPED_TRACE(percent);
        std::tie(one.DevIntensPercent, one.DevXYPercent, one.DevIntensAbs, one.DevXYAbs)
            = std::tie(percent, percent, absIntens, absXy);
        ASSERT_TRUE(list.UpdateSettingsFromDevice(readBack(1)));
        EXPECT_EQ(std::tuple(one.DevIntensPercent, one.DevXYPercent, one.DevIntensAbs),
            (replaced ? std::tuple(12, 7, 345) : std::tuple<int, int, int>(percent, percent, absIntens)));
        EXPECT_FLOAT_EQ(one.DevXYAbs, replaced ? 0.02f : absXy);
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
    EXPECT_EQ(std::tuple(list.applyDeviationSettings(d), list.records()[0]->DevIntensPercent), std::tuple(0, 40));
}

// --- the settings file ---

// Saving used to skip records whose Index the k = 1..count loop never reached, so a file with
// numbers 1, 2, 4 lost record 4 on its way back to disk. A save also replaces the whole of a longer
// old file.
TEST_F(SettingsListTest, SaveAndLoadGiveTheSameRecordsGapsIncludedAndTakeWholeRecordsAsTheyAre)
{
    for (int index : {1, 2, 4})
        enable(list.appendSettings(CKonfList::Default(index, deviation)));
    *list.records()[1] = kGoldenRecord; // odd but legal values
    std::tie(list.records()[2]->DevIntensPercent, list.records()[2]->DevIntensAbs) = std::tuple(150, -7);
    const std::string path = dir.file("sensor.cfg");
    writeFile(path, std::string(20 * kKonfRecordSize, '\xEE'));
    ASSERT_TRUE(list.SaveSettingsFile(path));
    EXPECT_EQ(readFile(path), list.settingsFileBytes()); // three records, the old rest gone

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
    EXPECT_TRUE(loaded.isModified() && dialogs.messages.empty());
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
    ASSERT_TRUE(list.loadSettingsBytes(std::string(67, '\x01')));
    EXPECT_EQ(std::tuple(list.settingsCount(), list.isModified(), notifications), std::tuple(0, false, 3));
    // Numbers a list never makes: the records are taken as they are and written back as read.
    CKonfList hostile {-1, 0, 0xFF, 0, 0, 0, -32768, 100, {"0.0000"}, {"0.0000"}, 0, 0, 0xFFFF}, twin = hostile;
    twin.Index = 32767;
    const std::string bytes = recordBytes(hostile) + recordBytes(twin);
    ASSERT_TRUE(list.loadSettingsBytes(bytes));
    EXPECT_EQ(list.settingsFileBytes(), bytes);
    EXPECT_TRUE(list.walkByIndex().empty());
}

TEST_F(SettingsListTest, FilesThatCannotBeReadOrWrittenLeaveEverythingAsItWasAndACancelledDialogToo)
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
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const std::string head
        = std::string(stringText(StringId::SavingConfigurationFailed)) + "\n" + dir.path().string() + ": ";
    EXPECT_TRUE(dialogs.messages[0].starts_with(head) && dialogs.messages[0].size() > head.size())
        << dialogs.messages[0];
    // One record fewer (and a short rest) is the largest file that loads.
    writeFile(oversized, std::string(SensorSettingsList::kMaxRecords * kKonfRecordSize + 67, '\0'));
    ASSERT_TRUE(list.LoadSettingsFile(oversized));
    EXPECT_EQ(list.settingsCount(), SensorSettingsList::kMaxRecords);
    // A cancelled file dialog changes nothing; a save goes to the settings folder.
    list.CreateDefaultSettings(5);
    list.setModified(false);
    const std::string five = list.settingsFileBytes();
    EXPECT_FALSE(loadSettingsWithDialog(list, dialogs, ""));
    EXPECT_FALSE(saveSettingsWithDialog(list, dialogs, ""));
    EXPECT_EQ(std::tuple(list.settingsFileBytes(), list.isModified()), std::tuple(five, false));

    dialogs.saveFileAnswer = dir.file("mine");
    ASSERT_TRUE(saveSettingsWithDialog(list, dialogs, dir.path().string()));
    EXPECT_EQ(std::filesystem::canonical(std::filesystem::current_path()), std::filesystem::canonical(dir.path()));
    EXPECT_EQ(readFile(dir.file("mine.cfg")), five);

    list.CreateDefaultSettings(2);
    dialogs.fileAnswer = dir.file("mine.cfg");
    ASSERT_TRUE(loadSettingsWithDialog(list, dialogs, ""));
    EXPECT_EQ(list.settingsCount(), 5);
    const std::string filter(stringText(StringId::ConfigFileFilter));
    EXPECT_EQ(std::pair(dialogs.saveFileQuestions.back(), dialogs.fileQuestions.back()),
        std::pair(Question {"sensor.cfg", filter}, Question {"", filter}));
}

// --- the dialog of one sensor ---

DeviationSettings allGroupsOn()
{
    DeviationSettings ini;
    ini.checkAbwIntens = ini.checkAbwXy = ini.checkAbwAbsIntens = ini.checkAbwAbsXy = 1;
    return ini;
}

// A manual 200 ms sensor with nothing pending and both absolute tolerances on.
CKonfList manualSensor()
{
    return {3, 3, kKonfManualCapture, 2, 0, 0, 800, 100, {"0.0000"}, {"0.0000"}, 10, 10, 0,
        KonfOption::IntensAbs | KonfOption::XyAbs, 1000, 0.01f, {"2.0"}};
}

TEST(SensorSettingsForm, TestModeAndMeasureTimeDecideTheCaptureControlsAndTheBlankModeChangesNone)
{
    // Enabled: measure time, range, PWM runs, user time.
    const std::tuple<const char*, int, int, std::array<bool, 4>> cases[]
        = {{"manual, fixed time", 0, 2, {true, true, false, false}},
            {"manual, user time", 0, 8, {false, true, false, true}}, {"user capture", 1, 2, {false, true, false, true}},
            {"pwm, fixed time", 2, 5, {true, true, true, false}}, {"pwm, user time", 2, 8, {true, true, true, true}}};
    for (const auto& [name, testMode, measureTime, enabled] : cases) {
        CKonfList record = manualSensor();
        SensorSettingsForm form(record, allGroupsOn(), 2002);
        form.selectMeasureTime(measureTime);
        for (const int mode : {testMode, int(kKonfTestModeNotSet)}) {
            form.selectTestMode(mode);
            EXPECT_EQ((std::array {form.isEnabled(C::MeasureTime), form.isEnabled(C::Range), form.isEnabled(C::PwmRuns),
                          form.isEnabled(C::UserTime)}),
                enabled)
                << name << " " << mode;
        }
    }
}

TEST(SensorSettingsForm, OpeningSetsTheBoxesFromTheRecordAndMendsItAndPercentAndAbsoluteExcludeEachOther)
{
    // The percent switch wins: the absolute one is cleared in the record at once.
    CKonfList record = manualSensor();
    record.ChangeFlags = KonfChange::IntensPercent | KonfChange::Gain; // a stale pending bit, nothing to send
    SensorSettingsForm form(record, allGroupsOn(), 1006);
    const auto intensity = form.deviation(D::Intensity);
    EXPECT_EQ(std::tuple(intensity.percentOn, intensity.absoluteOn, form.deviation(D::Xy).absoluteOn,
                  record.OptionFlags, record.ChangeFlags),
        std::tuple(true, false, true, KonfOption::XyAbs, KonfChange::IntensPercent));
    for (const auto& [control, enabled] : {std::pair(C::IntensPercent, true), std::pair(C::IntensAbs, false),
             std::pair(C::XyPercent, false), std::pair(C::XyAbs, true), std::pair(C::KeepXyOffset, true),
             std::pair(C::Distance, false)}) // firmware 1006 has no distance
        EXPECT_EQ(form.isEnabled(control), enabled) << static_cast<int>(control);
    form.clickKeepXyOffset(true);
    EXPECT_FALSE(form.isEnabled(C::XOffset) || form.isEnabled(C::YOffset));
    EXPECT_FALSE(form.apply(record));
    EXPECT_EQ(record.OptionFlags, KonfOption::XyAbs | KonfOption::KeepXyOffset) << "always written";

    CKonfList pending = manualSensor();
    pending.ChangeFlags = KonfChange::Pending | KonfChange::Gain;
    EXPECT_TRUE(SensorSettingsForm(pending, allGroupsOn(), 1007).isEnabled(C::Distance));
    EXPECT_EQ(pending.ChangeFlags, KonfChange::Pending | KonfChange::Gain) << "pending bits that will be sent stay";
    // Groups switched off in the INI: their boxes are off, locked and never written; the INI keeping
    // every sensor's offsets ticks and locks "Don't change XY offset".
    CKonfList locked = manualSensor();
    DeviationSettings none; // every group off
    none.noChangeXyOffset = 1;
    SensorSettingsForm lockedForm(locked, none, 0);
    for (const C control : {C::IntensPercentOn, C::IntensPercent, C::IntensAbsOn, C::IntensAbs, C::XyPercentOn,
             C::XyPercent, C::XyAbsOn, C::XyAbs, C::Distance, C::KeepXyOffset, C::XOffset, C::YOffset})
        EXPECT_FALSE(lockedForm.isEnabled(control)) << static_cast<int>(control);
    ASSERT_TRUE(lockedForm.keepXyOffset() && !lockedForm.apply(locked));
    EXPECT_EQ(locked.OptionFlags, KonfOption::IntensAbs | KonfOption::XyAbs | KonfOption::KeepXyOffset);
    const auto percent = [](bool on) { return [on](SensorSettingsForm& f) { f.clickPercent(D::Xy, on); }; };
    const auto absolute = [](bool on) { return [on](SensorSettingsForm& f) { f.clickAbsolute(D::Xy, on); }; };
    // The clicks, and whether the percent and the absolute box are on: the edit of a box is enabled exactly then.
    const std::tuple<const char*, std::vector<Edit>, bool, bool> cases[] = {
        {"percent ticked", {percent(true)}, true, false},
        {"absolute cleared", {absolute(false)}, false, false},
        {"percent then absolute", {percent(true), absolute(true)}, false, true},
        {"percent ticked and cleared", {percent(true), percent(false)}, false, false},
    };
    for (const auto& [name, clicks, percentOn, absoluteOn] : cases) {
        SCOPED_TRACE(name);
        CKonfList r = manualSensor(); // x/y absolute on
        SensorSettingsForm boxes(r, allGroupsOn(), 2002);
        for (const Edit& click : clicks)
            click(boxes);
        const auto xy = boxes.deviation(D::Xy);
        EXPECT_EQ(std::tuple(xy.percentOn, xy.absoluteOn, boxes.isEnabled(C::XyPercent), boxes.isEnabled(C::XyAbs)),
            std::tuple(percentOn, absoluteOn, percentOn, absoluteOn));
        EXPECT_TRUE(boxes.deviation(D::Intensity).absoluteOn) << "the other group stays";

        ASSERT_FALSE(boxes.apply(r)) << "box switches alone change no member";
        EXPECT_EQ(std::pair((r.OptionFlags & KonfOption::XyAbs) != 0, (r.ChangeFlags & KonfChange::XyPercent) != 0),
            std::pair(absoluteOn, percentOn));
    }
}

TEST(SensorSettingsForm, EachChangedMemberSetsItsPendingBits)
{
    const std::tuple<const char*, Edit, std::uint16_t, std::function<bool(const CKonfList&)>> cases[] = {
        {"test mode", [](auto& f) { f.selectTestMode(2); }, 0x0003, [](auto& r) { return r.TestMode == 2; }},
        {"measure time", [](auto& f) { f.selectMeasureTime(6); }, 0x0005, [](auto& r) { return r.MeasureTime == 6; }},
        {"range", [](auto& f) { f.range = 1; }, 0x0009, [](auto& r) { return r.Range == 1; }},
        {"gain", [](auto& f) { f.gain = "250"; }, 0x0041, [](auto& r) { return r.Gain == 250; }},
        {"pwm runs", [](auto& f) { f.pwmRuns = 15; }, 0x0011, [](auto& r) { return r.PwmRuns == 15; }},
        {"user time only", [](auto& f) { f.userTime = " 1500"; }, 0x01FD, [](auto& r) { return r.UserTime == 1500; }},
        {"x offset", [](auto& f) { f.xOffset = "0.0123"; }, 0x0081, [](auto& r) { return r.XOffset == "0.0123"; }},
        {"y offset cut", [](auto& f) { f.yOffset = "-0.012345"; }, 0x0101,
            [](auto& r) { return r.YOffset == "-0.0123"; }},
        {"distance", [](auto& f) { f.distance = "3.5"; }, 0x2001, [](auto& r) { return r.Distance == "3.5"; }},
        {"% intensity", [](auto& f) { f.editPercent(D::Intensity, "25"); }, 0,
            [](auto& r) { return r.DevIntensPercent == 25; }},
        {"% x/y", [](auto& f) { f.editPercent(D::Xy, "0"); }, 0, [](auto& r) { return r.DevXYPercent == 0; }},
        {"abs intensity", [](auto& f) { f.editAbsolute(D::Intensity, "32767"); }, 0,
            [](auto& r) { return r.DevIntensAbs == 32767; }},
        {"abs x/y", [](auto& f) { f.editAbsolute(D::Xy, "0.005"); }, 0, [](auto& r) { return r.DevXYAbs == 0.005f; }},
    };
    for (const auto& [name, edit, flags, stored] : cases) {
        SCOPED_TRACE(name);
        CKonfList record = manualSensor();
        SensorSettingsForm form(record, allGroupsOn(), 2002);
        form.clickKeepXyOffset(false);
        edit(form);
        ASSERT_FALSE(form.validate());
        EXPECT_TRUE(form.apply(record) && stored(record));
        EXPECT_EQ(record.ChangeFlags, flags);
    }
    // Typed back to what it was: no change, nothing pending.
    CKonfList record = manualSensor();
    SensorSettingsForm form(record, allGroupsOn(), 2002);
    form.gain = "0100";
    form.editAbsolute(D::Xy, "0.0100");
    EXPECT_FALSE(form.apply(record) || record.ChangeFlags);
}

TEST(SensorSettingsForm, RefusedOkNamesTheFieldAndItsRangeAndStoresNothing)
{
    const std::tuple<const char*, Edit, SettingsControl, const char*> cases[] = {
        {"user time 0", [](auto& f) { f.userTime = "0"; }, C::UserTime,
            "Usertime (ms): Please enter an integer between 1 and 10000."},
        {"user time not a number", [](auto& f) { f.userTime = "12ms"; }, C::UserTime, "between 1 and 10000"},
        {"gain 501", [](auto& f) { f.gain = "501"; }, C::Gain, "Gain (%): Please enter an integer between 1 and 500."},
        {"gain empty", [](auto& f) { f.gain = ""; }, C::Gain, "between 1 and 500"},
        {"percent 101", [](auto& f) { f.editPercent(D::Intensity, "101"); }, C::IntensPercent, "between 0 and 100"},
        {"absolute 32768", [](auto& f) { f.editAbsolute(D::Intensity, "32768"); }, C::IntensAbs, "between 0 and 32767"},
        {"absolute negative", [](auto& f) { f.editAbsolute(D::Intensity, "-1"); }, C::IntensAbs, "between 0 and 32767"},
        {"absolute x/y not a number", [](auto& f) { f.editAbsolute(D::Xy, "0,01"); }, C::XyAbs, "enter a number."},
    };
    for (const auto& [name, edit, refused, says] : cases) {
        SCOPED_TRACE(name);
        CKonfList record = manualSensor();
        std::tie(record.ChangeFlags, record.OptionFlags) // intensity percent on
            = std::tuple(KonfChange::Pending | KonfChange::IntensPercent, KonfOption::XyAbs);
        SensorSettingsForm form(record, allGroupsOn(), 2002);
        form.selectTestMode(kKonfUserCapture);
        form.distance = "9.9";
        if (refused == C::IntensAbs)
            form.clickAbsolute(D::Intensity, true);
        edit(form);
        const CKonfList before = record;
        const auto refusal = form.validate();
        ASSERT_TRUE(refusal);
        EXPECT_EQ(refusal->control, refused);
        EXPECT_NE(refusal->message.find(says), std::string::npos) << refusal->message;
        EXPECT_FALSE(form.apply(record));
        EXPECT_EQ(record, before);
    }
    // An edit the user cannot reach is not held against OK; its value is simply not taken.
    CKonfList record = manualSensor();
    SensorSettingsForm form(record, allGroupsOn(), 2002);
    form.selectTestMode(kKonfUserCapture);
    form.userTime = "0";
    form.selectTestMode(kKonfManualCapture);
    form.gain = "200";
    EXPECT_TRUE(!form.validate() && form.apply(record));
    EXPECT_EQ(std::tuple(record.UserTime, record.Gain), std::tuple(800, 200));
}

// --- the list of settings ---

const std::string kMixedCapture = "Attention: Mixed capture mode\nMeasurements are performed successively";
const std::string kChangeAll = "Are you sure that the settings for all sensors should be changed?";

TEST(SettingsRows, TextsFollowTheTestMode)
{
    // Test mode, measure time, range and PWM runs, and the texts joined by "|".
    const std::tuple<const char*, std::uint8_t, std::uint8_t, std::uint8_t, std::uint8_t, const char*> cases[] = {
        {"user capture shows its time only", 1, 3, 0, 2, "3|User Capture|----|3 x 3|----|800|100|0.0000|0.0000|2.0"},
        {"disabled manual sensor", 0, 0, 0, 0, "3|Manual Capture|0 = Disabled|3 x 3|----|----|100|0.0000|0.0000|2.0"},
        {"pwm with its runs", 2, 7, 1, 3, "3|PWM Capture|7 = 2 ms|9 x 9|3 = 20 runs|----|100|0.0000|0.0000|2.0"},
        {"never set", kKonfTestModeNotSet, 0, 0, 0, "3| |0 = Disabled|3 x 3|----|----|100|0.0000|0.0000|2.0"},
        {"codes outside the lists", 9, 8, 2, 0, "3| |----| |----|----|100|0.0000|0.0000|2.0"},
    };
    for (const auto& [name, testMode, measureTime, range, pwmRuns, expected] : cases) {
        CKonfList record = manualSensor();
        std::tie(record.TestMode, record.MeasureTime, record.Range, record.PwmRuns)
            = std::tie(testMode, measureTime, range, pwmRuns);
        std::string joined;
        for (const std::string& text : settingsRowTexts(record))
            joined += (joined.empty() ? "" : "|") + text;
        EXPECT_EQ(joined, expected) << name;
    }
}

class SettingsListModelTest : public ::testing::Test {
protected:
    // Ten manual 200 ms sensors with offsets of their own, all of them in `testMode`.
    void reset(std::uint8_t testMode = kKonfManualCapture)
    {
        list.CreateDefaultSettings(10);
        for (CKonfList* r : list.walkByIndex()) {
            std::tie(r->TestMode, r->MeasureTime, r->ChangeFlags, r->OptionFlags) = std::tuple(testMode, 2, 0, 0);
            std::tie(r->XOffset, r->YOffset) = std::tuple("0.0001", "0.0002");
        }
        list.setModified(false);
        dialogs = {};
    }
    void SetUp() override { reset(); }
    // Runs "Change settings" on a row with the given edits; `ok` false is Cancel.
    bool change(int row, const Edit& edits, bool ok = true)
    {
        model.click(row);
        return model.changeSettings(ini, 2002, [&](SensorSettingsForm& form) {
            ++dialogsOpened;
            edits(form);
            return ok;
        });
    }

    test::RecordingDialogs dialogs;
    DeviationSettings ini;
    SensorSettingsList list {dialogs, ini};
    SettingsListModel model {list, dialogs};
    int dialogsOpened = 0;
};

TEST_F(SettingsListModelTest, ChangeSettingsNeedsARowStoresTheEditAndWarnsOnceOfMixedCaptures)
{
    // Clicks on the rows and beside them are driven through the window in tst_multisensorwindows; here a
    // double click on empty space alone, and what the buttons do without a selected row.
    model.click(4);
    EXPECT_FALSE(model.doubleClick(0) || model.changeButtonsEnabled()) << "a double click on empty space opens nothing";
    EXPECT_FALSE(change(0, [](SensorSettingsForm&) {}) || model.changeAllSettings(ini));
    EXPECT_EQ(std::tuple(dialogsOpened, dialogs.questions.size()), std::tuple(0, 0u));

    EXPECT_TRUE(model.doubleClick(12));
    model.rowsRefilled(10);
    EXPECT_EQ(model.selectedRow(), 0) << "the row is gone after a load of fewer records";
    // "No" to "Change all settings" changes nothing and keeps the selection.
    list.settingsByIndex(1)->Gain = 300;
    model.click(1);
    EXPECT_FALSE(model.changeAllSettings(ini));
    EXPECT_EQ(std::tuple(dialogs.questions, list.settingsByIndex(2)->Gain, list.isModified(), model.selectedRow()),
        std::tuple(std::vector<std::string> {kChangeAll}, 100, false, 1));
    // The others' test mode, the edits, OK (or Cancel), whether the record changed, the warnings.
    const std::tuple<const char*, std::uint8_t, Edit, bool, bool, std::size_t> cases[] = {
        {"one of ten to pwm", kKonfManualCapture, [](auto& f) { f.selectTestMode(kKonfPwmCapture); }, true, true, 1},
        {"one pwm sensor back to manual", kKonfPwmCapture, [](auto& f) { f.selectTestMode(kKonfManualCapture); }, true,
            true, 1},
        {"manual to user capture", kKonfManualCapture, [](auto& f) { f.selectTestMode(kKonfUserCapture); }, true, true,
            0},
        {"pwm gain among pwm", kKonfPwmCapture, [](auto& f) { f.gain = "120"; }, true, true, 0},
        {"ok without a change", kKonfManualCapture, [](auto&) {}, true, false, 0},
        {"cancel", kKonfManualCapture, [](auto& f) { f.selectTestMode(kKonfPwmCapture); }, false, false, 0},
    };
    for (const auto& [name, othersMode, edits, ok, modified, warnings] : cases) {
        SCOPED_TRACE(name);
        reset(othersMode);
        const CKonfList before = *list.settingsByIndex(4);
        const bool changed = change(4, edits, ok);
        EXPECT_EQ(std::tuple(changed, list.isModified(), dialogs.messages),
            std::tuple(modified, modified, std::vector<std::string>(warnings, kMixedCapture)));
        if (!modified) {
            EXPECT_EQ(*list.settingsByIndex(4), before);
        }
        EXPECT_EQ(model.selectedRow(), 0);
    }
}

TEST_F(SettingsListModelTest, ChangeAllCopiesTheSourceAndTheOffsetsOnlyWhereNothingKeepsThem)
{
    // The INI's switch, the source keeping its offsets, a record that keeps its own (0: none), offsets copied.
    const std::tuple<const char*, int, bool, int, bool> cases[] = {
        {"nothing keeps them", 0, false, 0, true},
        {"the INI keeps every sensor's", 1, false, 0, false},
        {"the source keeps its own", 0, true, 0, false},
        {"one record keeps its own", 0, false, 6, true},
    };
    for (const auto& [name, noChangeXyOffset, sourceKeeps, keepingRecord, offsetsCopied] : cases) {
        SCOPED_TRACE(name);
        reset();
        ini.noChangeXyOffset = noChangeXyOffset;
        // Every setting, tolerance and the distance differ from the others'.
        const std::uint16_t options = KonfOption::XyAbs | (sourceKeeps ? KonfOption::KeepXyOffset : 0);
        const CKonfList sourceBefore = *list.settingsByIndex(2) = {2, 2, kKonfPwmCapture, 5, 1, 4, 333, 150, {"0.0100"},
            {"-0.0100"}, 10, 10, KonfChange::IntensPercent, options, 1000, 0.01f, {"2.0"}};
        if (keepingRecord)
            list.settingsByIndex(keepingRecord)->OptionFlags = KonfOption::KeepXyOffset;

        dialogs.answer = true;
        model.click(2);
        ASSERT_TRUE(model.changeAllSettings(ini));
        EXPECT_EQ(std::tuple(dialogs.questions, list.isModified(), model.selectedRow(), *list.settingsByIndex(2)),
            std::tuple(std::vector<std::string> {kChangeAll}, true, 0, sourceBefore));
        for (const CKonfList* r : list.walkByIndex()) {
            if (r->Index == 2)
                continue;
            const bool keeps = r->Index == keepingRecord;
            // The source's settings with every capture setting and the new distance pending.
            CKonfList expected = sourceBefore;
            std::tie(expected.Index, expected.SensorNo, expected.ChangeFlags) = std::tuple(r->Index, r->Index, 0x61FD);
            if (!offsetsCopied || keeps) {
                std::tie(expected.XOffset, expected.YOffset) = std::tuple("0.0001", "0.0002");
                expected.OptionFlags = KonfOption::XyAbs | (keeps ? KonfOption::KeepXyOffset : 0);
            }
            EXPECT_EQ(*r, expected) << "record " << r->Index;
        }
    }
}

} // namespace
} // namespace lumivex
