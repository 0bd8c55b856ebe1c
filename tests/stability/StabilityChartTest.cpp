#include "stability/StabilityChart.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace lumivex {
namespace {

// 8 pixels a character, 16 high: "100000" is 48 wide, so L = 58 and B = 66. In an 800 x 500 area
// R = 732, the baseline is 434 and a division 39.4 pixels high.
Size fixedWidth(std::string_view text)
{
    return {static_cast<int>(text.size()) * 8, 16};
}

constexpr Size kArea {800, 500};
constexpr int kL = 58, kR = 732, kBaseline = 434;

CBlinkData reading(int red, int green, int blue, int intensity, float hue = 0, int sat = 0, float x = 0, float y = 0)
{
    using S = std::int16_t;
    return {0, 0, S(red), S(green), S(blue), intensity, S(sat), hue, x, y};
}

StabilityChart chartFor(unsigned curves, int readingsSetting, bool timeScale = false)
{
    StabilityChart chart(fixedWidth);
    chart.setAreaSize(kArea);
    chart.setReadingsSetting(readingsSetting);
    chart.setCurves(curves);
    chart.setTimeScale(timeScale);
    return chart;
}

// Feeds the readings one by one, as a run does; the stored readings.
std::vector<CBlinkData> run(StabilityChart& chart, const std::vector<CBlinkData>& readings)
{
    std::vector<CBlinkData> stored;
    chart.beginRun();
    for (const CBlinkData& r : readings) {
        stored.push_back(r);
        chart.readingAdded(stored);
    }
    chart.endRun();
    return stored;
}

std::vector<std::string> textsAt(const ChartPicture& picture, int left, int top)
{
    std::vector<std::string> found;
    for (const ChartText& t : picture.frame.texts)
        if ((left < 0 || t.topLeft.x == left) && (top < 0 || t.topLeft.y == top))
            found.push_back(t.text);
    return found;
}

TEST(StabilityChart, parameterEntriesFollowTheValueGroups)
{
    using G = ChartGroup;
    struct Case {
        const char* name;
        StabilityGroups groups;
        std::vector<ParameterEntry> entries;
    } cases[] = {
        {"all groups", {true, true, true},
            {{StringId::ParamIntensity, G::Intensity}, {StringId::ParamRgb, G::Rgb},
                {StringId::ParamRgbIntensity, G::Rgb | G::Intensity}, {StringId::ParamHueSat, G::HueSat},
                {StringId::ParamHueSatIntensity, G::HueSat | G::Intensity}, {StringId::ParamXy, G::Xy}}},
        {"HSI alone still offers intensity", {false, true, false},
            {{StringId::ParamIntensity, G::Intensity}, {StringId::ParamHueSat, G::HueSat},
                {StringId::ParamHueSatIntensity, G::HueSat | G::Intensity}}},
        {"XY alone", {false, false, true}, {{StringId::ParamXy, G::Xy}}},
        {"nothing", {false, false, false}, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parameterEntries(c.groups), c.entries) << c.name;
        EXPECT_EQ(defaultCurves(c.groups), c.entries.empty() ? 0u : c.entries.front().curves) << c.name;
    }
}

TEST(StabilityChart, axisLabelsAreWholeStepsAboveTheRunsPeak)
{
    struct Case {
        const char* name;
        unsigned curves;
        CBlinkData peak;
        int labelX;
        std::vector<std::string> labels; // divisions 1..10, bottom to top
    } cases[] = {
        {"intensity peak 730", ChartGroup::Intensity, reading(0, 0, 0, 730), kR + 10,
            {"100", "200", "300", "400", "500", "600", "700", "800", "900", "1000"}},
        {"intensity peak at a step boundary keeps the finer step", ChartGroup::Intensity, reading(0, 0, 0, 5000),
            kR + 10, {"500", "1000", "1500", "2000", "2500", "3000", "3500", "4000", "4500", "5000"}},
        {"RGB summing to 255 never needs more than 25", ChartGroup::Rgb, reading(255, 0, 0, 0), kL - 4 - 16,
            {"25", "50", "75", "100", "125", "150", "175", "200", "225", "250"}},
        {"hue and saturation", ChartGroup::HueSat, reading(0, 0, 0, 0, 180.5f, 40), kL - 4 - 32,
            {"20.0", "40.0", "60.0", "80.0", "100.0", "120.0", "140.0", "160.0", "180.0", "200.0"}},
        {"x and y near 0.32", ChartGroup::Xy, reading(0, 0, 0, 0, 0, 0, 0.31f, 0.33f), kL - 4 - 32,
            {"0.05", "0.10", "0.15", "0.20", "0.25", "0.30", "0.35", "0.40", "0.45", "0.50"}},
    };
    for (const Case& c : cases) {
        StabilityChart chart = chartFor(c.curves, 10);
        run(chart, {c.peak});
        std::vector<std::string> labels;
        for (int j = 1; j <= 10; ++j) {
            const auto row = textsAt(chart.picture(), -1, chart.picture().frame.geometry.gridY(j) - 8);
            labels.insert(labels.end(), row.begin(), row.end());
        }
        EXPECT_EQ(labels, c.labels) << c.name;
        EXPECT_EQ(textsAt(chart.picture(), c.labelX, chart.picture().frame.geometry.gridY(1) - 8),
            std::vector<std::string> {c.labels[0]})
            << c.name << ": right axis beside R, left axis right-aligned at L - 4";
    }
    EXPECT_EQ(xyStep(0.0f), 0.1f) << "no data";
}

TEST(StabilityChart, readingAxisLabelDensity)
{
    struct Case {
        const char* name;
        int readings;
        float step;
        int sampleWidth;
        bool timeScale;
        int every;
    } cases[] = {
        {"100 readings in a narrow plot", 100, 6.7f, 16, false, 5},
        {"100 readings in a wide plot", 100, 38.7f, 16, false, 5},
        {"100 readings, time labels wider than five steps", 100, 6.7f, 48, true, 10},
        {"100 readings, time labels within five steps", 100, 12.0f, 48, true, 5},
        {"20 readings with room", 20, 33.7f, 16, false, 1},
        {"20 readings crowded", 20, 10.0f, 16, false, 2},
        {"20 readings, time labels 3.4 steps wide", 20, 14.7f, 48, true, 3},
    };
    for (const Case& c : cases)
        EXPECT_EQ(readingLabelInterval(c.readings, c.step, c.sampleWidth, c.timeScale), c.every) << c.name;
}

TEST(StabilityChart, readingAxisLabelsInReadingsAndMilliseconds)
{
    const int labelTop = kBaseline + 12;
    StabilityChart plain = chartFor(ChartGroup::Intensity, 100);
    plain.paint({});
    const auto labels = textsAt(plain.picture(), -1, labelTop);
    ASSERT_EQ(labels.size(), 21u) << "\"0\" and every fifth reading";
    EXPECT_EQ(labels[1], "5");
    EXPECT_EQ(labels.back(), "100");
    const auto gridLines = std::count_if(plain.picture().frame.lines.begin(), plain.picture().frame.lines.end(),
        [](const ChartLine& l) { return l.colour == kChartGrid && l.from.x == l.to.x; });
    EXPECT_EQ(gridLines, 99) << "every reading but the last, which sits on the right axis";

    StabilityChart timed = chartFor(ChartGroup::Intensity, 3, true);
    timed.setDurationMs(1000);
    timed.paint({});
    EXPECT_EQ(textsAt(timed.picture(), -1, labelTop), (std::vector<std::string> {"0", "333", "666", "1000 ms"}));

    // Seven crowded time labels: every second one, and " ms" alone one step past the last reading.
    StabilityChart crowded = chartFor(ChartGroup::Intensity, 7, true);
    crowded.setAreaSize({322, 500}); // steps of 28 pixels, labels 50 wide
    crowded.setDurationMs(7000);
    crowded.paint({});
    EXPECT_EQ(
        textsAt(crowded.picture(), -1, labelTop), (std::vector<std::string> {"0", "2000", "4000", "6000", " ms"}));
}

TEST(StabilityChart, meansAndMaximaOfTheShownGroupsOnly)
{
    struct Case {
        const char* name;
        unsigned curves;
        std::vector<CBlinkData> readings;
        StabilityResults expected;
    } cases[] = {
        {"first reading: mean and maximum are its values", ChartGroup::Rgb | ChartGroup::Intensity,
            {reading(10, 20, 30, 4000)}, {10, 20, 30, 4000, 10, 20, 30, 4000, 0, 0, 0, 0}},
        {"whole-number means truncate", ChartGroup::Rgb,
            {reading(100, 7, 0, 0), reading(101, 8, 0, 0), reading(101, 8, 0, 0)}, {100, 7, 0, 0, 101, 8, 0}},
        {"hue means keep their fraction", ChartGroup::HueSat,
            {reading(0, 0, 0, 0, 10.0f, 50), reading(0, 0, 0, 0, 10.5f, 51), reading(0, 0, 0, 0, 11.0f, 51)},
            {.meanHue = 10.5f, .meanSaturation = 50}},
        {"only intensity shown", ChartGroup::Intensity,
            {reading(100, 120, 35, 900, 30.0f, 80, 0.3f, 0.3f), reading(90, 130, 35, 950, 31.0f, 81, 0.3f, 0.3f)},
            {.meanIntensity = 925, .maxIntensity = 950}},
        {"x and y", ChartGroup::Xy, {reading(0, 0, 0, 0, 0, 0, 0.25f, 0.5f), reading(0, 0, 0, 0, 0, 0, 0.5f, 0.25f)},
            {.meanX = 0.375f, .meanY = 0.375f}},
    };
    for (const Case& c : cases) {
        StabilityChart chart = chartFor(c.curves, 10);
        const auto stored = run(chart, c.readings);
        EXPECT_EQ(chart.results(), c.expected) << c.name;

        chart.setAreaSize({640, 480});
        chart.paint(stored);
        EXPECT_EQ(chart.results(), c.expected) << c.name << ", summed again by a full redraw";
    }
    const auto texts = formatResults({.meanRed = 100, .meanHue = 10.5f, .meanX = 0.3125f});
    EXPECT_EQ(texts.meanRed, "100");
    EXPECT_EQ(texts.meanHue, "10.5");
    EXPECT_EQ(texts.meanX, "0.3125");
    EXPECT_EQ(texts.maxBlue, "0");
}

TEST(StabilityChart, oneReadingIsAHorizontalDashAcrossThePlot)
{
    StabilityChart chart = chartFor(ChartGroup::Rgb | ChartGroup::Intensity, 1);
    run(chart, {reading(100, 50, 105, 730)});
    // Intensity scale 1000: 434 - trunc(730 * 10 * 39.4 / 1000) = 434 - 287.
    const auto& curves = chart.picture().curves;
    ASSERT_EQ(curves.size(), 4u);
    for (const ChartLine& dash : curves) {
        EXPECT_EQ(dash.from.x, kL);
        EXPECT_EQ(dash.to.x, kR);
        EXPECT_EQ(dash.from.y, dash.to.y);
        EXPECT_EQ(dash.width, 2);
    }
    const auto intensity = std::find_if(curves.begin(), curves.end(), [](const ChartLine& l) { return l.colour == 0; });
    ASSERT_NE(intensity, curves.end());
    EXPECT_EQ(intensity->from.y, 147);
}

TEST(StabilityChart, scaleChangesRedrawInFullOtherwiseOneSegmentPerCurve)
{
    StabilityChart chart = chartFor(ChartGroup::Rgb, 10);
    std::vector<CBlinkData> stored;
    chart.beginRun();

    stored.push_back(reading(200, 150, 100, 0));
    const ChartUpdate first = chart.readingAdded(stored);
    EXPECT_TRUE(first.fullRedraw) << "the first reading always sets the scales";
    EXPECT_TRUE(chart.picture().curves.empty()) << "a single point draws no line yet";
    EXPECT_EQ(chart.scales().rgb, 200);

    stored.push_back(reading(190, 150, 100, 0));
    const ChartUpdate second = chart.readingAdded(stored);
    EXPECT_FALSE(second.fullRedraw);
    ASSERT_EQ(second.segments.size(), 3u);
    // Reading 1 in the middle of slot 1, reading 2 one step of 67.4 further.
    EXPECT_EQ(second.segments[0].from, (Point {kL + 33, kBaseline - 394}));
    EXPECT_EQ(second.segments[0].to, (Point {kL + 101, kBaseline - 374}));
    EXPECT_FALSE(chart.paint(stored)) << "nothing was marked";

    stored.push_back(reading(201, 150, 100, 0));
    EXPECT_TRUE(chart.readingAdded(stored).fullRedraw) << "201 needs the next step";
    EXPECT_EQ(chart.scales().rgb, 250);
    EXPECT_EQ(chart.picture().curves.size(), 6u) << "two segments per curve, drawn again";
    EXPECT_TRUE(chart.readingAdded(stored).segments.empty()) << "already drawn";

    // Groups outside the curve set keep their scales; the first-reading rule counts equal ones too.
    ChartScales scales;
    EXPECT_TRUE(updateScales(scales, {.intensity = 7000}, ChartGroup::Intensity, false));
    EXPECT_TRUE(updateScales(scales, {.intensity = 7000}, ChartGroup::Intensity, true));
    EXPECT_FALSE(updateScales(scales, {.intensity = 6000}, ChartGroup::Intensity, false));
    EXPECT_EQ(scales, (ChartScales {.intensity = 10000}));
}

TEST(StabilityChart, repaintDuringAReadingNeitherDrawsNorSumsItsHalfFilledRecord)
{
    StabilityChart chart = chartFor(ChartGroup::Rgb, 10);
    std::vector<CBlinkData> stored;
    chart.beginRun();
    stored.push_back(reading(100, 100, 100, 0));
    chart.readingAdded(stored);
    stored.push_back(reading(0, 0, 0, 0)); // appended, values still on their way
    chart.setCurves(ChartGroup::Rgb); // a value-group box changed
    chart.paint(stored);
    EXPECT_EQ(chart.results().meanRed, 100);

    stored.back() = reading(90, 90, 90, 0);
    const ChartUpdate update = chart.readingAdded(stored);
    ASSERT_EQ(update.segments.size(), 3u);
    EXPECT_EQ(update.segments[0].from.x, 91);
    EXPECT_EQ(update.segments[0].to.x, 159) << "one step of 67.4, not two";
    EXPECT_EQ(chart.results().meanRed, 95);
}

TEST(StabilityChart, rescanAfterAChoiceFitsTheScaleToTheStoredReadings)
{
    StabilityChart chart = chartFor(ChartGroup::Intensity, 10);
    const auto stored
        = run(chart, {reading(0, 0, 0, 730, 0, 0, 0.125f, 0.25f), reading(0, 0, 0, 700, 0, 0, 0.25f, 0.375f)});

    chart.setCurves(ChartGroup::Xy);
    EXPECT_TRUE(chart.paint(stored));
    EXPECT_EQ(chart.scales().xy, 0.5f) << "step 0.05 up to 0.5";
    EXPECT_EQ(chart.scales().intensity, 1000) << "kept while not shown";
    EXPECT_EQ(chart.results(), (StabilityResults {.meanX = 0.1875f, .meanY = 0.3125f}));

    StabilityChart loaded = chartFor(ChartGroup::Intensity, 2);
    loaded.readingsReplaced(stored);
    EXPECT_EQ(loaded.scales().intensity, 1000);
    EXPECT_EQ(loaded.picture().curves.size(), 1u);
}

} // namespace
} // namespace lumivex
