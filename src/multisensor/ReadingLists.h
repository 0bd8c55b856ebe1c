#pragma once

#include "multisensor/CMessList.h"

#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lumivex {

class Dialogs;
class SensorSettingsList;

// The INI switches "CheckRGB", "CheckHSI", "CheckXY" as the measurement list copied them, and the
// firmware number, which decides whether a colour temperature exists (0 or above 1003).
struct ReadingChecks {
    bool rgb = true;
    bool hsi = true;
    bool xy = true;
    int firmware = 0;

    bool newFirmware() const { return firmware == 0 || firmware > 1003; }
};

// What one row of the measurement list shows: the texts of its columns (all of them; the window
// picks those its columns show) and how it is coloured.
struct ReadingRow {
    enum class State { NotCompared, Deviation, Passed };

    bool measured = false;
    State state = State::NotCompared;
    bool intensCellDeviates = false;
    bool xCellDeviates = false;
    bool yCellDeviates = false;
    std::string no, red, green, blue, hue, sat, intens, x, y, temp, mode, range;
};

// The measurement list's readings: the results of the last run, the stored reference, the
// comparison of the two within each sensor's tolerances, the reference files and the test report.
class ReadingLists {
public:
    // `Index` is 16-bit: no list can number more records, which also bounds every file read.
    static constexpr int kMaxRecords = 32767;

    explicit ReadingLists(Dialogs& dialogs);
    ReadingLists(const ReadingLists&) = delete;
    ReadingLists& operator=(const ReadingLists&) = delete;

    void setChecks(const ReadingChecks& checks) { m_checks = checks; }
    const ReadingChecks& checks() const { return m_checks; }

    // Replaces the results by N empty records numbered 1..N (N bounded by kMaxRecords) and makes N
    // the sensor count.
    void CreateEmptyReadings(int count);
    int sensorCount() const { return m_sensorCount; }

    // Stores one sensor's reading texts into the result with that `Index`; false when there is none.
    bool StoreReading(int index, const ReadingTexts& texts, int measureTime, int range, std::uint16_t flags);

    // Judges every result against the reference and the tolerances of the settings record with the
    // same `Index`. False when no reference is loaded.
    bool CompareWithReference(const SensorSettingsList& settings);

    // The row of list number `index` (1-based), or false when there is no such result.
    bool rowOf(int index, ReadingRow& row) const;
    // A compared result with a deviation: what the pass/fail outputs count as failed.
    bool anyFailed() const;

    // Save as reference: the settings to `path`, the results to the data file beside it. The
    // reference is set only when both were written. Without results nothing is written (message
    // 204).
    bool SaveReference(const std::string& path, SensorSettingsList& settings);
    // Load a reference: the settings from `path` replace the current ones; the data file replaces
    // results and reference. The reference is set only when both were read and it holds results.
    // Each file is read whole before it replaces anything: a settings file that cannot be read or
    // holds no whole record changes nothing, and neither does a data file of that kind (the
    // settings are then replaced, without a reference). No message except for a refused name.
    // A name ending in "dat" (any case) is refused for both, with the same message.
    bool LoadReference(const std::string& path, SensorSettingsList& settings);

    // The reference data file: written in one atomic replace (message 162 when that fails) and read
    // (by LoadReference) in whole records, every count bounded by what the file holds.
    bool writeReferenceData(const std::string& path);
    // The same from and to memory.
    std::string referenceDataBytes() const;
    bool loadReferenceDataBytes(std::string_view bytes);

    // The test report as text, and written to `path` (message 162 when that fails).
    std::string testReportText(const std::string& path, const std::tm& now) const;
    bool WriteTestReport(const std::string& path);

    bool isReferenceLoaded() const { return m_referenceLoaded; }
    const std::string& referenceFileName() const { return m_referenceFileName; }
    // String 202; while a reference is set (loaded or just saved) followed by string 203 and the
    // reference's file name, so the title never names a reference that is not in use.
    const std::string& baseTitle() const { return m_baseTitle; }

    const std::vector<std::unique_ptr<CMessList>>& results() const { return m_results; }
    const std::vector<std::unique_ptr<CMessList>>& reference() const { return m_reference; }
    CMessList* resultByIndex(int index) const;

private:
    // Result k at position k (1..count, the first record of a number), null where k is missing.
    std::vector<const CMessList*> resultsByNumber() const;
    std::string reportLine(const CMessList& record) const;
    void setReferenceLoaded(bool loaded);

    Dialogs& m_dialogs;
    ReadingChecks m_checks;
    std::vector<std::unique_ptr<CMessList>> m_results;
    std::vector<std::unique_ptr<CMessList>> m_reference;
    int m_sensorCount = 0;
    bool m_referenceLoaded = false;
    std::string m_referenceFileName;
    std::string m_baseTitle;
};

// The data file of a reference: the path without its last three characters, followed by "dat"
// ("sensor.ref" gives "sensor.dat").
std::string referenceDataPath(const std::string& referencePath);
// A reference named like its own data file ("dat" at the end, in any case): refused, since the
// settings and the data would be one file.
bool namesReferenceDataFile(const std::string& referencePath);

} // namespace lumivex
