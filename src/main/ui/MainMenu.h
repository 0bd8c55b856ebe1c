#pragma once

#include <QObject>

#include <functional>
#include <map>

class QAction;
class QMenu;
class QMenuBar;

namespace lumivex {

struct MenuState;

// The main window's menu bar: File, View, Communication, Test, Stability Analysis, Terminal Mode
// and Help, each item an action named after its command id ("m32771"). Items that never do
// anything are not built at all. Before any menu opens, the window's state is asked for and
// copied into the items' enabled and checked marks.
class MainMenu : public QObject {
    Q_OBJECT

public:
    enum Command : int {
        ExitProgram = 32771,
        HsiColourWheel = 32773,
        RgbColourPalette = 32774,
        XyChartWhiteLeds = 32775,
        ConnectLumivex = 32779,
        DisconnectLumivex = 32780,
        StartTest = 32787,
        OpenColourTestReport = 32788,
        SaveColourTestReport = 32789,
        StartStabilityAnalysis = 32790,
        OpenStabilityReport = 32792,
        StartTerminalMode = 32793,
        About = 32798,
        Configuration = 32799,
        Measurements = 32800,
        MeasurementSettings = 32802,
        ResetBoard = 32803,
    };

    // `state` is asked whenever a menu is about to show; `run` gets the command of a chosen item.
    MainMenu(QMenuBar* bar, std::function<MenuState()> state, std::function<void(Command)> run);

    QAction* action(Command command) const { return m_actions.at(command); }
    // Copies the state into the items (done before every menu shows).
    void apply(const MenuState& state);

private:
    QAction* add(QMenu* menu, Command command, const char* text, bool checkable = false);

    std::function<MenuState()> m_state;
    std::function<void(Command)> m_run;
    std::map<Command, QAction*> m_actions;
};

} // namespace lumivex
