#pragma once

#include "cli/CliSession.h"

#include <iosfwd>

namespace lumivex {

class Scheduler;
class SerialBackend;
struct IniSearchInput;
struct TestCommandOptions;

// One single-LED test through the main window's own engine: settings (and so the log) loaded,
// connection chain (the automatic port search included), one test in the chosen mode, every value
// field printed as the window shows it. The caller chooses the clock and the port (real ones, or
// the simulated device); the settings file is read, never written.
int runSingleLedTest(const TestCommandOptions& options, const IniSearchInput& search, Scheduler& scheduler,
    SerialBackend& backend, std::ostream& out, std::ostream& err);

} // namespace lumivex
