#include "multisensor/SensorSettingsForm.h"
#include "multisensor/SensorSettingsList.h"
#include "multisensor/SettingsListModel.h"
#include "multisensor/SettingsRows.h"

#include "RecordingDialogs.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <vector>

namespace lumivex {
namespace {

using C = SettingsControl;
using Edit = std::function<void(SensorSettingsForm&)>;

DeviationSettings allGroupsOn()
{
    DeviationSettings ini;
    ini.checkAbwIntens = ini.checkAbwXy = ini.checkAbwAbsIntens = ini.checkAbwAbsXy = 1;
    return ini;
}

// A manual 200 ms sensor with nothing pending and both absolute tolerances on.
CKonfList manualSensor()
{
    CKonfList r;
    r.Index = r.SensorNo = 3;
    r.TestMode = kKonfManualCapture;
    r.MeasureTime = 2;
    r.DevIntensPercent = r.DevXYPercent = 10;
    r.DevIntensAbs = 1000;
    r.DevXYAbs = 0.01f;
    r.Distance = "2.0";
    r.OptionFlags = KonfOption::IntensAbs | KonfOption::XyAbs;
    return r;
}

// Measure time, range, PWM runs, user time.
std::array<bool, 4> captureControls(const SensorSettingsForm& f)
{
    return {f.isEnabled(C::MeasureTime), f.isEnabled(C::Range), f.isEnabled(C::PwmRuns), f.isEnabled(C::UserTime)};
}

TEST(SensorSettingsForm, TestModeAndMeasureTimeDecideTheCaptureControls)
{
    struct Case {
        const char* name;
        int testMode;
        int measureTime;
        std::array<bool, 4> expected;
    };
    const Case cases[] = {
        {"manual with a fixed time", 0, 2, {true, true, false, false}},
        {"manual with the user time", 0, 8, {false, true, false, true}},
        {"user capture", 1, 2, {false, true, false, true}},
        {"pwm with a fixed time", 2, 5, {true, true, true, false}},
        {"pwm with the user time", 2, 8, {true, true, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CKonfList record = manualSensor();
        SensorSettingsForm form(record, allGroupsOn(), 2002);
        form.selectMeasureTime(c.measureTime);
        form.selectTestMode(c.testMode);
        EXPECT_EQ(captureControls(form), c.expected);
        // The blank test mode leaves every control as it was.
        form.selectTestMode(kKonfTestModeNotSet);
        EXPECT_EQ(captureControls(form), c.expected);
    }
}

TEST(SensorSettingsForm, OpeningSetsTheBoxesFromTheRecordAndMendsIt)
{
    // The percent switch wins: the absolute one is cleared in the record at once.
    CKonfList record = manualSensor();
    record.ChangeFlags = KonfChange::IntensPercent | KonfChange::Gain; // a stale pending bit, nothing to send
    SensorSettingsForm form(record, allGroupsOn(), 1006);
    const auto intensity = form.deviation(DeviationOf::Intensity);
    EXPECT_EQ(std::tuple(intensity.percentOn, intensity.absoluteOn, form.deviation(DeviationOf::Xy).absoluteOn,
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
    DeviationSettings none;
    none.noChangeXyOffset = 1;
    SensorSettingsForm lockedForm(locked, none, 0);
    for (const C control : {C::IntensPercentOn, C::IntensPercent, C::IntensAbsOn, C::IntensAbs, C::XyPercentOn,
             C::XyPercent, C::XyAbsOn, C::XyAbs, C::Distance, C::KeepXyOffset, C::XOffset, C::YOffset})
        EXPECT_FALSE(lockedForm.isEnabled(control)) << static_cast<int>(control);
    EXPECT_TRUE(lockedForm.keepXyOffset());
    ASSERT_FALSE(lockedForm.apply(locked));
    EXPECT_EQ(locked.OptionFlags, KonfOption::IntensAbs | KonfOption::XyAbs | KonfOption::KeepXyOffset);
}

TEST(SensorSettingsForm, PercentAndAbsoluteBoxesExcludeEachOther)
{
    const auto percent = [](bool on) { return [on](SensorSettingsForm& f) { f.clickPercent(DeviationOf::Xy, on); }; };
    const auto absolute = [](bool on) { return [on](SensorSettingsForm& f) { f.clickAbsolute(DeviationOf::Xy, on); }; };
    struct Case {
        const char* name;
        std::vector<Edit> clicks;
        bool percentOn, absoluteOn; // the edit of a box is enabled exactly while the box is on
    };
    const Case cases[] = {
        {"percent ticked", {percent(true)}, true, false},
        {"absolute cleared", {absolute(false)}, false, false},
        {"percent then absolute", {percent(true), absolute(true)}, false, true},
        {"percent ticked and cleared", {percent(true), percent(false)}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CKonfList record = manualSensor(); // x/y absolute on
        SensorSettingsForm form(record, allGroupsOn(), 2002);
        for (const Edit& click : c.clicks)
            click(form);
        const auto xy = form.deviation(DeviationOf::Xy);
        EXPECT_EQ(std::tuple(xy.percentOn, xy.absoluteOn, form.isEnabled(C::XyPercent), form.isEnabled(C::XyAbs)),
            std::tuple(c.percentOn, c.absoluteOn, c.percentOn, c.absoluteOn));
        EXPECT_TRUE(form.deviation(DeviationOf::Intensity).absoluteOn) << "the other group stays";

        ASSERT_FALSE(form.apply(record)) << "box switches alone change no member";
        EXPECT_EQ(
            std::pair((record.OptionFlags & KonfOption::XyAbs) != 0, (record.ChangeFlags & KonfChange::XyPercent) != 0),
            std::pair(c.absoluteOn, c.percentOn));
    }
}

TEST(SensorSettingsForm, EachChangedMemberSetsItsPendingBits)
{
    struct Case {
        const char* name;
        Edit edit;
        std::uint16_t flags;
        std::function<bool(const CKonfList&)> stored;
    };
    const Case cases[] = {
        {"test mode", [](auto& f) { f.selectTestMode(2); }, 0x0003, [](auto& r) { return r.TestMode == 2; }},
        {"measure time", [](auto& f) { f.selectMeasureTime(6); }, 0x0005, [](auto& r) { return r.MeasureTime == 6; }},
        {"range", [](auto& f) { f.range = 1; }, 0x0009, [](auto& r) { return r.Range == 1; }},
        {"gain", [](auto& f) { f.gain = "250"; }, 0x0041, [](auto& r) { return r.Gain == 250; }},
        {"pwm runs", [](auto& f) { f.pwmRuns = 15; }, 0x0011, [](auto& r) { return r.PwmRuns == 15; }},
        {"user time only", [](auto& f) { f.userTime = " 1500"; }, 0x01FD, [](auto& r) { return r.UserTime == 1500; }},
        {"x offset", [](auto& f) { f.xOffset = "0.0123"; }, 0x0081, [](auto& r) { return r.XOffset == "0.0123"; }},
        {"y offset cut to 7", [](auto& f) { f.yOffset = "-0.012345"; }, 0x0101,
            [](auto& r) { return r.YOffset == "-0.0123"; }},
        {"distance", [](auto& f) { f.distance = "3.5"; }, 0x2001, [](auto& r) { return r.Distance == "3.5"; }},
        {"intensity percent", [](auto& f) { f.editPercent(DeviationOf::Intensity, "25"); }, 0,
            [](auto& r) { return r.DevIntensPercent == 25; }},
        {"x/y percent", [](auto& f) { f.editPercent(DeviationOf::Xy, "0"); }, 0,
            [](auto& r) { return r.DevXYPercent == 0; }},
        {"absolute intensity", [](auto& f) { f.editAbsolute(DeviationOf::Intensity, "32767"); }, 0,
            [](auto& r) { return r.DevIntensAbs == 32767; }},
        {"absolute x/y", [](auto& f) { f.editAbsolute(DeviationOf::Xy, "0.005"); }, 0,
            [](auto& r) { return r.DevXYAbs == 0.005f; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CKonfList record = manualSensor();
        SensorSettingsForm form(record, allGroupsOn(), 2002);
        form.clickKeepXyOffset(false);
        c.edit(form);
        ASSERT_FALSE(form.validate());
        EXPECT_TRUE(form.apply(record));
        EXPECT_EQ(record.ChangeFlags, c.flags);
        EXPECT_TRUE(c.stored(record));
    }

    // Typed back to what it was: no change, nothing pending.
    CKonfList record = manualSensor();
    SensorSettingsForm form(record, allGroupsOn(), 2002);
    form.gain = "0100";
    form.editAbsolute(DeviationOf::Xy, "0.0100");
    EXPECT_FALSE(form.apply(record) || record.ChangeFlags);
}

TEST(SensorSettingsForm, RefusedOkNamesTheFieldAndItsRangeAndStoresNothing)
{
    struct Case {
        const char* name;
        Edit edit;
        SettingsControl refused;
        const char* says;
    };
    const Case cases[] = {
        {"user time 0", [](auto& f) { f.userTime = "0"; }, C::UserTime,
            "Usertime (ms): Please enter an integer between 1 and 10000."},
        {"user time not a number", [](auto& f) { f.userTime = "12ms"; }, C::UserTime, "between 1 and 10000"},
        {"gain 501", [](auto& f) { f.gain = "501"; }, C::Gain, "Gain (%): Please enter an integer between 1 and 500."},
        {"gain empty", [](auto& f) { f.gain = ""; }, C::Gain, "between 1 and 500"},
        {"percent 101", [](auto& f) { f.editPercent(DeviationOf::Intensity, "101"); }, C::IntensPercent,
            "between 0 and 100"},
        {"absolute intensity 32768", [](auto& f) { f.editAbsolute(DeviationOf::Intensity, "32768"); }, C::IntensAbs,
            "between 0 and 32767"},
        {"absolute intensity negative", [](auto& f) { f.editAbsolute(DeviationOf::Intensity, "-1"); }, C::IntensAbs,
            "between 0 and 32767"},
        {"absolute x/y not a number", [](auto& f) { f.editAbsolute(DeviationOf::Xy, "0,01"); }, C::XyAbs,
            "Please enter a number."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CKonfList record = manualSensor();
        record.ChangeFlags = KonfChange::Pending | KonfChange::IntensPercent; // intensity percent on
        record.OptionFlags = KonfOption::XyAbs;
        SensorSettingsForm form(record, allGroupsOn(), 2002);
        form.selectTestMode(kKonfUserCapture);
        form.distance = "9.9";
        if (c.refused == C::IntensAbs)
            form.clickAbsolute(DeviationOf::Intensity, true);
        c.edit(form);
        const CKonfList before = record;
        const auto refusal = form.validate();
        ASSERT_TRUE(refusal);
        EXPECT_EQ(refusal->control, c.refused);
        EXPECT_NE(refusal->message.find(c.says), std::string::npos) << refusal->message;
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
    EXPECT_FALSE(form.validate());
    EXPECT_TRUE(form.apply(record));
    EXPECT_EQ(std::tuple(record.UserTime, record.Gain), std::tuple(800, 200));
}

// --- the list of settings ---

const std::string kMixedCapture = "Attention: Mixed capture mode\nMeasurements are performed successively";
const std::string kChangeAll = "Are you sure that the settings for all sensors should be changed?";

TEST(SettingsRows, TextsFollowTheTestMode)
{
    struct Case {
        const char* name;
        std::uint8_t testMode, measureTime, range, pwmRuns;
        SettingsRowTexts expected;
    };
    const Case cases[] = {
        {"user capture shows its time only", 1, 3, 0, 2,
            {"3", "User Capture", "----", "3 x 3", "----", "800", "100", "0.0000", "0.0000", "2.0"}},
        {"disabled manual sensor", 0, 0, 0, 0,
            {"3", "Manual Capture", "0 = Disabled", "3 x 3", "----", "----", "100", "0.0000", "0.0000", "2.0"}},
        {"pwm with its runs", 2, 7, 1, 3,
            {"3", "PWM Capture", "7 = 2 ms", "9 x 9", "3 = 20 runs", "----", "100", "0.0000", "0.0000", "2.0"}},
        {"never set", kKonfTestModeNotSet, 0, 0, 0,
            {"3", " ", "0 = Disabled", "3 x 3", "----", "----", "100", "0.0000", "0.0000", "2.0"}},
        {"codes outside the lists", 9, 8, 2, 0,
            {"3", " ", "----", " ", "----", "----", "100", "0.0000", "0.0000", "2.0"}},
    };
    for (const Case& c : cases) {
        CKonfList record = manualSensor();
        record.TestMode = c.testMode;
        record.MeasureTime = c.measureTime;
        record.Range = c.range;
        record.PwmRuns = c.pwmRuns;
        EXPECT_EQ(settingsRowTexts(record), c.expected) << c.name;
    }
}

class SettingsListModelTest : public ::testing::Test {
protected:
    // Ten manual 200 ms sensors with offsets of their own, all of them in `testMode`.
    void reset(std::uint8_t testMode = kKonfManualCapture)
    {
        list.CreateDefaultSettings(10);
        for (CKonfList* r : list.walkByIndex()) {
            r->TestMode = testMode;
            r->MeasureTime = 2;
            r->XOffset = "0.0001";
            r->YOffset = "0.0002";
            r->ChangeFlags = 0;
            r->OptionFlags = 0;
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

TEST_F(SettingsListModelTest, ChangeButtonsWorkOnlyWithASelectedRow)
{
    EXPECT_FALSE(model.changeButtonsEnabled());
    model.click(4);
    EXPECT_TRUE(model.changeButtonsEnabled());
    EXPECT_FALSE(model.doubleClick(0)) << "a double click on empty space opens nothing";
    EXPECT_FALSE(model.changeButtonsEnabled());
    EXPECT_FALSE(change(0, [](SensorSettingsForm&) {}));
    EXPECT_FALSE(model.changeAllSettings(ini));
    EXPECT_EQ(dialogsOpened, 0);
    EXPECT_TRUE(dialogs.questions.empty());

    EXPECT_TRUE(model.doubleClick(12));
    model.rowsRefilled(10);
    EXPECT_EQ(model.selectedRow(), 0) << "the row is gone after a load of fewer records";

    // "No" to "Change all settings" changes nothing and keeps the selection.
    list.settingsByIndex(1)->Gain = 300;
    model.click(1);
    EXPECT_FALSE(model.changeAllSettings(ini));
    EXPECT_EQ(std::tuple(dialogs.questions, list.settingsByIndex(2)->Gain, list.isModified(), model.selectedRow()),
        std::tuple(std::vector<std::string> {kChangeAll}, 100, false, 1));
}

TEST_F(SettingsListModelTest, ChangeSettingsStoresTheEditAndWarnsOnceOfMixedCaptures)
{
    struct Case {
        const char* name;
        std::uint8_t othersMode;
        Edit edits;
        bool ok, modified;
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
        SCOPED_TRACE(c.name);
        reset(c.othersMode);
        const CKonfList before = *list.settingsByIndex(4);
        const bool changed = change(4, c.edits, c.ok);
        EXPECT_EQ(std::tuple(changed, list.isModified(), dialogs.messages),
            std::tuple(c.modified, c.modified, std::vector<std::string>(c.warnings, kMixedCapture)));
        if (!c.modified) {
            EXPECT_EQ(*list.settingsByIndex(4), before);
        }
        EXPECT_EQ(model.selectedRow(), 0);
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
        SCOPED_TRACE(c.name);
        reset();
        ini.noChangeXyOffset = c.noChangeXyOffset;
        CKonfList& source = *list.settingsByIndex(2);
        source = manualSensor(); // tolerances and distance that differ from the others'
        std::tie(source.Index, source.SensorNo, source.TestMode, source.MeasureTime, source.Range, source.PwmRuns,
            source.UserTime, source.Gain, source.ChangeFlags)
            = std::tuple(2, 2, kKonfPwmCapture, 5, 1, 4, 333, 150, KonfChange::IntensPercent);
        std::tie(source.XOffset, source.YOffset) = std::tuple("0.0100", "-0.0100");
        source.OptionFlags = KonfOption::XyAbs | (c.sourceKeeps ? KonfOption::KeepXyOffset : 0);
        if (c.keepingRecord)
            list.settingsByIndex(c.keepingRecord)->OptionFlags = KonfOption::KeepXyOffset;
        const CKonfList sourceBefore = source;

        dialogs.answer = true;
        model.click(2);
        ASSERT_TRUE(model.changeAllSettings(ini));
        EXPECT_EQ(std::tuple(dialogs.questions, list.isModified(), model.selectedRow(), *list.settingsByIndex(2)),
            std::tuple(std::vector<std::string> {kChangeAll}, true, 0, sourceBefore));
        for (const CKonfList* r : list.walkByIndex()) {
            if (r->Index == 2)
                continue;
            const bool keeps = r->Index == c.keepingRecord;
            // The source's settings with every capture setting and the new distance pending.
            CKonfList expected = sourceBefore;
            expected.Index = expected.SensorNo = r->Index;
            expected.ChangeFlags = 0x01FD | 0x2000 | 0x4000;
            if (!c.offsetsCopied || keeps) {
                expected.XOffset = "0.0001";
                expected.YOffset = "0.0002";
                expected.OptionFlags = KonfOption::XyAbs | (keeps ? KonfOption::KeepXyOffset : 0);
            }
            EXPECT_EQ(*r, expected) << "record " << r->Index;
        }
    }
}

} // namespace
} // namespace lumivex
