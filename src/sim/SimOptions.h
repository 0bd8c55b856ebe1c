#pragma once

#include "sim/SimConfig.h"

#include <string>
#include <vector>

namespace lumivex {

// Command-line options of the simulated device. The device options are shared by every front-end
// (lumivex-sim, `lumivex --simulate`, `lumivex-cli --simulate`); the program options belong to
// lumivex-sim alone. Options take their value as the next argument or after "=".
struct SimProgramOptions {
    SimConfig device;
    bool pty = false; // --pty: serve a new pseudo-terminal
    std::string port; // --port NAME: serve this serial port
    int baud = 115200; // --baud N, for --port
    bool verbose = false; // --verbose: requests and replies on standard error
    bool help = false; // --help or -h
};

// Reads the device options from args into config and checks the result. Arguments that are no
// device option go to rest when it is given (another front-end's own options), else they are an
// error. Returns an empty text on success, else a message that names the argument.
std::string parseSimDeviceOptions(
    const std::vector<std::string>& args, SimConfig& config, std::vector<std::string>* rest = nullptr);

// Reads lumivex-sim's whole command line (without the program name). Exactly one of --pty and
// --port is required unless --help is given. Returns an empty text on success, else the message.
std::string parseSimProgramOptions(const std::vector<std::string>& args, SimProgramOptions& options);

// The device options, one per line with their meaning, for --help texts.
std::string simDeviceOptionsHelp();
// lumivex-sim's whole --help text.
std::string simProgramHelp();

} // namespace lumivex
