#include "main/MeasurementSequencer.h"

#include "app/Startup.h"
#include "base/Dialogs.h"
#include "device/CSeriell.h"
#include "device/ProtocolLog.h"
#include "device/ReplyCollector.h"
#include "device/ReplyDecode.h"
#include "device/ReplyRules.h"
#include "device/SendCommandText.h"
#include "foundation/CGlobal.h"
#include "foundation/StringTable.h"
#include "main/TestConfiguration.h"

#include <algorithm>
#include <chrono>

namespace lumivex {

namespace {
bool isOkReply(int number)
{
    switch (number) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 13:
    case 14:
    case 15:
    case 16:
    case 20:
    case 24:
        return true;
    default:
        return false;
    }
}
} // namespace

MeasurementSequencer::MeasurementSequencer(Links links)
    : m_scheduler(links.scheduler),
      m_port(links.port),
      m_portSwitch(links.portSwitch),
      m_state(links.state),
      m_log(links.log),
      m_dialogs(links.dialogs),
      m_config(links.config),
      m_view(links.view),
      m_list(links.list),
      m_stability(links.stability),
      m_exchange(
          links.port, JoinRules::MainWindow, [&portSwitch = links.portSwitch](const char* data, std::size_t size) {
              portSwitch.RecordReceived(data, size);
          })
{
}

MeasurementSequencer::~MeasurementSequencer()
{
    Stop();
}

void MeasurementSequencer::Start()
{
    m_port.Purge(kPurgeInput);
    m_port.Backend().setBytesArrivedCallback([this] { OnBytesArrived(); });
    if (m_timer == 0)
        m_timer = m_scheduler.setTimer(std::chrono::milliseconds(kTickMs), [this] { OnTick(); });
}

void MeasurementSequencer::ReclaimPort()
{
    // After Stop() the port belongs to nobody here any more.
    if (m_timer != 0)
        m_port.Backend().setBytesArrivedCallback([this] { OnBytesArrived(); });
}

void MeasurementSequencer::Stop()
{
    if (m_timer != 0) {
        m_scheduler.killTimer(m_timer);
        m_timer = 0;
    }
    m_port.Backend().setBytesArrivedCallback({});
}

void MeasurementSequencer::Log(const std::string& text) const
{
    if (m_log.IsLogging(ProtocolLog::kLevel))
        m_log.WriteLog(ProtocolLog::kLevel, text);
}

PortSettings MeasurementSequencer::CurrentPortSettings() const
{
    return portSettingsOf(m_state);
}

DeviceCommand::Fields MeasurementSequencer::Fields() const
{
    DeviceCommand::Fields fields;
    fields.board = m_config.boardNumber;
    fields.sensor = m_config.ledIndex;
    fields.rangeIndex = m_config.currentOption;
    fields.pwmFactor = m_config.currentOption;
    fields.userTimeMs = m_config.userTime;
    fields.area9x9 = m_config.userArea == 1;
    fields.lastCaptureCode = m_config.timeCode;
    return fields;
}

bool MeasurementSequencer::EnsurePortOpen()
{
    return !m_portSwitch.PortClosed() || m_portSwitch.SwitchComPort(1, CurrentPortSettings()) == 1;
}

void MeasurementSequencer::SetChain(bool on)
{
    m_chain = on;
    m_config.testRunning = on;
}

void MeasurementSequencer::ShowStatus(const std::string& text)
{
    m_statusText = text;
    m_view.ShowStatusText(text);
}

void MeasurementSequencer::ShowConnectionState(bool on)
{
    m_disconnectedShown = !on;
    m_startEnabled = on;
    m_view.ShowConnectionState(on);
}

// ---------------------------------------------------------------- sending

bool MeasurementSequencer::OthersMeasuring() const
{
    return m_list.IsMeasuring() || m_stability.IsMeasuring();
}

int MeasurementSequencer::SendRequest(int number, const std::string& text)
{
    // A request now would purge and answer into another run's reply.
    if (m_replyAwaited || m_shutDown || OthersMeasuring())
        return 0;
    m_list.SetBusy(true);
    m_tickCounter = 0;
    if (!m_exchange.Send(text, DeviceCommand::replyRule(number, m_firmware), m_dialogs, m_log)) {
        m_list.SetBusy(false);
        Log(ProtocolLog::commandNotSent(text));
        return 0;
    }
    m_sent.push_back(text);
    m_commandNumber = number;
    m_replyAwaited = true;
    m_replyComplete = false;
    return 1;
}

int MeasurementSequencer::SendDeviceCommand(int number)
{
    if (!EnsurePortOpen())
        return 0;
    if (m_replyAwaited)
        return 0;

    if (number == DeviceCommand::CaptureUser) {
        // The user time goes first; without its "OK" the capture is not sent.
        if (!SendDeviceCommand(DeviceCommand::SetUserTime) || !WaitForReply())
            return 0;
    }
    const auto request = DeviceCommand::build(number, Fields());
    if (!request) {
        Log(std::string(ProtocolLog::kUnknownCommand));
        return 0;
    }
    if (request->sensorListIndex)
        m_sensorListIndex = *request->sensorListIndex;
    if (!SendRequest(number, request->text))
        return 0;
    if (request->capture) {
        m_config.timeCode = request->capture->code;
        m_config.areaCode = request->capture->area;
        m_captureTicks = captureTimeMs(request->capture->code, m_config.userTime).value_or(0) / kTickMs;
    }
    if (request->pwmTimeoutTicks)
        m_pwmTimeout = *request->pwmTimeoutTicks;
    return 1;
}

int MeasurementSequencer::WaitForReply()
{
    while (m_replyAwaited && !m_shutDown) {
        if (!m_scheduler.pumpOnce())
            break; // nothing can ever arrive (virtual time without a timer)
    }
    return m_replyComplete ? 1 : 0;
}

// ---------------------------------------------------------------- receiving

bool MeasurementSequencer::Suspended() const
{
    return OthersMeasuring() || m_portSwitch.PortClosed();
}

void MeasurementSequencer::OnBytesArrived()
{
    // Handled at once rather than on the next tick; time-outs are still counted per tick.
    if (!m_tickOnly && !Suspended())
        ReadAndDispatch();
}

void MeasurementSequencer::OnTick()
{
    // The handle went away under an open switch: the device was pulled.
    if (!m_portSwitch.PortClosed() && !m_port.IsOpen())
        PortLost();
    if (m_portSwitch.PortClosed() && !m_disconnectedShown)
        ShowConnectionState(false);

    const bool othersBusy = !m_portSwitch.PortClosed() && OthersMeasuring();
    if (othersBusy != m_othersBusy) {
        m_othersBusy = othersBusy;
        m_startEnabled = !othersBusy && !m_disconnectedShown;
        m_view.SetOthersBusy(othersBusy);
    }

    // The reply-complete flag is left alone here: it belongs to the reply last awaited, and a
    // wait that is handed several events at once must still see it.
    if (Suspended())
        return;
    // Also while nothing is awaited: what arrives then is read and dropped, so that it cannot
    // join the next reply.
    ReadAndDispatch();
    if (m_replyAwaited)
        TimeoutCheck();
    if (!m_replyAwaited)
        m_list.SetBusy(false);
}

void MeasurementSequencer::ReadAndDispatch()
{
    if (!m_exchange.ReadArrived()) {
        PortLost();
        return;
    }
    if (!m_replyAwaited)
        return;
    Dispatch();
    if (!m_replyAwaited)
        m_list.SetBusy(false);
}

void MeasurementSequencer::CompleteReply()
{
    m_lastReply = m_exchange.Text();
    m_exchange.Abandon();
    m_replyAwaited = false;
    m_replyComplete = true;
    m_timedOut = false;
    m_tickCounter = 0;
}

void MeasurementSequencer::EndAwaited()
{
    m_replyAwaited = false;
    m_replyComplete = false;
    m_tickCounter = 0;
    m_exchange.Abandon();
}

void MeasurementSequencer::FailReply(const std::string& message)
{
    const bool wasTest = m_chain && !m_connecting;
    if (m_chain || m_connecting)
        m_chainFailed = true;
    EndAwaited();
    SetChain(false);
    if (!message.empty() && !m_detecting && !m_shutDown) {
        Log(message);
        m_dialogs.message(message);
    }
    if (m_connecting)
        ConnectionFailed();
    else if (wasTest)
        m_view.TestEnded(false);
}

void MeasurementSequencer::ConnectionFailed()
{
    // The window shows a connection only after a complete chain; a port left open behind a
    // window that says NOT CONNECTED would be used by the next command without one.
    m_connecting = false;
    m_chainFailed = true;
    SetChain(false);
    if (!m_portSwitch.PortClosed()) {
        m_portSwitch.SwitchComPort(0, CurrentPortSettings());
        ShowStatus(m_portSwitch.StatusText());
    }
    ShowConnectionState(false);
}

void MeasurementSequencer::ClosePortEndingChain()
{
    const bool wasTest = m_chain && !m_connecting;
    if (m_replyAwaited || m_chain || m_connecting)
        m_chainFailed = true;
    EndAwaited();
    SetChain(false);
    m_connecting = false;
    m_portSwitch.SwitchComPort(0, CurrentPortSettings());
    ShowStatus(m_portSwitch.StatusText());
    if (wasTest)
        m_view.TestEnded(false);
}

void MeasurementSequencer::PortLost()
{
    if (m_portSwitch.PortClosed())
        return;
    ClosePortEndingChain();
    ShowConnectionState(false);
    if (!m_shutDown)
        m_dialogs.problem(CSeriell::ProblemText(StringId::ErrorComReadingNotRemedied));
}

void MeasurementSequencer::TimeoutCheck()
{
    const bool pwmCapture = m_commandNumber == DeviceCommand::CapturePwm;
    // A capture answers only after its capture time: a user time of 2.5 s would never fit into
    // the 200 ticks, so a capture's limit grows with it.
    int limit = kReplyLimitTicks;
    if (m_commandNumber == DeviceCommand::CaptureRange || m_commandNumber == DeviceCommand::CaptureUser)
        limit = std::max(limit, m_captureTicks + kCaptureGraceTicks);
    const bool goesOn = (pwmCapture || m_tickCounter <= limit) && (!m_detecting || m_tickCounter <= kDetectLimitTicks)
        && (!pwmCapture || m_tickCounter <= m_pwmTimeout);
    if (goesOn) {
        ++m_tickCounter;
        return;
    }
    m_timedOut = true;
    FailReply(ProtocolLog::noValidResponse(m_commandNumber));
}

void MeasurementSequencer::Dispatch()
{
    const int number = m_commandNumber;
    const auto rule = DeviceCommand::replyRule(number, m_firmware);
    if (rule.kind == ReplyRule::Kind::Immediately) {
        if (m_exchange.State() != ReplyCollector::State::Complete)
            return;
        EndAwaited();
        m_commandNumber = 0;
        return;
    }
    const auto command = DeviceCommand::commandOf(number);
    switch (m_exchange.State()) {
    case ReplyCollector::State::Pending:
        return;
    case ReplyCollector::State::DeviceError:
        // The device refused the request: nothing of the reply is a value.
        Log(ProtocolLog::reply(m_exchange.Text(), number));
        FailReply(std::string(stringText(ProtocolLog::kBoardErrorMessage)));
        return;
    case ReplyCollector::State::Overlong:
        FailReply(ProtocolLog::noValidResponse(number));
        return;
    case ReplyCollector::State::Complete:
        if (command && !numberFieldsHoldDigits(*command, m_exchange.Text(), m_firmware)) {
            Log(ProtocolLog::reply(m_exchange.Text(), number));
            FailReply(ProtocolLog::noValidResponse(number));
            return;
        }
        break;
    }
    const std::string reply = m_exchange.Text();
    // Last reply kept, text and byte count cleared, before a handler sends the chain's next request.
    CompleteReply();

    if (isOkReply(number)) {
        Log(ProtocolLog::replyOk(number));
        if (number == DeviceCommand::Testcon) {
            HandleTestcon(reply);
        } else if (number >= DeviceCommand::CaptureAll && number <= DeviceCommand::CaptureUser) {
            if (!SendDeviceCommand(DeviceCommand::GetRgbi) && m_chain) {
                m_chainFailed = true;
                SetChain(false);
                EndTest(false);
            }
        }
        return;
    }
    HandleValueReply(number, reply);
}

} // namespace lumivex
