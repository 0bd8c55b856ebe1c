#include "multisensor/SensorSettingsList.h"
#include "foundation/Settings.h"

#include "RecordingDialogs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace lumivex {
namespace {

// INI values that differ from the record defaults, so a test sees where a value came from.
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

class SettingsListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        list.setSettingsChangedHandler([this] { ++notifications; });
    }

    // Sets a record up as a user would in the settings dialog, so that it takes part in a run.
    static void enable(CKonfList& r, std::uint8_t testMode = kKonfUserCapture)
    {
        r.TestMode = testMode;
        r.MeasureTime = 5;
        r.Range = 1;
        r.PwmRuns = 7;
        r.UserTime = 1234;
        r.Gain = 250;
        r.XOffset = "+0.0100";
        r.YOffset = "-0.0200";
        r.Distance = "5.5";
        r.ChangeFlags = KonfChange::XyPercent;
    }

    test::RecordingDialogs dialogs;
    SensorSettingsList list {dialogs, iniDeviation()};
    int notifications = 0;
};

TEST_F(SettingsListTest, DefaultListNumbersEverySensorAndEnablesNone)
{
    list.CreateDefaultSettings(10);
    ASSERT_EQ(list.settingsCount(), 10);
    for (int k = 1; k <= 10; ++k) {
        ASSERT_TRUE(list.FindSettingsByIndex(k));
        const CKonfList& r = *list.cursor();
        EXPECT_EQ(r.SensorNo, k);
        EXPECT_FALSE(r.isEnabled());
        // The tolerances come from the INI, not from the record's own defaults.
        EXPECT_EQ(r.DevIntensPercent, 12);
        EXPECT_EQ(r.DevXYPercent, 7);
        EXPECT_EQ(r.DevIntensAbs, 345);
        EXPECT_FLOAT_EQ(r.DevXYAbs, 0.02f);
    }
    EXPECT_FALSE(list.FindSettingsByIndex(11));
    EXPECT_EQ(list.cursor(), nullptr);
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
        DeviationSettings d = iniDeviation();
        d.checkAbwIntens = c.intens;
        d.checkAbwXy = c.xy;
        d.checkAbwAbsIntens = c.absIntens;
        d.checkAbwAbsXy = c.absXy;
        d.noChangeXyOffset = c.noChange;
        list.setDeviationSettings(d);
        list.CreateDefaultSettings(5);
        EXPECT_EQ(list.records().front()->ChangeFlags, c.change);
        EXPECT_EQ(list.records().back()->OptionFlags, c.option);
    }
}

TEST_F(SettingsListTest, DefaultListSizeIsBoundedByWhatAnIndexCanAddress)
{
    list.CreateDefaultSettings(-5);
    EXPECT_EQ(list.settingsCount(), 0);
    list.CreateDefaultSettings(5 * 100000);
    EXPECT_EQ(list.settingsCount(), SensorSettingsList::kMaxRecords);
    EXPECT_EQ(static_cast<int>(list.walkByIndex().size()), SensorSettingsList::kMaxRecords);
}

TEST_F(SettingsListTest, WalkStopsAtTheFirstMissingIndexAndAtTheCount)
{
    for (int index : {1, 2, 4, 5})
        list.appendSettings(CKonfList::Default(index, iniDeviation()));
    const auto walk = list.walkByIndex();
    ASSERT_EQ(walk.size(), 2u);
    EXPECT_EQ(walk[1]->Index, 2);
    EXPECT_EQ(list.walkByIndex(1).size(), 1u);
    // Record 4 is still found directly.
    EXPECT_TRUE(list.FindSettingsByIndex(4));
}

TEST_F(SettingsListTest, LookupBySensorFindsTheRecordWhoseNumberDiffersFromItsIndex)
{
    list.CreateDefaultSettings(3);
    list.records()[2]->SensorNo = 9;
    ASSERT_TRUE(list.FindSettingsBySensor(9));
    EXPECT_EQ(list.cursor()->Index, 3);
    EXPECT_FALSE(list.FindSettingsBySensor(3));
    EXPECT_EQ(list.cursor(), nullptr);
}

// --- board reset ---

class BoardResetTest : public SettingsListTest {
protected:
    void SetUp() override
    {
        SettingsListTest::SetUp();
        list.CreateDefaultSettings(15);
        for (const auto& r : list.records())
            enable(*r);
        // On board 2: sensor 8 never set, sensor 9 disabled; they must stay untouched.
        list.records()[7]->TestMode = kKonfTestModeNotSet;
        list.records()[8]->MeasureTime = 0;
    }
};

TEST_F(BoardResetTest, ResetsOnlyEnabledSensorsOfThatBoard)
{
    const CKonfList untouched8 = *list.records()[7];
    const CKonfList untouched9 = *list.records()[8];
    ASSERT_TRUE(list.ResetBoardSettings(2, 15));
    EXPECT_TRUE(list.isModified());
    for (int k = 1; k <= 15; ++k) {
        const CKonfList& r = *list.records()[static_cast<std::size_t>(k - 1)];
        const bool reset = k == 6 || k == 7 || k == 10;
        EXPECT_EQ(r.MeasureTime == kKonfMeasureTime200ms, reset) << k;
        if (!reset)
            continue;
        EXPECT_EQ(r.TestMode, kKonfManualCapture);
        EXPECT_EQ(r.Range, 0);
        EXPECT_EQ(r.PwmRuns, 0);
        EXPECT_EQ(r.UserTime, 800);
        EXPECT_EQ(r.Gain, 100);
        EXPECT_EQ(r.Distance, "2.0");
        EXPECT_EQ(r.ChangeFlags, KonfChange::XyPercent | KonfChange::AllCapture);
    }
    EXPECT_EQ(*list.records()[7], untouched8);
    EXPECT_EQ(*list.records()[8], untouched9);
}

TEST_F(BoardResetTest, KeepsOffsetsWhenNoChangeXyOffsetSaysSo)
{
    for (int noChange : {1, 0}) {
        list.setDeviationSettings(iniDeviation(noChange));
        for (const auto& r : list.records())
            enable(*r);
        list.records()[5]->OptionFlags = 0;
        ASSERT_TRUE(list.ResetBoardSettings(2, 15));
        const CKonfList& r = *list.records()[5];
        if (noChange == 1) {
            EXPECT_EQ(r.XOffset, "+0.0100");
            EXPECT_EQ(r.YOffset, "-0.0200");
            EXPECT_EQ(r.OptionFlags, KonfOption::KeepXyOffset);
        } else {
            EXPECT_EQ(r.XOffset, "0.0000");
            EXPECT_EQ(r.YOffset, "0.0000");
            EXPECT_EQ(r.OptionFlags, 0);
        }
    }
}

TEST_F(BoardResetTest, IgnoresSensorsBeyondTheSensorCountAndReportsNoChange)
{
    EXPECT_FALSE(list.ResetBoardSettings(3, 10)); // board 3 is sensors 11..15
    EXPECT_FALSE(list.ResetBoardSettings(4, 15));
    EXPECT_FALSE(list.isModified());
    EXPECT_EQ(list.records()[10]->MeasureTime, 5);
}

// --- values read back from the device ---

DeviceReadBack readBack(int sensorNo)
{
    DeviceReadBack v;
    v.sensorNo = sensorNo;
    v.testMode = kKonfPwmCapture;
    v.measureTime = 3;
    v.range = 1;
    v.pwmRuns = 4;
    v.userTime = 900;
    v.gain = 120;
    v.xOffset = "+0.001234";
    v.yOffset = "-0.0042";
    v.distance = "3.1";
    return v;
}

TEST_F(SettingsListTest, ReadBackStoresTheDeviceValuesAndNotifies)
{
    list.CreateDefaultSettings(10);
    ASSERT_TRUE(list.UpdateSettingsFromDevice(readBack(7)));
    const CKonfList& r = *list.records()[6];
    EXPECT_EQ(list.cursor(), &r);
    EXPECT_EQ(r.TestMode, kKonfPwmCapture);
    EXPECT_EQ(r.MeasureTime, 3);
    EXPECT_EQ(r.PwmRuns, 4);
    EXPECT_EQ(r.UserTime, 900);
    EXPECT_EQ(r.Gain, 120);
    EXPECT_EQ(r.XOffset, "+0.0012");
    EXPECT_EQ(r.YOffset, "-0.0042");
    EXPECT_EQ(r.Distance, "3.1");
    EXPECT_TRUE(r.isEnabled());
    EXPECT_EQ(notifications, 1);
    EXPECT_FALSE(list.UpdateSettingsFromDevice(readBack(11)));
    EXPECT_EQ(notifications, 1);
}

TEST_F(SettingsListTest, ReadBackRebuildsTheFlagsOfANeverSetRecordOnly)
{
    list.CreateDefaultSettings(2);
    list.records()[0]->ChangeFlags = 0x01FD; // stale pending bits on a record never set
    list.records()[0]->OptionFlags = 0;
    enable(*list.records()[1]);
    list.records()[1]->ChangeFlags = KonfChange::Pending | KonfChange::Gain;
    list.records()[1]->OptionFlags = KonfOption::XyAbs;

    ASSERT_TRUE(list.UpdateSettingsFromDevice(readBack(1)));
    ASSERT_TRUE(list.UpdateSettingsFromDevice(readBack(2)));
    EXPECT_EQ(list.records()[0]->ChangeFlags, 0xC000);
    EXPECT_EQ(list.records()[0]->OptionFlags, 0x0007);
    EXPECT_EQ(list.records()[1]->ChangeFlags, KonfChange::Pending | KonfChange::Gain);
    EXPECT_EQ(list.records()[1]->OptionFlags, KonfOption::XyAbs);
}

TEST_F(SettingsListTest, ReadBackReplacesOutOfRangeTolerancesWithTheIniValues)
{
    struct Case {
        std::int16_t percent;
        std::int16_t absIntens;
        float absXy;
        bool replaced;
    };
    const std::vector<Case> cases = {
        {0, 0, 0.0f, false},
        {100, 32767, 0.9999f, false},
        {50, 0, -0.9999f, false},
        {101, -1, 1.0f, true},
        {-1, -32768, -1.0f, true},
        {150, -5, std::numeric_limits<float>::quiet_NaN(), true},
    };
    list.CreateDefaultSettings(1);
    for (const Case& c : cases) {
        CKonfList& r = *list.records()[0];
        r.DevIntensPercent = c.percent;
        r.DevXYPercent = c.percent;
        r.DevIntensAbs = c.absIntens;
        r.DevXYAbs = c.absXy;
        ASSERT_TRUE(list.UpdateSettingsFromDevice(readBack(1)));
        EXPECT_EQ(r.DevIntensPercent, c.replaced ? 12 : c.percent) << c.percent;
        EXPECT_EQ(r.DevXYPercent, c.replaced ? 7 : c.percent) << c.percent;
        EXPECT_EQ(r.DevIntensAbs, c.replaced ? 345 : c.absIntens) << c.absIntens;
        if (c.replaced)
            EXPECT_FLOAT_EQ(r.DevXYAbs, 0.02f);
        else
            EXPECT_FLOAT_EQ(r.DevXYAbs, c.absXy);
    }
}

// --- new deviation settings from the configuration dialog ---

TEST_F(SettingsListTest, NewTolerancesReachOnlyRecordsNeverSet)
{
    list.CreateDefaultSettings(4);
    enable(*list.records()[1]);
    list.records()[3]->Index = 9; // beyond a gap: the walk never reaches it
    const CKonfList set = *list.records()[1];
    const CKonfList beyondGap = *list.records()[3];
    const std::uint16_t flags = list.records()[0]->ChangeFlags;

    DeviationSettings d = iniDeviation();
    d.abwIntens = 40;
    d.abwXy = 30;
    d.abwAbsIntens = 99;
    d.abwAbsXy = 0.5f;
    d.checkAbwXy = 0; // switched off: the x/y percent stays
    EXPECT_EQ(list.applyDeviationSettings(d), 2);
    for (std::size_t i : {0u, 2u}) {
        const CKonfList& r = *list.records()[i];
        EXPECT_EQ(r.DevIntensPercent, 40);
        EXPECT_EQ(r.DevXYPercent, 7);
        EXPECT_EQ(r.DevIntensAbs, 99);
        EXPECT_FLOAT_EQ(r.DevXYAbs, 0.5f);
        EXPECT_EQ(r.ChangeFlags, flags);
    }
    EXPECT_EQ(*list.records()[1], set);
    EXPECT_EQ(*list.records()[3], beyondGap);
    // New records take the new values.
    EXPECT_EQ(list.deviationSettings(), d);

    // With every switch off no record changes.
    d.checkAbwIntens = d.checkAbwAbsIntens = d.checkAbwAbsXy = 0;
    d.abwIntens = 77;
    EXPECT_EQ(list.applyDeviationSettings(d), 0);
    EXPECT_EQ(list.records()[0]->DevIntensPercent, 40);
}

} // namespace
} // namespace lumivex
