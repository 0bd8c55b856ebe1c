#pragma once

#include "device/SerialBackend.h"

#include <string>

namespace lumivex::test {

// Wraps a port and lets a test slip bytes of its own into what the program reads (junk, NUL
// bytes, a 100 KB flood), ahead of what the real device sent.
class InjectingBackend : public SerialBackend {
public:
    explicit InjectingBackend(SerialBackend& inner) : m_inner(inner) { }

    void inject(const std::string& bytes)
    {
        m_extra += bytes;
        if (m_arrived)
            m_arrived();
    }

    bool open(const std::string& name) override { return m_inner.open(name); }
    OpenError lastOpenError() const override { return m_inner.lastOpenError(); }
    bool isOpen() const override { return m_inner.isOpen(); }
    bool close() override
    {
        m_extra.clear();
        return m_inner.close();
    }
    bool setQueueSizes(std::uint32_t r, std::uint32_t t) override { return m_inner.setQueueSizes(r, t); }
    bool setWriteTimeout(std::chrono::milliseconds t) override { return m_inner.setWriteTimeout(t); }
    bool applyLineSettings(const LineSettings& s) override { return m_inner.applyLineSettings(s); }
    bool setDtr(bool on) override { return m_inner.setDtr(on); }
    bool setRts(bool on) override { return m_inner.setRts(on); }
    bool purge(std::uint32_t flags) override
    {
        if (flags & (PurgeRxAbort | PurgeRxClear))
            m_extra.clear();
        return m_inner.purge(flags);
    }
    bool write(const char* data, std::size_t size) override { return m_inner.write(data, size); }
    std::size_t bytesQueued() override { return m_extra.size() + m_inner.bytesQueued(); }
    std::size_t read(char* buffer, std::size_t maxBytes) override
    {
        const std::size_t own = std::min(maxBytes, m_extra.size());
        m_extra.copy(buffer, own);
        m_extra.erase(0, own);
        return own + m_inner.read(buffer + own, maxBytes - own);
    }
    std::uint32_t takeErrors() override { return m_inner.takeErrors(); }
    bool hungUp() const override { return m_inner.hungUp(); }
    void setBytesArrivedCallback(std::function<void()> callback) override
    {
        m_arrived = callback;
        m_inner.setBytesArrivedCallback(std::move(callback));
    }
    std::vector<std::string> availablePorts() const override { return m_inner.availablePorts(); }
    bool isPortName(const std::string& name) const override { return m_inner.isPortName(name); }

private:
    SerialBackend& m_inner;
    std::string m_extra;
    std::function<void()> m_arrived;
};

} // namespace lumivex::test
