#pragma once

#include <string>

namespace lumivex {

class Dialogs;
class ReadingLists;
class SensorSettingsList;

inline constexpr const char* kDefaultReferenceFileName = "sensor.ref";

// The measurement list's "Save as reference" and "Load reference" buttons. The "SensorSettings"
// folder becomes the current folder, then the file dialog asks with the reference file filter:
// proposing "sensor.ref" when saving (a name without an extension gets ".ref"), nothing when
// opening. A cancelled dialog changes nothing, the reference in use included. True when the
// chosen reference is set.
//
// Afterwards the window shows `readings.baseTitle()` and, after a load, fills its rows again. A
// load that replaced the settings has told the settings list's owner through the list's
// settings-changed handler.
bool saveReferenceWithDialog(
    ReadingLists& readings, SensorSettingsList& settings, Dialogs& dialogs, const std::string& settingsFolder);
// A load that sets no reference says why: "Path or file not found" when the chosen file does not
// exist, else "No Reference data available " (its settings may have been loaded without data).
bool loadReferenceWithDialog(
    ReadingLists& readings, SensorSettingsList& settings, Dialogs& dialogs, const std::string& settingsFolder);

} // namespace lumivex
