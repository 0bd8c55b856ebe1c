#pragma once

#include "cli/CliSession.h"
#include "sim/SimConfig.h"

#include <optional>
#include <string>
#include <vector>

namespace lumivex {

// `lumivex-cli test`: one single-LED test, headless, for scripts and production lines.
struct TestCommandOptions {
    std::string iniPath; // empty: "Lumivex.ini" where the program finds it
    std::string port; // --port NAME (also "Auto")
    bool simulate = false; // --simulate: the built-in simulated device
    SimConfig simConfig; // its options
    int board = 1; // from 1
    int led = 1; // 1..5
    int mode = 0; // 0 manual, 1 user, 2 pwm
    std::optional<int> range; // 0..11, manual
    std::optional<int> average; // 0..15, pwm
    std::optional<int> userTime; // 1..10000 ms
    std::optional<int> userArea; // 0 3x3, 1 9x9
    bool details = false; // the identity, offset and distance fields too
    bool json = false;
    CliOutputOptions output; // --log, --quiet
    bool help = false;
};

// Reads the arguments after "test". Returns an empty text on success, else the usage error.
std::string parseTestCommand(const std::vector<std::string>& args, TestCommandOptions& options);

// The --help text of `lumivex-cli test`.
std::string testCommandHelp();
// The --help text of `lumivex-cli` itself.
std::string cliHelp();

} // namespace lumivex
