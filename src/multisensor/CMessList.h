#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace lumivex {

// `ReadingFlags`: the low byte is the test mode of the run, the bits above say what happened to
// the reading.
struct ReadingFlag {
    static constexpr std::uint16_t TestModeMask = 0x00FF;
    static constexpr std::uint16_t Measured = 0x0100;
    static constexpr std::uint16_t IntensDeviation = 0x0200;
    static constexpr std::uint16_t XDeviation = 0x0400;
    static constexpr std::uint16_t YDeviation = 0x0800;
    static constexpr std::uint16_t Compared = 0x1000;
    static constexpr std::uint16_t AnyDeviation = IntensDeviation | XDeviation | YDeviation;
    // What a comparison decides; a loaded reference hands its results over without it.
    static constexpr std::uint16_t ComparisonBits = AnyDeviation | Compared;
};

// Sizes of the text fields in bytes, terminator included: what the reference record holds.
struct MessTextSize {
    static constexpr std::size_t Sensor = 4;
    static constexpr std::size_t Colour = 6;
    static constexpr std::size_t Value = 10;
    static constexpr std::size_t Temp = 12;
    static constexpr std::size_t Mode = 8;
    static constexpr std::size_t Range = 6;
};

// The texts of one sensor's readings as the run hands them over; an empty text keeps the stored one.
struct ReadingTexts {
    std::string red, green, blue, hue, sat, intens, x, y, temp;
};

// One sensor's last measured values as display texts. Every text is kept within its field size
// (terminator included), so a record always fits its 128-byte image.
class CMessList {
public:
    std::int16_t Index = 1;
    std::string SensorText;
    std::string RedText, GreenText, BlueText;
    std::string HueText, SatText, IntensText;
    std::string XText, YText;
    std::string TempText;
    std::string ModeText;
    std::string RangeText;
    std::uint16_t ReadingFlags = 0;

    // A record as `CreateEmptyReadings` makes it: its number as text, everything else empty.
    static CMessList Empty(int index);

    bool isMeasured() const { return (ReadingFlags & ReadingFlag::Measured) != 0; }
    bool isCompared() const { return (ReadingFlags & ReadingFlag::Compared) != 0; }
    bool hasDeviation() const { return (ReadingFlags & ReadingFlag::AnyDeviation) != 0; }

    // The readings are dashed when they mean nothing: all colour shares 0 or the intensity
    // saturated, and (the RGB check on, or the intensity saturated or 0).
    bool dashRuleHolds(bool checkRgb) const;

    bool operator==(const CMessList&) const = default;
};

// The text up to its first zero byte, at most size - 1 characters.
std::string fitText(std::string_view text, std::size_t size);

// The reference data file: fixed 128-byte little-endian records, no header. Offsets:
//   0 Index (2)   2 SensorText (4)   6 RedText (6)   12 GreenText (6)   18 BlueText (6)
//   24 HueText (10)   34 SatText (10)   44 IntensText (10)   54 XText (10)   64 YText (10)
//   74 TempText (12)   86 ModeText (8)   94 RangeText (6)   100 ReadingFlags (2)   102 reserved (26)
inline constexpr std::size_t kMessRecordSize = 128;
using MessRecordBytes = std::array<std::uint8_t, kMessRecordSize>;

// Field by field; texts zero-padded, reserved bytes zero.
MessRecordBytes encodeMessRecord(const CMessList& record);
// The fields as stored; reserved bytes ignored, a text without a zero in its field is cut to
// the field size - 1.
CMessList decodeMessRecord(std::span<const std::uint8_t, kMessRecordSize> bytes);

} // namespace lumivex
