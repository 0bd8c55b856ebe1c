#include "BenchSupport.h"

#include "platform/QtSerialBackend.h"
#include "platform/SimulatorProcess.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string_view>

#include <sys/resource.h>

namespace lumivex::bench {

using namespace std::chrono_literals;

BenchApplication::BenchApplication(int& argc, char** argv) : QCoreApplication(argc, argv)
{
    std::setlocale(LC_NUMERIC, "C");
}

std::int64_t processCpuNanos()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto nanos
        = [](const timeval& t) { return std::int64_t(t.tv_sec) * 1000000000 + std::int64_t(t.tv_usec) * 1000; };
    return nanos(usage.ru_utime) + nanos(usage.ru_stime);
}

double wireMicros(std::uint64_t bytes)
{
    return static_cast<double>(bytes) * 10.0 * 1e6 / kLineBaud;
}

double simPaceMicros(const std::vector<std::size_t>& replies)
{
    double micros = 0;
    for (const std::size_t bytes : replies)
        micros += std::ceil(wireMicros(bytes) / 1000.0) * 1000.0;
    return micros;
}

double Samples::percentile(double p) const
{
    if (m_values.empty())
        return 0.0;
    std::vector<double> sorted = m_values;
    std::sort(sorted.begin(), sorted.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

double Samples::min() const
{
    return m_values.empty() ? 0.0 : *std::min_element(m_values.begin(), m_values.end());
}

double Samples::max() const
{
    return m_values.empty() ? 0.0 : *std::max_element(m_values.begin(), m_values.end());
}

void DeviceHold::watch(SimulatedDevice& device)
{
    device.setTrace([this](std::string_view direction, std::string_view text) {
        const std::int64_t now = nowNanos();
        if (direction == "<") {
            if (m_repliedAt != 0)
                m_gaps.push_back(static_cast<double>(now - m_repliedAt) / 1000.0);
            m_received = now;
            m_capture = text.starts_with("capture");
            m_holding = true;
        } else if (direction == ">" && m_holding) {
            const double micros = static_cast<double>(now - m_received) / 1000.0;
            m_totalMicros += micros;
            if (m_capture) {
                m_captureMicros += micros;
                m_lastCaptureMicros = micros;
            }
            m_holding = false;
            m_repliedAt = now;
        }
    });
}

LineEnd measureLines(Scheduler& scheduler, const LineOptions& options, const std::function<LineEnd(Line&)>& measure)
{
    LineEnd end = LineEnd::Measured;
    if (options.only != "pty") {
        SimConfig config;
        config.firmware = options.firmware;
        if (options.boards > 0)
            config.boards = options.boards;
        SimulatedDevice device(scheduler, config);
        SimSerialBackend backend(scheduler, device);
        DeviceHold hold;
        if (options.traceHolds)
            hold.watch(device);
        Line line {"in-process", true, backend, SimSerialBackend::kPortName, options.traceHolds ? &hold : nullptr};
        end = measure(line);
    }
    if (end == LineEnd::Measured && options.only != "in-process") {
        QStringList arguments;
        if (options.boards > 0)
            arguments << "--boards" << QString::number(options.boards);
        arguments << "--firmware" << QString::number(options.firmware);
        if (options.paced)
            arguments << "--pace" << QString::number(kLineBaud);
        SimulatorProcess sim {QString::fromUtf8(LUMIVEX_SIM_PATH)};
        if (!sim.start(arguments, 10s)) {
            std::fprintf(stderr, "pty: %s\n", sim.problem().c_str());
            return LineEnd::NotSetUp;
        }
        QtSerialBackend backend;
        Line line {"pty", false, backend, sim.path(), nullptr};
        end = measure(line);
    }
    return end;
}

std::string QuietDialogs::first() const
{
    if (!problems.empty())
        return "PROBLEM: " + problems.front();
    if (!messages.empty())
        return messages.front();
    return {};
}

ScratchFolder::ScratchFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "lumivex-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder");
    m_path = pattern;
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

int intOption(int argc, char** argv, const std::string& name, int fallback)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (argv[i] == name) {
            char* end = nullptr;
            const long value = std::strtol(argv[i + 1], &end, 10);
            if (end != argv[i + 1] && *end == '\0' && value > 0 && value < 1000000)
                return static_cast<int>(value);
            throw std::invalid_argument(name + " needs a positive number");
        }
    }
    return fallback;
}

namespace {

int logLevelOption(int argc, char** argv, int fallback)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--log-level")
            fallback = std::atoi(argv[i + 1]);
    }
    return fallback;
}

std::string lineOption(int argc, char** argv)
{
    std::string line;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--line")
            line = argv[i + 1];
    }
    if (!line.empty() && line != "in-process" && line != "pty")
        throw std::invalid_argument("--line takes in-process or pty");
    return line;
}

} // namespace

bool readOptions(const char* program, int argc, char** argv, std::initializer_list<std::pair<const char*, int*>> counts,
    int& logLevel, std::string* line, const std::function<void()>& check)
{
    try {
        for (const auto& [name, value] : counts)
            *value = intOption(argc, argv, name, *value);
        logLevel = logLevelOption(argc, argv, logLevel);
        if (line)
            *line = lineOption(argc, argv);
        if (check)
            check();
        return true;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", program, e.what());
        return false;
    }
}

std::string loadText()
{
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) != 3)
        return "unknown";
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %.2f %.2f", load[0], load[1], load[2]);
    return text;
}

void printStepTable(int nameWidth, std::initializer_list<std::pair<const char*, const Samples*>> steps)
{
    std::printf("%-*s %9s %9s %9s\n", nameWidth, "step", "median", "p90", "max");
    for (const auto& [name, s] : steps)
        std::printf("%-*s %9.1f %9.1f %9.1f\n", nameWidth, name, s->median(), s->percentile(0.9), s->max());
}

} // namespace lumivex::bench
