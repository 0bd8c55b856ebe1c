#include "multisensor/SettingsListModel.h"

#include "base/Dialogs.h"
#include "foundation/StringTable.h"
#include "multisensor/SensorSettingsList.h"

namespace lumivex {

SettingsListModel::SettingsListModel(SensorSettingsList& list, Dialogs& dialogs) : m_list(list), m_dialogs(dialogs) { }

bool SettingsListModel::doubleClick(int row)
{
    click(row);
    return m_selectedRow != 0;
}

void SettingsListModel::rowsRefilled(int rowCount)
{
    if (m_selectedRow > rowCount)
        m_selectedRow = 0;
}

bool SettingsListModel::changeSettings(const DeviationSettings& ini, int firmware, const EditDialog& edit)
{
    if (m_selectedRow == 0)
        return false;
    CKonfList* record = m_list.settingsByIndex(m_selectedRow);
    if (!record) {
        endChange();
        return false;
    }
    SensorSettingsForm form(*record, ini, firmware);
    const bool ok = edit(form);
    // The dialog runs its own event loop: the record is looked up again rather than trusted.
    record = m_list.settingsByIndex(form.index());
    bool changed = false;
    if (ok && record && form.apply(*record)) {
        changed = true;
        m_list.setModified(true);
        warnOfMixedCapture(form.testMode);
    }
    endChange();
    return changed;
}

void SettingsListModel::warnOfMixedCapture(int testMode)
{
    for (const CKonfList* record : m_list.walkByIndex()) {
        if (record->TestMode != testMode && (record->TestMode == kKonfPwmCapture || testMode == kKonfPwmCapture)) {
            m_dialogs.message(std::string(stringText(StringId::MixedCaptureMode)));
            return;
        }
    }
}

bool SettingsListModel::changeAllSettings(const DeviationSettings& ini)
{
    if (m_selectedRow == 0)
        return false;
    if (!m_dialogs.askYesNo(std::string(stringText(StringId::ConfirmChangeAllSettings))))
        return false;
    const CKonfList* found = m_list.settingsByIndex(m_selectedRow);
    if (!found) {
        endChange();
        return false;
    }
    const CKonfList source = *found;
    const bool sourceKeepsOffsets = (source.OptionFlags & KonfOption::KeepXyOffset) != 0;
    for (CKonfList* record : m_list.walkByIndex()) {
        if (record->Index == source.Index)
            continue;
        record->TestMode = source.TestMode;
        record->MeasureTime = source.MeasureTime;
        record->Range = source.Range;
        record->PwmRuns = source.PwmRuns;
        record->UserTime = source.UserTime;
        record->Gain = source.Gain;
        // The percent switches follow the source; every capture setting becomes pending.
        record->ChangeFlags = source.ChangeFlags | KonfChange::AllCapture;
        const bool keepsOffsets = (record->OptionFlags & KonfOption::KeepXyOffset) != 0;
        if (!ini.keepsXyOffsets() && !sourceKeepsOffsets && !keepsOffsets) {
            record->XOffset = source.XOffset;
            record->YOffset = source.YOffset;
            record->ChangeFlags |= KonfChange::XOffset | KonfChange::YOffset;
            record->OptionFlags = source.OptionFlags;
        } else {
            record->OptionFlags = static_cast<std::uint16_t>(
                (source.OptionFlags & ~KonfOption::KeepXyOffset) | (record->OptionFlags & KonfOption::KeepXyOffset));
        }
        record->DevIntensPercent = source.DevIntensPercent;
        record->DevXYPercent = source.DevXYPercent;
        record->DevIntensAbs = source.DevIntensAbs;
        record->DevXYAbs = source.DevXYAbs;
        // A distance that differs goes to the device too; copied but not sent, the next read-back
        // would silently put the old one back.
        if (record->Distance != source.Distance)
            record->ChangeFlags |= KonfChange::Distance;
        record->Distance = source.Distance;
    }
    m_list.setModified(true);
    endChange();
    return true;
}

} // namespace lumivex
