// lumivex-cli: headless runs of Lumivex's engines for scripts and production lines.
#include "cli/InspectCommand.h"
#include "cli/ListMeasurement.h"
#include "cli/MeasureCommand.h"
#include "cli/PortsCommand.h"
#include "cli/SingleLedTest.h"
#include "cli/StabilityAnalysis.h"
#include "cli/StabilityCommand.h"
#include "cli/TestCommand.h"
#include "foundation/IniLocation.h"
#include "platform/QtPortDirectory.h"
#include "platform/QtScheduler.h"
#include "platform/QtSerialBackend.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"

#include <QCoreApplication>

#include <clocale>
#include <csignal>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

volatile std::sig_atomic_t stopSignalled = 0;

// The line station ends between runs: the flag is looked at each time the pump wakes.
extern "C" void onStopSignal(int)
{
    stopSignalled = 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // Qt adopts the user's locale; the core's printf formats and files need the C one.
    std::setlocale(LC_NUMERIC, "C");

    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::cout << lumivex::cliHelp();
        return args.empty() ? lumivex::kCliUsage : lumivex::kCliSuccess;
    }
    const std::string command = args[0];
    if (command == "inspect") {
        // Inspecting writes no log and prints nothing but its result: the two are taken and left.
        std::vector<std::string> inspectArgs(args.begin() + 1, args.end());
        lumivex::CliOutputOptions output;
        if (const auto error = lumivex::takeOutputOptions(inspectArgs, output); !error.empty()) {
            std::cerr << "lumivex-cli inspect: " << error << "\n(see lumivex-cli inspect --help)\n";
            return lumivex::kCliUsage;
        }
        return lumivex::runInspectCommand(inspectArgs, std::cout, std::cerr);
    }
    if (command == "ports") {
        lumivex::PortsCommandOptions options;
        const std::vector<std::string> portsArgs(args.begin() + 1, args.end());
        if (const auto error = lumivex::parsePortsCommand(portsArgs, options); !error.empty()) {
            std::cerr << "lumivex-cli ports: " << error << "\n(see lumivex-cli ports --help)\n";
            return lumivex::kCliUsage;
        }
        if (options.help) {
            std::cout << lumivex::portsCommandHelp();
            return lumivex::kCliSuccess;
        }
        lumivex::QtScheduler scheduler;
        lumivex::QtSerialBackend backend;
        const auto search = lumivex::nativeIniSearchInput(QCoreApplication::applicationFilePath().toStdString());
        return lumivex::runPortsCommand(
            options, lumivex::QtPortDirectory(), search, scheduler, backend, std::cout, std::cerr);
    }
    if (command != "test" && command != "measure" && command != "stability") {
        std::cerr << "lumivex-cli: unknown command \"" << command << "\"\n" << lumivex::cliHelp();
        return lumivex::kCliUsage;
    }
    args.erase(args.begin());

    lumivex::TestCommandOptions testOptions;
    lumivex::MeasureCommandOptions measureOptions;
    lumivex::StabilityCommandOptions stabilityOptions;
    std::string error;
    bool help = false;
    std::string helpText;
    bool simulate = false;
    const lumivex::SimConfig* simConfig = nullptr;
    if (command == "test") {
        error = lumivex::parseTestCommand(args, testOptions);
        help = testOptions.help;
        helpText = lumivex::testCommandHelp();
        simulate = testOptions.simulate;
        simConfig = &testOptions.simConfig;
    } else if (command == "measure") {
        error = lumivex::parseMeasureCommand(args, measureOptions);
        help = measureOptions.help;
        helpText = lumivex::measureCommandHelp();
        simulate = measureOptions.simulate;
        simConfig = &measureOptions.simConfig;
    } else {
        error = lumivex::parseStabilityCommand(args, stabilityOptions);
        help = stabilityOptions.help;
        helpText = lumivex::stabilityCommandHelp();
        simulate = stabilityOptions.led.simulate;
        simConfig = &stabilityOptions.led.simConfig;
    }
    if (!error.empty()) {
        std::cerr << "lumivex-cli " << command << ": " << error << "\n(see lumivex-cli " << command << " --help)\n";
        return lumivex::kCliUsage;
    }
    if (help) {
        std::cout << helpText;
        return lumivex::kCliSuccess;
    }

    lumivex::QtScheduler scheduler;
    std::unique_ptr<lumivex::SimulatedDevice> device;
    std::unique_ptr<lumivex::SerialBackend> backend;
    if (simulate) {
        device = std::make_unique<lumivex::SimulatedDevice>(scheduler, *simConfig);
        backend = std::make_unique<lumivex::SimSerialBackend>(scheduler, *device);
    } else {
        backend = std::make_unique<lumivex::QtSerialBackend>();
    }
    const auto search = lumivex::nativeIniSearchInput(QCoreApplication::applicationFilePath().toStdString());
    // The line station and the stability run end on Ctrl-C or SIGTERM between their steps.
    if (measureOptions.onInput || command == "stability") {
        std::signal(SIGINT, onStopSignal);
        std::signal(SIGTERM, onStopSignal);
    }
    const auto stop = [] { return stopSignalled != 0; };
    int status = lumivex::kCliUsage;
    if (command == "test")
        status = lumivex::runSingleLedTest(testOptions, search, scheduler, *backend, std::cout, std::cerr);
    else if (command == "measure")
        status = lumivex::runListMeasurement(measureOptions, search, scheduler, *backend, std::cout, std::cerr, stop);
    else
        status
            = lumivex::runStabilityAnalysis(stabilityOptions, search, scheduler, *backend, std::cout, std::cerr, stop);
    backend.reset();
    return status;
}
