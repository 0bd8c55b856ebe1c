#pragma once

#include "foundation/StringTable.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace lumivex {

class CKonfList;
class SensorSettingsList;

// One column of the list of settings: its caption and the widest text it shows in practice, so
// that a window can size it to show every value before any such row exists.
struct SettingsColumn {
    StringId caption;
    std::string_view widest;
};

inline constexpr int kSettingsColumnCount = 10;
inline constexpr std::array<SettingsColumn, kSettingsColumnCount> kSettingsColumns {{
    {StringId::NoCaption, "9999"},
    {StringId::MeasurementCaption, "Manual Capture"},
    {StringId::MeasureTimeCaption, "0 = Disabled"},
    {StringId::RangeCaption, "3 x 3"},
    {StringId::PwmRunsCaption, "15 = 80 runs"},
    {StringId::UserTimeCaption, "10000"},
    {StringId::GainCaption, "500"},
    {StringId::XOffsetCaption, "-0.0000"},
    {StringId::YOffsetCaption, "-0.0000"},
    {StringId::DistanceCaption, "-0.0000"},
}};

// The ten texts of a record's row (Windows-1252 bytes). Values a test mode does not use read
// "----"; a test mode or range outside the lists reads " ".
using SettingsRowTexts = std::array<std::string, kSettingsColumnCount>;
SettingsRowTexts settingsRowTexts(const CKonfList& record);

// One row per record, in the order of the list's walk (Index 1, 2, ... to the first gap).
std::vector<SettingsRowTexts> settingsRows(const SensorSettingsList& list);

} // namespace lumivex
