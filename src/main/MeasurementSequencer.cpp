#include "main/MeasurementSequencer.h"

#include "app/CGlobal.h"
#include "app/Startup.h"
#include "app/StringTable.h"
#include "base/Dialogs.h"
#include "device/CSeriell.h"
#include "device/ProtocolLog.h"
#include "device/ReplyCollector.h"
#include "device/ReplyDecode.h"
#include "device/ReplyRules.h"
#include "device/SendCommandText.h"
#include "main/TestConfiguration.h"

#include <algorithm>
#include <chrono>

namespace lumivex {

namespace {
constexpr std::uint32_t kPurgeInput = SerialBackend::PurgeRxAbort | SerialBackend::PurgeRxClear; // 10
constexpr std::uint32_t kPurgeOutput = SerialBackend::PurgeTxAbort | SerialBackend::PurgeTxClear; // 5

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

void MeasurementSequencer::HandleTestcon(const std::string& reply)
{
    const auto boards = decodeBoardCount(reply);
    m_boardCount = boards.count;
    if (boards.reported) {
        m_config.FillBoardList(boards.count);
        m_view.BoardListChanged();
    }
    if (m_list.RowCount() != 5 * m_boardCount)
        m_list.Rebuild(5 * m_boardCount);
    if (!m_chain) {
        SetChain(false);
        return;
    }
    ShowStatus(std::string(stringText(StringId::DeviceName)) + " " + testconStatusCount(reply) + " "
        + std::string(stringText(StringId::BoardsConnected)) + " ");
    if (!SendDeviceCommand(DeviceCommand::GetSerial))
        ChainSendFailed();
}

void MeasurementSequencer::HandleValueReply(int number, const std::string& reply)
{
    const auto command = DeviceCommand::commandOf(number);
    const std::string shown = command && readsLastLine(*command) ? std::string(lastLine(reply)) : reply;
    Log(ProtocolLog::reply(shown, number));
    const bool wide = m_firmware >= kFirmwareWideCounts;

    switch (number) {
    case DeviceCommand::GetRgbi: {
        const auto rgbi = decodeRgbi(reply, m_firmware);
        m_values = SensorValues {};
        m_values.red = rgbi.red;
        m_values.green = rgbi.green;
        m_values.blue = rgbi.blue;
        m_values.intensity = rgbi.intensity;
        m_values.from = ValuesFrom::Rgbi;
        m_view.ShowRgbReading(rgbi.red, rgbi.green, rgbi.blue, rgbi.intensity, rgbFullScale(m_firmware), m_chain);
        m_list.StoreValues(m_sensorListIndex, m_values, m_config.testMode);
        m_valuesPresent = true;
        if (m_chain)
            ContinueTest(true, DeviceCommand::GetHsi);
        break;
    }
    case DeviceCommand::GetHsi: {
        const auto hsi = decodeHsi(reply);
        m_view.ShowHsiReading(hsi.hue, hsi.saturation, hsi.intensity, m_chain);
        if (m_chain)
            ContinueTest(true, DeviceCommand::GetXy);
        break;
    }
    case DeviceCommand::GetXy: {
        const auto xy = decodeXy(reply);
        const bool more = m_chain && m_firmware >= kFirmwareColourTemperature;
        m_view.ShowXyReading(xy.x, xy.y, more);
        m_values.x = xy.x;
        m_values.y = xy.y;
        m_values.from = ValuesFrom::Xy;
        m_list.StoreValues(m_sensorListIndex, m_values, m_config.testMode);
        if (xy.x < 0 || xy.y < 0)
            m_list.SetOutOfRange(true);
        m_resultValid = true;
        ContinueTest(more, DeviceCommand::GetCTemp);
        break;
    }
    case DeviceCommand::GetCTemp: {
        const bool more = m_chain && wide;
        m_view.ShowCctReading(decodeColourTemperature(reply), more);
        m_resultValid = true;
        ContinueTest(more, DeviceCommand::GetXOffset);
        break;
    }
    case DeviceCommand::GetXOffset:
    case DeviceCommand::GetYOffset: {
        const auto offset = decodeOffset(reply);
        if (number == DeviceCommand::GetXOffset) {
            m_values.xOffset = offset.value;
            m_values.xOffsetText = offset.text;
            m_values.from = ValuesFrom::XOffset;
        } else {
            m_values.yOffset = offset.value;
            m_values.yOffsetText = offset.text;
            m_values.from = ValuesFrom::YOffset;
        }
        m_list.StoreValues(m_sensorListIndex, m_values, m_config.testMode);
        ContinueTest(m_chain && wide,
            number == DeviceCommand::GetXOffset ? DeviceCommand::GetYOffset : DeviceCommand::GetDistance);
        break;
    }
    case DeviceCommand::GetDistance:
        m_values.distance = decodeDistance(reply);
        m_values.from = ValuesFrom::Distance;
        m_list.StoreValues(m_sensorListIndex, m_values, m_config.testMode);
        m_resultValid = true;
        SetChain(false);
        EndTest(true);
        break;
    case DeviceCommand::GetUserTime:
        // A time the device cannot be sent back ("setusertime" has five digits) is no user time.
        if (const int time = decodeUserTime(reply); TestConfiguration::IsUserTime(time))
            m_config.userTime = time;
        break;
    case DeviceCommand::GetSerial:
        m_serialText = decodeSerial(reply);
        if (m_chain) {
            ShowStatus(m_statusText + "\r\n" + std::string(stringText(StringId::SerialNumberLabel)) + " " + m_serialText
                + " ");
            if (!SendDeviceCommand(DeviceCommand::GetVersion))
                ChainSendFailed();
        }
        break;
    case DeviceCommand::GetVersion:
        if (m_chain) {
            const auto version = decodeVersion(reply);
            m_firmwareText = version.text;
            m_firmware = version.firmware;
            ShowStatus(m_statusText + "\r\n" + std::string(stringText(StringId::FirmwareNumberLabel)) + " "
                + m_firmwareText + " ");
            SetChain(false);
            m_connecting = false;
            ShowConnectionState(true);
        }
        break;
    case DeviceCommand::GetHw:
        m_hardwareText = decodeHardware(reply);
        break;
    default:
        break; // 9, 10, 11: no request uses them
    }
}

void MeasurementSequencer::ContinueTest(bool more, int next)
{
    // A send that fails ends the test with what it has got so far.
    if (more && SendDeviceCommand(next))
        return;
    if (more)
        m_chainFailed = true;
    SetChain(false);
    EndTest(false);
}

void MeasurementSequencer::ChainSendFailed()
{
    if (m_connecting)
        ConnectionFailed();
    else
        SetChain(false);
}

void MeasurementSequencer::EndTest(bool withWheel)
{
    if (m_list.OutOfRange()) {
        m_dialogs.message(std::string(stringText(StringId::XyOutOfRange)));
        m_list.SetOutOfRange(false);
    }
    m_view.TestEnded(withWheel);
}

// ---------------------------------------------------------------- user commands

void MeasurementSequencer::OnConnectButton()
{
    if (!m_portSwitch.PortClosed())
        Disconnect();
    else
        Connect();
}

void MeasurementSequencer::Disconnect()
{
    ClosePortEndingChain();
    ShowConnectionState(false);
}

void MeasurementSequencer::Connect()
{
    if (m_shutDown)
        return;
    m_chainFailed = false;
    if (m_state.settings.comPort == "Auto") {
        m_detecting = true;
        const int found = AutoDetectPort();
        m_detecting = false;
        if (!found) {
            m_chainFailed = true;
            return;
        }
    }
    m_port.Purge(kPurgeInput);
    m_hardwareText.clear();
    // A fresh chain: nothing of an earlier request is awaited any more.
    EndAwaited();
    SetChain(false);
    const int opened = m_portSwitch.SwitchComPort(1, CurrentPortSettings());
    ShowStatus(m_portSwitch.StatusText());
    if (!opened) {
        m_chainFailed = true;
        return;
    }
    m_connecting = true;
    if (!SendRequest(DeviceCommand::GetHw, "gethw\r")) {
        ConnectionFailed();
        return;
    }
    if (WaitForReply() && SendDeviceCommand(DeviceCommand::Testcon)) {
        SetChain(true);
    } else if (m_connecting) {
        ConnectionFailed();
    } else if (m_portSwitch.PortClosed()) {
        ShowConnectionState(false);
    }
}

int MeasurementSequencer::AutoDetectPort()
{
    auto closeAfterTimeout = [this] {
        m_portSwitch.SwitchComPort(0, CurrentPortSettings());
        ShowStatus(m_portSwitch.StatusText());
    };
    auto probe = [this, &closeAfterTimeout] {
        if (m_shutDown)
            return false;
        m_port.Purge(kPurgeInput);
        if (!m_replyAwaited && SendRequest(DeviceCommand::GetHw, "gethw\r") && WaitForReply())
            return true;
        closeAfterTimeout();
        return false;
    };

    if (m_port.IsOpen())
        m_port.ClosePort();
    const int opened = m_portSwitch.SwitchComPort(1, CurrentPortSettings());
    ShowStatus(m_portSwitch.StatusText());
    if (opened) {
        m_port.Purge(kPurgeOutput);
        if (probe())
            return 1;
    }
    // Every serial port the platform lists, in order, instead of COM1 to COM255.
    for (const auto& name : m_port.Backend().availablePorts()) {
        if (!m_portSwitch.PortClosed() || m_shutDown)
            break;
        if (m_port.IsOpen())
            m_port.ClosePort();
        m_port.SetPortName(name);
        m_state.settings.comPort = name;
        if (!m_port.OpenPort())
            continue;
        m_port.ClosePort();
        const int reopened = m_portSwitch.SwitchComPort(1, CurrentPortSettings());
        ShowStatus(m_portSwitch.StatusText());
        if (reopened && probe())
            return 1;
    }
    if (m_portSwitch.PortClosed()) {
        m_state.settings.comPort = "Auto";
        return 0;
    }
    return 1;
}

void MeasurementSequencer::StartTest()
{
    m_view.ResetBars();
    const bool wasRunning = m_chain;
    const int number = m_config.PrepareStartTest();
    if (number == 0) {
        SetChain(false);
        return;
    }
    if (m_replyAwaited || OthersMeasuring()) {
        // Another reply is still awaited, or the measurement list or the stability run holds the
        // port: nothing is sent and the running chain stays as it is.
        m_chain = wasRunning;
        m_config.testRunning = wasRunning;
        return;
    }
    SetChain(true);
    m_chainFailed = false;
    m_resultValid = false;
    if (!SendDeviceCommand(number)) {
        m_chainFailed = true;
        SetChain(false);
        m_view.TestEnded(false);
        return;
    }
    m_view.TestStarted(m_config.boardNumber, m_config.ledIndex + 1, m_config.testMode);
}

void MeasurementSequencer::ResetBoard()
{
    // Only on a connected device: it would otherwise open the port behind a window that says
    // NOT CONNECTED.
    if (m_disconnectedShown || !EnsurePortOpen())
        return;
    if (!m_replyAwaited)
        SendRequest(DeviceCommand::SetDefault, "setdefault\r");
    m_list.ResetBoard(m_config.boardNumber);
}

void MeasurementSequencer::BeforeConfiguration()
{
    if (m_portSwitch.PortClosed() || m_replyAwaited)
        return;
    if (SendDeviceCommand(DeviceCommand::GetUserTime))
        WaitForReply();
}

void MeasurementSequencer::AfterConfiguration(bool accepted, const std::string& oldPort, int oldRate)
{
    if (!accepted)
        return;
    if (m_state.settings.comPort != oldPort || m_state.settings.baudrate != oldRate) {
        ClosePortEndingChain();
        ShowConnectionState(false);
    }
}

void MeasurementSequencer::BeforeTerminal()
{
    m_terminalHadPort = !m_portSwitch.PortClosed();
    m_terminalWasConnected = m_terminalHadPort && !m_disconnectedShown;
    ClosePortEndingChain();
}

void MeasurementSequencer::Shutdown()
{
    m_shutDown = true;
    EndAwaited();
    SetChain(false);
    m_connecting = false;
}

void MeasurementSequencer::AfterTerminal()
{
    if (m_terminalHadPort) {
        const bool reopened = m_portSwitch.SwitchComPort(1, CurrentPortSettings()) == 1;
        ShowStatus(m_portSwitch.StatusText());
        // The tick showed the window disconnected while the terminal had the port; the connection
        // that stood before stands again.
        if (reopened && m_terminalWasConnected)
            ShowConnectionState(true);
    }
    m_terminalHadPort = false;
    m_terminalWasConnected = false;
}

} // namespace lumivex
