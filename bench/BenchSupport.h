#pragma once

// Pieces the timing programs share: sample statistics, a clock, process CPU time, a scratch
// folder, quiet boxes, a scheduler and a port that count what passes through them, and
// lumivex-sim as a process of its own on a pseudo-terminal.

#include "base/Dialogs.h"
#include "base/Scheduler.h"
#include "device/SerialBackend.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace lumivex::bench {

// Nanoseconds on the monotonic clock.
inline std::int64_t nowNanos()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// CPU time of the whole process (user + system, all threads) in nanoseconds.
std::int64_t processCpuNanos();

// Durations in microseconds. Medians and nearest-rank percentiles, so that a few rounds hit by
// the scheduler of a shared machine do not move the figure.
class Samples {
public:
    void add(double micros) { m_values.push_back(micros); }
    std::size_t count() const { return m_values.size(); }
    bool empty() const { return m_values.empty(); }
    // p in (0, 1]: the smallest value with at least p of the samples at or below it.
    double percentile(double p) const;
    double median() const { return percentile(0.5); }
    double min() const;
    double max() const;

private:
    std::vector<double> m_values;
};

// Every timer event the process dispatches, to tell what waiting wakes up for.
class CountingScheduler : public Scheduler {
public:
    explicit CountingScheduler(Scheduler& inner) : m_inner(inner) { }
    TimerId setTimer(std::chrono::milliseconds period, Callback callback) override
    {
        return m_inner.setTimer(period, counted(std::move(callback)));
    }
    TimerId singleShot(std::chrono::microseconds delay, Callback callback) override
    {
        return m_inner.singleShot(delay, counted(std::move(callback)));
    }
    void killTimer(TimerId id) override { m_inner.killTimer(id); }
    bool pumpOnce() override { return m_inner.pumpOnce(); }
    std::int64_t nowMicros() const override { return m_inner.nowMicros(); }
    std::uint64_t events() const { return m_events; }

private:
    Callback counted(Callback callback)
    {
        return [this, callback = std::move(callback)] {
            ++m_events;
            if (callback)
                callback();
        };
    }

    Scheduler& m_inner;
    std::uint64_t m_events = 0;
};

// The program's port with a count of the bytes written and read.
class CountingBackend : public SerialBackend {
public:
    explicit CountingBackend(SerialBackend& inner) : m_inner(inner) { }

    void resetCounts()
    {
        sent = received = 0;
        replies.clear();
    }
    std::uint64_t sent = 0;
    std::uint64_t received = 0;
    // Bytes read after each write: one request's reply each, since the program asks one at a time.
    std::vector<std::size_t> replies;
    // Called after every write that was taken, to mark when a request left.
    std::function<void()> onWritten;

    bool open(const std::string& name) override { return m_inner.open(name); }
    bool isOpen() const override { return m_inner.isOpen(); }
    bool close() override { return m_inner.close(); }
    bool setQueueSizes(std::uint32_t r, std::uint32_t t) override { return m_inner.setQueueSizes(r, t); }
    bool setWriteTimeout(std::chrono::milliseconds t) override { return m_inner.setWriteTimeout(t); }
    bool applyLineSettings(const LineSettings& s) override { return m_inner.applyLineSettings(s); }
    bool setDtr(bool on) override { return m_inner.setDtr(on); }
    bool setRts(bool on) override { return m_inner.setRts(on); }
    bool purge(std::uint32_t flags) override { return m_inner.purge(flags); }
    bool write(const char* data, std::size_t size) override
    {
        const bool written = m_inner.write(data, size);
        if (written) {
            sent += size;
            replies.push_back(0);
            if (onWritten)
                onWritten();
        }
        return written;
    }
    std::size_t bytesQueued() override { return m_inner.bytesQueued(); }
    std::size_t read(char* buffer, std::size_t maxBytes) override
    {
        const std::size_t n = m_inner.read(buffer, maxBytes);
        received += n;
        if (!replies.empty())
            replies.back() += n;
        return n;
    }
    std::uint32_t takeErrors() override { return m_inner.takeErrors(); }
    bool hungUp() const override { return m_inner.hungUp(); }
    void setBytesArrivedCallback(std::function<void()> callback) override
    {
        m_inner.setBytesArrivedCallback(std::move(callback));
    }
    std::vector<std::string> availablePorts() const override { return m_inner.availablePorts(); }
    bool isPortName(const std::string& name) const override { return m_inner.isPortName(name); }

private:
    SerialBackend& m_inner;
};

// Remembers every box instead of showing it: a benchmark that saw one reports it and fails.
class QuietDialogs : public Dialogs {
public:
    void message(const std::string& text) override { messages.push_back(text); }
    void problem(const std::string& text) override { problems.push_back(text); }
    bool askYesNo(const std::string&) override { return false; }
    bool empty() const { return messages.empty() && problems.empty(); }
    // The first box, for the error line.
    std::string first() const;

    std::vector<std::string> messages;
    std::vector<std::string> problems;
};

// A fresh folder below the system's temporary folder, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

void writeBytes(const std::string& path, const std::string& bytes);

// The value of "--name N" on the command line, or the fallback.
int intOption(int argc, char** argv, const std::string& name, int fallback);

} // namespace lumivex::bench
