#pragma once

#include "multisensor/MeasurementRunView.h"
#include "multisensor/ReadingColumns.h"

#include <QDialog>

#include <functional>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace lumivex {

class Dialogs;
class MeasurementRun;
class ReadingLists;
class SensorSettingsList;
struct Settings;

// "List of measurements": one row per sensor with the values of the last run, coloured by the
// comparison with the reference, and the buttons of the run and the reference. Modeless; the main
// window creates it from its menu and it deletes itself when it closes. The run decides what is
// shown (MeasurementRunView); this window copies it into its controls.
class CDlgMessliste : public QDialog, public MeasurementRunView {
    Q_OBJECT

public:
    struct Links {
        MeasurementRun& run;
        ReadingLists& readings;
        SensorSettingsList& sensorSettings;
        // "MesslistPosX"/"MesslistPosY" (written when the window closes) and "SensorSettings".
        Settings& settings;
        Dialogs& dialogs;
        // "Perform measurement", through the main window (which hands over its value groups).
        std::function<void()> perform;
        // "Save Test Report": the main window's Save Color Test Report (message 204 without results).
        std::function<void()> saveTestReport;
        // The port is open (a run could start).
        std::function<bool()> connected;
    };

    explicit CDlgMessliste(Links links, QWidget* parent = nullptr);
    ~CDlgMessliste() override;

    // The program ends: closes without asking, even while a cancelled run is still unwinding.
    void CloseAtExit();

    // The connection changed while the window is shown: the button and the input poll follow.
    void ConnectionChanged();

    // MeasurementRunView
    void ShowTitle(const std::string& title) override;
    void EnablePerform(bool enabled) override;
    void ShowProgress(int position, int count) override;
    void FillRows() override;

    // Column order of the list (after the icon column), as fixed when the window opened.
    const std::vector<ReadingColumn>& columns() const { return m_columns; }

signals:
    // The window is closing (its position stored, the outputs switched off); it deletes itself.
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void reject() override;
    void accept() override;

private:
    void buildList();
    // A word under the list while no sensor is set up to take part: a run would measure nothing.
    void showHint();
    void onPerform();
    void onSaveReference();
    void onLoadReference();
    void onSaveTestReport();

    Links m_links;
    std::vector<ReadingColumn> m_columns;
    QTableWidget* m_list = nullptr;
    QPushButton* m_perform = nullptr;
    QPushButton* m_saveReference = nullptr;
    QPushButton* m_loadReference = nullptr;
    QPushButton* m_saveReport = nullptr;
    QPushButton* m_ok = nullptr;
    QLabel* m_hint = nullptr;
    QLabel* m_progressText = nullptr;
    QProgressBar* m_progress = nullptr;
    bool m_closed = false;
    bool m_atExit = false;
};

// The row icons: a sensor measured in the last run, and one that was not.
QIcon measuredIcon();
QIcon notMeasuredIcon();

} // namespace lumivex
