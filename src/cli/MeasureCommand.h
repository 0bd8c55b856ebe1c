#pragma once

#include "cli/CliSession.h"
#include "sim/SimConfig.h"

#include <string>
#include <vector>

namespace lumivex {

// `lumivex-cli measure`: one run of the measurement list, headless, for production lines.
struct MeasureCommandOptions {
    std::string iniPath; // empty: "Lumivex.ini" where the program finds it
    std::string port; // --port NAME (also "Auto")
    bool simulate = false; // --simulate: the built-in simulated device
    SimConfig simConfig; // its options
    std::string settingsPath; // --settings: empty, the defaults for the device's boards
    std::string referencePath; // --reference: compare with it (its settings are used)
    std::string saveReferencePath; // --save-reference: keep this run as a reference
    std::string reportPath; // --report: write the test report
    bool json = false;
    // --on-input: the line station; a run each time the device's input signals, until stopped.
    bool onInput = false;
    CliOutputOptions output; // --log, --quiet
    bool help = false;
};

// Reads the arguments after "measure". Returns an empty text on success, else the usage error.
std::string parseMeasureCommand(const std::vector<std::string>& args, MeasureCommandOptions& options);

// The --help text of `lumivex-cli measure`.
std::string measureCommandHelp();

} // namespace lumivex
