#include "app/Startup.h"

#include "foundation/CGlobal.h"
#include "foundation/StringTable.h"

#include <cstdio>

namespace lumivex {

std::string versionText()
{
    return std::string(stringText(StringId::VersionText));
}

void applyLogSettings(const Settings& settings, CGlobal& writer)
{
    writer.SetFilePath(settings.logFile);
    writer.SetLevel(settings.logLevel);
}

StartupState startApplication(const IniSearchInput& search, Dialogs& dialogs, CGlobal& mainLog, CGlobal& serialLog)
{
    return startApplication(locateIni(search, dialogs), mainLog, serialLog);
}

IniLocation iniLocationOf(const std::string& iniPath)
{
    std::string folder = folderWithSeparator(iniPath);
    if (folder.size() > 1)
        folder.pop_back();
    return {iniPath, folder.empty() ? "." : folder};
}

StartupState startApplication(
    const IniLocation& location, CGlobal& mainLog, CGlobal& serialLog, const std::string& logFile)
{
    StartupState state;
    state.location = location;
    state.settings = SettingsStore(state.location).load();
    if (!logFile.empty()) {
        // An empty "Log-Datei" stays empty should the settings be saved.
        if (state.settings.logFile == state.settings.logFileByDefault)
            state.settings.logFileByDefault = logFile;
        state.settings.logFile = logFile;
    }
    applyLogSettings(state.settings, serialLog);
    applyLogSettings(state.settings, mainLog);
    state.serialDebugFile = serialDebugFilePath(state.settings.logFile);
    state.loggingOn = loggingOn(state.settings);

    mainLog.OpenLog();
    if (mainLog.IsLogging(0)) {
        char line[128];
        std::snprintf(line, sizeof line, "Log - START >%s<", versionText().c_str());
        mainLog.WriteLog(0, line);
    }
    return state;
}

PortSettings portSettingsOf(const StartupState& state)
{
    PortSettings port;
    port.comPort = state.settings.comPort;
    port.baudrate = state.settings.baudrate;
    port.serialDebugFile = state.settings.seriellDatei == 1;
    port.serialDebugFilePath = state.serialDebugFile;
    return port;
}

FileWriteResult saveSettingsAtEnd(const StartupState& state)
{
    return SettingsStore(state.location).save(state.settings);
}

bool finishApplication(const StartupState& state)
{
    return static_cast<bool>(saveSettingsAtEnd(state));
}

} // namespace lumivex
