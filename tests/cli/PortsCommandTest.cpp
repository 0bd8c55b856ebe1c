// `lumivex-cli ports` in virtual time: the listed ports, and with --probe what answers on each.
#include "cli/PortsCommand.h"
#include "device/PortDirectory.h"

#include "CliBench.h"

#include <gtest/gtest.h>

using namespace lumivex;

namespace {

class FixedPorts final : public PortDirectory {
public:
    std::vector<PortEntry> presentPorts() const override { return entries; }
    bool usesComNames() const override { return false; }
    std::vector<PortEntry> entries;
};

test::CliRun listPorts(const test::Args& args, const std::vector<PortEntry>& entries)
{
    PortsCommandOptions options;
    EXPECT_EQ(parsePortsCommand(args, options), "");
    test::SimBench sim({}, SimPortConfig {.silentPorts = {"/dev/ttyS0"}});
    options.iniPath = sim.ini;
    FixedPorts ports;
    ports.entries = entries;
    return sim.run([&](auto&&... io) { return runPortsCommand(options, ports, io...); });
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
    EXPECT_EQ(test::lines(probed.out),
        (std::vector<std::string> {"/dev/ttyS0\t\tno sensor device: No valid response from command 19",
            "/dev/ttyUSB7\tgone meanwhile\tno sensor device: Wrong COM port number",
            "SIM\tFT232R USB UART\tsensor device LVXCS5-R2, serial 1042, firmware 1007"}));
    EXPECT_EQ(probed.err, "") << "a port without a device is no error";
}

TEST(PortsCommand, noPortIsSaidUnlessQuiet)
{
    EXPECT_EQ(listPorts({}, {}).err, "lumivex-cli: no serial port found\n");
    EXPECT_EQ(listPorts({"--quiet"}, {}).err, "");
}
