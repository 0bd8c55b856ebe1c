#pragma once

#include "device/SerialBackend.h"

#include <QObject>
#include <QSerialPort>

#include <memory>

namespace lumivex {

// SerialBackend on QSerialPort. Received bytes are buffered by Qt as its event loop sees them;
// the bytes-arrived callback is queued to the event loop, so it never runs inside a write.
class QtSerialBackend final : public SerialBackend {
public:
    QtSerialBackend();
    ~QtSerialBackend() override;

    bool open(const std::string& portName) override;
    bool isOpen() const override;
    bool close() override;
    bool setQueueSizes(std::uint32_t receive, std::uint32_t transmit) override;
    bool setWriteTimeout(std::chrono::milliseconds timeout) override;
    bool applyLineSettings(const LineSettings& settings) override;
    bool setDtr(bool on) override;
    bool setRts(bool on) override;
    bool purge(std::uint32_t purgeFlags) override;
    bool write(const char* data, std::size_t size) override;
    std::size_t bytesQueued() override;
    std::size_t read(char* buffer, std::size_t maxBytes) override;
    std::uint32_t takeErrors() override;
    void setBytesArrivedCallback(std::function<void()> callback) override;
    std::vector<std::string> availablePorts() const override;
    bool isPortName(const std::string& name) const override;

private:
    void noteError(QSerialPort::SerialPortError error);

    QObject m_context;
    QSerialPort m_port;
    std::chrono::milliseconds m_writeTimeout {400};
    std::uint32_t m_errors = 0;
    std::function<void()> m_bytesArrived;
};

} // namespace lumivex
