#include "multisensor/RunPlan.h"

#include <gtest/gtest.h>

namespace lumivex {
namespace {

CKonfList sensor(int no, std::uint8_t testMode, std::uint8_t measureTime, std::uint8_t pwmRuns = 0, int userTime = 800)
{
    CKonfList r;
    r.Index = static_cast<std::int16_t>(no);
    r.SensorNo = static_cast<std::int16_t>(no);
    r.TestMode = testMode;
    r.MeasureTime = measureTime;
    r.PwmRuns = pwmRuns;
    r.UserTime = static_cast<std::int16_t>(userTime);
    return r;
}

std::vector<const CKonfList*> pointers(const std::vector<CKonfList>& records)
{
    std::vector<const CKonfList*> out;
    for (const CKonfList& r : records)
        out.push_back(&r);
    return out;
}

constexpr std::uint8_t kMan = kKonfManualCapture;
constexpr std::uint8_t kUsr = kKonfUserCapture;
constexpr std::uint8_t kPwm = kKonfPwmCapture;

TEST(RunPlan, CaptureRequestsAndBudgets)
{
    struct Case {
        const char* name;
        std::vector<CKonfList> sensors;
        std::vector<RunRequest> expected;
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto order = pointers(c.sensors);
        EXPECT_EQ(captureRequests(chooseCaptureMode(order), order), c.expected);
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
        r.Range = 1;
        r.Gain = 120;
        r.XOffset = "0.0125";
        r.YOffset = "-0.0300";
        r.Distance = c.distance;
        r.ChangeFlags = c.flags;
        r.OptionFlags = c.options;
        std::vector<std::string> texts;
        for (const SettingRequest& s : pendingSettingRequests(r, c.firmware, c.offsetsLocked))
            texts.push_back(s.text);
        EXPECT_EQ(texts, c.expected);
    }
}

TEST(RunPlan, ReadingTexts)
{
    struct Case {
        const char* name;
        RgbiReply reply;
        int fullScale;
        std::string red, green, blue, intens;
    };
    const Case cases[] = {
        // 100 x 255 / 250 = 102, 50 x 255 / 250 = 51
        {"shares of the sum", {100, 100, 50, 1234}, 4095, "102", "102", "51", "1234"},
        {"each channel at full scale overflows, the others stay empty", {255, 10, 255, 99999}, 255, "Overfl.", "",
            "Overfl.", "99999"},
        {"all dark underflows without an intensity", {0, 0, 0, 12}, 4095, "Underfl.", "Underfl.", "Underfl.", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ReadingTexts t = rgbiTexts(c.reply, c.fullScale);
        EXPECT_EQ(t.red, c.red);
        EXPECT_EQ(t.green, c.green);
        EXPECT_EQ(t.blue, c.blue);
        EXPECT_EQ(t.intens, c.intens);
    }
    EXPECT_EQ(hsiTexts({123.456, 45, 678}).sat, "45 %");
    EXPECT_EQ(colourTemperatureTexts(6504.9).temp, "6504");
}

} // namespace
} // namespace lumivex
