#pragma once

#include <string>

namespace lumivex {

class Dialogs;
class SensorSettingsList;

// When the INI value "SensorSettings" names a folder, it becomes the current folder before a file
// dialog for settings or reference files opens; an empty or vanished folder changes nothing.
void enterSettingsFolder(const std::string& settingsFolder);

// The "Save settings" and "Load settings" buttons. When the INI value "SensorSettings" names a
// folder it becomes the current folder first (the folder that holds settings files), then the
// file dialog asks with the settings file filter: proposing "sensor.cfg" when saving, nothing when
// opening. A chosen save name without an extension gets ".cfg". Empty when cancelled.
std::string chooseSettingsFileToSave(Dialogs& dialogs, const std::string& settingsFolder);
std::string chooseSettingsFileToLoad(Dialogs& dialogs, const std::string& settingsFolder);

// The whole button: choose, then save or load. False when cancelled or failed; after a true load
// the caller rebuilds the rows of the list of settings.
bool saveSettingsWithDialog(SensorSettingsList& list, Dialogs& dialogs, const std::string& settingsFolder);
bool loadSettingsWithDialog(SensorSettingsList& list, Dialogs& dialogs, const std::string& settingsFolder);

} // namespace lumivex
