#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lumivex {

struct Settings;

// A text field of a settings record: at most 7 characters and a terminating zero, exactly the 8
// bytes the settings file holds. Longer input is cut; the bytes after the text are always zero.
class ShortText {
public:
    static constexpr std::size_t kBytes = 8;
    static constexpr std::size_t kMaxLength = kBytes - 1;

    ShortText() = default;
    ShortText(std::string_view text) { assign(text); } // NOLINT: a record's texts are assigned like strings
    ShortText& operator=(std::string_view text)
    {
        assign(text);
        return *this;
    }

    // Takes the text up to its first zero byte, at most 7 characters.
    void assign(std::string_view text);
    std::string_view view() const;
    std::string str() const { return std::string(view()); }
    const std::array<char, kBytes>& bytes() const { return m_bytes; }

    bool operator==(const ShortText&) const = default;
    bool operator==(std::string_view text) const { return view() == text; }

private:
    std::array<char, kBytes> m_bytes {};
};

// Test modes of a sensor's settings; 3 means the sensor was never set up.
inline constexpr std::uint8_t kKonfManualCapture = 0;
inline constexpr std::uint8_t kKonfUserCapture = 1;
inline constexpr std::uint8_t kKonfPwmCapture = 2;
inline constexpr std::uint8_t kKonfTestModeNotSet = 3;

// Capture-time codes: 0 takes the sensor out of a run, 1..7 are 600 ... 2 ms, 8 the user time.
inline constexpr std::uint8_t kKonfMeasureTimeDisabled = 0;
inline constexpr std::uint8_t kKonfMeasureTime200ms = 2;
inline constexpr std::uint8_t kKonfMeasureTimeUser = 8;

// `ChangeFlags`: what is still to be sent to the device at the next run, and the two percent
// switches in the top bits.
struct KonfChange {
    static constexpr std::uint16_t Pending = 0x0001;
    static constexpr std::uint16_t TestMode = 0x0002;
    static constexpr std::uint16_t MeasureTime = 0x0004;
    static constexpr std::uint16_t Range = 0x0008;
    static constexpr std::uint16_t PwmRuns = 0x0010;
    static constexpr std::uint16_t UserTime = 0x0020;
    static constexpr std::uint16_t Gain = 0x0040;
    static constexpr std::uint16_t XOffset = 0x0080;
    static constexpr std::uint16_t YOffset = 0x0100;
    static constexpr std::uint16_t Distance = 0x2000;
    static constexpr std::uint16_t IntensPercent = 0x4000;
    static constexpr std::uint16_t XyPercent = 0x8000;
    // Every capture setting pending (bits 0 and 2..8), and the same with the distance.
    static constexpr std::uint16_t AllCapture = 0x01FD;
    static constexpr std::uint16_t AllWithDistance = 0x21FD;
};

// `OptionFlags`.
struct KonfOption {
    static constexpr std::uint16_t IntensAbs = 0x0001;
    static constexpr std::uint16_t XyAbs = 0x0002;
    static constexpr std::uint16_t KeepXyOffset = 0x0004; // "Don't change XY offset" for this sensor
};

// The INI values that give new records their tolerances and switches.
struct DeviationSettings {
    std::int32_t checkAbwIntens = 0;
    std::int32_t checkAbwXy = 0;
    std::int16_t abwIntens = 0;
    std::int16_t abwXy = 0;
    std::int32_t checkAbwAbsIntens = 0;
    std::int32_t checkAbwAbsXy = 0;
    std::int16_t abwAbsIntens = 0;
    float abwAbsXy = 0.0f;
    std::int32_t noChangeXyOffset = 0;

    static DeviationSettings fromSettings(const Settings& settings);

    // The flag words of a record that was never set: the percent switches, and the absolute
    // switches with "Don't change XY offset".
    std::uint16_t defaultChangeFlags() const;
    std::uint16_t defaultOptionFlags() const;
    bool keepsXyOffsets() const { return noChangeXyOffset == 1; }

    bool operator==(const DeviationSettings&) const = default;
};

// One sensor's settings: how it captures, its corrections and the tolerances its readings are
// compared with. The field names are those of the settings file.
class CKonfList {
public:
    std::int16_t Index = 1;
    std::int16_t SensorNo = 1;
    std::uint8_t TestMode = kKonfTestModeNotSet;
    std::uint8_t MeasureTime = kKonfMeasureTimeDisabled;
    std::uint8_t Range = 0; // 0 = "3 x 3", 1 = "9 x 9"
    std::uint8_t PwmRuns = 0; // runs = (code + 1) x 5
    std::int16_t UserTime = 800; // ms
    std::int16_t Gain = 100; // percent
    ShortText XOffset {"0.0000"};
    ShortText YOffset {"0.0000"};
    std::int16_t DevIntensPercent = 0;
    std::int16_t DevXYPercent = 0;
    std::uint16_t ChangeFlags = 0;
    std::uint16_t OptionFlags = 0;
    std::int16_t DevIntensAbs = 0;
    float DevXYAbs = 0.0f;
    ShortText Distance {"-.-"};

    // A fresh record at list position `index`, with the tolerances and switches of the INI.
    static CKonfList Default(int index, const DeviationSettings& deviation);

    // Takes part in a run: test mode set and a capture time chosen.
    bool isEnabled() const { return TestMode < kKonfTestModeNotSet && MeasureTime != kKonfMeasureTimeDisabled; }

    bool operator==(const CKonfList&) const = default;
};

// Sensor addressing: sensor s (1..5) on board b (from 1) has the list number 5 x (b - 1) + s.
constexpr int boardOfSensor(int sensorNo)
{
    return (sensorNo + 4) / 5;
}
constexpr int sensorOnBoard(int sensorNo)
{
    return sensorNo - 5 * (boardOfSensor(sensorNo) - 1);
}
constexpr int sensorListNumber(int board, int sensor)
{
    return 5 * (board - 1) + sensor;
}

} // namespace lumivex
