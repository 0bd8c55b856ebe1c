#pragma once

#include "multisensor/SensorSettingsForm.h"

#include <functional>

namespace lumivex {

class Dialogs;
class SensorSettingsList;

// The list of settings without its widgets: which row is selected, when the two change buttons
// work, "Change settings" around the settings dialog, and "Change all settings".
class SettingsListModel {
public:
    SettingsListModel(SensorSettingsList& list, Dialogs& dialogs);

    // The selected row, counted from 1; 0 when none.
    int selectedRow() const { return m_selectedRow; }
    // "Change settings" and "Change all settings" work exactly while a row is selected.
    bool changeButtonsEnabled() const { return m_selectedRow != 0; }

    // A click on the list, with the row now selected (0: none).
    void click(int row) { m_selectedRow = row < 0 ? 0 : row; }
    // A double click: the same; true when "Change settings" is to run now.
    bool doubleClick(int row);
    // The rows were rebuilt: a selection past their end is gone.
    void rowsRefilled(int rowCount);

    // "Change settings": prepares the dialog for the selected record and runs it with `edit`, which
    // returns true when the user left with OK; then stores what changed, marks the list modified
    // and warns once of a mix of PWM and other captures. The selection ends either way. True when
    // the rows must be refilled; false (nothing at all) without a selected row.
    using EditDialog = std::function<bool(SensorSettingsForm&)>;
    bool changeSettings(const DeviationSettings& ini, int firmware, const EditDialog& edit);

    // "Change all settings": after the user confirms (string 221), every other record takes the
    // selected one's capture settings and tolerances; the offsets only where neither record nor
    // the INI keeps them. True when the rows must be refilled; "No" keeps the selection.
    bool changeAllSettings(const DeviationSettings& ini);

private:
    void endChange() { m_selectedRow = 0; }
    void warnOfMixedCapture(int testMode);

    SensorSettingsList& m_list;
    Dialogs& m_dialogs;
    int m_selectedRow = 0;
};

} // namespace lumivex
