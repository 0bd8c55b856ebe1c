#pragma once

// Pieces the timing programs share: sample statistics, a clock, process CPU time, a scratch
// folder, quiet boxes and lumivex-sim as a process of its own on a pseudo-terminal.

#include "base/Dialogs.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
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
