#pragma once

#include "multisensor/CKonfList.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lumivex {

class Dialogs;

// What the device reported for one sensor: its capture settings and its corrections as texts.
struct DeviceReadBack {
    int sensorNo = 0;
    int testMode = 0;
    int measureTime = 0;
    int range = 0;
    int pwmRuns = 0;
    int userTime = 0;
    int gain = 0;
    std::string xOffset;
    std::string yOffset;
    std::string distance;
};

// The per-sensor settings of the connected device: an ordered list of owned records, looked up
// by their 1-based `Index` (or by `SensorNo` for what the device reports), walked 1, 2, 3 ...
// until the first missing number. Kept by the measurement list; edited by the settings dialogs,
// board resets and device read-back; stored in the settings file.
class SensorSettingsList {
public:
    // `Index` is 16-bit, so no list can address more records than this; it bounds default lists
    // and files alike.
    static constexpr int kMaxRecords = 32767;

    SensorSettingsList(Dialogs& dialogs, const DeviationSettings& deviation);
    SensorSettingsList(const SensorSettingsList&) = delete;
    SensorSettingsList& operator=(const SensorSettingsList&) = delete;

    // The owner's "settings changed" notification (the main window refreshes the list of
    // settings when it is shown).
    void setSettingsChangedHandler(std::function<void()> handler) { m_settingsChanged = std::move(handler); }

    const DeviationSettings& deviationSettings() const { return m_deviation; }
    // New INI values for records made from now on; existing records keep theirs.
    void setDeviationSettings(const DeviationSettings& deviation) { m_deviation = deviation; }
    // The configuration dialog's OK: takes the new INI values and, when at least one of the four
    // tolerance switches is on, gives every record that was never set (test mode 3) the switched-on
    // tolerances. Flag words stay as they are. Returns the number of records changed.
    int applyDeviationSettings(const DeviationSettings& deviation);

    // N records with the defaults (N = 5 x boards); N is bounded by kMaxRecords.
    void CreateDefaultSettings(int count);
    void ClearSettings();
    // Appends a copy of a record as it is (loading, and lists built by hand).
    CKonfList& appendSettings(const CKonfList& record);

    // Set the cursor to the first matching record; false (cursor cleared) when none matches.
    bool FindSettingsByIndex(int index);
    bool FindSettingsBySensor(int sensorNo);
    // The record found by the last lookup, or null.
    CKonfList* cursor() const { return m_cursor; }
    // Lookup without moving the cursor.
    CKonfList* settingsByIndex(int index) const;

    // The records with `Index` 1, 2, ... up to min(count, limit), ending at the first missing
    // number: the order in which every walk over the settings runs.
    std::vector<CKonfList*> walkByIndex(int limit = kMaxRecords) const;

    // After the device acknowledged "setdefault" for `board`: every enabled record of that board
    // (with `SensorNo` <= sensorCount) goes back to 200 ms, 3 x 3, user time 800, gain 100, distance
    // "2.0", with every capture setting pending; its offsets become "0.0000" unless
    // "NoChangeXYOffset" keeps them. True when a record changed.
    bool ResetBoardSettings(int board, int sensorCount);

    // Stores what the device reported into the record of that sensor; false when there is none.
    bool UpdateSettingsFromDevice(const DeviceReadBack& values);

    // Replaces the list by the file's records; false (list unchanged, no message) when the file
    // cannot be read or holds more records than a list can address.
    bool LoadSettingsFile(const std::string& path);
    // Writes every record to the file in one atomic replace; on failure (a read-only file, too) the
    // old file stays and the user is told (message 179, then the file and why).
    bool SaveSettingsFile(const std::string& path);

    // The same from and to memory: the file's bytes.
    bool loadSettingsBytes(std::string_view bytes);
    std::string settingsFileBytes() const;

    int settingsCount() const { return static_cast<int>(m_records.size()); }
    const std::vector<std::unique_ptr<CKonfList>>& records() const { return m_records; }

    // Set by edits, loads and board resets; cleared once the settings were sent to the device.
    bool isModified() const { return m_modified; }
    void setModified(bool modified) { m_modified = modified; }

private:
    void notifySettingsChanged() const;
    void fixPercents(CKonfList& record) const;

    Dialogs& m_dialogs;
    DeviationSettings m_deviation;
    std::vector<std::unique_ptr<CKonfList>> m_records;
    CKonfList* m_cursor = nullptr;
    bool m_modified = false;
    std::function<void()> m_settingsChanged;
};

} // namespace lumivex
