#pragma once

#include "cli/TestCommand.h"

#include <string>
#include <vector>

namespace lumivex {

// `lumivex-cli stability`: one stability run, headless. The LED, test mode and capture options are
// those of `lumivex-cli test`.
struct StabilityCommandOptions {
    TestCommandOptions led; // --ini, --port/--simulate, --board, --led, --mode, --range, ...
    int readings = 0; // --readings N, 1..100 (required)
    int delayMs = 0; // --delay MS: 0 or 10..20000
    bool rgbi = true; // --groups rgbi,hsi,xy (default: the settings file's value groups)
    bool hsi = true;
    bool xy = true;
    bool groupsGiven = false;
    std::string reportPath; // --report PATH: the text report and its data file beside it
    bool csv = false;
    bool json = false;
    bool help = false;
};

// Reads the arguments after "stability". Returns an empty text on success, else the usage error.
std::string parseStabilityCommand(const std::vector<std::string>& args, StabilityCommandOptions& options);

// The --help text of `lumivex-cli stability`.
std::string stabilityCommandHelp();

} // namespace lumivex
