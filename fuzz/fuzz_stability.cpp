// Any bytes as the data file of a stability report: the reader takes no more readings than the
// bytes hold, only numbered ones with real values, a setup only when it is there whole; what it
// read is written back and read again unchanged; loading it from disk agrees with reading it from
// memory (or says 241), keeps the readings setting within the edit's range, and the report and
// the inspection of it are made without fault.
#include "base/Dialogs.h"
#include "cli/InspectCommand.h"
#include "foundation/Settings.h"
#include "stability/StabilityFiles.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

class CountingDialogs : public lumivex::Dialogs {
public:
    void message(const std::string&) override { ++messages; }
    void problem(const std::string&) override { std::abort(); }
    bool askYesNo(const std::string&) override { return false; }
    int messages = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace lumivex;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto companion = parseStabilityCompanion(bytes);
    if (companion) {
        if (companion->declaredCount <= 0 || companion->setup.has_value() != (size >= kStabilityHeaderSize))
            std::abort();
        const std::size_t held
            = size < kStabilityHeaderSize ? 0 : (size - kStabilityHeaderSize) / kStabilityReadingSize;
        if (companion->readings.size() > held)
            std::abort();
        for (const CBlinkData& r : companion->readings) {
            if (r.ReadingNo == 0 || !std::isfinite(r.Hue) || !std::isfinite(r.X) || !std::isfinite(r.Y))
                std::abort();
        }
        // Written back: the readings by number, the setup as read.
        const StabilitySetup setup = companion->setup.value_or(StabilitySetup {});
        const auto again = parseStabilityCompanion(stabilityCompanionBytes(setup, companion->readings));
        if (companion->readings.empty()) {
            if (again)
                std::abort(); // no readings, N 0: no companion
        } else if (!again || again->setup != setup || again->readings != readingsByNumber(companion->readings)) {
            std::abort();
        }
        const std::string report
            = stabilityReportText("r.txt", std::tm {}, "title", StabilityGroups {}, companion->readings);
        if (report.size() < 2 || report.substr(report.size() - 2) != "\r\n")
            std::abort();
    }

    // From disk, as "Load" reads it.
    const std::string base = "/tmp/fuzz_stability_" + std::to_string(getpid());
    if (std::FILE* file = std::fopen((base + ".dat").c_str(), "wb")) {
        const bool written = std::fwrite(data, 1, size, file) == size;
        std::fclose(file);
        if (written) {
            Settings settings;
            settings.stabilityFile = base + ".txt";
            CountingDialogs dialogs;
            const auto loaded = loadStabilityReport(settings, dialogs);
            if (loaded.has_value() != companion.has_value() || dialogs.messages != (loaded ? 0 : 1))
                std::abort();
            if (loaded
                && (loaded->readings != companion->readings || loaded->readingsSetting < 1
                    || loaded->readingsSetting > 100 || loaded->groups.has_value() == loaded->readings.empty()))
                std::abort();
        }
        std::remove((base + ".dat").c_str());
    }

    for (const char* name : {"f.dat", "f.cfg", "f"}) {
        std::string why;
        if (const auto kind = inspectedKind(name, bytes, why)) {
            if (describeInspectedFile(*kind, name, bytes, true).empty())
                std::abort();
        } else if (why.empty()) {
            std::abort();
        }
    }
    return 0;
}
