#include "SequencerBench.h"

#include "base/FormatText.h"
#include "base/NumberText.h"
#include "main/ResultDisplay.h"
#include "main/ResultView.h"
#include "sim/SimColour.h"

#include <gtest/gtest.h>

using namespace lumivex;

namespace {

constexpr bool kGoesOn = true;
constexpr bool kLast = false;

struct Shares {
    std::string red, green, blue, intensity;
    bool operator==(const Shares&) const = default;
};
Shares sharesOf(const ResultFields& f)
{
    return {f.red, f.green, f.blue, f.intensity};
}
std::array<int, 4> barsOf(const ResultDisplay& d)
{
    return {d.Bars().red, d.Bars().green, d.Bars().blue, d.Bars().intensity};
}
std::array<std::string, 3> labelsOf(const ResultFields& f)
{
    return {f.redLabel, f.greenLabel, f.blueLabel};
}

// The device sends the temperature with one decimal; the field rounds that to whole kelvin.
std::string kelvinAsSent(double kelvin)
{
    return formatText("%d K", static_cast<int>(readDecimal(formatText("%.1f", kelvin)) + 0.5));
}

} // namespace

TEST(ResultDisplayCounts, aCountAtFullScaleMarksOnlyItsOwnChannelAndFillsTheColourBars)
{
    ResultDisplay d;
    d.ShowRgbReading(255, 10, 20, 5000, 255, kLast);
    EXPECT_EQ(sharesOf(d.Fields()), (Shares {"Overfl.", "", "", ""}));
    EXPECT_EQ(barsOf(d), (std::array {100, 100, 100, 0}));
    EXPECT_EQ(labelsOf(d.Fields()), (std::array<std::string, 3> {"", "", ""}));
    EXPECT_EQ(d.Fields().sensorRed, "255");
    EXPECT_EQ(d.Fields().hsiIntensity, "5000");

    // With 12-bit counts 255 is an ordinary count, and two channels at 4095 both say so.
    d.ShowRgbReading(255, 10, 20, 5000, 4095, kLast);
    EXPECT_EQ(sharesOf(d.Fields()), (Shares {"228", "8", "17", "5 %"}));
    d.ShowRgbReading(4095, 100, 4095, 5000, 4095, kLast);
    EXPECT_EQ(sharesOf(d.Fields()), (Shares {"Overfl.", "", "Overfl.", ""}));
}

TEST(ResultDisplayCounts, aDarkLedShowsUnderflowAndEmptyBars)
{
    ResultDisplay d;
    d.ShowRgbReading(0, 0, 0, 40000, 4095, kLast);
    EXPECT_EQ(sharesOf(d.Fields()), (Shares {"Underfl.", "Underfl.", "Underfl.", ""}));
    EXPECT_EQ(barsOf(d), (std::array {0, 0, 0, 0})); // no intensity without a channel sum
    EXPECT_EQ(d.Fields().hsiIntensity, "");
    EXPECT_EQ(d.Fields().sensorGreen, "0");
    EXPECT_EQ(d.Fields().hue, "0.00");
    EXPECT_EQ(d.Fields().saturation, "---");
}

TEST(ResultDisplayCounts, barsTruncateWhileTheLabelsAboveThemRound)
{
    ResultDisplay d;
    d.ShowRgbReading(339, 661, 0, 57000, 4095, kLast);
    EXPECT_EQ(barsOf(d), (std::array {33, 66, 0, 57}));
    EXPECT_EQ(labelsOf(d.Fields()), (std::array<std::string, 3> {"34 %", "66 %", "0 %"}));
    EXPECT_EQ(sharesOf(d.Fields()), (Shares {"86", "168", "0", "57 %"}));

    d.ResetBars();
    EXPECT_EQ(barsOf(d), (std::array {0, 0, 0, 0}));
    EXPECT_EQ(d.Fields().redLabel, "34 %");
}

TEST(ResultDisplayCounts, computedHueAndSaturationWhenTheDeviceIsNotAsked)
{
    ResultDisplay d;
    d.ShowRgbReading(200, 100, 50, 30000, 255, kLast);
    EXPECT_EQ(d.Fields().hue, "19.82");
    EXPECT_EQ(d.Fields().saturation, "60 %");

    // A grey has no hue and no saturation.
    d.ShowRgbReading(100, 100, 100, 30000, 255, kLast);
    EXPECT_EQ(d.Fields().hue, "0.00");
    EXPECT_EQ(d.Fields().saturation, "---");

    // A red with equal green and blue also has hue 0, but its saturation is real and shows as the
    // device's own reply of the same LED would show it.
    d.ShowRgbReading(200, 10, 10, 30000, 255, kLast);
    EXPECT_EQ(d.Fields().hue, "0.00");
    EXPECT_EQ(d.Fields().saturation, "90 %");
    d.ShowHsiReading(0.0, 90, 30000, kLast);
    EXPECT_EQ(d.Fields().saturation, "90 %");

    // A saturated intensity channel makes the reading invalid.
    d.ShowRgbReading(200, 100, 50, 99999, 255, kLast);
    EXPECT_EQ(d.Fields().hue, "---");
    EXPECT_EQ(d.Fields().saturation, "---");
    EXPECT_EQ(d.Fields().intensity, "100 %");
}

TEST(ResultDisplayChain, aTestInProgressEmptiesTheDeviceFieldsAndShowsThemAtTheFixedMoments)
{
    ResultDisplay d;
    d.ShowRgbReading(200, 100, 50, 30000, 255, kGoesOn);
    d.ShowHsiReading(19.5, 60, 30000, kGoesOn);
    d.ShowXyReading(0.5123, 0.4012, kGoesOn);
    d.ShowCctReading(2999.6, kLast);
    d.EndOfTest(false);
    EXPECT_EQ(d.Fields().x, "0.5123");
    EXPECT_EQ(d.Fields().y, "0.4012");
    EXPECT_EQ(d.Fields().colourTemperature, "3000 K");
    const int moves = d.FieldsMovedCount();

    // The next test: the counts are written but not shown until the hue reply.
    d.ShowRgbReading(10, 20, 200, 30000, 255, kGoesOn);
    EXPECT_EQ(d.FieldsMovedCount(), moves);
    EXPECT_EQ(d.Fields().sensorBlue, "50");
    for (const std::string* text : {&d.PendingFields().hue, &d.PendingFields().saturation, &d.PendingFields().x,
             &d.PendingFields().y, &d.PendingFields().colourTemperature})
        EXPECT_EQ(*text, "");

    d.ShowHsiReading(234.0, 71, 30000, kGoesOn);
    EXPECT_EQ(d.FieldsMovedCount(), moves + 1);
    EXPECT_EQ(d.Fields().sensorBlue, "200");
    EXPECT_EQ(d.Fields().hue, "234.00");
    EXPECT_EQ(d.Fields().saturation, "71 %");
    EXPECT_EQ(d.Fields().x, ""); // no stale x of the previous LED

    // x/y and temperature wait for the end of the test.
    d.ShowXyReading(0.1500, 0.0600, kGoesOn);
    d.ShowCctReading(0.0, kLast);
    EXPECT_EQ(d.Fields().x, "");
    d.EndOfTest(false);
    EXPECT_EQ(d.FieldsMovedCount(), moves + 2);
    EXPECT_EQ(d.Fields().x, "0.1500");
    EXPECT_EQ(d.Fields().colourTemperature, "---"); // no temperature found

    d.ShowCctReading(2999.4, kLast);
    EXPECT_EQ(d.PendingFields().colourTemperature, "2999 K");
}

TEST(ResultDisplayChain, aSaturatedIntensityInvalidatesEveryDeviceValueButTheChartPoint)
{
    ResultDisplay d;
    d.ShowRgbReading(200, 100, 50, 99999, 255, kGoesOn);
    d.ShowHsiReading(19.5, 60, 99999, kGoesOn);
    d.ShowXyReading(0.45, 0.41, kGoesOn);
    d.ShowCctReading(3100.0, kLast);
    d.EndOfTest(false);
    const ResultFields& f = d.Fields();
    EXPECT_EQ((std::array {f.hue, f.saturation, f.x, f.y, f.colourTemperature}),
        (std::array<std::string, 5> {"---", "---", "---", "---", "---"}));
    EXPECT_EQ(f.hsiIntensity, "99999");
    EXPECT_EQ(d.Chart().x, 0.45);
    EXPECT_EQ(d.Chart().y, 0.41);
}

TEST(ResultDisplayChain, anXOfZeroShowsAsNotValidButIsStillTheChartPoint)
{
    ResultDisplay d;
    d.ShowRgbReading(200, 100, 50, 30000, 255, kGoesOn);
    d.ShowXyReading(0.0, 0.3, kLast);
    d.EndOfTest(false);
    EXPECT_EQ(d.Fields().x, "---");
    EXPECT_EQ(d.Fields().y, "0.3000");
    EXPECT_EQ(d.Chart().x, 0.0);
    EXPECT_EQ(d.Chart().y, 0.3);
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
    EXPECT_FALSE(d.Requests().wheelRedrawRequested); // the test did not reach its last reply
    EXPECT_FALSE(d.Requests().chartRedrawRequested);
    d.EndOfTest(true);
    EXPECT_TRUE(d.TakeChartRequests().wheelRedrawRequested);
    EXPECT_FALSE(d.Requests().wheelRedrawRequested);

    d.SetCurrentChart(ChartChoice::XyChart);
    d.ShowXyReading(0.3, 0.3, kGoesOn);
    EXPECT_FALSE(d.Requests().chartRedrawRequested);
    d.ShowXyReading(0.3, 0.3, kLast);
    EXPECT_TRUE(d.Requests().chartRedrawRequested);

    d.SetCurrentChart(ChartChoice::Palette);
    changes.clear();
    d.ShowRgbReading(200, 100, 50, 30000, 255, kGoesOn);
    EXPECT_TRUE(d.Requests().paletteColourRequested);
    EXPECT_EQ(d.Requests().paletteColour, PackRgb(145, 72, 36));
    EXPECT_EQ(changes, (std::vector {DisplayChange::ChartRequested, DisplayChange::BarsMoved}));
}

TEST(ResultDisplayPicked, aPickedColourIsScaledByTheFirmwareAndLeavesTheBarsAlone)
{
    const PackedRgb warm = PackRgb(255, 200, 150);
    for (const auto& [firmware, counts] : {std::pair {1006, std::array<std::string, 3> {"255", "200", "150"}},
             std::pair {1007, std::array<std::string, 3> {"4094", "3211", "2408"}}}) {
        ResultDisplay d;
        d.ShowRgbReading(339, 661, 0, 57000, 4095, kLast);
        const int moves = d.FieldsMovedCount();
        d.ShowPickedColour(warm, firmware);
        const ResultFields& f = d.Fields();
        EXPECT_EQ(d.FieldsMovedCount(), moves + 1);
        EXPECT_EQ((std::array {f.sensorRed, f.sensorGreen, f.sensorBlue}), counts) << firmware;
        EXPECT_EQ(sharesOf(f), (Shares {"255", "200", "150", "57 %"})); // INTENSITY untouched
        EXPECT_EQ(barsOf(d), (std::array {33, 66, 0, 57}));
        EXPECT_EQ(f.x, formatText("%.4f", RgbToXy(warm).x));
        EXPECT_EQ(f.y, formatText("%.4f", RgbToXy(warm).y));
        EXPECT_EQ(f.colourTemperature, formatText("%d K", static_cast<int>(RgbToCct(warm) + 0.5)));
        EXPECT_FALSE(d.Reading().valuesFromDevice);
    }
}

TEST(ResultDisplayPicked, validityOfPickedColours)
{
    ResultDisplay d;
    // After a saturated measurement the picked colour still counts as valid.
    d.ShowRgbReading(200, 100, 50, 99999, 255, kLast);
    d.ShowPickedColour(PackRgb(128, 128, 128), 1007);
    EXPECT_EQ(d.Fields().hsiIntensity, "99998");
    EXPECT_EQ(d.Fields().hue, "0.00");
    EXPECT_EQ(d.Fields().saturation, "0 %"); // a valid picked grey shows its saturation
    EXPECT_NE(d.Fields().colourTemperature, "---");

    // Black: all counts 0, nothing can be shown.
    d.ShowPickedColour(PackRgb(0, 0, 0), 1007);
    const ResultFields& f = d.Fields();
    EXPECT_EQ((std::array {f.hue, f.saturation, f.x, f.y, f.colourTemperature}),
        (std::array<std::string, 5> {"0.00", "---", "---", "---", "---"}));
}

TEST(ResultDisplayPicked, switchingChartsCarriesThePickedColourAcross)
{
    ResultDisplay d;
    d.SetCurrentChart(ChartChoice::Palette);
    const PackedRgb orange = PackRgb(255, 128, 0);
    d.ShowPickedColour(orange, 1007);

    // The xy chart shows where the picked colour lies; device values would leave the point alone.
    d.SelectChart(ChartChoice::XyChart);
    const Chromaticity xy = RgbToXy(orange);
    EXPECT_DOUBLE_EQ(d.Chart().x, xy.x);
    EXPECT_DOUBLE_EQ(d.Chart().y, xy.y);

    // Back on the palette: the colour comes from the share fields, the texts are computed again.
    d.TakeChartRequests();
    d.SelectChart(ChartChoice::Palette);
    const auto requests = d.TakeChartRequests();
    ASSERT_TRUE(requests.paletteColourRequested);
    EXPECT_EQ(requests.paletteColour, orange);
    EXPECT_EQ(d.Fields().x, formatText("%.4f", xy.x));

    ResultDisplay device;
    device.SetCurrentChart(ChartChoice::Wheel);
    device.ShowRgbReading(1000, 500, 250, 30000, 4095, true);
    device.ShowXyReading(0.5, 0.4, false);
    device.SelectChart(ChartChoice::XyChart);
    EXPECT_DOUBLE_EQ(device.Chart().x, 0.5) << "device values keep the device's x/y";
    device.SelectChart(ChartChoice::Palette);
    EXPECT_EQ(device.TakeChartRequests().paletteColour,
        PackRgb(
            readInteger(device.Fields().red), readInteger(device.Fields().green), readInteger(device.Fields().blue)));
    EXPECT_EQ(device.Fields().x, "0.5000") << "device texts stay";
}

TEST(ResultViewConnection, buttonStatusLinesAndStartFollowConnectionAndOthersBusy)
{
    std::string port = "Auto";
    ResultView view([&port] { return port; });
    const ConnectionTexts& c = view.Display().Connection();
    EXPECT_EQ((std::array {c.connectButton, c.statusLine, c.portLine}),
        (std::array<std::string, 3> {"CONNECT", "NOT", "CONNECTED"}));
    EXPECT_FALSE(c.startEnabled);
    EXPECT_NE(view.StatusText().find("press the button 'CONNECT'"), std::string::npos);

    port = "COM7"; // the search for the device set the port
    view.ShowConnectionState(true);
    EXPECT_EQ((std::array {c.connectButton, c.statusLine, c.portLine}),
        (std::array<std::string, 3> {"DISCONNECT", "CONNECTED", "COM7"}));
    EXPECT_TRUE(c.startEnabled);

    view.SetOthersBusy(true);
    EXPECT_FALSE(c.startEnabled);
    EXPECT_FALSE(c.connectEnabled);
    view.SetOthersBusy(false);
    EXPECT_TRUE(c.startEnabled);
    EXPECT_TRUE(c.connectEnabled);

    // Others finishing while disconnected must not offer START TEST.
    view.ShowConnectionState(false);
    view.SetOthersBusy(true);
    view.SetOthersBusy(false);
    EXPECT_FALSE(c.startEnabled);
    EXPECT_EQ(c.portLine, "CONNECTED");
}

TEST(ResultViewConnection, whileDisconnectedTheWindowNamesThePortItWillUse)
{
    std::string port;
    ResultView view([&port] { return port; });
    const ConnectionTexts& c = view.Display().Connection();
    enum class Step { Disconnected, Connected, SettingChanged };
    struct Case {
        const char* name;
        Step step;
        std::string port;
        std::string portToUse;
        std::string portLine;
    };
    const std::vector<Case> cases {
        {"started disconnected", Step::Disconnected, "/dev/ttyUSB0", "Port: /dev/ttyUSB0", "CONNECTED"},
        {"another port chosen while disconnected", Step::SettingChanged, "/dev/pts/4", "Port: /dev/pts/4", "CONNECTED"},
        {"connected: the port line names it", Step::Connected, "/dev/pts/4", "", "/dev/pts/4"},
        {"a change while connected waits for the next connection", Step::SettingChanged, "COM3", "", "/dev/pts/4"},
        {"disconnected again", Step::Disconnected, "COM3", "Port: COM3", "CONNECTED"},
        {"no port configured", Step::SettingChanged, "", "", "CONNECTED"},
    };
    for (const Case& step : cases) {
        SCOPED_TRACE(step.name);
        port = step.port;
        if (step.step == Step::SettingChanged)
            view.PortSettingChanged();
        else
            view.ShowConnectionState(step.step == Step::Connected);
        EXPECT_EQ(c.portToUse, step.portToUse);
        EXPECT_EQ(c.portLine, step.portLine);
    }
}

// Overflow and underflow through the engine are checked in the window (tst_lumivexdlg).
TEST(ResultViewWithEngine, aWholeTestAgainstTheSimulatedDevice)
{
    SimConfig sim;
    sim.firmware = 1007;
    sim.leds.push_back({1, 1, SimLed {255, 100, 50, 30000}});
    // The simulator's own colour maths, independent of the program's.
    const SimReading v = simReadingFor(255, 100, 50, 30000, 4095);
    const int sum = v.red + v.green + v.blue;
    const auto share = [sum](int count) { return formatText("%d", count * 255 / sum); };

    test::SequencerBench bench(sim);
    ResultView view([&bench] { return bench.state.settings.comPort; });
    MeasurementSequencer sequencer({bench.scheduler, bench.port, bench.portSwitch, bench.state, bench.log,
        bench.dialogs, bench.config, view, bench.list, bench.stability});
    bench.sequencer.Stop();
    sequencer.Start();
    const auto idle = [&sequencer] { return !sequencer.ReplyAwaited() && !sequencer.ChainRunning(); };
    sequencer.Connect();
    ASSERT_TRUE(bench.pumpUntil(idle));
    EXPECT_EQ(view.Display().Connection().portLine, "SIM");
    EXPECT_NE(view.StatusText().find("Board(s) connected"), std::string::npos);

    sequencer.StartTest();
    ASSERT_TRUE(bench.pumpUntil(idle));
    const ResultFields& f = view.Display().Fields();
    EXPECT_EQ(view.TestsEnded(), 1);
    EXPECT_TRUE(view.LastTestEndedWithWheel());
    EXPECT_EQ((std::array {f.red, f.green, f.blue, f.intensity}),
        (std::array {share(v.red), share(v.green), share(v.blue), formatText("%d %%", v.intensity * 100 / 99999)}));
    EXPECT_EQ((std::array {f.hue, f.saturation, f.x, f.y, f.colourTemperature}),
        (std::array {formatText("%.2f", v.hue), formatText("%d %%", v.saturation), formatText("%.4f", v.x),
            formatText("%.4f", v.y), kelvinAsSent(v.cct)}));
}
