#pragma once

#include "configuration/ConfigurationModel.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLineEdit;

namespace lumivex {

class Dialogs;

// The configuration dialog ("Configuration"): interface, log file, storage paths, chart table and
// the deviation tolerances. It shows a ConfigurationModel and hands every edit to it; OK closes
// the dialog only when the model takes all edits, and the caller then applies the model.
class CDlgKonfig : public QDialog {
    Q_OBJECT

public:
    CDlgKonfig(ConfigurationModel& model, Dialogs& dialogs, QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct ToleranceControls {
        QCheckBox* percentOn = nullptr;
        QLineEdit* percent = nullptr;
        QCheckBox* absoluteOn = nullptr;
        QLineEdit* absolute = nullptr;
    };

    QWidget* buildInterface();
    QWidget* buildLogfile();
    QWidget* buildStorage();
    struct ToleranceIds {
        int percentOn, percent, absoluteOn, absolute;
    };
    QWidget* buildTolerance(ToleranceOf of, const QString& title, const ToleranceIds& ids);
    QLineEdit* pathRow(QGridLayout* grid, int row, const QString& label, int editId, int buttonId, FileChoice choice);
    void showAll();
    void showTolerances();
    ToleranceControls& controls(ToleranceOf of) { return of == ToleranceOf::Intensity ? m_intens : m_xy; }
    void checkAbsolute(ToleranceOf of);
    void refocus(QLineEdit* edit);
    QLineEdit* editOf(ConfigField field) const;
    void onOk();

    ConfigurationModel& m_model;
    Dialogs& m_dialogs;
    QComboBox* m_port = nullptr;
    QComboBox* m_baud = nullptr;
    QLineEdit* m_logName = nullptr;
    QLineEdit* m_logLevel = nullptr;
    QCheckBox* m_serialDebug = nullptr;
    QLineEdit* m_resultFile = nullptr;
    QLineEdit* m_stabilityFile = nullptr;
    QCheckBox* m_selectFile = nullptr;
    QLineEdit* m_sensorSettings = nullptr;
    QComboBox* m_chartTable = nullptr;
    ToleranceControls m_intens;
    ToleranceControls m_xy;
    QCheckBox* m_noXyOffsetChange = nullptr;
};

} // namespace lumivex
