#pragma once

#include "multisensor/SettingsListModel.h"

#include <QDialog>

#include <functional>

class QPushButton;
class QTableWidget;

namespace lumivex {

class Dialogs;
class SensorSettingsList;
struct Settings;

// "List of settings": one row per sensor with its capture settings and corrections, and the
// buttons that change one sensor, all sensors, or save and load the settings file. Modeless; the
// owner creates it, moves it to "KonfListPosX"/"KonfListPosY" and shows it. OK or closing stores
// its position there, emits closed() and deletes the window.
class CDlgKonfListe : public QDialog {
    Q_OBJECT

public:
    // `settings`: the INI values (tolerance switches, "NoChangeXYOffset", the settings folder and
    // the position); `firmware`: the connected device's firmware number, 0 when none.
    CDlgKonfListe(SensorSettingsList& list, Settings& settings, std::function<int()> firmware, Dialogs& dialogs,
        QWidget* parent = nullptr);

    // Shows the records as they are now; the owner calls it when the settings changed elsewhere.
    void RefillSettingsRows();

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void accept() override;

private:
    void buildList();
    // The row selected in the list, from 1; 0 when none.
    int selectedRow() const;
    void rowClicked();
    void rowDoubleClicked();
    void showSelection();
    void onChangeSettings();
    void onChangeAllSettings();
    void onSaveSettings();
    void onLoadSettings();

    SensorSettingsList& m_list;
    Settings& m_settings;
    std::function<int()> m_firmware;
    Dialogs& m_dialogs;
    SettingsListModel m_model;
    QTableWidget* m_table = nullptr;
    QPushButton* m_change = nullptr;
    QPushButton* m_changeAll = nullptr;
    bool m_closed = false;
};

} // namespace lumivex
