#pragma once

#include "base/Scheduler.h"
#include "device/ComPortSwitch.h"
#include "device/DeviceCommand.h"
#include "device/DeviceExchange.h"
#include "device/SerialBackend.h"

#include "main/SequencerLinks.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumivex {

class CGlobal;
class CSeriell;
class Dialogs;
class MeasurementListLink;
class SequencerView;
class StabilityLink;
class TestConfiguration;
struct StartupState;

// The main window's request-reply engine: one request at a time, its reply joined as the bytes
// arrive, completed by its rule and dispatched by command number; time-outs counted in ticks of
// a 10 ms timer; the connection chain (with the automatic port search), the test chains of the
// three test modes, Reset Board and the hand-overs of the port to the configuration and the
// terminal. Waits pump the scheduler, so they never spin.
class MeasurementSequencer {
public:
    static constexpr int kTickMs = 10;
    static constexpr int kReplyLimitTicks = 200;
    static constexpr int kDetectLimitTicks = 50;
    // Beyond its capture time, a capture's "OK" may take this long.
    static constexpr int kCaptureGraceTicks = 50;
    // What the port's buffers are cleared of: input when a chain starts, output as well when the
    // port search leaves a port.
    static constexpr std::uint32_t kPurgeInput = SerialBackend::PurgeRxAbort | SerialBackend::PurgeRxClear; // 10
    static constexpr std::uint32_t kPurgeOutput = SerialBackend::PurgeTxAbort | SerialBackend::PurgeTxClear; // 5

    struct Links {
        Scheduler& scheduler;
        CSeriell& port;
        ComPortSwitch& portSwitch;
        StartupState& state; // settings and the serial debug file path
        CGlobal& log;
        Dialogs& dialogs;
        TestConfiguration& config;
        SequencerView& view;
        MeasurementListLink& list;
        StabilityLink& stability;
    };

    explicit MeasurementSequencer(Links links);
    ~MeasurementSequencer();
    MeasurementSequencer(const MeasurementSequencer&) = delete;
    MeasurementSequencer& operator=(const MeasurementSequencer&) = delete;

    // End of the window's initialisation: purge the port's input, start the 10 ms timer and
    // listen for arriving bytes. Stop() undoes it (the window's destruction).
    void Start();
    void Stop();
    // The measurement list's run is over and gives the port back: the engine listens for arriving
    // bytes again. Unlike Start(), nothing is purged: what arrives next belongs to the engine.
    void ReclaimPort();
    // The device's "InputIO<digit>" messages the engine read while nothing was awaited, oldest first
    // (the measurement list's input poll takes them).
    std::vector<std::string> TakeUnsolicited() { return m_exchange.TakeUnsolicited(); }

    // --- the user's commands ---
    // CONNECT / DISCONNECT button: disconnects while the port is open, connects otherwise.
    void OnConnectButton();
    void Connect();
    // Closes the port; an awaited reply and a running chain end at once, without a message.
    void Disconnect();
    // START TEST. Sends nothing while a reply is awaited or another run holds the port.
    void StartTest();
    void ResetBoard();
    // Before the configuration dialog: the board's user time is asked for and awaited.
    void BeforeConfiguration();
    // After it: a changed port name or rate closes the port; the next command opens it again.
    void AfterConfiguration(bool accepted, const std::string& oldPort, int oldRate);
    // The terminal takes the port and gives it back.
    void BeforeTerminal();
    void AfterTerminal();
    // The window is closing: an awaited reply and a running chain end at once, nothing more is
    // sent and no further message is shown, so a wait in progress returns and the window closes.
    void Shutdown();

    // --- the engine ---
    // 1 when the request was sent.
    int SendDeviceCommand(int number);
    // Pumps until no reply is awaited; 1 when the reply completed, 0 when it timed out.
    int WaitForReply();
    int AutoDetectPort();

    // Reads only on the 10 ms tick, as a polled port does, instead of as bytes arrive. For
    // comparisons (the benchmark); the program never sets it.
    void SetTickOnly(bool on) { m_tickOnly = on; }

    // --- state the window and the tests read ---
    bool PortClosed() const { return m_portSwitch.PortClosed(); }
    bool ReplyAwaited() const { return m_replyAwaited; }
    bool ReplyComplete() const { return m_replyComplete; }
    bool TimedOut() const { return m_timedOut; }
    // The last chain (connection or test) ended early: a time-out, a failed reply, a write that
    // failed, a lost port or a disconnect.
    bool ChainFailed() const { return m_chainFailed; }
    bool Detecting() const { return m_detecting; }
    bool ChainRunning() const { return m_chain; }
    int CommandNumber() const { return m_commandNumber; }
    const std::string& LastReply() const { return m_lastReply; }
    int FirmwareNumber() const { return m_firmware; }
    const std::string& FirmwareText() const { return m_firmwareText; }
    const std::string& SerialText() const { return m_serialText; }
    const std::string& HardwareText() const { return m_hardwareText; }
    int BoardCount() const { return m_boardCount; }
    int SensorListIndex() const { return m_sensorListIndex; }
    bool ValuesPresent() const { return m_valuesPresent; }
    bool ResultValid() const { return m_resultValid; }
    bool DisconnectedShown() const { return m_disconnectedShown; }
    bool OthersBusy() const { return m_othersBusy; }
    bool StartEnabled() const { return m_startEnabled; }
    const std::string& StatusText() const { return m_statusText; }
    int PwmTimeoutTicks() const { return m_pwmTimeout; }
    int TickCounter() const { return m_tickCounter; }
    // Raw bytes of the awaited reply received so far.
    std::size_t PendingReplyBytes() const { return m_exchange.RawByteCount(); }
    // Every request written, in order (for tests and the command-line tool's report).
    const std::vector<std::string>& SentRequests() const { return m_sent; }

private:
    void OnTick();
    void OnBytesArrived();
    bool Suspended() const;
    // The measurement list or the stability run holds the port.
    bool OthersMeasuring() const;
    // Reads what has arrived and dispatches the reply once its line has ended or gone quiet.
    void ReadAndDispatch();
    void Dispatch();
    void CompleteReply();
    void TimeoutCheck();
    // The awaited reply is over without a usable value. A message (empty: none) is logged and
    // shown; the running chain ends, a connection chain with the port closed.
    void FailReply(const std::string& message);
    void EndAwaited();
    void ConnectionFailed();
    void ChainSendFailed();
    // Disconnect, a changed port, the terminal: the port closes and whatever ran ends at once.
    void ClosePortEndingChain();
    // The device went away under the open port: one problem box, the port closed.
    void PortLost();
    int SendRequest(int number, const std::string& text);
    bool EnsurePortOpen();
    void ShowConnectionState(bool on);
    void SetChain(bool on);
    void ContinueTest(bool more, int next);
    void EndTest(bool withWheel);
    void ShowStatus(const std::string& text);
    PortSettings CurrentPortSettings() const;
    DeviceCommand::Fields Fields() const;
    void Log(const std::string& text) const;

    void HandleTestcon(const std::string& reply);
    void HandleValueReply(int number, const std::string& reply);

    Scheduler& m_scheduler;
    CSeriell& m_port;
    ComPortSwitch& m_portSwitch;
    StartupState& m_state;
    CGlobal& m_log;
    Dialogs& m_dialogs;
    TestConfiguration& m_config;
    SequencerView& m_view;
    MeasurementListLink& m_list;
    StabilityLink& m_stability;

    Scheduler::TimerId m_timer = 0;
    bool m_replyAwaited = false;
    int m_commandNumber = 0;
    DeviceExchange m_exchange;
    bool m_tickOnly = false;
    bool m_connecting = false; // the connection chain runs: its failure closes the port again
    bool m_chainFailed = false;
    bool m_shutDown = false;
    int m_tickCounter = 0;
    bool m_replyComplete = false;
    bool m_timedOut = false;
    bool m_detecting = false;
    std::string m_lastReply;
    bool m_chain = false;
    int m_firmware = 0;
    std::string m_firmwareText;
    std::string m_serialText;
    std::string m_hardwareText;
    int m_boardCount = 0;
    int m_sensorListIndex = 1;
    int m_pwmTimeout = 0;
    int m_captureTicks = 0; // capture time of the last one-sensor capture, in ticks
    bool m_valuesPresent = false;
    bool m_resultValid = false;
    bool m_disconnectedShown = true;
    bool m_othersBusy = false;
    bool m_startEnabled = false;
    std::string m_statusText;
    SensorValues m_values;
    bool m_terminalHadPort = false;
    bool m_terminalWasConnected = false; // shown connected when the terminal took the port
    std::vector<std::string> m_sent;
};

} // namespace lumivex
