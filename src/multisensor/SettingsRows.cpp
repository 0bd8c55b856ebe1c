#include "multisensor/SettingsRows.h"

#include "base/FormatText.h"
#include "multisensor/CKonfList.h"
#include "multisensor/SensorSettingsList.h"

namespace lumivex {

namespace {
constexpr std::string_view kNotUsed = "----";
constexpr std::string_view kBlank = " ";

std::string testModeText(int testMode)
{
    switch (testMode) {
    case kKonfManualCapture:
        return std::string(stringText(StringId::ManualCapture));
    case kKonfUserCapture:
        return std::string(stringText(StringId::UserCapture));
    case kKonfPwmCapture:
        return std::string(stringText(StringId::PwmCapture));
    default:
        return std::string(kBlank);
    }
}

std::string measureTimeText(const CKonfList& record)
{
    static constexpr std::array<std::string_view, 8> kTimes {
        "", "1 = 600 ms", "2 = 200 ms", "3 = 120 ms", "4 = 60 ms", "5 = 20 ms", "6 = 10 ms", "7 = 2 ms"};
    // User Capture runs on the user time alone.
    if (record.TestMode == kKonfUserCapture)
        return std::string(kNotUsed);
    if (record.MeasureTime == kKonfMeasureTimeDisabled)
        return std::string(stringText(StringId::MeasureTimeDisabled));
    if (record.MeasureTime < kTimes.size())
        return std::string(kTimes[record.MeasureTime]);
    return std::string(kNotUsed);
}
} // namespace

SettingsRowTexts settingsRowTexts(const CKonfList& record)
{
    SettingsRowTexts row;
    row[0] = formatText("%d", record.SensorNo);
    row[1] = testModeText(record.TestMode);
    row[2] = measureTimeText(record);
    row[3] = record.Range == 0 ? "3 x 3" : record.Range == 1 ? "9 x 9" : std::string(kBlank);
    row[4] = record.TestMode == kKonfPwmCapture ? formatText("%d = %d runs", record.PwmRuns, (record.PwmRuns + 1) * 5)
                                                : std::string(kNotUsed);
    row[5] = record.TestMode == kKonfUserCapture ? formatText("%d", record.UserTime) : std::string(kNotUsed);
    row[6] = formatText("%d", record.Gain);
    row[7] = record.XOffset.str();
    row[8] = record.YOffset.str();
    row[9] = record.Distance.str();
    return row;
}

std::vector<SettingsRowTexts> settingsRows(const SensorSettingsList& list)
{
    std::vector<SettingsRowTexts> rows;
    for (const CKonfList* record : list.walkByIndex())
        rows.push_back(settingsRowTexts(*record));
    return rows;
}

} // namespace lumivex
