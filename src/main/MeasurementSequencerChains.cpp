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
#include "main/MeasurementSequencer.h"
#include "main/TestConfiguration.h"
#include <algorithm>
#include <chrono>

namespace lumivex {

// The replies that carry the connection chain (testcon, serial number, firmware, board reset) and
// the test chain (settings, capture, values) on to their next request, and the commands that
// start those chains.

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

} // namespace lumivex
