// What the main window shows and keeps around the engine: the result display, the test
// configuration and the colour test report.
#include "base/FormatText.h"
#include "colour/ColourConversions.h"
#include "foundation/Settings.h"
#include "main/ColourTestReport.h"
#include "main/ResultDisplay.h"
#include "main/TestConfiguration.h"
#include "multisensor/ReadingLists.h"

#include "RecordingDialogs.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace lumivex;
using namespace lumivex::test;

namespace {

constexpr bool kGoesOn = true;
constexpr bool kLast = false;

using Texts = std::vector<std::string>;

const auto sharesOf = [](const ResultFields& f) { return Texts {f.red, f.green, f.blue, f.intensity}; };
const auto barsOf = [](const ResultDisplay& d) {
    return std::vector {d.Bars().red, d.Bars().green, d.Bars().blue, d.Bars().intensity};
};
const auto colourTextsOf = [](const ResultFields& f) {
    return Texts {f.hue, f.saturation, f.x, f.y, f.colourTemperature};
};

} // namespace

TEST(ResultDisplayCounts, sharesBarsLabelsAndComputedHueFollowTheCounts)
{
    struct Case {
        const char* name;
        int red, green, blue, intensity, fullScale;
        Texts shares; // RED, GREEN, BLUE, INTENSITY
        std::vector<int> bars;
        Texts labels; // above the colour bars
        std::string hsiIntensity;
        const char *hue, *saturation; // hue nullptr: hue and saturation not checked
    };
    // One display for all rows, in this order: nothing of a row may stay for the next.
    const Case cases[] = {
        {"a count at full scale marks only its own channel and fills the colour bars", 255, 10, 20, 5000, 255,
            {"Overfl.", "", "", ""}, {100, 100, 100, 0}, {"", "", ""}, "5000", nullptr, nullptr},
        {"two channels at full scale both say so", 4095, 100, 4095, 5000, 4095, {"Overfl.", "", "Overfl.", ""},
            {100, 100, 100, 0}, {"", "", ""}, "5000", nullptr, nullptr},
        {"a dark LED: underflow, and no intensity without a channel sum", 0, 0, 0, 40000, 4095,
            {"Underfl.", "Underfl.", "Underfl.", ""}, {0, 0, 0, 0}, {"0 %", "0 %", "0 %"}, "", "0.00", "---"},
        {"bars truncate while the labels above them round", 339, 661, 0, 57000, 4095, {"86", "168", "0", "57 %"},
            {33, 66, 0, 57}, {"34 %", "66 %", "0 %"}, "57000", nullptr, nullptr},
        {"hue and saturation computed when the device is not asked", 200, 100, 50, 30000, 255,
            {"145", "72", "36", "30 %"}, {57, 28, 14, 30}, {"57 %", "29 %", "14 %"}, "30000", "19.82", "60 %"},
        {"a grey has no hue and no saturation", 100, 100, 100, 30000, 255, {"85", "85", "85", "30 %"}, {33, 33, 33, 30},
            {"33 %", "33 %", "33 %"}, "30000", "0.00", "---"},
        {"a saturated intensity channel makes the reading invalid", 200, 100, 50, 99999, 255,
            {"145", "72", "36", "100 %"}, {57, 28, 14, 100}, {"57 %", "29 %", "14 %"}, "99999", "---", "---"},
        {"a red with equal green and blue has hue 0 but a real saturation", 200, 10, 10, 30000, 255,
            {"231", "11", "11", "30 %"}, {90, 4, 4, 30}, {"91 %", "5 %", "5 %"}, "30000", "0.00", "90 %"},
    };
    ResultDisplay d;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        d.ShowRgbReading(c.red, c.green, c.blue, c.intensity, c.fullScale, kLast);
        const ResultFields& f = d.Fields();
        EXPECT_EQ(
            std::make_tuple(sharesOf(f), barsOf(d), Texts {f.redLabel, f.greenLabel, f.blueLabel}, f.hsiIntensity),
            std::tie(c.shares, c.bars, c.labels, c.hsiIntensity));
        if (c.hue) {
            EXPECT_EQ(f.hue + " " + f.saturation, c.hue + std::string(" ") + c.saturation);
        }
    }
    // The red's saturation shows as the device's own reply of the same LED would show it.
    d.ShowHsiReading(0.0, 90, 30000, kLast);
    EXPECT_EQ(d.Fields().saturation, "90 %");
}

TEST(ResultDisplayChain, aTestInProgressEmptiesTheDeviceFieldsShowsThemAtTheFixedMomentsAndMarksWhatItCannotShow)
{
    ResultDisplay d;
    // One whole test of an LED of those counts, as the replies come in.
    const auto test = [&d](int intensity, double hue, double x, double y, double kelvin) {
        d.ShowRgbReading(200, 100, 50, intensity, 255, kGoesOn);
        d.ShowHsiReading(hue, 60, intensity, kGoesOn);
        d.ShowXyReading(x, y, kGoesOn);
        d.ShowCctReading(kelvin, kLast);
        d.EndOfTest(false);
    };
    test(30000, 19.5, 0.5123, 0.4012, 2999.6);
    EXPECT_EQ(colourTextsOf(d.Fields()), (Texts {"19.50", "60 %", "0.5123", "0.4012", "3000 K"}));
    const int moves = d.FieldsMovedCount();

    // The next test: the counts are written but not shown until the hue reply.
    d.ShowRgbReading(10, 20, 200, 30000, 255, kGoesOn);
    EXPECT_EQ(std::to_string(d.FieldsMovedCount() - moves) + " " + d.Fields().sensorBlue, "0 50");
    EXPECT_EQ(colourTextsOf(d.PendingFields()), (Texts {"", "", "", "", ""}));

    d.ShowHsiReading(234.0, 71, 30000, kGoesOn);
    EXPECT_EQ(std::to_string(d.FieldsMovedCount() - moves) + " " + d.Fields().sensorBlue, "1 200");
    EXPECT_EQ(colourTextsOf(d.Fields()), (Texts {"234.00", "71 %", "", "", ""})) << "no stale x of the previous LED";

    d.ShowXyReading(0.1500, 0.0600, kGoesOn);
    d.ShowCctReading(0.0, kLast);
    EXPECT_EQ(d.Fields().x, "");
    d.EndOfTest(false);
    EXPECT_EQ(d.FieldsMovedCount(), moves + 2);
    EXPECT_EQ(colourTextsOf(d.Fields()), (Texts {"234.00", "71 %", "0.1500", "0.0600", "---"}))
        << "no temperature found";

    d.ShowCctReading(2999.4, kLast);
    EXPECT_EQ(d.PendingFields().colourTemperature, "2999 K");

    // A saturated intensity invalidates every device value, but the chart marks what was said.
    test(99999, 19.5, 0.45, 0.41, 3100.0);
    EXPECT_EQ(colourTextsOf(d.Fields()), (Texts {"---", "---", "---", "---", "---"}));
    EXPECT_EQ(d.Fields().hsiIntensity, "99999");
    EXPECT_EQ((std::pair {d.Chart().x, d.Chart().y}), (std::pair {0.45, 0.41}));
}

TEST(ResultDisplayCharts, onlyTheCurrentChartIsAskedToRedrawOrTakeTheColour)
{
    ResultDisplay d;
    std::vector<DisplayChange> changes;
    d.SetChangeHandler([&changes](DisplayChange c) { changes.push_back(c); });

    d.SetCurrentChart(ChartChoice::Wheel);
    d.ShowHsiReading(10, 20, 30000, kGoesOn);
    d.ShowXyReading(0.3, 0.3, kLast);
    d.EndOfTest(false);
    EXPECT_FALSE(d.Requests().wheelRedrawRequested || d.Requests().chartRedrawRequested) << "no last reply yet";
    d.EndOfTest(true);
    EXPECT_TRUE(d.TakeChartRequests().wheelRedrawRequested && !d.Requests().wheelRedrawRequested);

    d.SetCurrentChart(ChartChoice::XyChart);
    d.ShowXyReading(0.3, 0.3, kGoesOn);
    EXPECT_FALSE(d.Requests().chartRedrawRequested);
    d.ShowXyReading(0.3, 0.3, kLast);
    EXPECT_TRUE(d.Requests().chartRedrawRequested);

    d.SetCurrentChart(ChartChoice::Palette);
    changes.clear();
    d.ShowRgbReading(200, 100, 50, 30000, 255, kGoesOn);
    EXPECT_TRUE(d.Requests().paletteColourRequested && d.Requests().paletteColour == PackRgb(145, 72, 36));
    EXPECT_EQ(changes, (std::vector {DisplayChange::ChartRequested, DisplayChange::BarsMoved}));
}

TEST(ResultDisplayPicked, aPickedColourIsScaledByTheFirmwareLeavesTheBarsAloneAndCrossesCharts)
{
    const PackedRgb warm = PackRgb(255, 200, 150);
    for (const auto& [firmware, counts] :
        {std::pair {1006, Texts {"255", "200", "150"}}, std::pair {1007, Texts {"4094", "3211", "2408"}}}) {
        SCOPED_TRACE(firmware);
        ResultDisplay d;
        d.ShowRgbReading(339, 661, 0, 57000, 4095, kLast);
        const int moves = d.FieldsMovedCount();
        d.ShowPickedColour(warm, firmware);
        const ResultFields& f = d.Fields();
        EXPECT_EQ(std::make_tuple(d.FieldsMovedCount() - moves, Texts {f.sensorRed, f.sensorGreen, f.sensorBlue},
                      sharesOf(f), barsOf(d)),
            std::make_tuple(1, counts, Texts {"255", "200", "150", "57 %"}, std::vector {33, 66, 0, 57}));
        EXPECT_EQ((Texts {f.x, f.y, f.colourTemperature}),
            (Texts {formatText("%.4f", RgbToXy(warm).x), formatText("%.4f", RgbToXy(warm).y),
                formatText("%d K", static_cast<int>(RgbToCct(warm) + 0.5))}));
    }

    // After a saturated measurement the picked colour still counts as valid; a picked grey shows
    // its saturation.
    ResultDisplay d;
    d.ShowRgbReading(200, 100, 50, 99999, 255, kLast);
    d.ShowPickedColour(PackRgb(128, 128, 128), 1007);
    EXPECT_EQ(
        (Texts {d.Fields().hsiIntensity, d.Fields().hue, d.Fields().saturation}), (Texts {"99998", "0.00", "0 %"}));
    EXPECT_NE(d.Fields().colourTemperature, "---");

    d.SetCurrentChart(ChartChoice::Palette);
    const PackedRgb orange = PackRgb(255, 128, 0);
    d.ShowPickedColour(orange, 1007);
    // The xy chart shows where the picked colour lies; device values would leave the point alone.
    d.SelectChart(ChartChoice::XyChart);
    EXPECT_EQ((std::pair {d.Chart().x, d.Chart().y}), (std::pair {RgbToXy(orange).x, RgbToXy(orange).y}));

    ResultDisplay device;
    device.SetCurrentChart(ChartChoice::Wheel);
    device.ShowRgbReading(1000, 500, 250, 30000, 4095, true);
    device.ShowXyReading(0.5, 0.4, false);
    device.SelectChart(ChartChoice::XyChart);
    EXPECT_DOUBLE_EQ(device.Chart().x, 0.5) << "device values keep the device's x/y";
    device.SelectChart(ChartChoice::Palette);
    EXPECT_EQ(device.TakeChartRequests().paletteColour, PackRgb(145, 72, 36)) << "the share fields' colour";
    EXPECT_EQ(device.Fields().x, "0.5000") << "device texts stay";
}

// The configuration with a counter of the refreshes it asks the stability window for.
struct ConfigFixture : ::testing::Test {
    Settings settings;
    TestConfiguration config {settings};
    int refreshes = 0;
    void SetUp() override
    {
        config.refreshStability = [this] { ++refreshes; };
    }
};

TEST_F(ConfigFixture, modeSwitchesKeepTheRememberedRangeAndNoBoardsKeepBoard1)
{
    // The lists, labels and controls each mode shows, and the range Manual starts with again, are
    // checked with the window (tst_lumivexdlg).
    EXPECT_EQ(config.rememberedManualRange, 5) << "MED 3x3 200ms";
    config.OnOptionChanged(8);
    EXPECT_EQ(config.rememberedManualRange, 8);

    config.OnTestModeChanged(kPwmCapture);
    config.OnOptionChanged(7);
    EXPECT_EQ(std::make_pair(config.stabilityAveragingFactor, config.stabilityRangeIndex), std::make_pair(7, 8))
        << "the stability dialog gets the remembered manual range";

    config.OnTestModeChanged(kManualCapture);
    EXPECT_EQ(config.rememberedManualRange, 8) << "switching does not change the remembered range";

    config.OnTestModeChanged(kUserCapture);
    EXPECT_EQ(config.PrepareStartTest(), 5);
    EXPECT_TRUE(config.userControlsVisible && config.testRunning);
    const int before = refreshes;
    config.OnTestModeChanged(kUserCapture);
    EXPECT_EQ(refreshes, before) << "the same mode again changes nothing";

    config.FillBoardList(0);
    EXPECT_EQ(config.boardList, std::vector<std::string> {"Board1"}) << "a count of 0 keeps Board1";
}

TEST_F(ConfigFixture, userTimeIsValidatedAndAreaNormalised)
{
    EXPECT_TRUE(config.OnUserTimeEdited(" +250 ").empty() && config.userTime == 250) << "a sign and blanks are taken";
    EXPECT_TRUE(config.OnUserTimeEdited("10000").empty() && config.userTime == 10000);
    for (const char* bad : {"0", "10001", "", "12ab", "-5", "+", "99999999999"}) {
        EXPECT_EQ(config.OnUserTimeEdited(bad), "Please enter an integer between 1 and 10000.") << bad;
        EXPECT_EQ(config.userTime, 10000) << bad;
    }
    EXPECT_TRUE(config.userTimeChanged);
    const int before = refreshes;
    config.OnUserTimeLeft();
    config.OnUserTimeLeft();
    EXPECT_EQ(refreshes - before, 1) << "refreshed once when the edited field loses the focus";

    config.OnArea(7);
    EXPECT_EQ(config.userArea, 0) << "anything but 1 counts as 3x3";

    // A settings file edited by hand cannot make the window send a time the device refuses.
    for (const int stored : {-5, 0, 10001, 123456}) {
        Settings edited;
        edited.userRange = stored;
        EXPECT_EQ(TestConfiguration(edited).userTime, 800) << stored;
    }
}

TEST(ColourTestReport, savesAndOpensWhereTheSettingsOrTheDialogSay)
{
    enum class Call { Save, SaveWithoutPath, SaveList, SaveEmptyList, Open };
    // `answer`: the file dialog's answer, a name in the test folder, empty for a cancel; `file`: the
    // report written or handed to the program, empty for none.
    struct Case {
        const char* name;
        Call call;
        int selectDatei;
        const char* answer;
        bool programStarts;
        const char* file;
        const char* message;
    };
    const Case cases[] = {
        {"save: the configured path", Call::Save, 0, "chosen.txt", true, "TestReport.txt", ""},
        {"save: the dialog's choice, for this save only", Call::Save, 1, "chosen.txt", true, "chosen.txt", ""},
        {"save: dialog cancelled", Call::Save, 1, "", true, "", ""},
        {"save: no path configured", Call::SaveWithoutPath, 0, "chosen.txt", true, "", ""},
        {"list button with results", Call::SaveList, 0, "", true, "TestReport.txt", ""},
        {"list button without results says so", Call::SaveEmptyList, 0, "", true, "", "No measurement data available"},
        {"open: the configured path", Call::Open, 0, "other.txt", true, "TestReport.txt", ""},
        {"open: the dialog's choice", Call::Open, 1, "other.txt", true, "other.txt", ""},
        {"open: dialog cancelled", Call::Open, 1, "", true, "", ""},
        {"open: no such report", Call::Open, 1, "missing.txt", true, "", ""},
        {"open: a folder is no report", Call::Open, 1, "folder.txt", true, "", ""},
        {"open: no program starts", Call::Open, 0, "", false, "TestReport.txt", "Error cannot read test report file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::filesystem::create_directory(dir.file("folder.txt"));
        RecordingDialogs dialogs;
        ReadingLists lists {dialogs};
        lists.CreateEmptyReadings(c.call == Call::SaveEmptyList ? 0 : 2);
        Settings settings;
        settings.selectDatei = c.selectDatei;
        settings.resultFile = c.call == Call::SaveWithoutPath ? "" : dir.file("TestReport.txt");
        for (const char* name : {"TestReport.txt", "other.txt"})
            if (c.call == Call::Open)
                writeFile(dir.file(name), "report");
        dialogs.saveFileAnswer = dialogs.fileAnswer = *c.answer ? dir.file(c.answer) : "";
        dialogs.openAnswer = c.programStarts;

        const bool done = c.call == Call::Open ? OpenColourTestReport(settings, dialogs)
            : c.call <= Call::SaveWithoutPath  ? SaveColourTestReport(lists, settings, dialogs)
                                               : SaveTestReportOfList(lists, settings, dialogs);
        EXPECT_EQ(done, *c.file && c.programStarts);
        EXPECT_EQ(dialogs.messages, *c.message ? Texts {c.message} : Texts {});
        // The dialog offers its own name, whatever the setting names.
        const auto& asked = c.call == Call::Open ? dialogs.fileQuestions : dialogs.saveFileQuestions;
        const test::RecordingDialogs::FileQuestion offered {
            "Result.txt", "Testreport - Datei (*txt)|*.txt| Alle Dateien (*.*)|*.*||"};
        EXPECT_EQ(asked, std::vector(c.selectDatei == 1 ? 1 : 0, offered));
        if (c.call == Call::Open) {
            EXPECT_EQ(dialogs.openedFiles, *c.file ? Texts {dir.file(c.file)} : Texts {});
            continue;
        }
        for (const char* name : {"TestReport.txt", "chosen.txt"})
            EXPECT_EQ(std::filesystem::exists(dir.file(name)), std::string(name) == c.file) << name;
    }
}
