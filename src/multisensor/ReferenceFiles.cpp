#include "multisensor/ReferenceFiles.h"

#include "base/Dialogs.h"
#include "foundation/StringTable.h"
#include "multisensor/ReadingLists.h"
#include "multisensor/SettingsFileChoice.h"

#include <filesystem>
#include <system_error>

namespace lumivex {
namespace {

std::string filter()
{
    return std::string(stringText(StringId::ReferenceFileFilter));
}

} // namespace

bool saveReferenceWithDialog(
    ReadingLists& readings, SensorSettingsList& settings, Dialogs& dialogs, const std::string& settingsFolder)
{
    enterSettingsFolder(settingsFolder);
    std::string path = dialogs.askSaveFileName(kDefaultReferenceFileName, filter());
    if (path.empty())
        return false;
    if (!std::filesystem::path(path).has_extension())
        path += ".ref";
    // Every failure has told the user already.
    return readings.SaveReference(path, settings);
}

bool loadReferenceWithDialog(
    ReadingLists& readings, SensorSettingsList& settings, Dialogs& dialogs, const std::string& settingsFolder)
{
    enterSettingsFolder(settingsFolder);
    const std::string path = dialogs.askOpenFileName(std::string(), filter());
    if (path.empty())
        return false;
    if (readings.LoadReference(path, settings))
        return true;
    // A refused name has its own message.
    if (namesReferenceDataFile(path))
        return false;
    std::error_code error;
    const bool exists = std::filesystem::is_regular_file(path, error);
    dialogs.message(std::string(stringText(exists ? StringId::NoReferenceData : StringId::PathOrFileNotFound)));
    return false;
}

} // namespace lumivex
