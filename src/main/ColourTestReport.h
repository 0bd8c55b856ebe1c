#pragma once

#include <string>

namespace lumivex {

class Dialogs;
class ReadingLists;
struct Settings;

// What the file dialog offers for the report, whatever "ResultFile" names.
inline constexpr const char* kColourReportDialogName = "Result.txt";

// The path of the colour test report for one command: "ResultFile", or with "SelectDatei" 1 what
// the file dialog (save or open, with the test report filter) returned, empty when cancelled. The
// choice is for this command only; "ResultFile" keeps its value.
std::string colourTestReportPath(const Settings& settings, Dialogs& dialogs, bool forSaving);

// Test menu "Save Color Test Report": writes the measurement list's test report to the report
// path. Nothing happens without a path (cancelled, or an empty "ResultFile"); a failed write is
// told by the writer. True when a report was written.
bool SaveColourTestReport(ReadingLists& readings, const Settings& settings, Dialogs& dialogs);

// The measurement list's "Save Test Report" button: "No measurement data available" while the list
// holds no results, else the same save as the menu command.
bool SaveTestReportOfList(ReadingLists& readings, const Settings& settings, Dialogs& dialogs);

// Test menu "Open Color Test Report": shows an existing report in the program associated with its
// type; "Error cannot read test report file" when none could be started. A path that names no
// file does nothing. True when it was opened.
bool OpenColourTestReport(const Settings& settings, Dialogs& dialogs);

} // namespace lumivex
