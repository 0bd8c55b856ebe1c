#include "sim/SimSerialBackend.h"

#include "sim/SimulatedDevice.h"

#include <algorithm>

namespace lumivex {

SimSerialBackend::SimSerialBackend(Scheduler& scheduler, SimulatedDevice& device, SimPortConfig ports)
    : m_scheduler(scheduler), m_device(device), m_ports(std::move(ports))
{
    m_device.setSink([this](std::string_view bytes) { arrive(bytes); });
    m_device.setDisconnectedCallback([this] { deviceVanished(); });
}

SimSerialBackend::~SimSerialBackend()
{
    m_scheduler.killTimer(m_notifyTimer);
    m_device.setSink({});
    m_device.setDisconnectedCallback({});
}

bool SimSerialBackend::onDevice() const
{
    return m_open && m_portName == m_ports.deviceName;
}

bool SimSerialBackend::open(const std::string& portName)
{
    m_open = false;
    m_hungUp = false;
    m_portName.clear();
    const bool silent
        = std::find(m_ports.silentPorts.begin(), m_ports.silentPorts.end(), portName) != m_ports.silentPorts.end();
    const bool device = portName == m_ports.deviceName && m_device.connected();
    if (!silent && !device)
        return false;
    m_open = true;
    m_portName = portName;
    m_received.clear();
    m_silentWritten.clear();
    m_errors = 0;
    return true;
}

bool SimSerialBackend::close()
{
    m_received.clear();
    if (!m_open)
        return false;
    m_open = false;
    m_portName.clear();
    return true;
}

bool SimSerialBackend::setQueueSizes(std::uint32_t receive, std::uint32_t)
{
    if (!m_open)
        return false;
    m_receiveLimit = receive;
    return true;
}

bool SimSerialBackend::applyLineSettings(const LineSettings& settings)
{
    if (!m_open)
        return false;
    m_line = settings;
    return true;
}

bool SimSerialBackend::setDtr(bool on)
{
    m_dtr = on;
    return m_open;
}

bool SimSerialBackend::setRts(bool on)
{
    m_rts = on;
    return m_open;
}

bool SimSerialBackend::purge(std::uint32_t purgeFlags)
{
    if (!m_open)
        return false;
    // Written bytes reach the device at once, so there is never anything to purge on that side.
    if (purgeFlags & (PurgeRxAbort | PurgeRxClear))
        m_received.clear();
    return true;
}

bool SimSerialBackend::write(const char* data, std::size_t size)
{
    if (!m_open)
        return false;
    if (m_portName != m_ports.deviceName) {
        m_silentWritten.append(data, size);
        return true;
    }
    if (!m_device.connected()) {
        m_errors |= CeIoe;
        return false;
    }
    m_device.receive(std::string_view(data, size));
    return true;
}

std::size_t SimSerialBackend::read(char* buffer, std::size_t maxBytes)
{
    const std::size_t n = std::min(maxBytes, m_received.size());
    std::copy_n(m_received.begin(), n, buffer);
    m_received.erase(0, n);
    return n;
}

std::uint32_t SimSerialBackend::takeErrors()
{
    const std::uint32_t errors = m_errors;
    m_errors = 0;
    return errors;
}

void SimSerialBackend::arrive(std::string_view bytes)
{
    if (!onDevice())
        return; // nobody listens: the bytes are lost on the line
    const std::size_t room = m_receiveLimit > m_received.size() ? m_receiveLimit - m_received.size() : 0;
    if (bytes.size() > room)
        m_errors |= CeRxOver;
    m_received.append(bytes.substr(0, room));
    if (m_bytesArrived)
        m_bytesArrived();
}

void SimSerialBackend::deviceVanished()
{
    if (!onDevice())
        return;
    // Closed like a real port whose device was pulled; what had arrived stays readable.
    m_open = false;
    m_portName.clear();
    m_hungUp = true;
    m_errors |= CeIoe;
    // Tell the reader from the event loop, not from inside the write that found the device gone.
    if (m_notifyTimer == 0) {
        m_notifyTimer = m_scheduler.singleShot(std::chrono::microseconds(0), [this] {
            m_notifyTimer = 0;
            if (m_bytesArrived)
                m_bytesArrived();
        });
    }
}

std::vector<std::string> SimSerialBackend::availablePorts() const
{
    std::vector<std::string> names = m_ports.silentPorts;
    const std::size_t at = std::min(m_ports.devicePosition, names.size());
    names.insert(names.begin() + static_cast<std::ptrdiff_t>(at), m_ports.deviceName);
    return names;
}

bool SimSerialBackend::isPortName(const std::string& name) const
{
    if (name == m_ports.deviceName)
        return true;
    if (std::find(m_ports.silentPorts.begin(), m_ports.silentPorts.end(), name) != m_ports.silentPorts.end())
        return true;
    return name.size() > 3 && name.compare(0, 3, "COM") == 0
        && std::all_of(name.begin() + 3, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace lumivex
