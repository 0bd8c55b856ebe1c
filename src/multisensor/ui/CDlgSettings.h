#pragma once

#include "multisensor/SensorSettingsForm.h"

#include <QDialog>

#include <map>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLineEdit;

namespace lumivex {

class Dialogs;

// "Settings for sensor": one sensor's capture settings, corrections and tolerances. Modal; it
// shows a SensorSettingsForm and hands every choice and edit to it. OK closes only when the form
// takes all edits; the caller then stores the form into the record.
class CDlgSettings : public QDialog {
    Q_OBJECT

public:
    CDlgSettings(SensorSettingsForm& form, Dialogs& dialogs, QWidget* parent = nullptr);

private:
    struct DeviationControls {
        QCheckBox* percentOn = nullptr;
        QLineEdit* percent = nullptr;
        QCheckBox* absoluteOn = nullptr;
        QLineEdit* absolute = nullptr;
    };

    QComboBox* addList(QGridLayout* grid, int row, const QString& label, SettingsControl id);
    QLineEdit* addEdit(QGridLayout* grid, int row, const QString& label, SettingsControl id, std::string& member);
    QWidget* buildDeviation(DeviationOf of, const QString& title);
    DeviationControls& controls(DeviationOf of) { return of == DeviationOf::Intensity ? m_intens : m_xy; }
    void showBoxes();
    void showEnabled();
    void onOk();

    SensorSettingsForm& m_form;
    Dialogs& m_dialogs;
    std::map<SettingsControl, QWidget*> m_controls;
    DeviationControls m_intens;
    DeviationControls m_xy;
    QCheckBox* m_keepXyOffset = nullptr;
};

} // namespace lumivex
