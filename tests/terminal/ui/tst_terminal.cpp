// The terminal window driven as a user drives it, on the simulated device and the real clock:
// opened from the main window's menu while connected, a request typed and sent, the reply read,
// closed with OK; and the response box on its own. The terminal's rules are tested in the core.

#include "device/CSeriell.h"
#include "terminal/ui/CDlgTerminal.h"
#include "terminal/ui/CHistoryEdit.h"

#include "InjectingBackend.h"
#include "WindowBench.h"

#include <QAction>
#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

using namespace lumivex;

namespace {

template<class T> T* control(QWidget* parent, int id)
{
    return parent->findChild<T*>(controlName(id));
}

} // namespace

class TestTerminal : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::prepareWindowTests(); }
    void fromTheMenu_sendsReceivesAndHandsThePortBack();
    void responseBox_staysBoundedAndInViewInAFloodAndCopies_commandEditRecalls();
};

void TestTerminal::fromTheMenu_sendsReceivesAndHandsThePortBack()
{
    test::WindowBench bench("[SYSTEM]\r\nCOMPORT=SIM\r\n");
    CLumivexDlg& window = *bench.window;
    QTest::mouseClick(control<QPushButton>(&window, 1002), Qt::LeftButton);
    QTRY_VERIFY(window.frame().Connected());

    bool steppedThrough = false;
    // The terminal runs modally: its steps run inside its own event loop.
    QTimer::singleShot(0, &window, [&] {
        auto* terminal = window.findChild<CDlgTerminal*>();
        QVERIFY(terminal);
        QTimer::singleShot(20000, terminal, &QDialog::reject); // a failed check must not hang the run
        QTRY_VERIFY(terminal->isVisible());
        QVERIFY2(window.frame().Sequencer().PortClosed(), "the window gave its port up");
        QCOMPARE(control<QLabel>(terminal, 1086)->text(), QStringLiteral("COM port SIM with 115200 baud is activ ! "));

        auto* command = control<QLineEdit>(terminal, 1082);
        auto* send = control<QPushButton>(terminal, 1083);
        auto* response = control<CHistoryEdit>(terminal, 1084);
        QTest::keyClicks(command, "geth");
        QVERIFY(!send->isEnabled());
        QTest::keyClick(command, Qt::Key_W);
        QVERIFY(send->isEnabled());
        QTest::mouseClick(send, Qt::LeftButton);
        QCOMPARE(command->text(), QString());
        QTRY_COMPARE(response->toPlainText(), QStringLiteral("> gethw\nLVXCS5-R2\n"));

        QTest::keyClicks(command, "getserial");
        QTest::keyClick(command, Qt::Key_Return);
        QTRY_COMPARE(response->toPlainText(), QStringLiteral("> gethw\nLVXCS5-R2\n> getserial\n1042\n"));
        QVERIFY2(terminal->isVisible(), "Enter is Send's, not the dialog's OK");

        QTest::mouseClick(control<QPushButton>(terminal, 1), Qt::LeftButton);
        QVERIFY(!terminal->isVisible());
        steppedThrough = true;
    });
    window.menu().action(MainMenu::StartTerminalMode)->trigger();

    QVERIFY(steppedThrough);
    QVERIFY(window.findChild<CDlgTerminal*>() == nullptr);
    QVERIFY2(!window.frame().Sequencer().PortClosed() && window.frame().Connected(), "the port is handed back");
    QVERIFY(bench.dialogs.messages.empty() && bench.dialogs.problems.empty());
}

void TestTerminal::responseBox_staysBoundedAndInViewInAFloodAndCopies_commandEditRecalls()
{
    QtScheduler scheduler;
    test::RecordingDialogs dialogs;
    SimulatedDevice device(scheduler, {});
    SimSerialBackend backend(scheduler, device);
    test::InjectingBackend wire(backend);
    CSeriell port(wire, dialogs);
    PortSettings settings;
    settings.comPort = "SIM";
    CDlgTerminal terminal(scheduler, port, dialogs, settings);
    terminal.show();
    auto* command = control<QLineEdit>(&terminal, 1082);
    auto* response = control<CHistoryEdit>(&terminal, 1084);

    // 10 MB without a line break, then one line.
    QElapsedTimer clock;
    clock.start();
    wire.inject(std::string(10'000'000, 'A') + "\rlast\r");
    QTRY_VERIFY_WITH_TIMEOUT(response->toPlainText().endsWith(QStringLiteral("\nlast\n")), 20000);
    QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(response->blockCount() <= int(TerminalSession::kMaxHistoryLines) + 1);
    QScrollBar* scroll = response->verticalScrollBar();
    QVERIFY(scroll->maximum() > 0);
    QCOMPARE(scroll->value(), scroll->maximum());
    QTest::mouseClick(control<QPushButton>(&terminal, 1085), Qt::LeftButton);
    QCOMPARE(response->toPlainText(), QString());

    // Four characters and Enter: nothing goes out, the text stays, and the line under it says why.
    auto* hint = terminal.findChild<QLabel*>(QStringLiteral("commandHint"));
    QTest::keyClicks(command, "gethw\r"); // a carriage return is the Enter key
    QTRY_COMPARE(response->toPlainText(), QStringLiteral("> gethw\nLVXCS5-R2\n"));
    QTest::keyClicks(command, "geth\r");
    QCOMPARE(command->text(), QStringLiteral("geth"));
    QVERIFY(hint && hint->isVisible() && hint->text().contains(QStringLiteral("at least 5 characters")));
    QTest::keyClick(command, Qt::Key_Up);
    QCOMPARE(command->text(), QStringLiteral("gethw"));
    QCOMPARE(hint->text(), QString());
    QTest::keyClick(command, Qt::Key_Return); // a recalled command goes out again
    const QString replies = QStringLiteral("> gethw\nLVXCS5-R2\n> gethw\nLVXCS5-R2\n");
    QTRY_COMPARE(response->toPlainText(), replies);

    // Select all and copy, in the read-only box.
    QGuiApplication::clipboard()->clear();
    response->setFocus();
    QTest::keyClick(response, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(response, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), replies);

    QTest::keyClick(&terminal, Qt::Key_Escape);
    QVERIFY(terminal.session().Ended() && !port.IsOpen());
    QVERIFY(dialogs.messages.empty());
}

QTEST_MAIN(TestTerminal)
#include "tst_terminal.moc"
