#pragma once

#include "device/SerialBackend.h"

#include <QObject>
#include <QSerialPort>

#include <memory>

namespace lumivex {

// SerialBackend on QSerialPort. Received bytes are buffered by Qt as its event loop sees them;
// the bytes-arrived callback is queued to the event loop, so it never runs inside a write.
//
// A hang-up (the device unplugged, the far end of a pseudo-terminal closed) leaves the handle
// readable for ever: read() returns 0 and Qt 6 reports it as a ReadError (errno is stale then) or,
// when errno happens to say EIO, as a ResourceError, but keeps its read notifier on, so the event
// loop would spin a whole core. Either error closes the port here. Bytes Qt had already taken from
// the driver stay readable until the next open() or close().
class QtSerialBackend final : public SerialBackend {
public:
    QtSerialBackend();
    ~QtSerialBackend() override;

    bool open(const std::string& portName) override;
    OpenError lastOpenError() const override { return m_openError; }
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
    bool hungUp() const override { return m_hungUp; }
    void setBytesArrivedCallback(std::function<void()> callback) override;
    std::vector<std::string> availablePorts() const override;
    bool isPortName(const std::string& name) const override;

private:
    void noteError(QSerialPort::SerialPortError error);
    void hangUp();
    // The other end has gone (the poll says hung up or broken), not merely nothing to read.
    bool lineHungUp() const;
    void closeAfterHangUp();

    QObject m_context;
    QSerialPort m_port;
    std::chrono::milliseconds m_writeTimeout {400};
    OpenError m_openError;
    std::uint32_t m_errors = 0;
    bool m_hungUp = false;
    bool m_writing = false; // Qt is inside a write: the port is closed once the write returns
    std::string m_leftover; // what had arrived before the hang-up and was not read yet
    std::function<void()> m_bytesArrived;
};

} // namespace lumivex
