#include "sim/SimDeviceModel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace lumivex {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr std::array<int, 7> kCodeTimesMs {600, 200, 120, 60, 20, 10, 2};

template<typename... Args> std::string format(const char* pattern, Args... args)
{
    char buffer[64];
    const int n = std::snprintf(buffer, sizeof buffer, pattern, args...);
    return std::string(buffer, static_cast<std::size_t>(std::clamp(n, 0, static_cast<int>(sizeof buffer) - 1)));
}

// x and y take six characters whatever their sign: a negative value (after an offset) gives up
// one decimal.
std::string chromaticityField(double value)
{
    value = std::clamp(value, -9.99, 9.9999);
    return value < 0.0 ? format("%6.3f", value) : format("%6.4f", value);
}

int pwmRuns(int factor)
{
    return 5 * (factor + 1);
}

} // namespace

SimDeviceModel::SimDeviceModel(const SimConfig& config, std::int64_t startMicros)
    : m_config(config), m_startMicros(startMicros), m_random(config.seed)
{
    m_boards.resize(static_cast<std::size_t>(config.boards));
    for (int b = 1; b <= config.boards; ++b) {
        for (int s = 1; s <= kSimSensorsPerBoard; ++s)
            sensorRef(b, s).led = defaultSimLed(b, s);
    }
    for (const SimLedSetting& setting : config.leds)
        setLed(setting.board, setting.sensor, setting.led);
}

const SimDeviceModel::Sensor& SimDeviceModel::sensor(int board, int sensor) const
{
    return m_boards.at(static_cast<std::size_t>(board - 1)).sensors.at(static_cast<std::size_t>(sensor - 1));
}

SimDeviceModel::Sensor& SimDeviceModel::sensorRef(int board, int sensor)
{
    return m_boards.at(static_cast<std::size_t>(board - 1)).sensors.at(static_cast<std::size_t>(sensor - 1));
}

void SimDeviceModel::setLed(int board, int sensor, const SimLed& led)
{
    sensorRef(board, sensor).led = led;
}

int SimDeviceModel::captureTimeMs(int board, int code) const
{
    if (code == 8)
        return this->board(board).userTime;
    return code >= 1 && code <= 7 ? kCodeTimesMs.at(static_cast<std::size_t>(code - 1)) : 0;
}

bool SimDeviceModel::accepts(const SimRequest& request) const
{
    if (request.board != 0 && request.board > boardCount())
        return false;
    switch (request.command) {
    case SimCommand::GetCtemp:
        return m_config.firmware >= 1004;
    case SimCommand::GetXOffset:
    case SimCommand::GetYOffset:
    case SimCommand::GetDistance:
    case SimCommand::SetDistance:
        return m_config.firmware >= 1007;
    case SimCommand::SetOutput:
        return hasDigitalIo();
    default:
        return true;
    }
}

std::int64_t SimDeviceModel::durationMicros(const SimRequest& r) const
{
    if (!accepts(r))
        return 0;
    std::int64_t longestMs = 0;
    switch (r.command) {
    case SimCommand::Capture:
        longestMs = captureTimeMs(r.board, r.code);
        break;
    case SimCommand::CapturePwm:
        longestMs
            = static_cast<std::int64_t>(captureTimeMs(r.board, sensor(r.board, r.sensor).code)) * pwmRuns(r.value);
        break;
    case SimCommand::CaptureAll:
    case SimCommand::CapturePwmAll:
        // The sensors capture side by side; the slowest decides when "OK" comes.
        for (int b = 1; b <= boardCount(); ++b) {
            const int runs = r.command == SimCommand::CapturePwmAll ? pwmRuns(board(b).average) : 1;
            for (const Sensor& s : board(b).sensors)
                longestMs
                    = std::max<std::int64_t>(longestMs, static_cast<std::int64_t>(captureTimeMs(b, s.code)) * runs);
        }
        break;
    default:
        break;
    }
    return longestMs * 1000;
}

double SimDeviceModel::intensityAt(const SimLed& led, std::int64_t micros)
{
    const double seconds = static_cast<double>(micros - m_startMicros) / 1e6;
    const double drift = std::max(0.0, 1.0 + led.driftPercentPerMinute / 100.0 * seconds / 60.0);
    const double phase = 2.0 * kPi * seconds * 1000.0 / led.flickerPeriodMs;
    const double flicker = 1.0 + led.flickerPercent / 100.0 * std::sin(phase);
    // The engine's raw output, so that a seed gives the same jitter on every platform.
    const double unit = static_cast<double>(m_random()) / static_cast<double>(std::mt19937::max()) * 2.0 - 1.0;
    const double jitter = 1.0 + m_config.jitterPercent / 100.0 * unit;
    return std::max(0.0, led.intensity * drift * flicker * jitter);
}

void SimDeviceModel::capture(int board, int sensor, int code, int runs, std::int64_t startMicros)
{
    Sensor& s = sensorRef(board, sensor);
    // Each run samples the LED in the middle of its share of the capture, so PWM averaging
    // smooths flicker and jitter the way a real averaging capture does.
    const std::int64_t spanMicros = static_cast<std::int64_t>(captureTimeMs(board, code)) * 1000 * runs;
    double sum = 0.0;
    for (int i = 0; i < runs; ++i)
        sum += intensityAt(s.led, startMicros + spanMicros * (2 * i + 1) / (2 * runs));
    const double intensity = sum / runs * s.gain / 100.0;
    s.last = simReadingFor(s.led.red, s.led.green, s.led.blue, intensity, fullScale(), s.xOffset, s.yOffset);
    ++s.captures;
}

void SimDeviceModel::restoreDefaults()
{
    for (Board& b : m_boards) {
        b.userTime = 800;
        b.average = 0;
        for (Sensor& s : b.sensors) {
            s.code = 2;
            s.area = 0;
            s.gain = 100;
            s.xOffset = 0.0;
            s.yOffset = 0.0;
            s.distance = 2.0;
        }
    }
    m_outputs = {false, false};
}

SimReply SimDeviceModel::execute(const SimRequest& r, std::int64_t startMicros)
{
    if (!accepts(r))
        return {SimReply::Kind::Error, "ERROR"};
    const SimReply ok {SimReply::Kind::Ok, "OK"};
    switch (r.command) {
    case SimCommand::TestCon:
        return {SimReply::Kind::Identity, format("%dOK", boardCount())};
    case SimCommand::GetHw:
        return {SimReply::Kind::Identity, m_config.hardwareText};
    case SimCommand::GetSerial:
        return {SimReply::Kind::Identity, m_config.serialText};
    case SimCommand::GetVersion:
        return {SimReply::Kind::Identity, format("%04d", m_config.firmware)};
    case SimCommand::GetUserTime:
        return {SimReply::Kind::Identity, format("%05d", board(r.board).userTime)};
    case SimCommand::SetDefault:
        restoreDefaults();
        return ok;
    case SimCommand::CaptureAll:
    case SimCommand::CapturePwmAll:
        for (int b = 1; b <= boardCount(); ++b) {
            const int runs = r.command == SimCommand::CapturePwmAll ? pwmRuns(board(b).average) : 1;
            for (int s = 1; s <= kSimSensorsPerBoard; ++s)
                capture(b, s, sensor(b, s).code, runs, startMicros);
        }
        return ok;
    case SimCommand::Capture:
        // The device keeps the code of a sensor's last capture; a later PWM capture uses it.
        sensorRef(r.board, r.sensor).code = r.code;
        sensorRef(r.board, r.sensor).area = r.area;
        capture(r.board, r.sensor, r.code, 1, startMicros);
        return ok;
    case SimCommand::CapturePwm:
        capture(r.board, r.sensor, sensor(r.board, r.sensor).code, pwmRuns(r.value), startMicros);
        return ok;
    case SimCommand::SetCapTime:
        sensorRef(r.board, r.sensor).code = r.code;
        sensorRef(r.board, r.sensor).area = r.area;
        return ok;
    case SimCommand::SetUserTime:
        m_boards.at(static_cast<std::size_t>(r.board - 1)).userTime = r.value;
        return ok;
    case SimCommand::SetAverage:
        m_boards.at(static_cast<std::size_t>(r.board - 1)).average = r.value;
        return ok;
    case SimCommand::SetIntGain:
        sensorRef(r.board, r.sensor).gain = r.value;
        return ok;
    case SimCommand::SetXOffset:
        sensorRef(r.board, r.sensor).xOffset = r.number;
        return ok;
    case SimCommand::SetYOffset:
        sensorRef(r.board, r.sensor).yOffset = r.number;
        return ok;
    case SimCommand::SetDistance:
        sensorRef(r.board, r.sensor).distance = r.number;
        return ok;
    case SimCommand::SetOutput:
        m_outputs.at(static_cast<std::size_t>(r.value)) = r.state == 1;
        return ok;
    default:
        return valueReply(r);
    }
}

SimReply SimDeviceModel::valueReply(const SimRequest& r) const
{
    const Sensor& s = sensor(r.board, r.sensor);
    const SimReading& v = s.last;
    std::string text;
    switch (r.command) {
    case SimCommand::GetRgbi:
        text = fullScale() > 255 ? format("%04d %04d %04d %05d", v.red, v.green, v.blue, v.intensity)
                                 : format("%03d %03d %03d %05d", v.red, v.green, v.blue, v.intensity);
        break;
    case SimCommand::GetHsi:
        text = format("%06.2f %03d %05d", v.hue, v.saturation, v.intensity);
        break;
    case SimCommand::GetXy:
        text = chromaticityField(v.x) + " " + chromaticityField(v.y);
        break;
    case SimCommand::GetCtemp:
        text = format("%07.1f", v.cct);
        break;
    case SimCommand::GetXOffset:
        text = format("%+07.4f", s.xOffset);
        break;
    case SimCommand::GetYOffset:
        text = format("%+07.4f", s.yOffset);
        break;
    case SimCommand::GetDistance:
        text = format("%05.1f", s.distance);
        break;
    case SimCommand::GetIntensity:
        text = format("%05d", v.intensity);
        break;
    default:
        return {SimReply::Kind::Error, "ERROR"};
    }
    return {SimReply::Kind::Value, text};
}

} // namespace lumivex
