#pragma once

#include "foundation/IniLocation.h"
#include "main/MainFrame.h"
#include "main/ui/MainMenu.h"
#include "multisensor/ui/CDlgKonfListe.h"
#include "multisensor/ui/CDlgMessliste.h"
#include "stability/ui/CDlgBlink.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <optional>
#include <string>
#include <variant>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace lumivex {

class ChartPanel;
class Dialogs;
class PortDirectory;
class ResultPanel;
class Scheduler;
class SerialBackend;
class TestConfigPanel;
enum class DisplayChange;

// Where the settings come from: searched for as the program does, or a given file (tests).
using IniSource = std::variant<IniSearchInput, IniLocation>;

// The main window: a dialog-style window with a menu bar. It owns the MainFrame (port, log,
// settings, test configuration, result display and request engine), hands the user's clicks to
// it, and copies what the frame's view state says into the controls. It holds no rule of its own.
class CLumivexDlg : public QMainWindow {
    Q_OBJECT

public:
    CLumivexDlg(Scheduler& scheduler, SerialBackend& backend, Dialogs& dialogs, const IniSource& ini,
        QWidget* parent = nullptr);
    ~CLumivexDlg() override;

    MainFrame& frame() { return m_frame; }
    MainMenu& menu() { return *m_menu; }
    // The list of measurements while it is shown, else null.
    CDlgMessliste* measurementList() const { return m_measurementList; }
    // The list of settings while it is shown, else null.
    CDlgKonfListe* settingsList() const { return m_settingsList; }
    // The stability analysis while it is shown, else null.
    CDlgBlink* stabilityWindow() const { return m_stabilityWindow; }

    // Uses this port name for the present run only (the simulated device's "SIM"); the configured
    // name is what the settings file keeps.
    void usePortForThisRun(const std::string& port);
    // Where the configuration dialog finds the serial ports present; without one it offers only
    // what the backend lists (the simulated device).
    void setPortDirectory(const PortDirectory* directory) { m_portDirectory = directory; }
    // A menu command, as if chosen from the menu; a command whose item is greyed does nothing.
    void runCommand(MainMenu::Command command);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWindow();
    QWidget* buildHeader();
    QWidget* buildConnectionArea();
    void wireCore();
    void showEverything();
    void onDisplayChange(DisplayChange change);
    void showConnection();
    void showStatusText();
    void showStartTest();
    void showValueGroups();
    void selectChart(int choice);
    // Reads the xy chart's image for the configured table ("CIETabelle"); a chart that cannot be
    // loaded stays empty and the user is told (string 143).
    void loadChartImage();
    void moveToStoredPosition();
    bool commandEnabled(MainMenu::Command command) const;
    // The Enter key: asks before closing while disconnected, does nothing while connected.
    void onOk();
    // Runs a handler that may wait for the device (the wait pumps events, so a close can arrive
    // inside it); a close asked for meanwhile is carried out once the handler has returned.
    void whileWaiting(const std::function<void()>& handler);
    // Timer stopped, position recorded, settings saved: once, on the way out.
    void finish();

    // The menu commands that open windows (or, for the modeless ones, close them again).
    void openMeasurementList();
    void closeMeasurementList();
    void openMeasurementSettings();
    void openColourTestReport();
    void saveColourTestReport();
    void openStabilityAnalysis();
    void closeStabilityAnalysis();
    void openStabilityReport();
    void openConfiguration();
    void openTerminal();

    MainFrame m_frame;
    Dialogs& m_dialogs;
    Scheduler& m_scheduler; // the terminal's tick
    MainMenu* m_menu = nullptr;
    TestConfigPanel* m_config = nullptr;
    ResultPanel* m_results = nullptr;
    ChartPanel* m_chart = nullptr;
    QPushButton* m_connect = nullptr;
    QLabel* m_statusLine = nullptr;
    QLabel* m_portLine = nullptr;
    QLabel* m_portToUse = nullptr;
    QPushButton* m_startTest = nullptr;
    QPlainTextEdit* m_info = nullptr;
    QPointer<CDlgMessliste> m_measurementList;
    QPointer<CDlgBlink> m_stabilityWindow;
    QPointer<CDlgKonfListe> m_settingsList;

    int m_waitDepth = 0;
    bool m_closeAfterWait = false;
    bool m_finished = false;
    std::optional<std::string> m_configuredPort; // the setting while a run-only port stands in
    std::string m_runPort;
    const PortDirectory* m_portDirectory = nullptr;
};

} // namespace lumivex
