#pragma once

#include "base/Scheduler.h"
#include "device/SerialBackend.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lumivex {

class SimulatedDevice;

// The ports the in-process backend offers.
struct SimPortConfig {
    std::string deviceName = "SIM"; // where the simulated device answers
    // Ports that open but where nothing answers, listed before the device (unless placed).
    std::vector<std::string> silentPorts;
    // The device's place in availablePorts(); past the end (the default) puts it last.
    std::size_t devicePosition = static_cast<std::size_t>(-1);
};

// A serial port in the same process as the program, wired to a SimulatedDevice: write() hands
// the bytes to the device; its replies arrive as scheduled events that append to the receive
// queue and call the bytes-arrived callback. When the device vanishes (disconnect-after fault)
// the port hangs up: it closes itself, reports CeIoe once, calls the bytes-arrived callback once
// from the event loop, and the device's name no longer opens. Bytes that had arrived stay
// readable until the next open() or close().
// The device must outlive the backend.
class SimSerialBackend final : public SerialBackend {
public:
    static constexpr const char* kPortName = "SIM";

    SimSerialBackend(Scheduler& scheduler, SimulatedDevice& device, SimPortConfig ports = {});
    ~SimSerialBackend() override;
    SimSerialBackend(const SimSerialBackend&) = delete;
    SimSerialBackend& operator=(const SimSerialBackend&) = delete;

    bool open(const std::string& portName) override;
    bool isOpen() const override { return m_open; }
    bool close() override;
    bool setQueueSizes(std::uint32_t receive, std::uint32_t transmit) override;
    bool setWriteTimeout(std::chrono::milliseconds) override { return m_open; }
    bool applyLineSettings(const LineSettings& settings) override;
    bool setDtr(bool on) override;
    bool setRts(bool on) override;
    bool purge(std::uint32_t purgeFlags) override;
    bool write(const char* data, std::size_t size) override;
    std::size_t bytesQueued() override { return m_received.size(); }
    std::size_t read(char* buffer, std::size_t maxBytes) override;
    std::uint32_t takeErrors() override;
    bool hungUp() const override { return m_hungUp; }
    void setBytesArrivedCallback(std::function<void()> callback) override { m_bytesArrived = std::move(callback); }
    std::vector<std::string> availablePorts() const override;
    bool isPortName(const std::string& name) const override;

    // The port now open ("" when closed), the line settings last applied, and everything written
    // to a silent port since it was opened: for tests that look at the wire.
    const std::string& openPortName() const { return m_portName; }
    const LineSettings& lineSettings() const { return m_line; }
    bool dtr() const { return m_dtr; }
    bool rts() const { return m_rts; }
    const std::string& silentWritten() const { return m_silentWritten; }

private:
    bool onDevice() const;
    void arrive(std::string_view bytes);
    void deviceVanished();

    Scheduler& m_scheduler;
    SimulatedDevice& m_device;
    SimPortConfig m_ports;
    bool m_open = false;
    std::string m_portName;
    LineSettings m_line;
    bool m_dtr = false;
    bool m_rts = false;
    std::uint32_t m_receiveLimit = 65536;
    std::string m_received;
    std::string m_silentWritten;
    std::uint32_t m_errors = 0;
    bool m_hungUp = false;
    std::function<void()> m_bytesArrived;
    Scheduler::TimerId m_notifyTimer = 0;
};

} // namespace lumivex
