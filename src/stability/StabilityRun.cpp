#include "stability/StabilityRun.h"

#include "base/Clock.h"
#include "base/Dialogs.h"
#include "base/FormatText.h"
#include "base/NumberText.h"
#include "device/CSeriell.h"
#include "device/ProtocolLog.h"
#include "device/ReplyDecode.h"
#include "device/ReplyRules.h"
#include "foundation/CGlobal.h"
#include "foundation/StringTable.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace lumivex {

namespace {
constexpr int kSetTicks = 200;
constexpr int kReadTicks = 500;
constexpr int kManualCaptureTicks = 500;

// A whole number, blanks around it allowed, nothing else; nullopt otherwise.
std::optional<int> wholeNumber(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return std::nullopt;
    const std::string_view digits = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    if (digits.size() > 9)
        return std::nullopt;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const bool sign = i == 0 && (digits[i] == '-' || digits[i] == '+') && digits.size() > 1;
        if (!sign && (digits[i] < '0' || digits[i] > '9'))
            return std::nullopt;
    }
    return readInteger(digits);
}

bool validDelay(int delayMs)
{
    return delayMs == 0 || (delayMs >= StabilityRun::kMinDelayMs && delayMs <= StabilityRun::kMaxDelayMs);
}

std::int16_t clamp16(int value)
{
    return static_cast<std::int16_t>(std::clamp(value, -32768, 32767));
}
} // namespace

std::string stabilitySetUserTime(int userTimeMs, int board)
{
    return formatText("setusertime%.5d %d\r", userTimeMs, board);
}

std::string stabilitySetCapTime(int timeCode, int areaCode, int sensor, int board)
{
    return formatText("setcaptime%d%d%d %d\r", timeCode, areaCode, sensor, board);
}

std::string stabilitySetAverage(int factor, int board)
{
    return formatText("setaverage%.2d %d\r", factor, board);
}

std::string stabilityCapture(int timeCode, int areaCode, int sensor, int board)
{
    return formatText("capture%d%d%d %d\r", timeCode, areaCode, sensor, board);
}

std::string stabilityCapturePwm(int factor, int sensor, int board)
{
    return formatText("capturepwm%.2d%d %d\r", factor, sensor, board);
}

std::string stabilityRead(std::string_view word, int sensor, int board)
{
    return std::string(word) + formatText("%d %d\r", sensor, board);
}

StabilityRun::StabilityRun(Links links)
    : m_scheduler(links.scheduler),
      m_port(links.port),
      m_dialogs(links.dialogs),
      m_log(links.log),
      m_clock(links.clock),
      m_view(links.view),
      m_choice(std::move(links.choice)),
      m_firmwareSource(std::move(links.firmware)),
      m_loggingOn(links.loggingOn),
      m_returnPort(std::move(links.returnPort)),
      m_portBusy(std::move(links.portBusy)),
      m_exchange(links.port, JoinRules::ListAndStability, std::move(links.recorder))
{
}

StabilityRun::~StabilityRun()
{
    StopTicks();
    if (m_pauseTimer != 0)
        m_scheduler.killTimer(m_pauseTimer);
    if (m_running)
        m_port.Backend().setBytesArrivedCallback({});
}

// ---------------------------------------------------------------- settings

void StabilityRun::SetInitialSettings(int readings, int delayMs, int averaging)
{
    m_readingCount = std::clamp(readings, kMinReadings, kMaxReadings);
    m_delayMs = validDelay(delayMs) ? delayMs : 0;
    SetAveraging(averaging);
}

bool StabilityRun::SetReadingCount(int readings)
{
    if (readings < kMinReadings || readings > kMaxReadings) {
        Tell(StringId::ReadingsOutOfRange);
        return false;
    }
    if (m_durationMs > 0 && m_readingCount > 0 && readings != m_readingCount)
        m_durationMs = static_cast<int>(
            static_cast<float>(m_durationMs) * static_cast<float>(readings) / static_cast<float>(m_readingCount));
    m_readingCount = readings;
    return true;
}

bool StabilityRun::SetDelay(int delayMs)
{
    if (!validDelay(delayMs)) {
        Tell(StringId::DelayOutOfRange);
        return false;
    }
    m_delayMs = delayMs;
    return true;
}

bool StabilityRun::SetReadingCountText(std::string_view text)
{
    const auto value = wholeNumber(text);
    if (!value) {
        Tell(StringId::ReadingsOutOfRange);
        return false;
    }
    return SetReadingCount(*value);
}

bool StabilityRun::SetDelayText(std::string_view text)
{
    const auto value = wholeNumber(text);
    if (!value) {
        Tell(StringId::DelayOutOfRange);
        return false;
    }
    return SetDelay(*value);
}

void StabilityRun::SetAveraging(int factor)
{
    m_averaging = std::clamp(factor, 0, kAveragingFactors - 1);
}

void StabilityRun::Replace(std::vector<CBlinkData> readings, int readingCount, int durationMs)
{
    m_readings = std::move(readings);
    m_readingCount = readingCount;
    m_durationMs = durationMs;
}

// ---------------------------------------------------------------- title and flags

std::string StabilityRun::runningSuffix()
{
    return std::string(stringText(StringId::TitleMeasurementStarted));
}

std::string StabilityRun::IdleTitle() const
{
    const StabilityChoice c = m_choice();
    const std::string title(stringText(StringId::StabilityTitle));
    const std::string time(rangeTimeText(c.rangeIndex));
    const std::string area(rangeAreaText(c.rangeIndex));
    switch (c.testMode) {
    case 0:
        return formatText("%s  -Manual Capture-  Board: %d Sensor: %d Time: %s Area: %s", title.c_str(), c.board(),
            c.sensor(), time.c_str(), area.c_str());
    case 1:
        return formatText("%s  -User Capture-  Board: %d Sensor: %d Time: %dms Area: %s", title.c_str(), c.board(),
            c.sensor(), c.userTimeMs, c.userArea != 0 ? "9x9" : "3x3");
    case 2:
        return formatText("%s  -PWM Capture-  Board: %d Sensor: %d Time: %s Area: %s Average: %d", title.c_str(),
            c.board(), c.sensor(), time.c_str(), area.c_str(), m_averaging);
    default:
        return title;
    }
}

std::uint16_t StabilityRun::RecordFlags(const StabilityChoice& c) const
{
    std::uint16_t flags = 0;
    if (c.checkRgb && boxes.rgbi)
        flags |= BlinkFlag::Rgbi;
    if (c.checkHsi && boxes.hsi)
        flags |= BlinkFlag::Hsi;
    if (c.checkXy && boxes.xy)
        flags |= BlinkFlag::Xy;
    if (c.testMode == 1)
        flags |= BlinkFlag::UserCapture;
    else
        flags |= BlinkFlag::ManualOrPwm;
    if (c.testMode == 2)
        flags |= BlinkFlag::PwmCapture;
    return flags;
}

// ---------------------------------------------------------------- the run

void StabilityRun::Measure()
{
    if (m_running)
        return;
    m_view.ShowRunning(true);
    m_view.ShowTitle(IdleTitle());
    const StabilityChoice choice = m_choice();
    // Nothing to address, nothing to capture with, no line to the device, or the line in use by
    // the main window's own test: nothing is sent.
    if (!m_port.IsOpen() || (m_portBusy && m_portBusy()) || choice.testMode < 0 || choice.testMode > 2
        || choice.ledIndex < 0 || (choice.testMode != 1 && !rangeCapture(choice.rangeIndex))) {
        m_view.ShowRunning(false);
        return;
    }
    const std::uint16_t flags = RecordFlags(choice);
    const int board = choice.board();
    const int sensor = choice.sensor();
    int timeCode = kUserTimeCode;
    int areaCode = choice.userArea & 0xFF;
    int captureMs = choice.userTimeMs;
    if (choice.testMode != 1) {
        const RangeCapture range = *rangeCapture(choice.rangeIndex);
        timeCode = range.timeCode;
        areaCode = range.areaCode;
        captureMs = range.captureMs;
    }

    HoldPort();
    m_sent.clear();
    m_view.ShowTitle(Title());

    if ((choice.testMode == 1 && !Exchange({stabilitySetUserTime(choice.userTimeMs, board), Kind::Set, kSetTicks}))
        || !Exchange({stabilitySetCapTime(timeCode, areaCode, sensor, board), Kind::Set, kSetTicks})
        || !Exchange({stabilitySetAverage(m_averaging, board), Kind::Set, kSetTicks})) {
        // The failed request has said why.
        EndFailed(std::nullopt);
        return;
    }

    m_readings.clear();
    m_view.ReadingsCleared();
    const std::optional<std::int64_t> start = Now();
    const Request capture = choice.testMode == 2
        ? Request {stabilityCapturePwm(m_averaging, sensor, board), Kind::CapturePwm,
            ((m_averaging + 1) * captureMs + 1) * 5}
        : Request {stabilityCapture(timeCode, areaCode, sensor, board), Kind::Capture,
            choice.testMode == 1 ? choice.userTimeMs / 10 + 5 : kManualCaptureTicks};
    const int count = m_readingCount;
    for (int n = 1; n <= count; ++n) {
        if (m_cancelRequested)
            break;
        if (!Exchange(capture)) {
            EndFailed(StringId::MeasurementsFailed);
            return;
        }
        CBlinkData reading;
        reading.ReadingNo = static_cast<std::uint16_t>(n);
        reading.Flags = flags;
        m_readings.push_back(reading);
        const bool read
            = (!choice.checkRgb || Exchange({stabilityRead("getrgbi", sensor, board), Kind::Rgbi, kReadTicks}))
            && (!choice.checkHsi || Exchange({stabilityRead("gethsi", sensor, board), Kind::Hsi, kReadTicks}))
            && (!choice.checkXy || Exchange({stabilityRead("getxy", sensor, board), Kind::Xy, kReadTicks}));
        if (!read) {
            EndFailed(StringId::ErrorGettingData);
            return;
        }
        m_view.ReadingTaken(n, count);
        if (m_delayMs != 0 && !Pause()) {
            EndFailed(StringId::ErrorGettingData);
            return;
        }
    }
    if (m_aborted) {
        GiveBack();
        return;
    }
    const std::optional<std::int64_t> end = Now();
    m_durationMs = start && end ? static_cast<int>((*end - *start) / 1000) : 0;
    GiveBack();
    m_view.RunEnded(true);
}

void StabilityRun::EndFailed(std::optional<StringId> message)
{
    if (message)
        Tell(*message);
    GiveBack();
    if (!m_aborted)
        m_view.RunEnded(false);
}

void StabilityRun::GiveBack()
{
    ReleasePort();
    m_cancelRequested = false;
    if (m_aborted)
        return;
    m_view.ShowTitle(IdleTitle());
    m_view.ShowRunning(false);
}

std::optional<std::int64_t> StabilityRun::Now()
{
    const std::optional<std::int64_t> now = m_clock.nowMicros();
    if (!now)
        Tell(StringId::NoPerformanceCounter);
    return now;
}

bool StabilityRun::Pause()
{
    if (m_cancelRequested)
        return true;
    m_pausing = true;
    m_pauseTimer = m_scheduler.singleShot(std::chrono::milliseconds(m_delayMs), [this] {
        m_pauseTimer = 0;
        m_pausing = false;
    });
    while (m_pausing) {
        if (!m_scheduler.pumpOnce())
            m_pausing = false;
    }
    if (m_pauseTimer != 0) {
        m_scheduler.killTimer(m_pauseTimer);
        m_pauseTimer = 0;
    }
    return !m_aborted;
}

void StabilityRun::RequestCancel()
{
    if (!m_running)
        return;
    m_cancelRequested = true;
    // Between readings there is nothing to finish.
    m_pausing = false;
}

void StabilityRun::Abort()
{
    if (!m_running)
        return;
    m_aborted = true;
    m_cancelRequested = true;
    m_pausing = false;
    if (m_reply.Awaiting()) {
        m_replyOk = false;
        EndAwaited();
    }
}

// ---------------------------------------------------------------- one request

bool StabilityRun::Exchange(Request request)
{
    if (m_aborted)
        return false;
    ReplyRule rule; // "OK"
    std::optional<Command> read;
    if (request.kind == Kind::Rgbi)
        read = Command::GetRgbi;
    else if (request.kind == Kind::Hsi)
        read = Command::GetHsi;
    else if (request.kind == Kind::Xy)
        read = Command::GetXy;
    if (read)
        rule = replyRule(*read, m_firmware);
    m_kind = request.kind;
    m_replyOk = false;
    if (!m_exchange.Send(request.text, rule, m_dialogs, m_log, m_loggingOn))
        return false;
    m_reply.Begin(static_cast<int>(request.kind), request.ticks);
    m_sent.push_back(std::move(request));
    StartTicks();
    m_reply.Wait(m_scheduler);
    StopTicks();
    return m_replyOk && !m_aborted;
}

void StabilityRun::StartTicks()
{
    if (m_tickTimer == 0)
        m_tickTimer = m_scheduler.setTimer(std::chrono::milliseconds(kTickMs), [this] { OnTick(); });
}

void StabilityRun::StopTicks()
{
    if (m_tickTimer != 0)
        m_scheduler.killTimer(m_tickTimer);
    m_tickTimer = 0;
}

void StabilityRun::ReadArrived()
{
    Take(m_reply.Read());
}

void StabilityRun::OnTick()
{
    Take(m_reply.Tick());
}

void StabilityRun::Take(AwaitedReply::Step step)
{
    if (step == AwaitedReply::Step::Complete) {
        HandleComplete();
    } else if (step == AwaitedReply::Step::Failed) {
        m_replyOk = false;
        if (const auto message = m_reply.Message())
            Tell(*message);
    }
}

void StabilityRun::EndAwaited()
{
    m_reply.End();
}

void StabilityRun::FailAwaited(StringId message)
{
    EndAwaited();
    m_replyOk = false;
    Tell(message);
}

void StabilityRun::Tell(StringId message)
{
    if (!m_aborted)
        m_dialogs.message(std::string(stringText(message)));
}

void StabilityRun::HandleComplete()
{
    std::optional<Command> command;
    if (m_kind == Kind::Rgbi)
        command = Command::GetRgbi;
    else if (m_kind == Kind::Hsi)
        command = Command::GetHsi;
    else if (m_kind == Kind::Xy)
        command = Command::GetXy;
    if (!command || m_readings.empty()) {
        EndAwaited();
        m_replyOk = true;
        return;
    }
    const std::string text = m_exchange.Text();
    if (m_loggingOn && m_log.IsLogging(ProtocolLog::kLevel))
        m_log.WriteLog(ProtocolLog::kLevel, ProtocolLog::reply(lastLine(text), static_cast<int>(m_kind)).substr(0, 99));
    // A field without digits would be stored as a value the device never sent.
    if (!numberFieldsHoldDigits(*command, text, m_firmware)) {
        FailAwaited(ProtocolLog::kNoReturnMessage);
        return;
    }
    CBlinkData& reading = m_readings.back();
    switch (*command) {
    case Command::GetRgbi: {
        RgbiReply rgbi = decodeRgbi(text, m_firmware);
        // The wide counts are shares of their sum, so that the three add up to about 255.
        const int sum = rgbi.red + rgbi.green + rgbi.blue;
        if (m_firmware >= kFirmwareWideCounts && sum > 0) {
            rgbi.red = rgbi.red * 255 / sum;
            rgbi.green = rgbi.green * 255 / sum;
            rgbi.blue = rgbi.blue * 255 / sum;
        }
        reading.Red = clamp16(rgbi.red);
        reading.Green = clamp16(rgbi.green);
        reading.Blue = clamp16(rgbi.blue);
        reading.Intensity = rgbi.intensity;
        break;
    }
    case Command::GetHsi: {
        const HsiReply hsi = decodeHsi(text);
        reading.Hue = static_cast<float>(hsi.hue);
        reading.Saturation = clamp16(hsi.saturation);
        reading.Intensity = hsi.intensity;
        break;
    }
    case Command::GetXy: {
        const XyReply xy = decodeXy(text);
        reading.X = static_cast<float>(xy.x);
        reading.Y = static_cast<float>(xy.y);
        break;
    }
    default:
        break;
    }
    EndAwaited();
    m_replyOk = true;
}

void StabilityRun::HoldPort()
{
    m_running = true;
    m_cancelRequested = false;
    m_aborted = false;
    m_firmware = m_firmwareSource ? m_firmwareSource() : 0;
    m_port.Backend().setBytesArrivedCallback([this] {
        if (!m_tickOnly)
            ReadArrived();
    });
}

void StabilityRun::ReleasePort()
{
    StopTicks();
    if (m_reply.Awaiting())
        EndAwaited();
    m_running = false;
    if (m_returnPort)
        m_returnPort();
    else
        m_port.Backend().setBytesArrivedCallback({});
}

} // namespace lumivex
