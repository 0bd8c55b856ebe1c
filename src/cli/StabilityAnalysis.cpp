#include "cli/StabilityAnalysis.h"

#include "base/FormatText.h"
#include "base/Windows1252.h"
#include "cli/CliSession.h"
#include "cli/StabilityCommand.h"
#include "main/MainFrame.h"
#include "stability/StabilityFiles.h"
#include "stability/StabilityScales.h"
#include "stability/StabilityStatistics.h"

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

namespace lumivex {

namespace {

enum class Format { Table, Csv, Json };

// The columns a reading has with these groups: intensity once, in the RGB group or the HSI group.
struct Columns {
    bool rgb, hsi, xy;
};

std::string tableHead(const Columns& c)
{
    std::string head = " No";
    if (c.rgb)
        head += "    Red  Green   Blue";
    if (c.rgb || c.hsi)
        head += "  Intensity";
    if (c.hsi)
        head += "      Hue  Saturation";
    if (c.xy)
        head += "       x       y";
    return head;
}

std::string tableLine(const CBlinkData& r, const Columns& c)
{
    std::string line = formatText("%3d", r.ReadingNo);
    if (c.rgb)
        line += formatText("  %5d  %5d  %5d", r.Red, r.Green, r.Blue);
    if (c.rgb || c.hsi)
        line += formatText("  %9d", r.Intensity);
    if (c.hsi)
        line += formatText("  %7.2f  %10d", static_cast<double>(r.Hue), r.Saturation);
    if (c.xy)
        line += formatText("  %.4f  %.4f", static_cast<double>(r.X), static_cast<double>(r.Y));
    return line;
}

std::string csvHead(const Columns& c)
{
    std::string head = "reading";
    if (c.rgb)
        head += ",red,green,blue";
    if (c.rgb || c.hsi)
        head += ",intensity";
    if (c.hsi)
        head += ",hue,saturation";
    if (c.xy)
        head += ",x,y";
    return head;
}

std::string csvLine(const CBlinkData& r, const Columns& c)
{
    std::string line = formatText("%d", r.ReadingNo);
    if (c.rgb)
        line += formatText(",%d,%d,%d", r.Red, r.Green, r.Blue);
    if (c.rgb || c.hsi)
        line += formatText(",%d", r.Intensity);
    if (c.hsi)
        line += formatText(",%.2f,%d", static_cast<double>(r.Hue), r.Saturation);
    if (c.xy)
        line += formatText(",%.4f,%.4f", static_cast<double>(r.X), static_cast<double>(r.Y));
    return line;
}

std::string jsonReading(const CBlinkData& r, const Columns& c)
{
    std::string item = formatText("{\"reading\": %d", r.ReadingNo);
    if (c.rgb)
        item += formatText(", \"red\": %d, \"green\": %d, \"blue\": %d", r.Red, r.Green, r.Blue);
    if (c.rgb || c.hsi)
        item += formatText(", \"intensity\": %d", r.Intensity);
    if (c.hsi)
        item += formatText(", \"hue\": %.2f, \"saturation\": %d", static_cast<double>(r.Hue), r.Saturation);
    if (c.xy)
        item += formatText(", \"x\": %.4f, \"y\": %.4f", static_cast<double>(r.X), static_cast<double>(r.Y));
    return item + "}";
}

unsigned curvesOf(const Columns& c)
{
    unsigned curves = 0;
    if (c.rgb)
        curves |= ChartGroup::Rgb | ChartGroup::Intensity;
    if (c.hsi)
        curves |= ChartGroup::HueSat | ChartGroup::Intensity;
    if (c.xy)
        curves |= ChartGroup::Xy;
    return curves;
}

// Prints each reading as the run takes it; progress on standard error for JSON.
class PrintingView : public NoStabilityView {
public:
    PrintingView(const StabilityRun& run, Format format, Columns columns, std::ostream& out, std::ostream& err)
        : m_run(run), m_format(format), m_columns(columns), m_out(out), m_err(err)
    {
    }
    void ReadingTaken(int number, int count) override
    {
        const CBlinkData& reading = m_run.Readings().back();
        if (m_format == Format::Json) {
            m_err << "lumivex-cli: reading " << number << " of " << count << std::endl;
            return;
        }
        if (number == 1)
            m_out << (m_format == Format::Csv ? csvHead(m_columns) : tableHead(m_columns)) << '\n';
        m_out << (m_format == Format::Csv ? csvLine(reading, m_columns) : tableLine(reading, m_columns)) << std::endl;
    }
    void RunEnded(bool completed) override { ended = completed ? 1 : 0; }
    int ended = -1; // -1: did not run at all

private:
    const StabilityRun& m_run;
    Format m_format;
    Columns m_columns;
    std::ostream& m_out;
    std::ostream& m_err;
};

void chooseLed(MainFrame& frame, const TestCommandOptions& o)
{
    TestConfiguration& config = frame.Config();
    config.OnBoardChanged(o.board - 1);
    config.OnLedChanged(o.led - 1);
    // PWM captures with the range last chosen in manual mode.
    config.OnTestModeChanged(o.mode == kPwmCapture ? kManualCapture : o.mode);
    if (o.range && o.mode != kUserCapture)
        config.OnOptionChanged(*o.range);
    if (o.mode == kPwmCapture) {
        config.OnTestModeChanged(kPwmCapture);
        config.OnOptionChanged(o.average.value_or(0));
    }
    if (o.userTime)
        config.OnUserTimeEdited(std::to_string(*o.userTime));
    if (o.userArea)
        config.OnArea(*o.userArea);
}

} // namespace

int runStabilityAnalysis(const StabilityCommandOptions& options, const IniSearchInput& search, Scheduler& scheduler,
    SerialBackend& backend, std::ostream& out, std::ostream& err, const std::function<bool()>& stopRequested)
{
    const TestCommandOptions& o = options.led;
    CliDialogs dialogs(err);
    MainFrame frame(scheduler, backend, dialogs);
    startFrame(frame, o.iniPath, search, o.port, o.simulate, o.output.logPath);
    auto fail = [&](const std::string& why) { return failCommand(frame, dialogs, err, why); };
    if (!connectFrame(frame, scheduler, o.port, dialogs, err))
        return kCliDeviceFailed;
    if (o.board > frame.Sequencer().BoardCount())
        return fail("the sensor device has " + std::to_string(frame.Sequencer().BoardCount()) + " board(s), not "
            + std::to_string(o.board));

    chooseLed(frame, o);
    TestConfiguration& config = frame.Config();
    if (options.groupsGiven) {
        config.OnCheckRgb(options.rgbi);
        config.OnCheckHsi(options.hsi);
        config.OnCheckXy(options.xy);
    }
    StabilityRun& run = frame.StabilityAnalysis();
    run.boxes = {config.checkRgb, config.checkHsi, config.checkXy};
    run.SetReadingCount(options.readings);
    run.SetDelay(options.delayMs);

    const Columns columns {config.checkRgb, config.checkHsi, config.checkXy};
    const Format format = options.json ? Format::Json : options.csv ? Format::Csv : Format::Table;
    // --quiet: the progress lines go nowhere.
    std::ostream nowhere(nullptr);
    PrintingView view(run, format, columns, out, o.output.quiet ? nowhere : err);
    frame.SetStabilityView(&view);
    // Ctrl-C: the reading in progress finishes, then the run ends as the Cancel button ends it.
    const auto watch = scheduler.setTimer(std::chrono::milliseconds(100), [&] {
        if (stopRequested && stopRequested())
            run.RequestCancel();
    });
    run.Measure();
    scheduler.killTimer(watch);
    frame.SetStabilityView(nullptr);

    const auto& readings = run.Readings();
    StabilityStatistics statistics;
    for (const CBlinkData& reading : readings)
        statistics.add(reading, curvesOf(columns));
    const StabilityResultTexts results = formatResults(statistics.results());
    const StabilityChoice choice = frame.CurrentStabilityChoice();
    if (format == Format::Json) {
        out << "{\"title\": " << jsonString(windows1252ToUtf8(run.IdleTitle())) << ", \"board\": " << choice.board()
            << ", \"led\": " << choice.sensor() << ", \"completed\": " << (view.ended == 1 ? "true" : "false")
            << ", \"durationMs\": " << run.DurationMs() << ", \"readings\": [";
        for (std::size_t i = 0; i < readings.size(); ++i)
            out << (i ? ",\n  " : "\n  ") << jsonReading(readings[i], columns);
        const StabilityResults& r = statistics.results();
        out << "\n], \"statistics\": {";
        std::string fields;
        if (columns.rgb)
            fields += formatText("\"meanRed\": %d, \"meanGreen\": %d, \"meanBlue\": %d, \"maxRed\": %d, "
                                 "\"maxGreen\": %d, \"maxBlue\": %d, ",
                r.meanRed, r.meanGreen, r.meanBlue, r.maxRed, r.maxGreen, r.maxBlue);
        if (columns.rgb || columns.hsi)
            fields += formatText("\"meanIntensity\": %d, \"maxIntensity\": %d, ", r.meanIntensity, r.maxIntensity);
        if (columns.hsi)
            fields
                += formatText("\"meanHue\": %s, \"meanSaturation\": %d, ", results.meanHue.c_str(), r.meanSaturation);
        if (columns.xy)
            fields += formatText("\"meanX\": %s, \"meanY\": %s, ", results.meanX.c_str(), results.meanY.c_str());
        out << fields << "\"readings\": " << readings.size() << "}}\n";
    } else {
        std::ostream& summary = format == Format::Csv ? err : out;
        if (columns.rgb)
            summary << "Mean: red " << results.meanRed << ", green " << results.meanGreen << ", blue "
                    << results.meanBlue << "; max: red " << results.maxRed << ", green " << results.maxGreen
                    << ", blue " << results.maxBlue << '\n';
        if (columns.rgb || columns.hsi)
            summary << "Intensity: mean " << results.meanIntensity << ", max " << results.maxIntensity << '\n';
        if (columns.hsi)
            summary << "Mean: hue " << results.meanHue << ", saturation " << results.meanSaturation << '\n';
        if (columns.xy)
            summary << "Mean: x " << results.meanX << ", y " << results.meanY << '\n';
        summary << "Duration: " << run.DurationMs() << " ms for " << readings.size() << " reading"
                << (readings.size() == 1 ? "" : "s") << '\n';
    }
    out.flush();

    if (!options.reportPath.empty() && !readings.empty()) {
        Settings settings = frame.State().settings;
        settings.stabilityFile = options.reportPath;
        settings.selectDatei = 0;
        StabilityReportInput input;
        input.setup
            = {choice.ledIndex, choice.rangeIndex, choice.testMode, run.averaging(), choice.userArea, run.DurationMs()};
        input.readings = readings;
        input.groups = run.boxes;
        input.title = run.IdleTitle();
        if (!saveStabilityReport(input, settings, dialogs))
            return fail("cannot write the stability report " + options.reportPath);
    }
    if (view.ended != 1)
        return fail("the stability run did not complete");
    frame.PortSwitch().SwitchComPort(0, {});
    return kCliSuccess;
}

} // namespace lumivex
