#pragma once

#include "device/DeviceRequest.h"
#include "device/ReplyDecode.h"
#include "multisensor/CKonfList.h"
#include "multisensor/CMessList.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumivex {

// What an awaited reply of the measurement list answers. The numbers are the list's own; 23, 25,
// 26 and 27 coincide with the main window's command numbers, and all of them appear in the log.
enum class ListReply : int {
    None = 0,
    Set = 1, // any set command
    CaptureAll = 2,
    CapturePwmAll = 3,
    Successive = 4, // one sensor's capture of a mixed run
    Rgbi = 5,
    Hsi = 6,
    Xy = 7,
    Intensity = 8,
    CTemp = 23,
    XOffset = 25,
    YOffset = 26,
    Distance = 27,
    Output = 32,
};

// The read command behind a read kind; nullopt for the kinds that wait for "OK".
std::optional<Command> readCommandOf(ListReply kind);

// How the run captures: 0 "capture" for standard sensors, 1 the same with user times, 2
// "capturepwm" for PWM sensors, 3 one capture per sensor when PWM and standard sensors are mixed.
enum class CaptureMode : int { Standard = 0, User = 1, Pwm = 2, Successive = 3 };

struct CapturePlan {
    CaptureMode mode = CaptureMode::Standard;
    int longestUserTimeMs = 0; // standard family
    int pwmDurationMs = 0; // PWM family
};

// A request of the run with its reply kind and its budget of 10 ms ticks.
struct RunRequest {
    std::string text;
    ListReply kind = ListReply::None;
    int ticks = 0;
    friend bool operator==(const RunRequest&, const RunRequest&) = default;
};

inline constexpr int kSetTicks = 200; // set commands and the outputs
inline constexpr int kReadTicks = 500;
inline constexpr int kManualCaptureTicks = 500;

// Takes part in a run: set up, a capture time chosen, and a sensor the device has.
bool takesPart(const CKonfList& sensor, int sensorCount);

// Capture time of one run of the sensor in ms: its code's time, the user time for code 8. A code
// without a defined time counts as 200 ms, as everywhere a time-out is sized.
int timePerRunMs(const CKonfList& sensor);

// The capture mode of the sensors taking part, in list order. A PWM sensor next to a standard
// one in that order makes the run successive (the caller tells the user). The all-sensor
// captures are given about twice their expected time plus 50 ms: a user capture the longest user
// time or slower standard time, a PWM capture the most runs times the longest time per run.
CapturePlan chooseCaptureMode(const std::vector<const CKonfList*>& sensors);

// The capture requests of a plan. Successive captures address each sensor with the one-sensor
// form of its own capture, so each sensor is captured with its own settings.
std::vector<RunRequest> captureRequests(const CapturePlan& plan, const std::vector<const CKonfList*>& sensors);

// One pending setting of a sensor and the ChangeFlags bits its "OK" clears.
struct SettingRequest {
    std::uint16_t bits = 0;
    std::string text;
    friend bool operator==(const SettingRequest&, const SettingRequest&) = default;
};

// The pending settings of a sensor in the order the device takes them. The offsets go only when
// neither the global "don't change XY offset" switch (`offsetsLocked`) nor the sensor's own one
// holds them back; the distance only from firmware 1007 on, and only a distance that was set (not
// "-.-"). Empty when bit 0 is clear.
std::vector<SettingRequest> pendingSettingRequests(const CKonfList& sensor, int firmware, bool offsetsLocked);

// Which value groups a run reads ("CheckRGB", "CheckHSI", "CheckXY").
struct ValueGroups {
    bool rgb = true;
    bool hsi = true;
    bool xy = true;
};

// The reads of one sensor, in order. Firmware 0 (not known) reads everything.
std::vector<RunRequest> readRequests(const CKonfList& sensor, const ValueGroups& groups, int firmware);

// Whether the firmware has the digital outputs (pass/fail) and the input message: 0 or 2002 on.
bool hasDigitalIo(int firmware);

// --- reading texts, as the rows show them ---

// Colour shares 0..255 of the sum, "Overfl." for each channel at full scale (the others empty),
// "Underfl." for all three when all are 0. The intensity only when some colour was seen.
ReadingTexts rgbiTexts(const RgbiReply& reply, int fullScale);
ReadingTexts hsiTexts(const HsiReply& reply);
ReadingTexts xyTexts(const XyReply& reply);
ReadingTexts colourTemperatureTexts(double kelvin);

} // namespace lumivex
