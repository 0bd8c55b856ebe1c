// The desktop program. Until the main window exists it runs the start and the end of the
// program: settings located and loaded, log opened, settings saved.
#include "app/CGlobal.h"
#include "app/Startup.h"
#include "base/ConsoleDialogs.h"

#include <QCoreApplication>

#include <clocale>
#include <cstring>
#include <iostream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    // Qt adopts the user's locale; the core's printf formats and files need the C one.
    std::setlocale(LC_NUMERIC, "C");

    bool simulate = false;
    for (int i = 1; i < argc; ++i)
        simulate = simulate || std::strcmp(argv[i], "--simulate") == 0;

    lumivex::ConsoleDialogs dialogs;
    lumivex::CGlobal mainLog;
    lumivex::CGlobal serialLog;
    const auto state = lumivex::startApplication(
        lumivex::nativeIniSearchInput(QCoreApplication::applicationFilePath().toStdString()), dialogs, mainLog,
        serialLog);

    std::cout << "Lumivex " << lumivex::versionText() << "\n"
              << "  settings file:  " << state.location.iniPath << "\n"
              << "  working folder: " << state.location.workingFolder << "\n"
              << "  log file:       " << state.settings.logFile << " (level " << state.settings.logLevel << ")\n"
              << "  serial port:    " << state.settings.comPort << " at " << state.settings.baudrate << " baud\n\n"
              << "This build holds the foundation only: settings store, log file, string table and scheduler.\n"
              << "The main window" << (simulate ? " and the simulated sensor device are" : " is")
              << " not built yet; nothing else starts.\n";

    if (!lumivex::finishApplication(state)) {
        std::cerr << "The settings could not be saved to " << state.location.iniPath << "\n";
        return 1;
    }
    return 0;
}
