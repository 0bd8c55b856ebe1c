// lumivex-cli: headless runs of Lumivex's engines for scripts and production lines.
#include "app/IniLocation.h"
#include "cli/ListMeasurement.h"
#include "cli/MeasureCommand.h"
#include "cli/SingleLedTest.h"
#include "cli/TestCommand.h"
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
    if (command != "test" && command != "measure") {
        std::cerr << "lumivex-cli: unknown command \"" << command << "\"\n" << lumivex::cliHelp();
        return lumivex::kCliUsage;
    }
    args.erase(args.begin());

    lumivex::TestCommandOptions testOptions;
    lumivex::MeasureCommandOptions measureOptions;
    const auto error = command == "test" ? lumivex::parseTestCommand(args, testOptions)
                                         : lumivex::parseMeasureCommand(args, measureOptions);
    if (!error.empty()) {
        std::cerr << "lumivex-cli " << command << ": " << error << "\n(see lumivex-cli " << command << " --help)\n";
        return lumivex::kCliUsage;
    }
    if (testOptions.help || measureOptions.help) {
        std::cout << (command == "test" ? lumivex::testCommandHelp() : lumivex::measureCommandHelp());
        return lumivex::kCliSuccess;
    }
    const bool simulate = command == "test" ? testOptions.simulate : measureOptions.simulate;
    const lumivex::SimConfig& simConfig = command == "test" ? testOptions.simConfig : measureOptions.simConfig;

    lumivex::QtScheduler scheduler;
    std::unique_ptr<lumivex::SimulatedDevice> device;
    std::unique_ptr<lumivex::SerialBackend> backend;
    if (simulate) {
        device = std::make_unique<lumivex::SimulatedDevice>(scheduler, simConfig);
        backend = std::make_unique<lumivex::SimSerialBackend>(scheduler, *device);
    } else {
        backend = std::make_unique<lumivex::QtSerialBackend>();
    }
    const auto search = lumivex::nativeIniSearchInput(QCoreApplication::applicationFilePath().toStdString());
    if (measureOptions.onInput) {
        std::signal(SIGINT, onStopSignal);
        std::signal(SIGTERM, onStopSignal);
    }
    const int status = command == "test"
        ? lumivex::runSingleLedTest(testOptions, search, scheduler, *backend, std::cout, std::cerr)
        : lumivex::runListMeasurement(measureOptions, search, scheduler, *backend, std::cout, std::cerr,
              [] { return stopSignalled != 0; });
    backend.reset();
    return status;
}
