#include "cli/ListMeasurement.h"

#include "base/Windows1252.h"
#include "cli/CliSession.h"
#include "cli/MeasureCommand.h"
#include "device/ReplyRules.h"
#include "foundation/StringTable.h"
#include "main/MainFrame.h"
#include "multisensor/ReadingColumns.h"

#include <algorithm>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace lumivex {

namespace {

struct PrintedRow {
    int index = 0;
    ReadingRow row;
    std::uint16_t flags = 0;
    bool compared() const { return row.measured && row.state != ReadingRow::State::NotCompared; }
    bool failed() const { return compared() && row.state == ReadingRow::State::Deviation; }
};

// The results in list order, walked 1, 2, 3 ... until the first missing number.
std::vector<PrintedRow> rowsOf(const ReadingLists& readings)
{
    std::vector<PrintedRow> rows;
    for (int k = 1;; ++k) {
        PrintedRow printed;
        if (!readings.rowOf(k, printed.row))
            break;
        printed.index = k;
        printed.flags = readings.resultByIndex(k)->ReadingFlags;
        rows.push_back(printed);
    }
    return rows;
}

// Columns padded to their widest text, two blanks apart; the comparison last.
void printTable(const std::vector<ReadingColumn>& columns, const std::vector<PrintedRow>& rows, std::ostream& out)
{
    std::vector<std::vector<std::string>> table(1);
    for (const ReadingColumn& column : columns)
        table[0].push_back(windows1252ToUtf8(std::string(stringText(column.caption))));
    table[0].push_back(std::string(stringText(StringId::ReportHeadComparison)));
    for (const PrintedRow& printed : rows) {
        auto& line = table.emplace_back();
        for (const ReadingColumn& column : columns)
            line.push_back(windows1252ToUtf8(printed.row.*column.text));
        line.push_back(comparisonText(printed.row));
    }
    std::vector<std::size_t> widths(table[0].size(), 0);
    for (const auto& line : table) {
        for (std::size_t i = 0; i < line.size(); ++i)
            widths[i] = std::max(widths[i], line[i].size());
    }
    for (const auto& line : table) {
        std::string text;
        for (std::size_t i = 0; i < line.size(); ++i)
            text += i + 1 < line.size() ? line[i] + std::string(widths[i] - line[i].size() + 2, ' ') : line[i];
        out << text << '\n';
    }
}

struct Summary {
    int sensors = 0, measured = 0, compared = 0, passed = 0, failed = 0;
};

Summary summaryOf(const std::vector<PrintedRow>& rows)
{
    Summary s;
    for (const PrintedRow& printed : rows) {
        ++s.sensors;
        s.measured += printed.row.measured ? 1 : 0;
        s.compared += printed.compared() ? 1 : 0;
        s.failed += printed.failed() ? 1 : 0;
    }
    s.passed = s.compared - s.failed;
    return s;
}

// One document; a station's run (`run` from 1) is a single line that starts with its number, and
// a run that did not complete has "error" as its result.
void printJson(const MainFrame& frame, const std::vector<ReadingColumn>& columns, const std::vector<PrintedRow>& rows,
    std::ostream& out, int run = 0, bool failed = false)
{
    const ReadingLists& readings = frame.Readings();
    const auto flag = [](bool on) { return on ? "true" : "false"; };
    const bool oneLine = run > 0;
    out << "{";
    if (oneLine)
        out << "\"run\": " << run << ", ";
    out << "\"firmware\": " << frame.Sequencer().FirmwareNumber() << ", \"boards\": " << frame.Sequencer().BoardCount()
        << ", \"reference\": "
        << (readings.isReferenceLoaded() ? jsonString(windows1252ToUtf8(readings.referenceFileName())) : "null")
        << ", \"rows\": [";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const PrintedRow& printed = rows[i];
        const ReadingRow& row = printed.row;
        out << (i ? "," : "") << (oneLine ? (i ? " " : "") : "\n  ") << "{\"sensor\": " << printed.index
            << ", \"measured\": " << flag(row.measured) << ", \"compared\": " << flag(printed.compared())
            << ", \"passed\": " << flag(printed.compared() && !printed.failed()) << ", \"flags\": " << printed.flags
            << ", \"deviations\": [";
        const char* separator = "";
        for (const auto& [deviates, name] :
            {std::pair {row.intensCellDeviates, "intensity"}, {row.xCellDeviates, "x"}, {row.yCellDeviates, "y"}}) {
            if (printed.compared() && deviates) {
                out << separator << '"' << name << '"';
                separator = ", ";
            }
        }
        out << "], \"values\": {";
        for (std::size_t c = 0; c < columns.size(); ++c)
            out << (c ? ", " : "") << jsonString(std::string(columns[c].key)) << ": "
                << jsonString(windows1252ToUtf8(row.*columns[c].text));
        out << "}, \"comparison\": " << jsonString(comparisonText(row)) << "}";
    }
    const Summary s = summaryOf(rows);
    const char* result = failed ? "error" : s.failed > 0 ? "failed" : s.compared > 0 ? "passed" : "not compared";
    out << (oneLine ? "" : "\n") << "], \"summary\": {\"sensors\": " << s.sensors << ", \"measured\": " << s.measured
        << ", \"compared\": " << s.compared << ", \"passed\": " << s.passed << ", \"failed\": " << s.failed
        << ", \"result\": \"" << result << "\"}}\n";
    out.flush();
}

// The line station: a run each time the device's input signals, one JSON line per run, until
// `stopRequested` says so between runs; the outputs are switched off at the end.
int watchInput(MainFrame& frame, const MeasureCommandOptions& options, Scheduler& scheduler, const CliDialogs& dialogs,
    std::ostream& out, std::ostream& err, const std::function<bool()>& stopRequested)
{
    MeasurementRun& run = frame.Run();
    const int firmware = frame.Sequencer().FirmwareNumber();
    if (firmware < kFirmwareInputPoll)
        return failCommand(frame, dialogs, err,
            "--on-input needs the device's input signal, which firmware " + std::to_string(firmware)
                + " does not have (from " + std::to_string(kFirmwareInputPoll) + ")");
    run.StartInputPoll();
    if (!options.output.quiet)
        err << "lumivex-cli: waiting for the device's input signal (Ctrl-C ends)" << std::endl;
    const auto columns = readingColumns(frame.Readings().checks());
    int seen = run.RunCount();
    while (!(stopRequested && stopRequested())) {
        // The 50 ms input poll wakes the pump, so a stop request is seen within one poll.
        if (!scheduler.pumpOnce())
            break;
        if (run.RunCount() == seen || run.IsMeasuring())
            continue;
        seen = run.RunCount();
        const bool failed = run.LastEnd() != MeasurementRun::RunEnd::Measured;
        printJson(frame, columns, rowsOf(frame.Readings()), out, seen, failed);
        if (!failed && !options.reportPath.empty() && !frame.Readings().WriteTestReport(options.reportPath))
            err << "lumivex-cli: cannot write the test report " << options.reportPath << std::endl;
        if (frame.PortSwitch().PortClosed())
            return failCommand(frame, dialogs, err, "the port was lost");
    }
    run.StopInputPoll();
    run.SwitchOutputsOffOnClose();
    frame.PortSwitch().SwitchComPort(0, {});
    return kCliSuccess;
}

} // namespace

int runListMeasurement(const MeasureCommandOptions& options, const IniSearchInput& search, Scheduler& scheduler,
    SerialBackend& backend, std::ostream& out, std::ostream& err, const std::function<bool()>& stopRequested)
{
    CliDialogs dialogs(err);
    MainFrame frame(scheduler, backend, dialogs);
    startFrame(frame, options.iniPath, search, options.port, options.simulate, options.output.logPath);
    auto fail = [&](const std::string& why) { return failCommand(frame, dialogs, err, why); };
    // The connection sizes both lists for the device's boards: what is loaded comes after it.
    if (!connectFrame(frame, scheduler, options.port, dialogs, err))
        return kCliDeviceFailed;

    SensorSettingsList& settings = frame.SensorSettings();
    ReadingLists& readings = frame.Readings();
    if (!options.settingsPath.empty()) {
        if (!settings.LoadSettingsFile(options.settingsPath) || settings.settingsCount() == 0)
            return fail("cannot read sensor settings from " + options.settingsPath);
    }
    if (!options.referencePath.empty()) {
        if (!readings.LoadReference(options.referencePath, settings))
            return fail("cannot load the reference " + options.referencePath + " with its data file "
                + referenceDataPath(options.referencePath));
    } else {
        // Nothing to compare with is what the user asked for, not a fault worth a line.
        dialogs.Mute(std::string(stringText(StringId::NoReferenceData)));
    }
    if (options.onInput) {
        frame.SyncReadingChecks();
        return watchInput(frame, options, scheduler, dialogs, out, err, stopRequested);
    }

    frame.PerformMeasurement();
    if (frame.Run().LastEnd() != MeasurementRun::RunEnd::Measured)
        return fail("the measurement did not complete");

    const std::vector<PrintedRow> rows = rowsOf(readings);
    const auto columns = readingColumns(readings.checks());
    if (options.json)
        printJson(frame, columns, rows, out);
    else
        printTable(columns, rows, out);

    if (!options.saveReferencePath.empty() && !readings.SaveReference(options.saveReferencePath, settings))
        return fail("cannot save the reference " + options.saveReferencePath);
    if (!options.reportPath.empty() && !readings.WriteTestReport(options.reportPath))
        return fail("cannot write the test report " + options.reportPath);
    frame.PortSwitch().SwitchComPort(0, {});
    return summaryOf(rows).failed > 0 ? kCliDeviation : kCliSuccess;
}

} // namespace lumivex
