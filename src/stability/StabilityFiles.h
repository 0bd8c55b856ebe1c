#pragma once

#include "stability/CBlinkData.h"
#include "stability/StabilitySetup.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumivex {

class Dialogs;
struct Settings;

// The data companion of a stability report: N (signed 32-bit), the 24-byte setup (LED index,
// range index, test mode, averaging, user area, duration in ms; signed 32-bit each), then
// 36-byte readings, all little-endian. A reading: number (2), flags (2), red, green, blue (2 each),
// reserved (2), intensity (4), saturation (2), reserved (2), hue, x, y (IEEE single, 4 each),
// reserved (4); reserved bytes are zero.
inline constexpr std::size_t kStabilityCountSize = 4;
inline constexpr std::size_t kStabilityHeaderSize = 28; // N and the setup
inline constexpr std::size_t kStabilityReadingSize = 36;
// No run numbers more readings than the 16-bit reading number can tell apart.
inline constexpr std::size_t kStabilityMaxStoredReadings = 65535;
inline constexpr std::size_t kStabilityMaxCompanionBytes
    = kStabilityHeaderSize + kStabilityReadingSize * kStabilityMaxStoredReadings;

inline constexpr const char* kStabilityReportDialogName = "StabilityReport.txt";

// What a companion holds.
struct StabilityCompanion {
    int declaredCount = 0; // N, above 0; may differ from the readings held
    std::optional<StabilitySetup> setup; // none when the file ends right after N
    std::vector<CBlinkData> readings; // in file order, those numbered above 0
};

// The readings a report is written from: for each number 1, 2, ... up to the highest one, the
// first reading with that number; numbers without a reading are skipped.
std::vector<CBlinkData> readingsByNumber(const std::vector<CBlinkData>& readings);

// The companion of a run. N is the highest reading number, so a list with gaps keeps all its
// readings and a reload sets the readings to cover them (a run numbers 1..count, so N is the count).
std::string stabilityCompanionBytes(const StabilitySetup& setup, const std::vector<CBlinkData>& readings);

// Reads a companion, every count bounded by the bytes present: readings are read up to the end or
// a trailing part of one. Nothing when N is missing or not above 0, when the setup holds a value
// no run can have (range index outside 0..11, test mode outside 0..2, averaging outside 0..15, a
// negative duration, an LED index below -1), or when a reading holds a value that is not a number
// (such a file did not come from a run and would upset the chart's scales).
std::optional<StabilityCompanion> parseStabilityCompanion(std::string_view bytes);

// The value-group boxes as a reading's flags say.
StabilityGroups groupsOfFlags(std::uint16_t flags);

// The companion's name: the report path without its last three characters, then "dat"
// ("StabilityReport.txt" gives "StabilityReport.dat", "a.html" gives "a.hdat").
std::string stabilityCompanionPath(const std::string& reportPath);

// The text report: the path and the date and time, the window title, the heads of the groups that
// are on and one line per reading, tab-separated with CR LF. Empty when no group is on.
std::string stabilityReportText(const std::string& reportPath, const std::tm& now, const std::string& title,
    const StabilityGroups& groups, const std::vector<CBlinkData>& readings);

// What the stability window hands to "Save".
struct StabilityReportInput {
    StabilitySetup setup; // as the window sees it now, with the last run's duration
    std::vector<CBlinkData> readings;
    StabilityGroups groups; // the boxes "RGBI", "HSI", "XY"
    std::string title; // the window's title
};

// What "Load" read, for the window and the main window to apply.
struct LoadedStability {
    std::optional<StabilitySetup> setup; // none when the companion ends after N: keep the current one
    std::vector<CBlinkData> readings;
    int readingsSetting = 0; // N, within the readings edit's range; also the drawn-reading count
    std::optional<StabilityGroups> groups; // from reading 1's flags; none without readings
};

// The report path of one command: "StabilityFile", or with "SelectDatei" 1 what the file dialog
// returned (empty when cancelled).
std::string stabilityReportPath(const Settings& settings, Dialogs& dialogs, bool forSaving);

// "Save": the companion, then the text report, each replaced whole or not at all. True when both
// were written. Nothing without a path; 241 without readings; 235 when the companion cannot be
// written (or would be the report itself) or the report cannot be created; 162 when the report's
// text cannot be written.
bool saveStabilityReport(const StabilityReportInput& input, const Settings& settings, Dialogs& dialogs);
// The same at a given time, for a reproducible report.
bool saveStabilityReportAt(
    const StabilityReportInput& input, const Settings& settings, Dialogs& dialogs, const std::tm& now);

// "Load": reads the companion of the chosen report. Nothing without a path; 242 when the companion
// does not exist; 241 when it cannot be read or is no companion. Nothing is changed here.
std::optional<LoadedStability> loadStabilityReport(const Settings& settings, Dialogs& dialogs);

// "Open Stability Analysis Report": 242 when the report does not exist, 165 when no program could
// be started for it. True when it was opened.
bool openStabilityReport(const Settings& settings, Dialogs& dialogs);

} // namespace lumivex
