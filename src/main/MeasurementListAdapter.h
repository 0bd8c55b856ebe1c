#pragma once

#include "main/SequencerLinks.h"

#include <functional>

namespace lumivex {

class MeasurementRun;
class ReadingLists;
class SensorSettingsList;
class TestConfiguration;

// The measurement list behind the main window's engine: the run's busy mark, measuring state and
// x/y warning, the readings and sensor settings lists (5 rows per board), and the tested sensor's
// values stored in its row as the run's own reads would store them.
class MeasurementListAdapter : public MeasurementListLink {
public:
    struct Links {
        MeasurementRun& run;
        ReadingLists& readings;
        SensorSettingsList& settings;
        // The test's capture settings: the row's mode and range, and what the device was set to.
        const TestConfiguration& config;
        // The connected device's firmware number: the full scale of the colour counts.
        std::function<int()> firmware;
        // The lists were rebuilt or a row or settings record changed: shown windows fill again.
        std::function<void()> changed = {};
    };

    explicit MeasurementListAdapter(Links links);

    void SetBusy(bool busy) override;
    bool IsMeasuring() const override;
    int RowCount() const override;
    void Rebuild(int rows) override;
    // The colour shares and intensity, then x and y, go into the row; the offsets and the distance
    // into the sensor's settings once the distance came, as the run keeps what the device reports.
    void StoreValues(int listIndex, const SensorValues& values, int testMode) override;
    bool OutOfRange() const override;
    void SetOutOfRange(bool on) override;
    void ResetBoard(int board) override;

private:
    MeasurementRun& m_run;
    ReadingLists& m_readings;
    SensorSettingsList& m_settings;
    const TestConfiguration& m_config;
    std::function<int()> m_firmware;
    std::function<void()> m_changed;
};

} // namespace lumivex
