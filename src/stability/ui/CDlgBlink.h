#pragma once

#include "stability/StabilityRun.h"

#include <QDialog>
#include <QElapsedTimer>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace lumivex {

class Dialogs;
class StabilityChartWidget;
struct Settings;

// "Stability Analyses": the run's settings, the live chart and its statistics, Save and Load.
// Modeless; the main window creates it from its menu and it deletes itself when it closes. The
// run and the chart model decide; this window wires them to its controls.
class CDlgBlink : public QDialog, public StabilityRunView {
    Q_OBJECT

public:
    struct Links {
        StabilityRun& run;
        // Position and size ("DlgBlinkPosX/Y", "WinSizeX/Y"), "StabilityFile", "SelectDatei".
        Settings& settings;
        Dialogs& dialogs;
        std::function<StabilityChoice()> choice;
        // The port is open.
        std::function<bool()> connected;
        // "Measure", through the main window (which defers its own closing until the run is over).
        std::function<void()> measure;
        // A loaded report's LED, test mode, user area and range go back to the main window.
        std::function<void(const StabilitySetup&)> applySetup;
    };

    explicit CDlgBlink(Links links, QWidget* parent = nullptr);
    ~CDlgBlink() override;

    // The main window's choices or value groups changed: boxes, "Parameter shown", averaging and
    // title follow.
    void Refresh();
    // The connection changed: "Measure" follows.
    void ConnectionChanged();
    // The program ends: closes without asking.
    void CloseAtExit();

    // StabilityRunView
    void ShowTitle(const std::string& title) override;
    void ShowRunning(bool running) override;
    void ReadingsCleared() override;
    void ReadingTaken(int number, int count) override;
    void RunEnded(bool completed) override;

    StabilityChartWidget* chart() const { return m_chart; }

signals:
    // The window is closing (geometry stored); it deletes itself.
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void accept() override;

private:
    QWidget* buildSettings();
    QWidget* buildResults();
    void fillParameters();
    void showResults();
    void enableIdleControls();
    void onReadingsEdited();
    void onDelayEdited();
    void onBoxClicked();
    void onDefaultButton();
    void onSave();
    void onLoad();
    StabilityGroups boxesShown() const;

    Links m_links;
    QLineEdit* m_readings = nullptr;
    QLineEdit* m_delay = nullptr;
    QComboBox* m_averaging = nullptr;
    QCheckBox* m_rgbi = nullptr;
    QCheckBox* m_hsi = nullptr;
    QCheckBox* m_xy = nullptr;
    QComboBox* m_parameters = nullptr;
    QCheckBox* m_timeScale = nullptr;
    QPushButton* m_measure = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_load = nullptr;
    QPushButton* m_default = nullptr;
    QLabel* m_progress = nullptr;
    std::vector<QLineEdit*> m_results; // mean r, g, b, i; max r, g, b, i; hue, sat, x, y
    StabilityChartWidget* m_chart = nullptr;
    bool m_readingsChanged = false;
    bool m_delayChanged = false;
    bool m_timeScaleAfterRun = false;
    bool m_closed = false;
    bool m_atExit = false;
    QElapsedTimer m_elapsed; // since the run's first reading began, for the time left
};

} // namespace lumivex
