#include "multisensor/SettingsFileChoice.h"

#include "base/Dialogs.h"
#include "foundation/StringTable.h"
#include "multisensor/KonfListFile.h"
#include "multisensor/SensorSettingsList.h"

#include <filesystem>
#include <system_error>

namespace lumivex {

void enterSettingsFolder(const std::string& settingsFolder)
{
    if (settingsFolder.empty())
        return;
    // A folder that no longer exists leaves the current folder as it is; the dialog still opens.
    std::error_code error;
    std::filesystem::current_path(settingsFolder, error);
}

namespace {

std::string filter()
{
    return std::string(stringText(StringId::ConfigFileFilter));
}

} // namespace

std::string chooseSettingsFileToSave(Dialogs& dialogs, const std::string& settingsFolder)
{
    enterSettingsFolder(settingsFolder);
    std::string path = dialogs.askSaveFileName(kDefaultSettingsFileName, filter());
    if (!path.empty() && !std::filesystem::path(path).has_extension())
        path += ".cfg";
    return path;
}

std::string chooseSettingsFileToLoad(Dialogs& dialogs, const std::string& settingsFolder)
{
    enterSettingsFolder(settingsFolder);
    return dialogs.askOpenFileName(std::string(), filter());
}

bool saveSettingsWithDialog(SensorSettingsList& list, Dialogs& dialogs, const std::string& settingsFolder)
{
    const std::string path = chooseSettingsFileToSave(dialogs, settingsFolder);
    return !path.empty() && list.SaveSettingsFile(path);
}

bool loadSettingsWithDialog(SensorSettingsList& list, Dialogs& dialogs, const std::string& settingsFolder)
{
    const std::string path = chooseSettingsFileToLoad(dialogs, settingsFolder);
    return !path.empty() && list.LoadSettingsFile(path);
}

} // namespace lumivex
