// The desktop program: the main window on a real serial port, or with --simulate on the
// simulated sensor device inside the program, connected at once.
#include "foundation/IniLocation.h"
#include "main/ui/CLumivexDlg.h"
#include "main/ui/QtDialogs.h"
#include "platform/QtPortDirectory.h"
#include "platform/QtScheduler.h"
#include "platform/QtSerialBackend.h"
#include "sim/SimOptions.h"
#include "sim/SimSerialBackend.h"
#include "sim/SimulatedDevice.h"

#include <QApplication>
#include <QTimer>

#include <clocale>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kUsage = 2;

void printHelp()
{
    std::cout << "Usage: lumivex [--port NAME | --simulate [simulator options]]\n"
                 "\n"
                 "Without options Lumivex talks to the sensor device on the configured serial port\n"
                 "(\"COMPORT\" in Lumivex.ini, or \"Auto\" to search). --port NAME uses that port\n"
                 "(e.g. /dev/ttyUSB0, a /dev/serial/by-id link, COM3) for this run; it is saved only\n"
                 "when you confirm it in Communication > Configuration. With --simulate it runs on a\n"
                 "simulated sensor device inside the program and connects to it at once; the\n"
                 "configured port is left as it is.\n"
                 "\n"
              << lumivex::simDeviceOptionsHelp();
}

} // namespace

int main(int argc, char* argv[])
{
    // Help needs no display, so it comes before the application object.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            printHelp();
            return 0;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumivex"));
    // Qt adopts the user's locale; the core's printf formats and files need the C one.
    std::setlocale(LC_NUMERIC, "C");

    // QApplication has taken its own options (-platform, ...) out of argv.
    const QStringList qtArgs = QApplication::arguments();
    bool simulate = false;
    std::string port;
    std::vector<std::string> simArgs;
    for (qsizetype i = 1; i < qtArgs.size(); ++i) {
        const std::string arg = qtArgs.at(i).toLocal8Bit().toStdString();
        if (arg == "--simulate") {
            simulate = true;
        } else if (arg == "--port" || arg.rfind("--port=", 0) == 0) {
            if (arg == "--port" && i + 1 < qtArgs.size())
                port = qtArgs.at(++i).toLocal8Bit().toStdString();
            else if (arg != "--port")
                port = arg.substr(7);
            if (port.empty()) {
                std::cerr << "lumivex: --port needs a port name, e.g. --port /dev/ttyUSB0\n";
                return kUsage;
            }
        } else {
            simArgs.push_back(arg);
        }
    }
    if (simulate && !port.empty()) {
        std::cerr << "lumivex: --port and --simulate exclude each other (the simulated device has its own port)\n";
        return kUsage;
    }
    lumivex::SimConfig simConfig;
    if (!simulate && !simArgs.empty()) {
        std::cerr << "lumivex: unknown option '" << simArgs.front() << "' (simulator options need --simulate)\n";
        return kUsage;
    }
    if (const auto error = lumivex::parseSimDeviceOptions(simArgs, simConfig); !error.empty()) {
        std::cerr << "lumivex: " << error << "\n(see lumivex --help)\n";
        return kUsage;
    }

    lumivex::QtScheduler scheduler;
    std::unique_ptr<lumivex::SimulatedDevice> device;
    std::unique_ptr<lumivex::SerialBackend> backend;
    lumivex::QtPortDirectory ports;
    if (simulate) {
        device = std::make_unique<lumivex::SimulatedDevice>(scheduler, simConfig);
        backend = std::make_unique<lumivex::SimSerialBackend>(scheduler, *device);
    } else {
        backend = std::make_unique<lumivex::QtSerialBackend>();
    }

    lumivex::QtDialogs dialogs;
    lumivex::CLumivexDlg window(scheduler, *backend, dialogs,
        lumivex::nativeIniSearchInput(QCoreApplication::applicationFilePath().toStdString()));
    dialogs.setParentWidget(&window);
    if (simulate)
        window.usePortForThisRun(lumivex::SimSerialBackend::kPortName);
    else
        window.setPortDirectory(&ports);
    if (!port.empty())
        window.usePortForThisRun(port);
    window.show();
    if (simulate) {
        // A new user sees a working connection: connect as soon as the window is up.
        QTimer::singleShot(0, &window, [&window] { window.runCommand(lumivex::MainMenu::ConnectLumivex); });
    }
    return app.exec();
}
