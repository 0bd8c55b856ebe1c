// What the command-line tests share: one simulated device in virtual time and a settings folder,
// and a command's run against them with its exit status and what it printed.
#pragma once

#include "base/VirtualScheduler.h"
#include "foundation/IniLocation.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"

#include "TempDir.h"

#include <sstream>
#include <string>
#include <vector>

namespace lumivex::test {

using Args = std::vector<std::string>;

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

struct SimBench {
    explicit SimBench(SimConfig config = {}, SimPortConfig ports = {})
        : device(scheduler, std::move(config)), backend(scheduler, device, std::move(ports))
    {
    }

    // `command(search, scheduler, backend, out, err)` returns the exit status; no settings file is
    // found where the program would search for one.
    template<class Command> CliRun run(Command command)
    {
        std::ostringstream out, err;
        const int status = command(nativeIniSearchInput("/nowhere/lumivex-cli"), scheduler, backend, out, err);
        return {status, out.str(), err.str()};
    }

    TempDir dir;
    std::string ini = dir.file("Lumivex.ini");
    VirtualScheduler scheduler;
    SimulatedDevice device;
    SimSerialBackend backend;
};

inline std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

} // namespace lumivex::test
