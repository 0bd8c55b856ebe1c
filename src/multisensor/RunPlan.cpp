#include "multisensor/RunPlan.h"

#include "base/FormatText.h"
#include "device/ReplyRules.h"
#include "foundation/StringTable.h"

#include <algorithm>

namespace lumivex {
namespace {

constexpr int kUndefinedTimeMs = 200;

bool isPwm(const CKonfList& sensor)
{
    return sensor.TestMode == kKonfPwmCapture;
}

bool usesUserTime(const CKonfList& sensor)
{
    return sensor.TestMode == kKonfUserCapture || sensor.MeasureTime == kKonfMeasureTimeUser;
}

// The device averages 5 x (code + 1) runs.
int pwmRunCount(const CKonfList& sensor)
{
    return (sensor.PwmRuns + 1) * 5;
}

} // namespace

std::optional<Command> readCommandOf(ListReply kind)
{
    switch (kind) {
    case ListReply::Rgbi:
        return Command::GetRgbi;
    case ListReply::Hsi:
        return Command::GetHsi;
    case ListReply::Xy:
        return Command::GetXy;
    case ListReply::Intensity:
        return Command::GetIntensity;
    case ListReply::CTemp:
        return Command::GetCTemp;
    case ListReply::XOffset:
        return Command::GetXOffset;
    case ListReply::YOffset:
        return Command::GetYOffset;
    case ListReply::Distance:
        return Command::GetDistance;
    default:
        return std::nullopt;
    }
}

bool takesPart(const CKonfList& sensor, int sensorCount)
{
    // A number below 1 (from a damaged file) names no board the device has.
    return sensor.isEnabled() && sensor.SensorNo >= 1 && sensor.SensorNo <= sensorCount;
}

int timePerRunMs(const CKonfList& sensor)
{
    return captureTimeMs(sensor.MeasureTime, sensor.UserTime).value_or(kUndefinedTimeMs);
}

CapturePlan chooseCaptureMode(const std::vector<const CKonfList*>& sensors)
{
    CapturePlan plan;
    if (sensors.empty())
        return plan;
    const bool pwmFamily = isPwm(*sensors.front());
    const CKonfList* previous = nullptr;
    int longestRunMs = 0;
    int mostRuns = 0;
    for (const CKonfList* sensor : sensors) {
        if (previous && sensor->TestMode != previous->TestMode && (isPwm(*sensor) || isPwm(*previous)))
            return {CaptureMode::Successive, 0, 0};
        previous = sensor;
        longestRunMs = std::max(longestRunMs, timePerRunMs(*sensor));
        if (pwmFamily) {
            mostRuns = std::max(mostRuns, static_cast<int>(sensor->PwmRuns));
            continue;
        }
        plan.longestUserTimeMs = std::max(plan.longestUserTimeMs, static_cast<int>(sensor->UserTime));
        if (usesUserTime(*sensor))
            plan.mode = CaptureMode::User;
    }
    if (pwmFamily) {
        // The device averages every sensor of a board with that board's runs, so the slowest
        // sensor may run with the most runs of any: taking the two together never cuts a
        // capture short, whatever order the sensors come in.
        plan.mode = CaptureMode::Pwm;
        plan.pwmDurationMs = (mostRuns + 1) * 5 * longestRunMs;
    } else if (plan.mode == CaptureMode::User) {
        // A standard sensor slower than every user time is waited for as well.
        plan.longestUserTimeMs = std::max(plan.longestUserTimeMs, longestRunMs);
    }
    return plan;
}

std::vector<RunRequest> captureRequests(const CapturePlan& plan, const std::vector<const CKonfList*>& sensors)
{
    switch (plan.mode) {
    case CaptureMode::Standard:
        return {{formatPlainRequest(Command::Capture), ListReply::CaptureAll, kManualCaptureTicks}};
    case CaptureMode::User:
        return {{formatPlainRequest(Command::Capture), ListReply::CaptureAll, plan.longestUserTimeMs / 5 + 5}};
    case CaptureMode::Pwm:
        return {{formatPlainRequest(Command::CapturePwm), ListReply::CapturePwmAll, plan.pwmDurationMs / 5 + 5}};
    case CaptureMode::Successive:
        break;
    }
    std::vector<RunRequest> requests;
    for (const CKonfList* sensor : sensors) {
        const int board = boardOfSensor(sensor->SensorNo);
        const int s = sensorOnBoard(sensor->SensorNo);
        if (isPwm(*sensor)) {
            requests.push_back({formatCapturePwm(sensor->PwmRuns, s, board), ListReply::Successive,
                pwmRunCount(*sensor) * timePerRunMs(*sensor) / 10 + 20});
            continue;
        }
        const std::string text = formatCodeAreaRequest(Command::Capture, sensor->MeasureTime, sensor->Range, s, board);
        const int ticks = usesUserTime(*sensor)
            ? std::max(static_cast<int>(sensor->UserTime), timePerRunMs(*sensor)) / 10 + 20
            : kManualCaptureTicks;
        requests.push_back({text, ListReply::Successive, ticks});
    }
    return requests;
}

std::vector<SettingRequest> pendingSettingRequests(const CKonfList& sensor, int firmware, bool offsetsLocked)
{
    std::vector<SettingRequest> requests;
    const std::uint16_t flags = sensor.ChangeFlags;
    if (!(flags & KonfChange::Pending))
        return requests;
    const int board = boardOfSensor(sensor.SensorNo);
    const int s = sensorOnBoard(sensor.SensorNo);
    if (flags & KonfChange::UserTime)
        requests.push_back({KonfChange::UserTime, formatSetUserTime(sensor.UserTime, board)});
    if (flags & (KonfChange::MeasureTime | KonfChange::Range)) {
        requests.push_back({KonfChange::MeasureTime | KonfChange::Range,
            formatCodeAreaRequest(Command::SetCapTime, sensor.MeasureTime, sensor.Range, s, board)});
    }
    if (flags & KonfChange::PwmRuns)
        requests.push_back({KonfChange::PwmRuns, formatSetAverage(sensor.PwmRuns, board)});
    if (flags & KonfChange::Gain)
        requests.push_back({KonfChange::Gain, formatSetIntGain(s, sensor.Gain, board)});
    const bool offsetsGo = !offsetsLocked && !(sensor.OptionFlags & KonfOption::KeepXyOffset);
    if ((flags & KonfChange::XOffset) && offsetsGo)
        requests.push_back({KonfChange::XOffset, formatSetOffset(Command::SetXOffset, s, sensor.XOffset.str(), board)});
    if ((flags & KonfChange::YOffset) && offsetsGo)
        requests.push_back({KonfChange::YOffset, formatSetOffset(Command::SetYOffset, s, sensor.YOffset.str(), board)});
    // "-.-" stands for a distance never set: there is nothing to send, and the device would refuse
    // it, failing every run after a settings file was loaded.
    const bool distanceKnown = sensor.Distance.view().find_first_of("0123456789") != std::string_view::npos;
    if ((flags & KonfChange::Distance) && firmware >= kFirmwareWideCounts && distanceKnown)
        requests.push_back({KonfChange::Distance, formatSetDistance(s, sensor.Distance.str(), board)});
    return requests;
}

std::vector<RunRequest> readRequests(const CKonfList& sensor, const ValueGroups& groups, int firmware)
{
    const int board = boardOfSensor(sensor.SensorNo);
    const int s = sensorOnBoard(sensor.SensorNo);
    std::vector<RunRequest> requests;
    const auto add = [&](ListReply kind) {
        requests.push_back({formatSensorRequest(*readCommandOf(kind), s, board), kind, kReadTicks});
    };
    if (groups.rgb)
        add(ListReply::Rgbi);
    if (groups.hsi)
        add(ListReply::Hsi);
    else if (!groups.rgb)
        add(ListReply::Intensity);
    if (groups.xy) {
        add(ListReply::Xy);
        if (firmware == 0 || firmware >= kFirmwareColourTemperature)
            add(ListReply::CTemp);
    }
    if (firmware == 0 || firmware >= kFirmwareWideCounts) {
        add(ListReply::XOffset);
        add(ListReply::YOffset);
        add(ListReply::Distance);
    }
    return requests;
}

bool hasDigitalIo(int firmware)
{
    return firmware == 0 || firmware >= kFirmwareInputPoll;
}

ReadingTexts rgbiTexts(const RgbiReply& reply, int fullScale)
{
    ReadingTexts texts;
    const int sum = reply.red + reply.green + reply.blue;
    const std::string overflow(stringText(StringId::Overflow));
    if (reply.red == fullScale || reply.green == fullScale || reply.blue == fullScale) {
        if (reply.red == fullScale)
            texts.red = overflow;
        if (reply.green == fullScale)
            texts.green = overflow;
        if (reply.blue == fullScale)
            texts.blue = overflow;
    } else if (reply.red == 0 && reply.green == 0 && reply.blue == 0) {
        texts.red = texts.green = texts.blue = std::string(stringText(StringId::Underflow));
    } else if (sum > 0) {
        texts.red = std::to_string(reply.red * 255 / sum);
        texts.green = std::to_string(reply.green * 255 / sum);
        texts.blue = std::to_string(reply.blue * 255 / sum);
    }
    if (sum > 0)
        texts.intens = std::to_string(reply.intensity);
    return texts;
}

ReadingTexts hsiTexts(const HsiReply& reply)
{
    ReadingTexts texts;
    texts.hue = formatText("%.2f", reply.hue);
    texts.sat = formatText("%d %s", reply.saturation, "%");
    texts.intens = formatText("%d", reply.intensity);
    return texts;
}

ReadingTexts xyTexts(const XyReply& reply)
{
    ReadingTexts texts;
    texts.x = formatText("%.4f", reply.x);
    texts.y = formatText("%.4f", reply.y);
    return texts;
}

ReadingTexts colourTemperatureTexts(double kelvin)
{
    ReadingTexts texts;
    texts.temp = formatText("%d", static_cast<int>(kelvin));
    return texts;
}

} // namespace lumivex
