// lumivex-cli: headless runs of Lumivex's engines for scripts and production lines.
#include "app/IniLocation.h"
#include "cli/SingleLedTest.h"
#include "cli/TestCommand.h"
#include "platform/QtScheduler.h"
#include "platform/QtSerialBackend.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"

#include <QCoreApplication>

#include <clocale>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

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
    if (args[0] != "test") {
        std::cerr << "lumivex-cli: unknown command \"" << args[0] << "\"\n" << lumivex::cliHelp();
        return lumivex::kCliUsage;
    }
    args.erase(args.begin());

    lumivex::TestCommandOptions options;
    if (const auto error = lumivex::parseTestCommand(args, options); !error.empty()) {
        std::cerr << "lumivex-cli test: " << error << "\n(see lumivex-cli test --help)\n";
        return lumivex::kCliUsage;
    }
    if (options.help) {
        std::cout << lumivex::testCommandHelp();
        return lumivex::kCliSuccess;
    }

    lumivex::QtScheduler scheduler;
    std::unique_ptr<lumivex::SimulatedDevice> device;
    std::unique_ptr<lumivex::SerialBackend> backend;
    if (options.simulate) {
        device = std::make_unique<lumivex::SimulatedDevice>(scheduler, options.simConfig);
        backend = std::make_unique<lumivex::SimSerialBackend>(scheduler, *device);
    } else {
        backend = std::make_unique<lumivex::QtSerialBackend>();
    }
    const auto search = lumivex::nativeIniSearchInput(QCoreApplication::applicationFilePath().toStdString());
    const int status = lumivex::runSingleLedTest(options, search, scheduler, *backend, std::cout, std::cerr);
    backend.reset();
    return status;
}
