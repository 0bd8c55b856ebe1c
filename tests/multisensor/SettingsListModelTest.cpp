#include "multisensor/SettingsListModel.h"
#include "multisensor/SensorSettingsList.h"
#include "multisensor/SettingsRows.h"

#include "RecordingDialogs.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace lumivex {
namespace {

const std::string kMixedCapture = "Attention: Mixed capture mode\nMeasurements are performed successively";
const std::string kChangeAll = "Are you sure that the settings for all sensors should be changed?";

TEST(SettingsRows, TextsFollowTheTestMode)
{
    struct Case {
        const char* name;
        std::function<void(CKonfList&)> set;
        SettingsRowTexts expected;
    };
    const Case cases[] = {
        {"user capture shows its time only",
            [](CKonfList& r) {
                r.TestMode = 1;
                r.MeasureTime = 3;
                r.PwmRuns = 2;
                r.UserTime = 1234;
            },
            {"7", "User Capture", "----", "3 x 3", "----", "1234", "100", "0.0000", "0.0000", "-.-"}},
        {"disabled manual sensor",
            [](CKonfList& r) {
                r.TestMode = 0;
                r.MeasureTime = 0;
            },
            {"7", "Manual Capture", "0 = Disabled", "3 x 3", "----", "----", "100", "0.0000", "0.0000", "-.-"}},
        {"pwm with its runs",
            [](CKonfList& r) {
                r.TestMode = 2;
                r.MeasureTime = 7;
                r.Range = 1;
                r.PwmRuns = 3;
                r.Gain = 250;
                r.XOffset = "-0.0123";
                r.Distance = "2.0";
            },
            {"7", "PWM Capture", "7 = 2 ms", "9 x 9", "3 = 20 runs", "----", "250", "-0.0123", "0.0000", "2.0"}},
        {"never set", [](CKonfList&) {},
            {"7", " ", "0 = Disabled", "3 x 3", "----", "----", "100", "0.0000", "0.0000", "-.-"}},
        {"codes outside the lists",
            [](CKonfList& r) {
                r.TestMode = 9;
                r.MeasureTime = 8;
                r.Range = 2;
            },
            {"7", " ", "----", " ", "----", "----", "100", "0.0000", "0.0000", "-.-"}},
    };
    for (const Case& c : cases) {
        CKonfList record = CKonfList::Default(7, DeviationSettings {});
        c.set(record);
        EXPECT_EQ(settingsRowTexts(record), c.expected) << c.name;
    }
}

class SettingsListModelTest : public ::testing::Test {
protected:
    // Ten manual 200 ms sensors with offsets of their own.
    void SetUp() override
    {
        list.CreateDefaultSettings(10);
        for (CKonfList* r : list.walkByIndex()) {
            r->TestMode = kKonfManualCapture;
            r->MeasureTime = 2;
            r->XOffset = "0.0001";
            r->YOffset = "0.0002";
            r->ChangeFlags = 0;
            r->OptionFlags = 0;
        }
        list.setModified(false);
    }

    // Runs "Change settings" on a row with the given edits; `ok` false is Cancel.
    bool change(int row, std::function<void(SensorSettingsForm&)> edits, bool ok = true)
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

TEST_F(SettingsListModelTest, ChangeButtonsWorkOnlyWithASelectedRow)
{
    EXPECT_FALSE(model.changeButtonsEnabled());
    model.click(4);
    EXPECT_TRUE(model.changeButtonsEnabled());
    EXPECT_FALSE(model.doubleClick(0)) << "a double click on empty space opens nothing";
    EXPECT_FALSE(model.changeButtonsEnabled());
    EXPECT_FALSE(model.changeSettings(ini, 2002, [this](SensorSettingsForm&) { return ++dialogsOpened, true; }));
    EXPECT_FALSE(model.changeAllSettings(ini));
    EXPECT_EQ(dialogsOpened, 0);
    EXPECT_TRUE(dialogs.questions.empty());

    EXPECT_TRUE(model.doubleClick(12));
    model.rowsRefilled(10);
    EXPECT_EQ(model.selectedRow(), 0) << "the row is gone after a load of fewer records";
}

TEST_F(SettingsListModelTest, ChangeSettingsStoresTheEditAndWarnsOnceOfMixedCaptures)
{
    struct Case {
        const char* name;
        std::uint8_t othersMode;
        std::function<void(SensorSettingsForm&)> edits;
        bool ok;
        bool modified;
        std::size_t warnings;
    };
    const Case cases[] = {
        {"one of ten to pwm", kKonfManualCapture, [](auto& f) { f.selectTestMode(kKonfPwmCapture); }, true, true, 1},
        {"one pwm sensor back to manual", kKonfPwmCapture, [](auto& f) { f.selectTestMode(kKonfManualCapture); }, true,
            true, 1},
        {"manual to user capture", kKonfManualCapture, [](auto& f) { f.selectTestMode(kKonfUserCapture); }, true, true,
            0},
        {"pwm gain among pwm", kKonfPwmCapture, [](auto& f) { f.gain = "120"; }, true, true, 0},
        {"ok without a change", kKonfManualCapture, [](auto&) {}, true, false, 0},
        {"cancel", kKonfManualCapture, [](auto& f) { f.selectTestMode(kKonfPwmCapture); }, false, false, 0},
    };
    for (const Case& c : cases) {
        SetUp();
        dialogs.messages.clear();
        for (CKonfList* r : list.walkByIndex())
            r->TestMode = c.othersMode;
        const CKonfList before = *list.settingsByIndex(4);
        EXPECT_EQ(change(4, c.edits, c.ok), c.modified) << c.name;
        EXPECT_EQ(list.isModified(), c.modified) << c.name;
        EXPECT_EQ(dialogs.messages.size(), c.warnings) << c.name;
        if (c.warnings) {
            EXPECT_EQ(dialogs.messages.front(), kMixedCapture) << c.name;
        }
        if (!c.modified) {
            EXPECT_EQ(*list.settingsByIndex(4), before) << c.name;
        }
        EXPECT_EQ(model.selectedRow(), 0) << c.name;
        EXPECT_FALSE(model.changeButtonsEnabled()) << c.name;
    }
}

TEST_F(SettingsListModelTest, ChangeAllCopiesTheSourceAndTheOffsetsOnlyWhereNothingKeepsThem)
{
    struct Case {
        const char* name;
        int noChangeXyOffset;
        bool sourceKeeps;
        int keepingRecord; // a record that keeps its offsets, 0 for none
        bool offsetsCopied;
    };
    const Case cases[] = {
        {"nothing keeps them", 0, false, 0, true},
        {"the INI keeps every sensor's", 1, false, 0, false},
        {"the source keeps its own", 0, true, 0, false},
        {"one record keeps its own", 0, false, 6, true},
    };
    for (const Case& c : cases) {
        SetUp();
        ini.noChangeXyOffset = c.noChangeXyOffset;
        CKonfList& source = *list.settingsByIndex(2);
        source.TestMode = kKonfPwmCapture;
        source.MeasureTime = 5;
        source.Range = 1;
        source.PwmRuns = 4;
        source.UserTime = 333;
        source.Gain = 150;
        source.XOffset = "0.0100";
        source.YOffset = "-0.0100";
        source.Distance = "4.5";
        source.DevIntensPercent = 15;
        source.DevXYPercent = 5;
        source.DevIntensAbs = 2000;
        source.DevXYAbs = 0.02f;
        source.ChangeFlags = KonfChange::IntensPercent;
        source.OptionFlags = KonfOption::XyAbs | (c.sourceKeeps ? KonfOption::KeepXyOffset : 0);
        if (c.keepingRecord)
            list.settingsByIndex(c.keepingRecord)->OptionFlags = KonfOption::KeepXyOffset;
        const CKonfList sourceBefore = source;

        dialogs.answer = true;
        model.click(2);
        ASSERT_TRUE(model.changeAllSettings(ini)) << c.name;
        EXPECT_EQ(dialogs.questions.back(), kChangeAll);
        EXPECT_TRUE(list.isModified()) << c.name;
        EXPECT_EQ(model.selectedRow(), 0) << c.name;
        EXPECT_EQ(*list.settingsByIndex(2), sourceBefore) << c.name;
        for (const CKonfList* r : list.walkByIndex()) {
            if (r->Index == 2)
                continue;
            const bool keeps = r->Index == c.keepingRecord;
            // The source's settings with every capture setting and the new distance pending.
            CKonfList expected = sourceBefore;
            expected.Index = r->Index;
            expected.SensorNo = r->SensorNo;
            expected.ChangeFlags = 0x01FD | 0x2000 | 0x4000;
            if (!c.offsetsCopied || keeps) {
                expected.XOffset = "0.0001";
                expected.YOffset = "0.0002";
                expected.OptionFlags = KonfOption::XyAbs | (keeps ? KonfOption::KeepXyOffset : 0);
            }
            EXPECT_EQ(*r, expected) << c.name << ", record " << r->Index;
        }
    }
}

TEST_F(SettingsListModelTest, ChangeAllAnsweredNoChangesNothingAndKeepsTheSelection)
{
    list.settingsByIndex(1)->Gain = 300;
    dialogs.answer = false;
    model.click(1);
    EXPECT_FALSE(model.changeAllSettings(ini));
    EXPECT_EQ(dialogs.questions, std::vector<std::string> {kChangeAll});
    EXPECT_EQ(list.settingsByIndex(2)->Gain, 100);
    EXPECT_FALSE(list.isModified());
    EXPECT_EQ(model.selectedRow(), 1);
}

} // namespace
} // namespace lumivex
