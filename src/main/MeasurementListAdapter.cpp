#include "main/MeasurementListAdapter.h"

#include "base/FormatText.h"
#include "device/ReplyDecode.h"
#include "main/TestConfiguration.h"
#include "multisensor/MeasurementRun.h"
#include "multisensor/ReadingLists.h"
#include "multisensor/RunPlan.h"
#include "multisensor/SensorSettingsList.h"

namespace lumivex {

MeasurementListAdapter::MeasurementListAdapter(Links links)
    : m_run(links.run),
      m_readings(links.readings),
      m_settings(links.settings),
      m_config(links.config),
      m_firmware(std::move(links.firmware)),
      m_changed(std::move(links.changed))
{
}

void MeasurementListAdapter::SetBusy(bool busy)
{
    m_run.SetBusy(busy);
}

bool MeasurementListAdapter::IsMeasuring() const
{
    return m_run.IsMeasuring();
}

int MeasurementListAdapter::RowCount() const
{
    return m_readings.sensorCount();
}

void MeasurementListAdapter::Rebuild(int rows)
{
    m_readings.CreateEmptyReadings(rows);
    m_settings.CreateDefaultSettings(rows);
    if (m_changed)
        m_changed();
}

void MeasurementListAdapter::StoreValues(int listIndex, const SensorValues& values, int testMode)
{
    ReadingTexts texts;
    switch (values.from) {
    case ValuesFrom::Rgbi:
        texts = rgbiTexts(
            {values.red, values.green, values.blue, values.intensity}, rgbFullScale(m_firmware ? m_firmware() : 0));
        break;
    case ValuesFrom::Xy:
        texts = xyTexts({values.x, values.y});
        break;
    case ValuesFrom::XOffset:
    case ValuesFrom::YOffset:
        return; // kept with the distance, which follows them
    case ValuesFrom::Distance: {
        if (!m_settings.FindSettingsBySensor(listIndex))
            return;
        // The gain is no setting of the main window's test; the runs are its averaging factor.
        const CKonfList& record = *m_settings.cursor();
        const int pwmRuns = testMode == kPwmCapture ? m_config.currentOption : record.PwmRuns;
        m_settings.UpdateSettingsFromDevice(
            {listIndex, testMode, m_config.timeCode, m_config.areaCode, pwmRuns, m_config.userTime, record.Gain,
                values.xOffsetText, values.yOffsetText, formatText("%.1f", values.distance)});
        return;
    }
    }
    const auto flags = static_cast<std::uint16_t>((testMode & ReadingFlag::TestModeMask) | ReadingFlag::Measured);
    if (m_readings.StoreReading(listIndex, texts, m_config.timeCode, m_config.areaCode, flags) && m_changed)
        m_changed();
}

bool MeasurementListAdapter::OutOfRange() const
{
    return m_run.XyWarning();
}

void MeasurementListAdapter::SetOutOfRange(bool on)
{
    m_run.SetXyWarning(on);
}

void MeasurementListAdapter::ResetBoard(int board)
{
    if (m_settings.ResetBoardSettings(board, m_readings.sensorCount()) && m_changed)
        m_changed();
}

} // namespace lumivex
