#pragma once

#include "device/SerialBackend.h"

#include <set>
#include <string>
#include <vector>

namespace lumivex::test {

// A serial port that fails on cue and remembers what was asked of it, one line per call
// ("open COM3", "purge 15", "line 115200 8N1", "dtr 0", "write gethw\r", ...).
class FakeSerialBackend : public SerialBackend {
public:
    bool open(const std::string& portName) override
    {
        calls.push_back("open " + portName);
        m_open = existingPorts.count(portName) > 0;
        return m_open;
    }
    OpenError lastOpenError() const override { return m_open ? OpenError {} : openError; }
    bool isOpen() const override { return m_open; }
    bool close() override
    {
        calls.push_back("close");
        m_open = false;
        return closeResult;
    }
    bool setQueueSizes(std::uint32_t receive, std::uint32_t transmit) override
    {
        calls.push_back("queues " + std::to_string(receive) + " " + std::to_string(transmit));
        return true;
    }
    bool setWriteTimeout(std::chrono::milliseconds timeout) override
    {
        calls.push_back("timeout " + std::to_string(timeout.count()));
        return timeoutResult;
    }
    bool applyLineSettings(const LineSettings& s) override
    {
        calls.push_back("line " + std::to_string(s.baudRate) + " " + std::to_string(s.dataBits)
            + (s.parity == Parity::None ? "N" : "?") + (s.stopBits == StopBits::One ? "1" : "2"));
        return lineResult;
    }
    bool setDtr(bool on) override
    {
        calls.push_back(std::string("dtr ") + (on ? "1" : "0"));
        return modemLines;
    }
    bool setRts(bool on) override
    {
        calls.push_back(std::string("rts ") + (on ? "1" : "0"));
        return modemLines;
    }
    bool purge(std::uint32_t flags) override
    {
        calls.push_back("purge " + std::to_string(flags));
        if (flags & (PurgeRxAbort | PurgeRxClear))
            received.clear();
        return purgeResult;
    }
    bool write(const char* data, std::size_t size) override
    {
        calls.push_back("write " + std::string(data, size));
        if (writeResult)
            written.append(data, size);
        return writeResult;
    }
    std::size_t bytesQueued() override { return received.size(); }
    std::size_t read(char* buffer, std::size_t maxBytes) override
    {
        calls.push_back("read " + std::to_string(maxBytes));
        const std::size_t n = std::min(maxBytes, received.size());
        received.copy(buffer, n);
        received.erase(0, n);
        return n;
    }
    std::uint32_t takeErrors() override
    {
        const auto e = errors;
        errors = 0;
        return e;
    }
    bool hungUp() const override { return hangUp; }
    void setBytesArrivedCallback(std::function<void()> callback) override { bytesArrived = std::move(callback); }
    std::vector<std::string> availablePorts() const override { return {existingPorts.begin(), existingPorts.end()}; }
    bool isPortName(const std::string& name) const override { return name.rfind("/dev/", 0) == 0; }

    void clearCalls() { calls.clear(); }

    std::vector<std::string> calls;
    std::set<std::string> existingPorts {"COM1", "COM3", "COM12", "/dev/ttyUSB0"};
    std::string received;
    OpenError openError; // why an open of a port not in existingPorts fails
    std::string written;
    std::uint32_t errors = 0;
    bool timeoutResult = true;
    bool lineResult = true;
    bool modemLines = true;
    bool purgeResult = true;
    bool closeResult = true;
    bool writeResult = true;
    bool hangUp = false;
    std::function<void()> bytesArrived;

private:
    bool m_open = false;
};

} // namespace lumivex::test
