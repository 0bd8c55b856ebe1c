#pragma once

#include "cli/CliSession.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace lumivex {

class PortDirectory;
class Scheduler;
class SerialBackend;
struct IniSearchInput;

// `lumivex-cli ports`: the serial ports present, and with --probe which of them answer as a sensor
// device.
struct PortsCommandOptions {
    std::string iniPath; // empty: "Lumivex.ini" where the program finds it (baud rate, log)
    bool probe = false;
    CliOutputOptions output; // --log, --quiet
    bool help = false;
};

// Reads the arguments after "ports". Returns an empty text on success, else the usage error.
std::string parsePortsCommand(const std::vector<std::string>& args, PortsCommandOptions& options);

// The --help text of `lumivex-cli ports`.
std::string portsCommandHelp();

// One line per port: its name and description, tab-separated; with --probe a third column says
// what answered. Probing connects as the CONNECT button does, one port after the other.
int runPortsCommand(const PortsCommandOptions& options, const PortDirectory& ports, const IniSearchInput& search,
    Scheduler& scheduler, SerialBackend& backend, std::ostream& out, std::ostream& err);

} // namespace lumivex
