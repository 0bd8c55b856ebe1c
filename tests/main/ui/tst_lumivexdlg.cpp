// The main window driven as a user drives it, on the simulated device and the real clock: clicks
// on CONNECT and START TEST, the menus as they open, the Enter key. The rules behind each control
// are tested in the core; these tests catch a window that shows something else than the core says.

#include "controls/ui/BarControl.h"
#include "main/ui/QtDialogs.h"

#include "SimWire.h"
#include "WindowBench.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>

using namespace lumivex;

namespace {

struct Bench : test::WindowBench {
    explicit Bench(SimConfig config = {}, const std::string& ini = "[SYSTEM]\r\nCOMPORT=SIM\r\nSelChart=3\r\n")
        : WindowBench(ini, config)
    {
    }

    QLineEdit* field(int id) const { return control<QLineEdit>(id); }
    int bar(int id) const { return control<BarControl>(id)->position(); }
    QAction* action(MainMenu::Command command) const { return window->menu().action(command); }
    void openMenus() const
    {
        for (QMenu* menu : window->menuBar()->findChildren<QMenu*>())
            emit menu->aboutToShow();
    }
    // Which of the connection items the opened menus offer: Connect, Disconnect, Start Test, Reset Board.
    QList<bool> connectionItems() const
    {
        openMenus();
        QList<bool> enabled;
        for (const auto command :
            {MainMenu::ConnectLumivex, MainMenu::DisconnectLumivex, MainMenu::StartTest, MainMenu::ResetBoard})
            enabled << action(command)->isEnabled();
        return enabled;
    }
    void connect() const
    {
        QTest::mouseClick(control(1002), Qt::LeftButton);
        QTRY_VERIFY(window->frame().Connected());
    }
    bool testsEnded(int count) const { return window->frame().View().TestsEnded() == count; }
};

QStringList texts(const Bench& bench, std::initializer_list<int> ids)
{
    QStringList list;
    for (const int id : ids)
        list << (bench.field(id) ? bench.field(id)->text() : bench.control<QLabel>(id)->text());
    return list;
}

} // namespace

class TestLumivexDlg : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::prepareWindowTests(); }

    void connectAndTest_readingInFieldsAndBars()
    {
        // Counts 2047, 1027, 0 of 4095 at intensity 50000 of 99999. The bars truncate, the labels above
        // them round: 66.6 % and 33.4 %. Overflow, underflow and invalid values are the display's
        // rules, checked in the core (ResultDisplay* in WindowModelTest); the window shows what it holds.
        SimConfig config = test::configWith(1007, {{1, 1, test::led(255, 128, 0, 50000)}});
        config.boards = 2;
        Bench bench(config);
        auto* info = bench.control<QPlainTextEdit>(1017);
        QCOMPARE(info->toPlainText(), qMultiLine(stringText(StringId::WelcomeText)));

        // CONNECT, then LED 1 in the range the window starts with ("MED 3x3 200ms") with START TEST.
        auto* start = bench.control<QPushButton>(1016);
        QVERIFY(!start->isEnabled());
        QTest::mouseClick(bench.control(1002), Qt::LeftButton);
        QTRY_COMPARE(bench.control<QPushButton>(1002)->text(), QStringLiteral("DISCONNECT"));
        QTest::mouseClick(start, Qt::LeftButton);
        QTRY_VERIFY(bench.testsEnded(1));
        QCOMPARE(texts(bench, {1004, 1005}), QStringList({"CONNECTED", "SIM"}));
        QCOMPARE(info->toPlainText(),
            QStringLiteral("Lumivex 2 Board(s) connected \nSerial Number: 1042 \nFirmware Number: 1007 \n\n"
                           "Values shown: Board 1, LED 1, Manual Capture"));
        QCOMPARE(texts(bench, {1039, 1041, 1043, 1049, 1023, 1025, 1028, 1031, 1061, 1062, 1063}),
            QStringList({"2047", "1027", "0", "50000", "169", "85", "0", "50 %", "67 %", "33 %", "0 %"}));
        QCOMPARE((QList<int> {bench.bar(1064), bench.bar(1065), bench.bar(1066), bench.bar(1067)}),
            QList<int>({66, 33, 0, 50}));
        // Every field shows what the display moved, nothing older; the colour temperature was found.
        QVERIFY(bench.field(1055)->text().endsWith(" K"));
        for (const auto& f : bench.window->frame().View().Display().Fields().InWindowOrder())
            QCOMPARE(bench.field(f.controlId)->text(), qText(f.text));
        QVERIFY(bench.dialogs.messages.empty());

        // Board2, LED 4, PWM Capture; a second click while the test runs is refused: nothing more is sent.
        bench.control<QComboBox>(1008)->setCurrentIndex(1);
        bench.control<QComboBox>(1010)->setCurrentIndex(3);
        bench.control<QComboBox>(1012)->setCurrentIndex(2);
        const auto sent = bench.window->frame().Sequencer().SentRequests().size();
        QTest::mouseClick(start, Qt::LeftButton);
        QVERIFY(!start->isEnabled());
        QTest::mouseClick(start, Qt::LeftButton);
        QTRY_VERIFY(bench.testsEnded(2));
        QVERIFY(start->isEnabled() && info->toPlainText().endsWith("Values shown: Board 2, LED 4, PWM Capture"));
        QCOMPARE(bench.window->frame().Sequencer().SentRequests().size(), sent + 8u);
    }

    void menus_followConnection()
    {
        // Which items each firmware offers is the core's rule (MainFrameMenuAndEnd); the window must
        // show it when the menus open. The chart panel's title is checked with the panel (tst_charts).
        test::TempDir folder;
        const std::string report = folder.file("Report.txt");
        Bench bench({}, "[SYSTEM]\r\nCOMPORT=SIM\r\nSelChart=3\r\nSelectDatei=0\r\nResultFile=" + report + "\r\n");

        QCOMPARE(bench.connectionItems(), QList<bool>({true, false, false, false}));
        QVERIFY(bench.action(MainMenu::XyChartWhiteLeds)->isChecked() // "SelChart=3"
            && !bench.action(MainMenu::HsiColourWheel)->isChecked());
        QVERIFY(bench.action(MainMenu::Measurements)->isEnabled()
            && bench.action(MainMenu::StartStabilityAnalysis)->isEnabled());

        // "Disconnect Lumivex" while disconnected does nothing; "Connect Lumivex" connects.
        bench.action(MainMenu::DisconnectLumivex)->trigger();
        QVERIFY(!bench.window->frame().Connected());
        bench.action(MainMenu::ConnectLumivex)->trigger();
        QTRY_VERIFY(bench.window->frame().Connected());
        QCOMPARE(bench.connectionItems(), QList<bool>({false, true, true, true}));

        bench.action(MainMenu::HsiColourWheel)->trigger();
        bench.openMenus();
        QVERIFY(bench.action(MainMenu::HsiColourWheel)->isChecked()
            && !bench.action(MainMenu::XyChartWhiteLeds)->isChecked());

        bench.action(MainMenu::DisconnectLumivex)->trigger();
        QCOMPARE(bench.control<QPushButton>(1002)->text(), QStringLiteral("CONNECT"));
        QCOMPARE(bench.connectionItems(), QList<bool>({true, false, false, false}));

        bench.action(MainMenu::SaveColourTestReport)->trigger();
        QVERIFY(std::filesystem::exists(report));
        bench.action(MainMenu::OpenColourTestReport)->trigger();
        QCOMPARE(bench.dialogs.openedFiles, std::vector<std::string>({report}));
    }

    void enterKey_asksOnlyWhileDisconnected()
    {
        Bench bench;
        bench.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(bench.window.get()));
        // Enter on a control that does not use it reaches the window.
        QWidget* boardList = bench.control(1008);
        QTest::keyClick(boardList, Qt::Key_Return);
        QCOMPARE(bench.dialogs.questions, std::vector<std::string>({"Should the program be terminated?"}));
        QVERIFY(bench.window->isVisible()); // answered No

        bench.connect();
        QTest::keyClick(boardList, Qt::Key_Enter);
        QVERIFY(bench.dialogs.questions.size() == 1 && bench.window->isVisible()); // connected: nothing at all

        QTest::mouseClick(bench.control(1002), Qt::LeftButton);
        bench.dialogs.answer = true;
        boardList->setFocus();
        QTest::keyClick(boardList, Qt::Key_Return);
        QVERIFY(bench.dialogs.questions.size() == 2 && !bench.window->isVisible());
    }

    void escapeExitAndACloseDuringAWait_closeAtOnceAndSave()
    {
        // What the end saves is the core's (MainFrameMenuAndEnd); here: that these ways out save, with
        // the window's own position.
        const auto saved = [](const Bench& bench, const char* line) {
            return test::readFile(bench.dir.file("Lumivex.ini")).find(line) != std::string::npos;
        };
        {
            Bench bench;
            bench.window->move(140, 90);
            QTest::keyClick(bench.window.get(), Qt::Key_Escape);
            QVERIFY(!bench.window->isVisible() && bench.dialogs.questions.empty());
            QVERIFY(saved(bench, "LumivexPosX=140\r\n") && saved(bench, "LumivexPosY=90\r\n"));
        }
        {
            Bench bench;
            bench.connect();
            bench.action(MainMenu::ExitProgram)->trigger(); // at once, even while connected
            QVERIFY(!bench.window->isVisible() && bench.dialogs.questions.empty());
            QVERIFY(saved(bench, "LumivexPosX="));
        }
        {
            // A port used for this run only goes back to the configured one when the settings are saved.
            Bench bench({}, "[SYSTEM]\r\nCOMPORT=/dev/ttyUSB0\r\n");
            bench.window->usePortForThisRun("SIM");
            bench.window->runCommand(MainMenu::ConnectLumivex);
            QTRY_VERIFY(bench.window->frame().Connected());
            QCOMPARE(bench.control<QLabel>(1005)->text(), QStringLiteral("SIM"));
            bench.window->close();
            QVERIFY(saved(bench, "COMPORT=/dev/ttyUSB0\r\n"));
        }
        {
            // CONNECT waits for the device's first reply inside the click; this device never answers.
            // A close that comes meanwhile ends the wait: no two-second time-out, no message after it.
            SimConfig silent;
            silent.faults.silentOn = {"gethw"};
            Bench bench(silent);
            QTimer::singleShot(20, bench.window.get(), [&bench] { bench.window->close(); });
            QElapsedTimer clock;
            clock.start();
            QTest::mouseClick(bench.control(1002), Qt::LeftButton);
            QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
            QVERIFY(!bench.window->isVisible() && bench.dialogs.messages.empty());
            QCOMPARE(bench.window->frame().Sequencer().SentRequests(), std::vector<std::string>({"gethw\r"}));
            QVERIFY(saved(bench, "LumivexPosX="));
        }
    }

    void qtDialogs_showTheCoreTextsInTheirBoxes()
    {
        QtDialogs dialogs;
        QString seen; // title|text
        auto answerWith = [this, &seen](QMessageBox::StandardButton answer) {
            QTimer::singleShot(0, this, [&seen, answer] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                QVERIFY(box);
                seen = box->windowTitle() + "|" + box->text();
                box->button(answer)->click();
            });
        };

        answerWith(QMessageBox::Ok);
        dialogs.problem("Fehler beim \xD6"
                        "ffnen\r\nCOM7"); // Windows-1252 bytes with a CR LF
        QCOMPARE(seen, QString::fromUtf8("PROBLEM|Fehler beim \u00D6ffnen\nCOM7"));
        answerWith(QMessageBox::No);
        QVERIFY(!dialogs.askYesNo("Should the program be terminated?"));
        answerWith(QMessageBox::Yes);
        QVERIFY(dialogs.askYesNo("Should the program be terminated?"));
    }

    void testConfiguration_controlsFollowModeAndChecks()
    {
        Bench bench;
        TestConfiguration& config = bench.window->frame().Config();
        auto* mode = bench.control<QComboBox>(1012);
        auto* options = bench.control<QComboBox>(1014);
        auto* time = bench.control<QLineEdit>(1090);
        auto visible = [&bench](int id) { return bench.control(id)->isVisibleTo(bench.window.get()); };

        // Which show of the range label and list, and the user capture's area and time controls.
        const auto shown = [&visible] {
            QString flags;
            for (const int id : {1013, 1014, 1094, 1092, 1093, 1095, 1090, 1091})
                flags += visible(id) ? '1' : '0';
            return flags;
        };
        QCOMPARE(bench.control<QLabel>(1013)->text() + "|" + options->currentText(), "Sensor Range|MED 3x3 200ms");
        QCOMPARE(shown(), "11000000");
        mode->setCurrentIndex(1); // User Capture
        QCOMPARE(shown(), "00111111");
        QVERIFY(time->text() == "800" && bench.control<QAbstractButton>(1093)->isChecked()); // 9x9 by default

        // The time is checked when the field is left (or Enter, or START TEST), not at every key: a
        // refused one says so once and the field shows the time that will be used.
        time->setFocus();
        time->selectAll();
        QTest::keyClicks(time, "1e");
        QVERIFY(bench.dialogs.messages.empty());
        QTest::keyClick(time, Qt::Key_Return);
        QCOMPARE(bench.dialogs.messages, std::vector<std::string>({"Please enter an integer between 1 and 10000."}));
        QVERIFY(config.userTime == 800 && time->text() == "800");
        time->selectAll();
        QTest::keyClicks(time, "250");
        QFocusEvent left(QEvent::FocusOut, Qt::TabFocusReason); // the field is left
        QApplication::sendEvent(time, &left);
        QVERIFY(bench.dialogs.messages.size() == 1 && config.userTime == 250);
        QTest::mouseClick(bench.control(1092), Qt::LeftButton);
        QCOMPARE(config.userArea, 0);

        mode->setCurrentIndex(2); // PWM Capture
        QVERIFY(options->count() == 16 && options->itemText(15) == "15");
        QCOMPARE(bench.control<QLabel>(1013)->text() + " " + shown(), "Averaging Factor 11000000");

        mode->setCurrentIndex(0); // back to Manual: the short range, not the one chosen before
        QVERIFY(options->count() == 12 && options->currentText() == "UTH 3x3  10ms");

        QTest::mouseClick(bench.control(1035), Qt::LeftButton);
        QVERIFY(!config.checkHsi && !visible(1045) && visible(1039) && visible(1051));
        QTest::mouseClick(bench.control(1035), Qt::LeftButton);
        QVERIFY(config.checkHsi && visible(1045));

        config.FillBoardList(3);
        bench.window->frame().View().BoardListChanged();
        QVERIFY(
            bench.control<QComboBox>(1008)->count() == 3 && bench.control<QComboBox>(1008)->itemText(2) == "Board3");
    }

    void layout_fitsASmallScreenWithRoomForValues()
    {
        Bench bench;
        QVERIFY(QTest::qWaitForWindowExposed(bench.window.get()));
        // Everything must be reachable on a 1024 x 768 screen with a task bar.
        const QSize least = bench.window->minimumSizeHint();
        const QSize smallest = bench.window->minimumSize();
        QCOMPARE(least.boundedTo(QSize(1024, 720)), least);
        QCOMPARE(smallest.boundedTo(QSize(1024, 740)), smallest);

        // The widest texts the fields take fit at the smallest size the window allows.
        bench.window->resize(smallest);
        QTRY_COMPARE(bench.window->size(), smallest);
        for (const int id : {1023, 1025, 1028, 1031, 1039, 1041, 1043, 1045, 1047, 1049, 1051, 1053, 1055}) {
            QLineEdit* field = bench.field(id);
            field->setText(id == 1023 || id == 1025 || id == 1028 ? "Underfl." : "99999 K");
            const int needed = field->fontMetrics().horizontalAdvance(field->text()) + 8;
            QVERIFY2(field->contentsRect().width() >= needed, qPrintable(controlName(id)));
        }
        QVERIFY(bench.control(1017)->width() >= 250
            && bench.control(1016)->width() >= bench.control<QPushButton>(1016)->iconSize().width());
    }
};

QTEST_MAIN(TestLumivexDlg)
#include "tst_lumivexdlg.moc"
