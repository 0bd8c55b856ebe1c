#pragma once

#include <functional>
#include <iosfwd>

namespace lumivex {

class Scheduler;
class SerialBackend;
struct IniSearchInput;
struct StabilityCommandOptions;

// One stability run through the stability analysis' own engine: settings loaded, connection chain,
// the LED and capture chosen as in the main window, the run with each reading printed as it
// arrives, then the means, maxima and duration; the report and its data file when asked.
// `stopRequested` is looked at every 100 ms: true ends the run after the reading in progress.
int runStabilityAnalysis(const StabilityCommandOptions& options, const IniSearchInput& search, Scheduler& scheduler,
    SerialBackend& backend, std::ostream& out, std::ostream& err, const std::function<bool()>& stopRequested = {});

} // namespace lumivex
