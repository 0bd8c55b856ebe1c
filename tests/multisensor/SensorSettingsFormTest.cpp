#include "multisensor/SensorSettingsForm.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace lumivex {
namespace {

using C = SettingsControl;

DeviationSettings allGroupsOn(int noChangeXyOffset = 0)
{
    DeviationSettings ini;
    ini.checkAbwIntens = 1;
    ini.checkAbwXy = 1;
    ini.checkAbwAbsIntens = 1;
    ini.checkAbwAbsXy = 1;
    ini.noChangeXyOffset = noChangeXyOffset;
    return ini;
}

// A manual 200 ms sensor with nothing pending and both absolute tolerances on.
CKonfList manualSensor()
{
    CKonfList r;
    r.Index = 3;
    r.SensorNo = 3;
    r.TestMode = kKonfManualCapture;
    r.MeasureTime = 2;
    r.UserTime = 800;
    r.Gain = 100;
    r.DevIntensPercent = 10;
    r.DevXYPercent = 10;
    r.DevIntensAbs = 1000;
    r.DevXYAbs = 0.01f;
    r.Distance = "2.0";
    r.OptionFlags = KonfOption::IntensAbs | KonfOption::XyAbs;
    return r;
}

struct Enabled {
    bool measureTime, range, pwmRuns, userTime;
};

Enabled captureControls(const SensorSettingsForm& f)
{
    return {f.isEnabled(C::MeasureTime), f.isEnabled(C::Range), f.isEnabled(C::PwmRuns), f.isEnabled(C::UserTime)};
}

TEST(SensorSettingsForm, TestModeAndMeasureTimeDecideTheCaptureControls)
{
    struct Case {
        const char* name;
        int testMode;
        int measureTime;
        Enabled expected;
    };
    const Case cases[] = {
        {"manual with a fixed time", 0, 2, {true, true, false, false}},
        {"manual with the user time", 0, 8, {false, true, false, true}},
        {"user capture", 1, 2, {false, true, false, true}},
        {"pwm with a fixed time", 2, 5, {true, true, true, false}},
        {"pwm with the user time", 2, 8, {true, true, true, true}},
    };
    for (const Case& c : cases) {
        CKonfList record = manualSensor();
        SensorSettingsForm form(record, allGroupsOn(), 2002);
        form.selectMeasureTime(c.measureTime);
        form.selectTestMode(c.testMode);
        const Enabled got = captureControls(form);
        EXPECT_EQ(got.measureTime, c.expected.measureTime) << c.name;
        EXPECT_EQ(got.range, c.expected.range) << c.name;
        EXPECT_EQ(got.pwmRuns, c.expected.pwmRuns) << c.name;
        EXPECT_EQ(got.userTime, c.expected.userTime) << c.name;

        // The blank test mode leaves every control as it was.
        form.selectTestMode(kKonfTestModeNotSet);
        const Enabled kept = captureControls(form);
        EXPECT_EQ(kept.measureTime, got.measureTime) << c.name;
        EXPECT_EQ(kept.pwmRuns, got.pwmRuns) << c.name;
        EXPECT_EQ(kept.userTime, got.userTime) << c.name;
    }
}

TEST(SensorSettingsForm, OpeningSetsTheBoxesFromTheRecordAndMendsIt)
{
    // The percent switch wins: the absolute one is cleared in the record at once.
    CKonfList record = manualSensor();
    record.ChangeFlags = KonfChange::IntensPercent | KonfChange::Gain; // a stale pending bit, nothing to send
    SensorSettingsForm form(record, allGroupsOn(), 1006);
    EXPECT_TRUE(form.deviation(DeviationOf::Intensity).percentOn);
    EXPECT_FALSE(form.deviation(DeviationOf::Intensity).absoluteOn);
    EXPECT_TRUE(form.deviation(DeviationOf::Xy).absoluteOn);
    EXPECT_EQ(record.OptionFlags, KonfOption::XyAbs);
    EXPECT_EQ(record.ChangeFlags, KonfChange::IntensPercent);
    EXPECT_TRUE(form.isEnabled(C::IntensPercent));
    EXPECT_FALSE(form.isEnabled(C::IntensAbs));
    EXPECT_FALSE(form.isEnabled(C::XyPercent));
    EXPECT_TRUE(form.isEnabled(C::XyAbs));
    EXPECT_FALSE(form.isEnabled(C::Distance)) << "firmware 1006 has no distance";
    EXPECT_TRUE(form.isEnabled(C::KeepXyOffset));
    form.clickKeepXyOffset(true);
    EXPECT_FALSE(form.isEnabled(C::XOffset));
    EXPECT_FALSE(form.isEnabled(C::YOffset));
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
    struct Case {
        const char* name;
        std::function<void(SensorSettingsForm&)> click;
        bool percentOn, absoluteOn, percentEdit, absoluteEdit;
    };
    const Case cases[] = {
        {"percent ticked", [](auto& f) { f.clickPercent(DeviationOf::Xy, true); }, true, false, true, false},
        {"absolute cleared", [](auto& f) { f.clickAbsolute(DeviationOf::Xy, false); }, false, false, false, false},
        {"percent then absolute",
            [](auto& f) {
                f.clickPercent(DeviationOf::Xy, true);
                f.clickAbsolute(DeviationOf::Xy, true);
            },
            false, true, false, true},
        {"percent ticked and cleared",
            [](auto& f) {
                f.clickPercent(DeviationOf::Xy, true);
                f.clickPercent(DeviationOf::Xy, false);
            },
            false, false, false, false},
    };
    for (const Case& c : cases) {
        CKonfList record = manualSensor(); // x/y absolute on
        SensorSettingsForm form(record, allGroupsOn(), 2002);
        c.click(form);
        EXPECT_EQ(form.deviation(DeviationOf::Xy).percentOn, c.percentOn) << c.name;
        EXPECT_EQ(form.deviation(DeviationOf::Xy).absoluteOn, c.absoluteOn) << c.name;
        EXPECT_EQ(form.isEnabled(C::XyPercent), c.percentEdit) << c.name;
        EXPECT_EQ(form.isEnabled(C::XyAbs), c.absoluteEdit) << c.name;
        EXPECT_TRUE(form.deviation(DeviationOf::Intensity).absoluteOn) << c.name << ": the other group stays";

        ASSERT_TRUE(!form.apply(record)) << c.name << ": box switches alone change no member";
        EXPECT_EQ((record.OptionFlags & KonfOption::XyAbs) != 0, c.absoluteOn) << c.name;
        EXPECT_EQ((record.ChangeFlags & KonfChange::XyPercent) != 0, c.percentOn) << c.name;
    }
}

TEST(SensorSettingsForm, EachChangedMemberSetsItsPendingBits)
{
    struct Case {
        const char* name;
        std::function<void(SensorSettingsForm&)> edit;
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
        CKonfList record = manualSensor();
        record.Index = 1;
        SensorSettingsForm form(record, allGroupsOn(), 2002);
        form.clickKeepXyOffset(false);
        c.edit(form);
        ASSERT_FALSE(form.validate()) << c.name;
        EXPECT_TRUE(form.apply(record)) << c.name;
        EXPECT_EQ(record.ChangeFlags, c.flags) << c.name;
        EXPECT_TRUE(c.stored(record)) << c.name;
    }

    // Typed back to what it was: no change, nothing pending.
    CKonfList record = manualSensor();
    SensorSettingsForm form(record, allGroupsOn(), 2002);
    form.gain = "0100";
    form.editAbsolute(DeviationOf::Xy, "0.0100");
    EXPECT_FALSE(form.apply(record));
    EXPECT_EQ(record.ChangeFlags, 0);
}

TEST(SensorSettingsForm, RefusedOkNamesTheFieldAndItsRangeAndStoresNothing)
{
    struct Case {
        const char* name;
        std::function<void(SensorSettingsForm&)> edit;
        SettingsControl refused;
        const char* says;
    };
    const Case cases[] = {
        {"user time 0", [](auto& f) { f.userTime = "0"; }, C::UserTime,
            "Usertime (ms): Please enter an integer "
            "between 1 and 10000."},
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
        ASSERT_TRUE(refusal) << c.name;
        EXPECT_EQ(refusal->control, c.refused) << c.name;
        EXPECT_NE(refusal->message.find(c.says), std::string::npos) << c.name << ": " << refusal->message;
        EXPECT_FALSE(form.apply(record)) << c.name;
        EXPECT_EQ(record, before) << c.name;
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
    EXPECT_EQ(record.UserTime, 800);
    EXPECT_EQ(record.Gain, 200);
}

} // namespace
} // namespace lumivex
