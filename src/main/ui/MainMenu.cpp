#include "main/ui/MainMenu.h"

#include "main/MainFrame.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

namespace lumivex {

MainMenu::MainMenu(QMenuBar* bar, std::function<MenuState()> state, std::function<void(Command)> run)
    : QObject(bar), m_state(std::move(state)), m_run(std::move(run))
{
    auto addMenu = [this, bar](const QString& title, const char* name) {
        QMenu* menu = bar->addMenu(title);
        menu->setObjectName(QString::fromLatin1(name));
        connect(menu, &QMenu::aboutToShow, this, [this] { apply(m_state()); });
        return menu;
    };

    QMenu* file = addMenu(tr("&File"), "menuFile");
    add(file, ExitProgram, "Exit Program");

    // "XY Chromaticity Chart", "UV Chromaticity Chart" and "U'V' Chromaticity Chart" never did
    // anything and are not offered.
    QMenu* view = addMenu(tr("&View"), "menuView");
    auto* charts = new QActionGroup(this);
    charts->addAction(add(view, HsiColourWheel, "HSI Color Wheel", true));
    charts->addAction(add(view, RgbColourPalette, "RGB Color Palette", true));
    charts->addAction(add(view, XyChartWhiteLeds, "XY Chart (White LED's)", true));

    QMenu* communication = addMenu(tr("&Communication"), "menuCommunication");
    add(communication, ConnectLumivex, "Connect Lumivex");
    add(communication, DisconnectLumivex, "Disconnect Lumivex");
    communication->addSeparator();
    add(communication, Configuration, "Configuration");

    QMenu* test = addMenu(tr("&Test"), "menuTest");
    add(test, StartTest, "Start Test");
    add(test, ResetBoard, "Reset Board");
    test->addSeparator();
    add(test, Measurements, "Measurements");
    add(test, MeasurementSettings, "Measurement settings");
    test->addSeparator();
    add(test, OpenColourTestReport, "Open Color Test Report");
    add(test, SaveColourTestReport, "Save Color Test Report");

    // "Show Stability Analysis Screen" is not offered either.
    QMenu* stability = addMenu(tr("&Stability Analysis"), "menuStability");
    add(stability, StartStabilityAnalysis, "Start Stability Analysis");
    add(stability, OpenStabilityReport, "Open Stability Analysis Report");

    QMenu* terminal = addMenu(tr("Te&rminal Mode"), "menuTerminal");
    add(terminal, StartTerminalMode, "Start Terminal Mode");

    // Only "About" stays of Help; with no system menu on every platform, it is the way to the box.
    QMenu* help = addMenu(tr("&Help"), "menuHelp");
    add(help, About, "About");
}

QAction* MainMenu::add(QMenu* menu, Command command, const char* text, bool checkable)
{
    QAction* action = menu->addAction(QString::fromLatin1(text));
    action->setObjectName(QStringLiteral("m%1").arg(static_cast<int>(command)));
    action->setData(static_cast<int>(command));
    action->setCheckable(checkable);
    connect(action, &QAction::triggered, this, [this, command] { m_run(command); });
    m_actions.emplace(command, action);
    return action;
}

void MainMenu::apply(const MenuState& state)
{
    action(HsiColourWheel)->setChecked(state.checkedChart == 1);
    action(RgbColourPalette)->setChecked(state.checkedChart == 2);
    action(XyChartWhiteLeds)->setChecked(state.checkedChart == 3);

    action(ConnectLumivex)->setEnabled(state.connect);
    action(DisconnectLumivex)->setEnabled(state.disconnect);

    action(StartTest)->setEnabled(state.startTest);
    action(ResetBoard)->setEnabled(state.resetBoard);
    action(Measurements)->setEnabled(state.measurements);
    action(MeasurementSettings)->setEnabled(state.measurementSettings);
    action(OpenColourTestReport)->setEnabled(state.openColourReport);
    action(SaveColourTestReport)->setEnabled(state.saveColourReport);

    action(StartStabilityAnalysis)->setEnabled(state.startStability);
    action(OpenStabilityReport)->setEnabled(state.openStabilityReport);
}

} // namespace lumivex
