#include "BenchSupport.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include <sys/resource.h>

namespace lumivex::bench {

std::int64_t processCpuNanos()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto nanos
        = [](const timeval& t) { return std::int64_t(t.tv_sec) * 1000000000 + std::int64_t(t.tv_usec) * 1000; };
    return nanos(usage.ru_utime) + nanos(usage.ru_stime);
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

} // namespace lumivex::bench
