#include "multisensor/MeasurementRun.h"

#include "base/Dialogs.h"
#include "base/FormatText.h"
#include "device/CSeriell.h"
#include "device/ProtocolLog.h"
#include "device/ReplyDecode.h"
#include "device/ReplyRules.h"
#include "foundation/CGlobal.h"
#include "foundation/Settings.h"
#include "foundation/StringTable.h"
#include "multisensor/MeasurementRunView.h"
#include "multisensor/ReadingLists.h"
#include "multisensor/SensorSettingsList.h"

#include <chrono>

namespace lumivex {

MeasurementRun::MeasurementRun(Links links)
    : m_scheduler(links.scheduler),
      m_port(links.port),
      m_dialogs(links.dialogs),
      m_log(links.log),
      m_settings(links.settings),
      m_sensorSettings(links.sensorSettings),
      m_readings(links.readings),
      m_view(links.view),
      m_firmwareSource(std::move(links.firmware)),
      m_loggingOn(links.loggingOn),
      m_returnPort(std::move(links.returnPort)),
      m_setAside(std::move(links.setAside)),
      m_exchange(links.port, JoinRules::ListAndStability, std::move(links.recorder))
{
}

MeasurementRun::~MeasurementRun()
{
    StopInputPoll();
    if (m_timer != 0)
        m_scheduler.killTimer(m_timer);
    // Only reachable while a run waits if its owner is torn down under it: nothing may call back
    // into this object afterwards.
    if (m_running)
        m_port.Backend().setBytesArrivedCallback({});
}

// ---------------------------------------------------------------- one request

bool MeasurementRun::Exchange(const RunRequest& request)
{
    if (m_cancelled)
        return false;
    ReplyRule rule; // "OK"
    if (const auto command = readCommandOf(request.kind))
        rule = replyRule(*command, m_firmware);
    m_kind = request.kind;
    m_replyOk = false;
    if (!m_exchange.Send(request.text, rule, m_dialogs, m_log, m_loggingOn))
        return false;
    m_sent.push_back(request);
    m_reply.Begin(static_cast<int>(request.kind), request.ticks);
    m_reply.Wait(m_scheduler);
    return m_replyOk && !m_cancelled;
}

void MeasurementRun::ReadArrived()
{
    // A lost port fails the step that waited without a message: the owner reports it once the
    // run has handed the port back.
    Take(m_reply.Read());
}

void MeasurementRun::OnTick()
{
    Take(m_reply.Tick());
}

void MeasurementRun::Take(AwaitedReply::Step step)
{
    if (step == AwaitedReply::Step::Complete) {
        HandleComplete();
    } else if (step == AwaitedReply::Step::Failed) {
        m_replyOk = false;
        m_timedOut = m_timedOut || m_reply.TimedOut();
        if (const auto message = m_reply.Message())
            Tell(*message);
    }
}

void MeasurementRun::EndAwaited()
{
    m_reply.End();
}

void MeasurementRun::FailAwaited(StringId message)
{
    EndAwaited();
    m_replyOk = false;
    Tell(message);
}

void MeasurementRun::Tell(StringId message)
{
    if (!m_cancelled)
        m_dialogs.message(std::string(stringText(message)));
}

void MeasurementRun::HandleComplete()
{
    const auto command = readCommandOf(m_kind);
    if (!command) {
        // Every other kind waits for "OK", and the reply is complete only once it came.
        EndAwaited();
        m_replyOk = true;
        return;
    }
    const std::string text = m_exchange.Text();
    const std::string line(lastLine(text));
    if (m_loggingOn && m_log.IsLogging(ProtocolLog::kLevel))
        m_log.WriteLog(ProtocolLog::kLevel, ProtocolLog::reply(line, static_cast<int>(m_kind)));
    // A field without digits would be stored as a value the device never sent.
    if (!numberFieldsHoldDigits(*command, text, m_firmware)) {
        FailAwaited(ProtocolLog::kNoReturnMessage);
        return;
    }
    switch (m_kind) {
    case ListReply::Rgbi:
        StoreTexts(rgbiTexts(decodeRgbi(text, m_firmware), rgbFullScale(m_firmware)));
        break;
    case ListReply::Hsi:
        StoreTexts(hsiTexts(decodeHsi(text)));
        break;
    case ListReply::Xy: {
        const XyReply xy = decodeXy(text);
        if (xy.x < 0 || xy.y < 0)
            m_xyWarning = true;
        StoreTexts(xyTexts(xy));
        break;
    }
    case ListReply::Intensity: {
        ReadingTexts texts;
        texts.intens = decodeIntensityText(text);
        StoreTexts(texts);
        break;
    }
    case ListReply::CTemp:
        StoreTexts(colourTemperatureTexts(decodeColourTemperature(text)));
        break;
    case ListReply::XOffset:
        m_xOffsetText = decodeOffset(text).text;
        break;
    case ListReply::YOffset:
        m_yOffsetText = decodeOffset(text).text;
        break;
    case ListReply::Distance: {
        const CKonfList& c = m_context;
        m_sensorSettings.UpdateSettingsFromDevice({c.SensorNo, c.TestMode, c.MeasureTime, c.Range, c.PwmRuns,
            c.UserTime, c.Gain, m_xOffsetText, m_yOffsetText, formatText("%.1f", decodeDistance(text))});
        break;
    }
    default:
        break;
    }
    EndAwaited();
    m_replyOk = true;
}

void MeasurementRun::StoreTexts(const ReadingTexts& texts)
{
    const auto flags = static_cast<std::uint16_t>(m_context.TestMode | ReadingFlag::Measured);
    m_readings.StoreReading(m_context.SensorNo, texts, m_context.MeasureTime, m_context.Range, flags);
}

// ---------------------------------------------------------------- the run

void MeasurementRun::ShowBaseTitle()
{
    m_title = m_readings.baseTitle();
    m_view.ShowTitle(m_title);
}

void MeasurementRun::ShowTitle(StringId suffix)
{
    m_title = m_readings.baseTitle() + std::string(stringText(suffix));
    m_view.ShowTitle(m_title);
}

void MeasurementRun::Cancel()
{
    if (!m_running)
        return;
    m_cancelled = true;
    if (m_reply.Awaiting())
        EndAwaited();
}

void MeasurementRun::PerformMeasurement()
{
    // A second start from inside a wait of the first (the input, a double click) is no new run.
    if (m_running)
        return;
    m_lastEnd = RunEnd::NotStarted;
    m_kind = ListReply::None;
    m_plan = {};
    ShowBaseTitle();
    if (!m_port.IsOpen() || m_readings.sensorCount() == 0)
        return;
    // The main window's reply must not land in this run.
    if (m_busy)
        return;

    m_xyWarning = false;
    m_sent.clear();
    // Whoever started the run (the button, the input signal), the rows and the report follow what
    // this run reads.
    m_readings.setChecks(
        {m_settings.checkRgb == 1, m_settings.checkHsi == 1, m_settings.checkXy == 1, CurrentFirmware()});
    m_view.EnablePerform(false);
    HoldPort();
    ++m_runCount;

    // Copies: the lists may be edited or reloaded while the run waits for a reply.
    std::vector<CKonfList> sensors;
    for (const CKonfList* record : m_sensorSettings.walkByIndex()) {
        if (takesPart(*record, m_readings.sensorCount()))
            sensors.push_back(*record);
    }
    std::vector<const CKonfList*> order;
    for (const CKonfList& sensor : sensors)
        order.push_back(&sensor);
    m_plan = chooseCaptureMode(order);
    if (m_plan.mode == CaptureMode::Successive)
        Tell(StringId::MixedCaptureMode);

    if (m_sensorSettings.isModified()) {
        ShowTitle(StringId::TitleSendingSettings);
        if (!SendSettings(sensors)) {
            EndFailed();
            return;
        }
        m_sensorSettings.setModified(false);
    }
    if (hasDigitalIo(m_firmware) && !SwitchOutputs({{0, false}, {1, false}})) {
        EndFailed();
        return;
    }
    m_readings.CreateEmptyReadings(static_cast<int>(m_readings.results().size()));

    ShowTitle(StringId::TitleMeasurementStarted);
    if (!Capture(order)) {
        Tell(StringId::MeasurementsFailed);
        ShowBaseTitle();
        EndRun(false);
        return;
    }
    ShowTitle(StringId::TitleCollectingData);
    if (!ReadAll(sensors)) {
        Tell(StringId::ErrorGettingData);
        ShowBaseTitle();
        EndRun(false);
        return;
    }
    ShowTitle(StringId::TitleComparingData);
    if (!m_readings.CompareWithReference(m_sensorSettings)) {
        Tell(StringId::NoReferenceData);
        ShowBaseTitle();
    } else {
        ShowTitle(StringId::TitleMeasurementCompleted);
    }
    if (m_xyWarning) {
        Tell(StringId::XyOutOfRange);
        m_xyWarning = false;
    }
    EndRun(true);
}

bool MeasurementRun::SendSettings(const std::vector<CKonfList>& sensors)
{
    const bool offsetsLocked = m_settings.noChangeXyOffset != 0;
    const int count = static_cast<int>(sensors.size());
    for (int i = 0; i < count; ++i) {
        const CKonfList& sensor = sensors[static_cast<std::size_t>(i)];
        if (!(sensor.ChangeFlags & KonfChange::Pending))
            continue;
        m_view.ShowProgress(i + 1, count);
        for (const SettingRequest& setting : pendingSettingRequests(sensor, m_firmware, offsetsLocked)) {
            if (!Exchange({setting.text, ListReply::Set, kSetTicks}))
                return false; // the bits already sent stay cleared
            if (CKonfList* record = m_sensorSettings.settingsByIndex(sensor.Index))
                record->ChangeFlags &= static_cast<std::uint16_t>(~setting.bits);
        }
        if (CKonfList* record = m_sensorSettings.settingsByIndex(sensor.Index))
            record->ChangeFlags &= static_cast<std::uint16_t>(~KonfChange::Pending);
    }
    return true;
}

bool MeasurementRun::SwitchOutputs(std::initializer_list<OutputState> states)
{
    for (const OutputState& state : states) {
        if (!Exchange({formatSetOutput(state.output, state.on), ListReply::Output, kSetTicks}))
            return false;
    }
    return true;
}

bool MeasurementRun::Capture(const std::vector<const CKonfList*>& sensors)
{
    const std::vector<RunRequest> requests = captureRequests(m_plan, sensors);
    const int count = static_cast<int>(requests.size());
    for (int i = 0; i < count; ++i) {
        if (m_plan.mode == CaptureMode::Successive)
            m_view.ShowProgress(i + 1, count);
        if (!Exchange(requests[static_cast<std::size_t>(i)]))
            return false;
    }
    return true;
}

bool MeasurementRun::ReadAll(const std::vector<CKonfList>& sensors)
{
    const ValueGroups groups {m_settings.checkRgb == 1, m_settings.checkHsi == 1, m_settings.checkXy == 1};
    const int count = static_cast<int>(sensors.size());
    for (int i = 0; i < count; ++i) {
        m_context = sensors[static_cast<std::size_t>(i)];
        m_xOffsetText.clear();
        m_yOffsetText.clear();
        m_view.ShowProgress(i + 1, count);
        for (const RunRequest& request : readRequests(m_context, groups, m_firmware)) {
            if (!Exchange(request))
                return false;
        }
    }
    return true;
}

void MeasurementRun::EndRun(bool measured)
{
    m_lastEnd = measured && !m_cancelled ? RunEnd::Measured : RunEnd::Failed;
    m_view.FillRows();
    // A run whose capture or read failed has not shown that anything passed. After a time-out
    // the device is not answering: the outputs stay as they were switched before the capture.
    if (hasDigitalIo(m_firmware) && !m_timedOut && !m_cancelled) {
        // Output 1 means pass, output 0 fail; the one switched on goes first.
        if (measured && !m_readings.anyFailed())
            SwitchOutputs({{1, true}, {0, false}});
        else
            SwitchOutputs({{0, true}, {1, false}});
    }
    Finish();
}

void MeasurementRun::HoldPort()
{
    m_running = true;
    m_cancelled = false;
    m_timedOut = false;
    m_firmware = CurrentFirmware();
    m_port.Backend().setBytesArrivedCallback([this] {
        if (!m_tickOnly)
            ReadArrived();
    });
    m_timer = m_scheduler.setTimer(std::chrono::milliseconds(kTickMs), [this] { OnTick(); });
}

void MeasurementRun::ReleasePort()
{
    if (m_timer != 0) {
        m_scheduler.killTimer(m_timer);
        m_timer = 0;
    }
    if (m_reply.Awaiting())
        EndAwaited();
    // A start signal given while this run measured asks for no second one.
    m_exchange.TakeUnsolicited();
    m_running = false;
    if (m_returnPort)
        m_returnPort();
    else
        m_port.Backend().setBytesArrivedCallback({});
}

void MeasurementRun::Finish()
{
    ReleasePort();
    if (!m_cancelled)
        m_view.EnablePerform(true);
}

void MeasurementRun::EndFailed()
{
    m_lastEnd = RunEnd::Failed;
    ShowBaseTitle();
    Finish();
}

// ---------------------------------------------------------------- the input and the window's end

void MeasurementRun::StartInputPoll()
{
    if (m_pollTimer != 0 || !m_port.IsOpen() || m_readings.sensorCount() == 0 || !hasDigitalIo(CurrentFirmware()))
        return;
    // A signal given before anyone watched is no request to measure now.
    m_exchange.TakeUnsolicited();
    if (m_setAside)
        m_setAside();
    m_pollTimer = m_scheduler.setTimer(std::chrono::milliseconds(kInputPollMs), [this] { OnInputPoll(); });
}

void MeasurementRun::StopInputPoll()
{
    if (m_pollTimer != 0)
        m_scheduler.killTimer(m_pollTimer);
    m_pollTimer = 0;
}

void MeasurementRun::OnInputPoll()
{
    m_inputNumber = 0;
    // Only while nobody else waits on the port: what is read now belongs to no reply.
    if (m_running || m_busy || !m_port.IsOpen() || !hasDigitalIo(CurrentFirmware()))
        return;
    m_exchange.ReadArrived();
    std::vector<std::string> lines = m_exchange.TakeUnsolicited();
    if (m_setAside) {
        std::vector<std::string> others = m_setAside();
        lines.insert(lines.end(), others.begin(), others.end());
    }
    for (const std::string& line : lines)
        HandleInputMessage(line);
}

void MeasurementRun::HandleInputMessage(const std::string& line)
{
    if (m_running || !hasDigitalIo(CurrentFirmware()) || !ReplyCollector::isInputMessage(line))
        return;
    m_inputNumber = line.back() - '0';
    if (m_inputNumber == 2)
        PerformMeasurement();
}

bool MeasurementRun::ConfirmClose()
{
    if (!m_running)
        return true;
    m_dialogs.message(std::string(stringText(StringId::MeasurementStillActive)));
    return false;
}

void MeasurementRun::SwitchOutputsOffOnClose()
{
    StopInputPoll();
    if (m_running || m_busy || !m_port.IsOpen() || !hasDigitalIo(CurrentFirmware()))
        return;
    HoldPort();
    SwitchOutputs({{0, false}, {1, false}});
    ReleasePort();
}

} // namespace lumivex
