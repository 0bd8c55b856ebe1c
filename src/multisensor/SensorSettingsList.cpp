#include "multisensor/SensorSettingsList.h"

#include "base/AtomicFile.h"
#include "base/Dialogs.h"
#include "foundation/StringTable.h"
#include "multisensor/KonfListFile.h"

#include <algorithm>
#include <span>

namespace lumivex {
namespace {

bool percentInRange(std::int16_t percent)
{
    return percent >= 0 && percent <= 100;
}

} // namespace

SensorSettingsList::SensorSettingsList(Dialogs& dialogs, const DeviationSettings& deviation)
    : m_dialogs(dialogs), m_deviation(deviation)
{
}

void SensorSettingsList::notifySettingsChanged() const
{
    if (m_settingsChanged)
        m_settingsChanged();
}

void SensorSettingsList::fixPercents(CKonfList& record) const
{
    if (!percentInRange(record.DevIntensPercent))
        record.DevIntensPercent = m_deviation.abwIntens;
    if (!percentInRange(record.DevXYPercent))
        record.DevXYPercent = m_deviation.abwXy;
}

void SensorSettingsList::ClearSettings()
{
    m_records.clear();
    m_cursor = nullptr;
}

CKonfList& SensorSettingsList::appendSettings(const CKonfList& record)
{
    m_records.push_back(std::make_unique<CKonfList>(record));
    return *m_records.back();
}

void SensorSettingsList::CreateDefaultSettings(int count)
{
    ClearSettings();
    const int n = std::clamp(count, 0, kMaxRecords);
    m_records.reserve(static_cast<std::size_t>(n));
    for (int k = 1; k <= n; ++k)
        appendSettings(CKonfList::Default(k, m_deviation));
}

CKonfList* SensorSettingsList::settingsByIndex(int index) const
{
    for (const auto& record : m_records) {
        if (record->Index == index)
            return record.get();
    }
    return nullptr;
}

bool SensorSettingsList::FindSettingsByIndex(int index)
{
    m_cursor = settingsByIndex(index);
    return m_cursor != nullptr;
}

bool SensorSettingsList::FindSettingsBySensor(int sensorNo)
{
    m_cursor = nullptr;
    for (const auto& record : m_records) {
        if (record->SensorNo == sensorNo) {
            m_cursor = record.get();
            break;
        }
    }
    return m_cursor != nullptr;
}

std::vector<CKonfList*> SensorSettingsList::walkByIndex(int limit) const
{
    // One pass builds the Index table (first record wins, as a lookup finds it), so a walk over a
    // long list costs no more than the list itself.
    const int end = std::min({limit, settingsCount(), kMaxRecords});
    std::vector<CKonfList*> byIndex(static_cast<std::size_t>(std::max(end, 0)) + 1, nullptr);
    for (const auto& record : m_records) {
        const int index = record->Index;
        if (index >= 1 && index <= end && !byIndex[static_cast<std::size_t>(index)])
            byIndex[static_cast<std::size_t>(index)] = record.get();
    }
    std::vector<CKonfList*> walk;
    for (int k = 1; k <= end && byIndex[static_cast<std::size_t>(k)]; ++k)
        walk.push_back(byIndex[static_cast<std::size_t>(k)]);
    return walk;
}

int SensorSettingsList::applyDeviationSettings(const DeviationSettings& deviation)
{
    m_deviation = deviation;
    const bool intensPercent = deviation.checkAbwIntens == 1;
    const bool xyPercent = deviation.checkAbwXy == 1;
    const bool intensAbs = deviation.checkAbwAbsIntens == 1;
    const bool xyAbs = deviation.checkAbwAbsXy == 1;
    if (!intensPercent && !xyPercent && !intensAbs && !xyAbs)
        return 0;
    int changed = 0;
    for (CKonfList* record : walkByIndex()) {
        if (record->TestMode != kKonfTestModeNotSet)
            continue;
        if (intensPercent)
            record->DevIntensPercent = deviation.abwIntens;
        if (xyPercent)
            record->DevXYPercent = deviation.abwXy;
        if (intensAbs)
            record->DevIntensAbs = deviation.abwAbsIntens;
        if (xyAbs)
            record->DevXYAbs = deviation.abwAbsXy;
        ++changed;
    }
    return changed;
}

bool SensorSettingsList::ResetBoardSettings(int board, int sensorCount)
{
    bool changed = false;
    for (CKonfList* record : walkByIndex()) {
        if (record->SensorNo > sensorCount || !record->isEnabled() || boardOfSensor(record->SensorNo) != board)
            continue;
        record->TestMode = kKonfManualCapture;
        record->MeasureTime = kKonfMeasureTime200ms;
        record->Range = 0;
        record->PwmRuns = 0;
        record->UserTime = 800;
        record->Gain = 100;
        record->ChangeFlags |= KonfChange::AllCapture;
        if (m_deviation.keepsXyOffsets()) {
            record->OptionFlags |= KonfOption::KeepXyOffset;
        } else {
            record->XOffset = "0.0000";
            record->YOffset = "0.0000";
        }
        record->Distance = "2.0";
        changed = true;
    }
    if (changed)
        m_modified = true;
    return changed;
}

bool SensorSettingsList::UpdateSettingsFromDevice(const DeviceReadBack& values)
{
    if (!FindSettingsBySensor(values.sensorNo))
        return false;
    CKonfList& record = *m_cursor;
    if (record.TestMode == kKonfTestModeNotSet) {
        record.ChangeFlags = m_deviation.defaultChangeFlags();
        record.OptionFlags = m_deviation.defaultOptionFlags();
    }
    record.TestMode = static_cast<std::uint8_t>(values.testMode);
    record.MeasureTime = static_cast<std::uint8_t>(values.measureTime);
    record.Range = static_cast<std::uint8_t>(values.range);
    record.PwmRuns = static_cast<std::uint8_t>(values.pwmRuns);
    record.UserTime = static_cast<std::int16_t>(values.userTime);
    record.Gain = static_cast<std::int16_t>(values.gain);
    record.XOffset = values.xOffset;
    record.YOffset = values.yOffset;
    record.Distance = values.distance;

    fixPercents(record);
    if (record.DevIntensAbs < 0)
        record.DevIntensAbs = m_deviation.abwAbsIntens;
    // Written as "not inside" so that a NaN tolerance is replaced too.
    if (!(record.DevXYAbs >= -0.9999f && record.DevXYAbs <= 0.9999f))
        record.DevXYAbs = m_deviation.abwAbsXy;
    notifySettingsChanged();
    return true;
}

bool SensorSettingsList::loadSettingsBytes(std::string_view bytes)
{
    const std::size_t count = bytes.size() / kKonfRecordSize;
    if (count > static_cast<std::size_t>(kMaxRecords))
        return false;
    ClearSettings();
    m_records.reserve(count);
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    for (std::size_t i = 0; i < count; ++i) {
        CKonfList record = decodeKonfRecord(
            std::span<const std::uint8_t, kKonfRecordSize>(data + i * kKonfRecordSize, kKonfRecordSize));
        fixPercents(record);
        // Everything, the distance included, goes to the device at the next run.
        record.ChangeFlags |= KonfChange::AllWithDistance;
        appendSettings(record);
    }
    if (count > 0) {
        m_modified = true;
        notifySettingsChanged();
    }
    return true;
}

bool SensorSettingsList::LoadSettingsFile(const std::string& path)
{
    // The whole file is read before the list is touched, so an unreadable or oversized file
    // leaves the list as it was.
    const std::size_t maxBytes = static_cast<std::size_t>(kMaxRecords + 1) * kKonfRecordSize - 1;
    const auto bytes = readBoundedFile(path, maxBytes);
    if (!bytes)
        return false;
    return loadSettingsBytes(*bytes);
}

std::string SensorSettingsList::settingsFileBytes() const
{
    // Every record in list order: a list loaded from a file saves back as the same records, gaps
    // and unusual numbers included.
    std::string bytes;
    bytes.reserve(m_records.size() * kKonfRecordSize);
    for (const auto& record : m_records) {
        const KonfRecordBytes one = encodeKonfRecord(*record);
        bytes.append(reinterpret_cast<const char*>(one.data()), one.size());
    }
    return bytes;
}

bool SensorSettingsList::SaveSettingsFile(const std::string& path)
{
    const auto written = writeFileAtomically(path, settingsFileBytes());
    if (!written)
        m_dialogs.message(writeFailureMessage(stringText(StringId::SavingConfigurationFailed), path, written));
    return static_cast<bool>(written);
}

} // namespace lumivex
