#pragma once

// Pieces the timing programs share: sample statistics, a clock, process CPU time, a scratch
// folder, quiet boxes, a scheduler and a port that count what passes through them, the wire time
// of bytes, what the simulated device holds, the two lines (the simulated device in this process
// and lumivex-sim on a pseudo-terminal), the common options and report lines.

#include "base/Dialogs.h"
#include "base/Scheduler.h"
#include "device/SerialBackend.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace lumivex {
class SimulatedDevice;
}

namespace lumivex::bench {

// The Qt application a benchmark's main runs in, with the C library's number formats, which the
// core's printf formats expect.
class BenchApplication : public QCoreApplication {
public:
    BenchApplication(int& argc, char** argv);
};

// Nanoseconds on the monotonic clock.
inline std::int64_t nowNanos()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// CPU time of the whole process (user + system, all threads) in nanoseconds.
std::int64_t processCpuNanos();

// A span of nanoseconds in microseconds.
inline double microsBetween(std::int64_t startNanos, std::int64_t endNanos)
{
    return static_cast<double>(endNanos - startNanos) / 1000.0;
}

// The baud rate the paced lines run at.
inline constexpr int kLineBaud = 115200;

// How long the bytes take on the line: 10 bits a byte at kLineBaud.
double wireMicros(std::uint64_t bytes);

// How lumivex-sim paces the replies: the requests reach it at once, and its byte timers run in
// whole milliseconds, so a reply's last byte leaves on the first millisecond step after its due
// time at kLineBaud.
double simPaceMicros(const std::vector<std::size_t>& replies);

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

// When the wall clock, the process's CPU time and the timer events dispatched stood at a moment:
// two of them tell what waiting in between cost.
struct CpuMark {
    static CpuMark take(const CountingScheduler& scheduler)
    {
        const std::int64_t wall = nowNanos();
        const std::int64_t cpu = processCpuNanos();
        return {wall, cpu, scheduler.events()};
    }
    std::int64_t wallNanos = 0;
    std::int64_t cpuNanos = 0;
    std::uint64_t events = 0;
};

struct CpuWait {
    double wallMs = 0;
    double cpuMs = 0;
    std::uint64_t events = 0; // timer events dispatched meanwhile
};

inline CpuWait cpuWaitBetween(const CpuMark& from, const CpuMark& to)
{
    return {static_cast<double>(to.wallNanos - from.wallNanos) / 1e6,
        static_cast<double>(to.cpuNanos - from.cpuNanos) / 1e6, to.events - from.events};
}

// How long the in-process device held the requests, from taking each to sending its reply (the
// device's own share of a run, its capture timer's lateness included), and the engine's time
// between a reply sent and the next request taken.
class DeviceHold {
public:
    void watch(SimulatedDevice& device);
    void reset()
    {
        m_totalMicros = m_captureMicros = 0;
        m_repliedAt = 0;
        m_gaps.clear();
    }
    // Since the last reset: every request, and the captures alone.
    double totalMicros() const { return m_totalMicros; }
    double captureMicros() const { return m_captureMicros; }
    // The last capture alone.
    double lastCaptureMicros() const { return m_lastCaptureMicros; }
    const std::vector<double>& gaps() const { return m_gaps; }

private:
    std::int64_t m_received = 0;
    std::int64_t m_repliedAt = 0;
    bool m_holding = false;
    bool m_capture = false;
    double m_totalMicros = 0;
    double m_captureMicros = 0;
    double m_lastCaptureMicros = 0;
    std::vector<double> m_gaps;
};

// One of the two lines a benchmark measures on, ready for the program's port code.
struct Line {
    const char* name; // "in-process" or "pty"
    bool inProcess;
    SerialBackend& backend;
    std::string port; // the port name to open
    DeviceHold* hold; // in-process, when the holds are traced
};

struct LineOptions {
    int firmware = 1007;
    int boards = 0; // 0: the device's default
    bool paced = false; // lumivex-sim paces its replies at kLineBaud
    bool traceHolds = false; // the in-process device's holds in Line::hold
    std::string only; // "in-process" or "pty": that line alone
};

enum class LineEnd { Measured, Failed, NotSetUp };

// The in-process line (the simulated device in this process, no latency, unpaced), then the pty
// line (lumivex-sim --pty in a process of its own, reached through QSerialPort), each handed to
// `measure`. NotSetUp as soon as a line could not be set up (lumivex-sim's problem printed as
// "pty: ..."; `measure` prints its own); after a Failed line the pty line is left out.
LineEnd measureLines(Scheduler& scheduler, const LineOptions& options, const std::function<LineEnd(Line&)>& measure);

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

// The options of a benchmark: "--name N" for each of `counts` (a positive number), "--log-level N"
// (as atoi reads N) and, with `line`, "--line in-process|pty"; then `check`, which throws on a value
// out of range. False after a wrong option, with "program: what is wrong" printed.
bool readOptions(const char* program, int argc, char** argv, std::initializer_list<std::pair<const char*, int*>> counts,
    int& logLevel, std::string* line = nullptr, const std::function<void()>& check = {});

// The load average over 1, 5 and 15 minutes, or "unknown".
std::string loadText();

inline const char* metText(bool met)
{
    return met ? "met" : "MISSED";
}

inline const char* readModeText(bool tickOnly)
{
    return tickOnly ? "tick-only" : "on arrival";
}

// A table of steps timed without a device: a name column `nameWidth` wide, then the median, p90
// and max of each step's samples.
void printStepTable(int nameWidth, std::initializer_list<std::pair<const char*, const Samples*>> steps);

} // namespace lumivex::bench
