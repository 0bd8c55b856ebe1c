#pragma once

#include "multisensor/CKonfList.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace lumivex {

// The settings file ("sensor.cfg", and the settings half of a reference): a plain sequence of
// 68-byte little-endian records, no header, no count. Offsets:
//   0 Index (2)   2 SensorNo (2)   4 TestMode   5 MeasureTime   6 Range   7 PwmRuns
//   8 UserTime (2)   10 Gain (2)   12 XOffset (8)   20 YOffset (8)   28 DevIntensPercent (2)
//   30 DevXYPercent (2)   32 ChangeFlags (2)   34 OptionFlags (2)   36 DevIntensAbs (2)
//   38 reserved (2)   40 DevXYAbs (4, IEEE single)   44 Distance (8)   52 reserved (16)
inline constexpr std::size_t kKonfRecordSize = 68;
inline constexpr const char* kDefaultSettingsFileName = "sensor.cfg";

using KonfRecordBytes = std::array<std::uint8_t, kKonfRecordSize>;

// One record, field by field; reserved bytes are zero.
KonfRecordBytes encodeKonfRecord(const CKonfList& record);
// The fields exactly as stored (reserved bytes ignored; a text without a zero within its 8 bytes
// is cut to 7 characters).
CKonfList decodeKonfRecord(std::span<const std::uint8_t, kKonfRecordSize> bytes);

// The whole file when it can be opened and read and holds at most maxBytes; nothing otherwise
// (also for a read error half-way, so that a half-read file is never taken for a short one).
std::optional<std::string> readBoundedFile(const std::string& path, std::size_t maxBytes);

} // namespace lumivex
