// `lumivex-cli ports` in virtual time: the listed ports, and with --probe what answers on each.
#include "cli/PortsCommand.h"
#include "base/VirtualScheduler.h"
#include "device/PortDirectory.h"
#include "foundation/IniLocation.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace lumivex;

namespace {

class FixedPorts final : public PortDirectory {
public:
    std::vector<PortEntry> presentPorts() const override { return entries; }
    bool usesComNames() const override { return false; }
    std::vector<PortEntry> entries;
};

struct PortsRun {
    int status = -1;
    std::string out;
    std::string err;
};

PortsRun listPorts(const std::vector<std::string>& args, const std::vector<PortEntry>& entries)
{
    PortsCommandOptions options;
    EXPECT_EQ(parsePortsCommand(args, options), "");
    test::TempDir dir;
    options.iniPath = dir.file("Lumivex.ini");
    VirtualScheduler scheduler;
    SimulatedDevice device(scheduler, SimConfig {});
    SimPortConfig simPorts;
    simPorts.silentPorts = {"/dev/ttyS0"};
    SimSerialBackend backend(scheduler, device, simPorts);
    FixedPorts ports;
    ports.entries = entries;
    std::ostringstream out, err;
    PortsRun run;
    run.status
        = runPortsCommand(options, ports, nativeIniSearchInput("/nowhere/lumivex-cli"), scheduler, backend, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

} // namespace

TEST(PortsCommand, listsThePortsAndWhatAnswersOnThem)
{
    const std::vector<PortEntry> entries
        = {{"/dev/ttyS0", ""}, {"/dev/ttyUSB7", "gone meanwhile"}, {"SIM", "FT232R USB UART"}};
    const auto plain = listPorts({}, entries);
    EXPECT_EQ(plain.status, kCliSuccess);
    EXPECT_EQ(plain.out, "/dev/ttyS0\t\n/dev/ttyUSB7\tgone meanwhile\nSIM\tFT232R USB UART\n");

    const auto probed = listPorts({"--probe"}, entries);
    EXPECT_EQ(probed.status, kCliSuccess);
    std::istringstream lines(probed.out);
    std::string silent, missing, device;
    std::getline(lines, silent);
    std::getline(lines, missing);
    std::getline(lines, device);
    EXPECT_EQ(silent, "/dev/ttyS0\t\tno sensor device: No valid response from command 19");
    EXPECT_EQ(missing, "/dev/ttyUSB7\tgone meanwhile\tno sensor device: Wrong COM port number");
    EXPECT_EQ(device, "SIM\tFT232R USB UART\tsensor device LVXCS5-R2, serial 1042, firmware 1007");
    EXPECT_EQ(probed.err, "") << "a port without a device is no error";
}

TEST(PortsCommand, noPortIsSaidUnlessQuietAndBadArgumentsAreRefused)
{
    EXPECT_EQ(listPorts({}, {}).err, "lumivex-cli: no serial port found\n");
    EXPECT_EQ(listPorts({"--quiet"}, {}).err, "");
    PortsCommandOptions options;
    EXPECT_EQ(parsePortsCommand({"--probe", "--port", "COM1"}, options), "unknown argument \"--port\"");
    EXPECT_EQ(parsePortsCommand({"--ini"}, options), "--ini needs a path");
}
