#include "cli/ListMeasurement.h"

#include "app/StringTable.h"
#include "base/Windows1252.h"
#include "cli/CliSession.h"
#include "cli/MeasureCommand.h"
#include "main/MainFrame.h"
#include "multisensor/ReadingColumns.h"

#include <algorithm>
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

void printJson(const MainFrame& frame, const std::vector<ReadingColumn>& columns, const std::vector<PrintedRow>& rows,
    std::ostream& out)
{
    const ReadingLists& readings = frame.Readings();
    const auto flag = [](bool on) { return on ? "true" : "false"; };
    out << "{\"firmware\": " << frame.Sequencer().FirmwareNumber() << ", \"boards\": " << frame.Sequencer().BoardCount()
        << ", \"reference\": "
        << (readings.isReferenceLoaded() ? jsonString(windows1252ToUtf8(readings.referenceFileName())) : "null")
        << ", \"rows\": [";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const PrintedRow& printed = rows[i];
        const ReadingRow& row = printed.row;
        out << (i ? ",\n" : "\n") << "  {\"sensor\": " << printed.index << ", \"measured\": " << flag(row.measured)
            << ", \"compared\": " << flag(printed.compared())
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
    const char* result = s.failed > 0 ? "failed" : s.compared > 0 ? "passed" : "not compared";
    out << "\n], \"summary\": {\"sensors\": " << s.sensors << ", \"measured\": " << s.measured
        << ", \"compared\": " << s.compared << ", \"passed\": " << s.passed << ", \"failed\": " << s.failed
        << ", \"result\": \"" << result << "\"}}\n";
}

} // namespace

int runListMeasurement(const MeasureCommandOptions& options, const IniSearchInput& search, Scheduler& scheduler,
    SerialBackend& backend, std::ostream& out, std::ostream& err)
{
    CliDialogs dialogs(err);
    MainFrame frame(scheduler, backend, dialogs);
    startFrame(frame, options.iniPath, search, options.port, options.simulate);
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
