#pragma once

#include "device/ComPortSwitch.h"
#include "foundation/SettingsStore.h"

#include <string>

namespace lumivex {

class CGlobal;
class Dialogs;

// What the start of the program settles before anything else reads a setting.
struct StartupState {
    IniLocation location;
    Settings settings;
    std::string serialDebugFile;
    bool loggingOn = false;
};

// Gives a log writer the loaded path and level.
void applyLogSettings(const Settings& settings, CGlobal& writer);

// The start-up sequence: locate and load the settings, hand both log writers their path and
// level, cut and open the log, and write the start line with the program's version.
StartupState startApplication(const IniSearchInput& search, Dialogs& dialogs, CGlobal& mainLog, CGlobal& serialLog);
// The same with the INI file given (the command-line tool's --ini). A `logFile` replaces the
// settings' log file for this run (the command-line tool's --log); the settings keep theirs.
StartupState startApplication(
    const IniLocation& location, CGlobal& mainLog, CGlobal& serialLog, const std::string& logFile = {});
// The location of a given INI file: its folder is the working folder.
IniLocation iniLocationOf(const std::string& iniPath);

// The end: save every key (the program's only write of the INI file). The result says why it
// could not, e.g. a read-only INI, which is left as it is.
FileWriteResult saveSettingsAtEnd(const StartupState& state);
// The same, for callers that only report that it failed.
bool finishApplication(const StartupState& state);

// What a port switch reads of the settings when it opens the port.
PortSettings portSettingsOf(const StartupState& state);

// "V 2.0.0.5"
std::string versionText();

} // namespace lumivex
