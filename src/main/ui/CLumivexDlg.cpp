#include "main/ui/CLumivexDlg.h"

#include "base/Dialogs.h"
#include "colour/ChartImage.h"
#include "colour/ui/ChartFolders.h"
#include "controls/ui/UiText.h"
#include "main/ui/AboutBox.h"
#include "main/ui/Artwork.h"
#include "main/ui/ChartPanel.h"
#include "main/ui/ResultPanel.h"
#include "main/ui/TestConfigPanel.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionGroupBox>
#include <QVBoxLayout>

#include <algorithm>

namespace lumivex {

namespace {
// The yellow brush of the information field.
void paintBlackOnYellow(QWidget* widget)
{
    QPalette palette = widget->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, QColor(255, 255, 0));
        palette.setColor(group, QPalette::Text, Qt::black);
    }
    widget->setPalette(palette);
}

// Where a group box's frame begins below its title. Most styles say so; Fusion reports the whole
// box and draws the frame under the title's line.
int groupFrameTop(QGroupBox* box)
{
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = box->title();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QStyle* style = box->style();
    const int frameTop = style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxFrame, box).top();
    if (frameTop > 0)
        return frameTop;
    return style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box).bottom();
}

QLayout* loweredBy(QWidget* widget, int top)
{
    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(0, top, 0, 0);
    layout->addWidget(widget);
    return layout;
}

QLabel* makeHeader(StringId text, int controlId, const QFont& font, QWidget* parent)
{
    auto* header = new QLabel(qText(text), parent);
    header->setObjectName(controlName(controlId));
    header->setFont(font);
    header->setAlignment(Qt::AlignCenter);
    header->setFrameShape(QFrame::StyledPanel);
    header->setFrameShadow(QFrame::Sunken);
    header->setMargin(4);
    paintBlackOnWhite(header);
    return header;
}
} // namespace

CLumivexDlg::CLumivexDlg(
    Scheduler& scheduler, SerialBackend& backend, Dialogs& dialogs, const IniSource& ini, QWidget* parent)
    : QMainWindow(parent), m_frame(scheduler, backend, dialogs), m_dialogs(dialogs), m_scheduler(scheduler)
{
    setObjectName(QStringLiteral("CLumivexDlg"));
    setWindowTitle(QStringLiteral("Lumivex"));
    setWindowIcon(lumivexIcon());

    // Settings, the log's start line, the test configuration from the settings, the port's input
    // purged and the 10 ms timer started: its first tick comes once the event loop runs.
    std::visit([this](const auto& source) { m_frame.Initialise(source); }, ini);

    buildWindow();
    wireCore();
    showEverything();
    moveToStoredPosition();
}

CLumivexDlg::~CLumivexDlg()
{
    finish();
    // The controls go before the frame they report to.
    m_frame.View().Display().SetChangeHandler({});
    m_frame.View().SetStatusTextHandler({});
    m_frame.View().SetBoardListHandler({});
    delete takeCentralWidget();
}

// ---------------------------------------------------------------- building

void CLumivexDlg::buildWindow()
{
    m_menu = new MainMenu(
        menuBar(), [this] { return m_frame.Menu(); }, [this](MainMenu::Command command) { runCommand(command); });

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("central"));
    m_config = new TestConfigPanel(m_frame.Config(), m_dialogs, central);
    m_results = new ResultPanel(central);
    m_chart = new ChartPanel(m_frame.View().Display(), central);

    m_info = new QPlainTextEdit(central);
    m_info->setObjectName(controlName(1017));
    m_info->setReadOnly(true);
    m_info->setFont(arialFont(14, 500));
    m_info->setMinimumWidth(300);
    paintBlackOnYellow(m_info);

    // Upper half: connection, test configuration and the information field; lower half: the
    // results, the value groups beside the chart, and the chart, which takes the spare room.
    // The connection area and the information field have no title; they start level with the
    // frame of the titled group between them.
    const int frameTop = groupFrameTop(m_config);
    auto* upperLeft = new QHBoxLayout;
    upperLeft->addLayout(loweredBy(buildConnectionArea(), frameTop));
    upperLeft->addWidget(m_config, 1);

    auto* resultsColumn = new QVBoxLayout;
    resultsColumn->addWidget(m_results->testResults(), 1);
    resultsColumn->addWidget(m_results->groupChecks());

    auto* valuesColumn = new QVBoxLayout;
    valuesColumn->addWidget(m_results->sensorValues());
    valuesColumn->addWidget(m_results->hsiValues());
    valuesColumn->addWidget(m_results->xyValues());
    valuesColumn->addStretch(1);

    auto* body = new QGridLayout;
    body->addLayout(upperLeft, 0, 0, 1, 2);
    body->addLayout(loweredBy(m_info, frameTop), 0, 2);
    body->addLayout(resultsColumn, 1, 0);
    body->addLayout(valuesColumn, 1, 1);
    body->addWidget(m_chart, 1, 2);
    body->setColumnStretch(0, 2);
    body->setColumnStretch(1, 1);
    body->setColumnStretch(2, 3);
    body->setRowStretch(1, 1);

    auto* root = new QVBoxLayout(central);
    root->addWidget(buildHeader());
    root->addLayout(body, 1);
    setCentralWidget(central);
    // Room for a chart of a useful size, within the screen the window opens on, its frame and
    // title bar included.
    QSize size = sizeHint().expandedTo(QSize(1100, 740));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize() - QSize(kFrameAllowanceWidth, kFrameAllowanceHeight));
    resize(size.expandedTo(minimumSizeHint()));
}

QWidget* CLumivexDlg::buildHeader()
{
    auto* header = new QWidget(this);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(makeHeader(StringId::TitleLine, 1069, arialFont(28, 800), header), 3);
    QLabel* maker = makeHeader(StringId::MakerLine, 1070, arialFont(16, 600), header);
    row->addWidget(maker, 2);
    return header;
}

QWidget* CLumivexDlg::buildConnectionArea()
{
    auto* area = new QFrame(this);
    area->setObjectName(QStringLiteral("connection"));
    area->setFrameShape(QFrame::StyledPanel);

    m_connect = new QPushButton(area);
    m_connect->setObjectName(controlName(1002));
    m_connect->setFont(arialFont(16, 700));
    m_connect->setMinimumHeight(44);

    m_statusLine = new QLabel(area);
    m_statusLine->setObjectName(controlName(1004));
    m_portLine = new QLabel(area);
    m_portLine->setObjectName(controlName(1005));
    for (QLabel* line : {m_statusLine, m_portLine}) {
        line->setAlignment(Qt::AlignCenter);
        line->setFont(arialFont(15, 700));
    }
    m_portToUse = new QLabel(area);
    m_portToUse->setObjectName(QStringLiteral("portToUse"));
    m_portToUse->setAlignment(Qt::AlignCenter);
    m_portToUse->setWordWrap(true);
    m_portToUse->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_startTest = new QPushButton(area);
    m_startTest->setObjectName(controlName(1016));
    const QPixmap face = startTestBitmap(devicePixelRatioF());
    m_startTest->setIcon(QIcon(face));
    m_startTest->setIconSize(face.deviceIndependentSize().toSize());
    m_startTest->setAccessibleName(QStringLiteral("START TEST"));
    m_startTest->setToolTip(QStringLiteral("START TEST"));
    // The bitmap is the button's face; a frame around it would only double its edge. The frame
    // that stays shows the keyboard focus.
    m_startTest->setFlat(true);
    m_startTest->setStyleSheet(QStringLiteral("QPushButton { border: 2px solid transparent; padding: 0px; }"
                                              "QPushButton:focus { border: 2px solid palette(highlight); }"));

    auto* column = new QVBoxLayout(area);
    column->addWidget(m_connect);
    column->addSpacing(4);
    column->addWidget(m_statusLine);
    column->addWidget(m_portLine);
    column->addWidget(m_portToUse);
    column->addSpacing(4);
    column->addStretch(1);
    column->addWidget(m_startTest);

    // Enter on a focused button presses it, as Space does, instead of reaching the window.
    m_connect->setAutoDefault(true);
    m_startTest->setAutoDefault(true);
    connect(m_connect, &QPushButton::clicked, this,
        [this] { whileWaiting([this] { m_frame.Sequencer().OnConnectButton(); }); });
    connect(m_startTest, &QPushButton::clicked, this, [this] { runCommand(MainMenu::StartTest); });
    return area;
}

void CLumivexDlg::wireCore()
{
    ResultView& view = m_frame.View();
    view.Display().SetChangeHandler([this](DisplayChange change) { onDisplayChange(change); });
    view.SetStatusTextHandler([this] { showStatusText(); });
    view.SetBoardListHandler([this] { m_config->showBoards(); });
    // "WM_XCOLORPICKER_SELCHANGE": taken only while the palette is the current chart.
    m_chart->setPickHandler([this](PackedRgb colour) {
        ResultDisplay& display = m_frame.View().Display();
        if (display.CurrentChart() == ChartChoice::Palette) {
            display.ShowPickedColour(colour, m_frame.Sequencer().FirmwareNumber());
            m_frame.View().ShowPickedColour();
        }
    });

    m_frame.listsChanged = [this] {
        if (m_measurementList)
            m_measurementList->FillRows();
        if (m_settingsList)
            m_settingsList->RefillSettingsRows();
    };
    m_frame.stabilityChoicesChanged = [this] {
        if (m_stabilityWindow && !m_frame.StabilityAnalysis().IsMeasuring())
            m_stabilityWindow->Refresh();
    };
    m_frame.settingsChanged = [this] {
        if (m_measurementList)
            m_measurementList->FillRows();
        if (m_settingsList)
            m_settingsList->RefillSettingsRows();
    };
    // The columns are fixed when the list opens: new value groups need a new window.
    m_frame.valueGroupsChanged = [this] {
        if (m_measurementList && !m_frame.Run().IsMeasuring()) {
            closeMeasurementList();
            if (!m_measurementList)
                openMeasurementList();
        }
    };

    TestConfiguration& config = m_frame.Config();
    connect(m_results->checkRgb(), &QCheckBox::clicked, this, [this, &config](bool on) {
        config.OnCheckRgb(on);
        showValueGroups();
    });
    connect(m_results->checkHsi(), &QCheckBox::clicked, this, [this, &config](bool on) {
        config.OnCheckHsi(on);
        showValueGroups();
    });
    connect(m_results->checkXy(), &QCheckBox::clicked, this, [this, &config](bool on) {
        config.OnCheckXy(on);
        showValueGroups();
    });
}

void CLumivexDlg::showEverything()
{
    const ResultDisplay& display = m_frame.View().Display();
    m_config->showConfiguration();
    m_results->showBars(display.Bars());
    m_results->showFields(display.Fields());
    showConnection();
    showStatusText();
    showValueGroups();
    m_chart->showChart(display.CurrentChart());
    // Read when the xy chart is shown: a broken image file troubles nobody who never looks at it.
    if (display.CurrentChart() == ChartChoice::XyChart)
        loadChartImage();
}

void CLumivexDlg::moveToStoredPosition()
{
    const Settings& settings = m_frame.State().settings;
    moveInsideScreen(this, QPoint(settings.lumivexPosX, settings.lumivexPosY));
}

// ---------------------------------------------------------------- showing

void CLumivexDlg::onDisplayChange(DisplayChange change)
{
    ResultDisplay& display = m_frame.View().Display();
    switch (change) {
    case DisplayChange::FieldsMoved:
        m_results->showFields(display.Fields());
        break;
    case DisplayChange::BarsMoved:
        m_results->showBars(display.Bars());
        break;
    case DisplayChange::ConnectionShown:
        showConnection();
        break;
    case DisplayChange::ChartRequested:
        m_chart->takeRequests(display.TakeChartRequests());
        break;
    }
}

void CLumivexDlg::showConnection()
{
    const ConnectionTexts& connection = m_frame.View().Display().Connection();
    m_connect->setText(qText(connection.connectButton));
    m_connect->setEnabled(connection.connectEnabled);
    m_statusLine->setText(qText(connection.statusLine));
    m_portLine->setText(qText(connection.portLine));
    m_portToUse->setText(qText(connection.portToUse));
    m_portToUse->setVisible(!connection.portToUse.empty());
    showStartTest();
    if (m_measurementList)
        m_measurementList->ConnectionChanged();
    if (m_stabilityWindow)
        m_stabilityWindow->ConnectionChanged();
}

void CLumivexDlg::showStartTest()
{
    // While a test runs the button is visibly out of use: a second press would send nothing.
    const bool running = m_frame.View().TestRunning();
    m_startTest->setEnabled(m_frame.View().Display().Connection().startEnabled && !running);
    m_startTest->setToolTip(running ? QStringLiteral("A test is running") : QStringLiteral("START TEST"));
}

void CLumivexDlg::showStatusText()
{
    const ResultView& view = m_frame.View();
    std::string text = view.StatusText();
    // Which LED the values belong to, so that a value is never read as another LED's.
    if (!view.SubjectText().empty())
        text += std::string("\r\n\r\n") + (view.TestRunning() ? "Testing: " : "Values shown: ") + view.SubjectText();
    m_info->setPlainText(qMultiLine(text));
    showStartTest();
}

void CLumivexDlg::showValueGroups()
{
    const TestConfiguration& config = m_frame.Config();
    m_results->showGroups(config.checkRgb, config.checkHsi, config.checkXy);
}

void CLumivexDlg::selectChart(int choice)
{
    const ChartChoice before = m_frame.View().Display().CurrentChart();
    m_frame.SelectChart(choice);
    const ChartChoice chart = m_frame.View().Display().CurrentChart();
    if (chart == before)
        return;
    // The xy chart's image is read again each time the chart is chosen.
    if (chart == ChartChoice::XyChart)
        loadChartImage();
    m_chart->showChart(chart);
}

void CLumivexDlg::loadChartImage()
{
    const StartupState& state = m_frame.State();
    const int choice = state.settings.cieTabelle;
    const std::string path = ChartImagePath(state.location.workingFolder, ownChartFolder(choice), choice);
    if (m_chart->loadXyChartImage(path, m_dialogs) != ChartImageLoad::Loaded)
        m_dialogs.message(std::string(stringText(StringId::ErrorLoadingCieTables)));
}

// ---------------------------------------------------------------- commands

bool CLumivexDlg::commandEnabled(MainMenu::Command command) const
{
    const MenuState state = m_frame.Menu();
    switch (command) {
    case MainMenu::ConnectLumivex:
        return state.connect;
    case MainMenu::DisconnectLumivex:
        return state.disconnect;
    case MainMenu::StartTest:
        return state.startTest;
    case MainMenu::ResetBoard:
        return state.resetBoard;
    case MainMenu::Measurements:
        return state.measurements;
    case MainMenu::MeasurementSettings:
        return state.measurementSettings;
    case MainMenu::OpenColourTestReport:
        return state.openColourReport;
    case MainMenu::SaveColourTestReport:
        return state.saveColourReport;
    case MainMenu::StartStabilityAnalysis:
        return state.startStability;
    case MainMenu::OpenStabilityReport:
        return state.openStabilityReport;
    default:
        return true;
    }
}

void CLumivexDlg::runCommand(MainMenu::Command command)
{
    if (!commandEnabled(command))
        return;
    MeasurementSequencer& sequencer = m_frame.Sequencer();
    switch (command) {
    case MainMenu::ExitProgram:
        close();
        break;
    case MainMenu::HsiColourWheel:
        selectChart(1);
        break;
    case MainMenu::RgbColourPalette:
        selectChart(2);
        break;
    case MainMenu::XyChartWhiteLeds:
        selectChart(3);
        break;
    case MainMenu::ConnectLumivex:
        whileWaiting([this] { m_frame.MenuConnect(); });
        break;
    case MainMenu::DisconnectLumivex:
        whileWaiting([this] { m_frame.MenuDisconnect(); });
        break;
    case MainMenu::StartTest:
        // An edited user time is checked now, and the time that will be used is put back.
        m_config->commitUserTime();
        whileWaiting([&sequencer] { sequencer.StartTest(); });
        break;
    case MainMenu::ResetBoard:
        whileWaiting([&sequencer] { sequencer.ResetBoard(); });
        break;
    case MainMenu::About: {
        AboutBox about(this);
        about.exec();
        break;
    }
    case MainMenu::Configuration:
        openConfiguration();
        break;
    case MainMenu::Measurements:
        openMeasurementList();
        break;
    case MainMenu::MeasurementSettings:
        openMeasurementSettings();
        break;
    case MainMenu::OpenColourTestReport:
        openColourTestReport();
        break;
    case MainMenu::SaveColourTestReport:
        saveColourTestReport();
        break;
    case MainMenu::StartStabilityAnalysis:
        openStabilityAnalysis();
        break;
    case MainMenu::OpenStabilityReport:
        openStabilityReport();
        break;
    case MainMenu::StartTerminalMode:
        openTerminal();
        break;
    }
}

void CLumivexDlg::usePortForThisRun(const std::string& port)
{
    std::string& setting = m_frame.State().settings.comPort;
    if (!m_configuredPort)
        m_configuredPort = setting;
    setting = port;
    m_runPort = port;
    m_frame.View().PortSettingChanged();
}

// ---------------------------------------------------------------- the end

void CLumivexDlg::onOk()
{
    bool ignored = false;
    if (!m_frame.EnterAsksToClose(ignored))
        return;
    if (m_dialogs.askYesNo(std::string(stringText(StringId::ConfirmExit))))
        close();
}

void CLumivexDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // A focused button takes Enter itself (auto-default); only elsewhere does it ask to quit.
        onOk();
        return;
    case Qt::Key_Escape:
        close();
        return;
    default:
        QMainWindow::keyPressEvent(event);
    }
}

void CLumivexDlg::whileWaiting(const std::function<void()>& handler)
{
    ++m_waitDepth;
    handler();
    --m_waitDepth;
    if (m_waitDepth == 0 && m_closeAfterWait) {
        m_closeAfterWait = false;
        close();
    }
}

void CLumivexDlg::closeEvent(QCloseEvent* event)
{
    if (m_waitDepth > 0) {
        // The engine is waiting for a reply inside a handler: it gives the wait up now, and the
        // window closes as soon as the handler returns.
        m_closeAfterWait = true;
        m_frame.Sequencer().Shutdown();
        m_frame.Run().Cancel();
        m_frame.StabilityAnalysis().Abort();
        event->ignore();
        return;
    }
    finish();
    event->accept();
}

void CLumivexDlg::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    // A run still going is given up; the open windows' positions are what is saved.
    m_frame.Run().Cancel();
    Settings& settings = m_frame.State().settings;
    if (m_measurementList) {
        settings.messlistPosX = m_measurementList->pos().x();
        settings.messlistPosY = m_measurementList->pos().y();
    }
    if (m_settingsList) {
        settings.konfListPosX = m_settingsList->pos().x();
        settings.konfListPosY = m_settingsList->pos().y();
    }
    if (m_stabilityWindow) {
        settings.dlgBlinkPosX = m_stabilityWindow->pos().x();
        settings.dlgBlinkPosY = m_stabilityWindow->pos().y();
        settings.winSizeX = m_stabilityWindow->width();
        settings.winSizeY = m_stabilityWindow->height();
    }
    std::string& port = settings.comPort;
    // The run-only port goes; a port chosen meanwhile stays.
    if (m_configuredPort && port == m_runPort)
        port = *m_configuredPort;
    // Said once, with the reason: a read-only settings file is the user's choice and stays as it is.
    if (const FileWriteResult saved = m_frame.Finish(pos().x(), pos().y()); !saved)
        m_dialogs.message(
            writeFailureMessage("The settings could not be saved.", m_frame.State().location.iniPath, saved));
    // Closed after the save, as the program always did: each switches its outputs off on the way.
    if (m_measurementList)
        m_measurementList->CloseAtExit();
    if (m_stabilityWindow)
        m_stabilityWindow->CloseAtExit();
    if (m_settingsList)
        m_settingsList->close();
}

} // namespace lumivex
