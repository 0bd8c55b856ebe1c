#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace lumivex {

class CSeriell;
class Dialogs;

// What the port switch reads of the settings each time it opens: they may change between calls
// (the configuration dialog, the automatic port search).
struct PortSettings {
    std::string comPort;
    std::int32_t baudrate = 115200;
    bool serialDebugFile = false; // "SeriellDatei" = 1
    std::string serialDebugFilePath; // "SERDATA.DAT" beside the log
};

// The owner's side of the port: opens and closes it by the configured name and rate, keeps the
// port-closed flag and the status line, and records the received bytes in the serial debug file
// when that is switched on.
class ComPortSwitch {
public:
    using StatusLine = std::function<void(const std::string&)>;

    ComPortSwitch(CSeriell& port, Dialogs& dialogs, StatusLine statusLine);
    ~ComPortSwitch();
    ComPortSwitch(const ComPortSwitch&) = delete;
    ComPortSwitch& operator=(const ComPortSwitch&) = delete;

    // mode 1 opens (1 on success, 0 on failure), mode 0 closes; any other mode does nothing.
    int SwitchComPort(int mode, const PortSettings& settings);

    // 1 while closed (the start), 0 while open.
    bool PortClosed() const { return m_portClosed; }
    const std::string& StatusText() const { return m_statusText; }

    // Every chunk the poll reads, byte for byte, before anything looks at it.
    void RecordReceived(const char* data, std::size_t size);
    bool DebugFileOpen() const { return m_debugFile != nullptr; }
    void CloseDebugFile();

    // A name the switch accepts: "COM..." everywhere, or one of the backend's own device names.
    bool AcceptsPortName(const std::string& name) const;

private:
    void ShowStatus(const std::string& text);

    CSeriell& m_port;
    Dialogs& m_dialogs;
    StatusLine m_statusLine;
    bool m_portClosed = true;
    std::string m_statusText;
    std::FILE* m_debugFile = nullptr;
};

} // namespace lumivex
