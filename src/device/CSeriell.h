#pragma once

#include "device/SerialBackend.h"
#include "foundation/CGlobal.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumivex {

class Dialogs;
enum class StringId : int;

// The one serial port of the program: opens and configures it, writes one request at a time and
// hands back whatever bytes have arrived. It knows nothing of the device's commands. Every
// failure shows its text at once in the blocking "PROBLEM" box and leaves the object usable.
class CSeriell {
public:
    static constexpr std::uint32_t kQueueSize = 65536;
    static constexpr std::uint32_t kWriteTimeoutMs = 400;
    static constexpr std::size_t kProblemTextSize = 200;

    CSeriell(SerialBackend& backend, Dialogs& dialogs);
    ~CSeriell();
    CSeriell(const CSeriell&) = delete;
    CSeriell& operator=(const CSeriell&) = delete;

    // The port's own log channel, used only for the communication-error lines.
    CGlobal& Log() { return m_log; }

    // An empty name is refused with "Cannot open COM port"; any other is stored as it is.
    void SetPortName(const std::string& name);
    const std::string& PortName() const { return m_portName; }

    bool IsOpen() const { return m_backend.isOpen(); }
    // 1 on success, 0 on failure (an unknown port fails without a box: the owner reports it).
    int OpenPort();
    // After a failed OpenPort(): one line with the port name and the platform's reason, for the
    // owner to put under its message; empty after a success or when no reason is known.
    const std::string& OpenFailureLine() const { return m_openFailureLine; }
    static std::string OpenFailureLine(const std::string& portName, const SerialBackend::OpenError& error);
    // Line 8N1 at the rate, DTR and RTS off. Does nothing while the port is closed.
    void SetBaudRate(std::uint32_t rate);
    // The rate last requested by the owner.
    std::uint32_t BaudRate() const { return m_baudRate; }
    void SetBaudRateValue(std::uint32_t rate) { m_baudRate = rate; }
    void ClosePort();

    // Writes the whole text; 1 on success, 0 on failure.
    int WriteBlock(std::string_view text);
    // Reads what has arrived (at most 65,536 bytes) into the receive buffer and returns the
    // count; never waits for bytes that are not there yet.
    std::size_t ReadAvailable();
    const char* ReceiveBuffer() const { return m_receiveBuffer.data(); }

    // Purge with the platform's flags (10: abort and clear input; 15: both directions).
    bool Purge(std::uint32_t flags) { return m_backend.isOpen() && m_backend.purge(flags); }
    SerialBackend& Backend() { return m_backend; }

    // The problem box's text: the string, a blank and a line break, within 200 characters.
    static std::string ProblemText(StringId id);
    // "COMERROR  CE_RXOVER\n" and its kin, chosen by the exact value of the error word.
    static std::string_view CommErrorLine(std::uint32_t errorWord);

private:
    void Problem(StringId stringId);

    SerialBackend& m_backend;
    Dialogs& m_dialogs;
    CGlobal m_log;
    std::string m_portName;
    std::string m_openFailureLine;
    std::uint32_t m_baudRate = 0;
    std::vector<char> m_receiveBuffer;
};

} // namespace lumivex
