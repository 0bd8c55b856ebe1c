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
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

using namespace lumivex;

namespace {

template<class T> T* control(QWidget* parent, int id)
{
    return parent->findChild<T*>(controlName(id));
}

// The terminal on its own, on the simulated device (bytes of a test's own slipped in ahead of it)
// and the real clock.
struct TerminalOnDevice {
    explicit TerminalOnDevice(const SimConfig& config = {})
        : device(scheduler, config), backend(scheduler, device), wire(backend), port(wire, dialogs)
    {
        PortSettings settings;
        settings.comPort = "SIM";
        terminal = std::make_unique<CDlgTerminal>(scheduler, port, dialogs, settings);
        terminal->show();
        command = control<QLineEdit>(terminal.get(), 1082);
        response = control<CHistoryEdit>(terminal.get(), 1084);
    }
    ~TerminalOnDevice() { terminal->session().End(); }
    void type(const char* text)
    {
        QTest::keyClicks(command, text);
        QTest::keyClick(command, Qt::Key_Return);
    }

    QtScheduler scheduler;
    test::RecordingDialogs dialogs;
    SimulatedDevice device;
    SimSerialBackend backend;
    test::InjectingBackend wire;
    CSeriell port;
    std::unique_ptr<CDlgTerminal> terminal;
    QLineEdit* command = nullptr;
    CHistoryEdit* response = nullptr;
};

} // namespace

class TestTerminal : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::prepareWindowTests(); }
    void fromTheMenu_sendsReceivesAndHandsThePortBack();
    void responseBox_showsUnaskedMessagesInViewClearsAndStaysBoundedAndQuickInAFlood();
    void commandEdit_recallsWithUpAndDownSaysWhyNothingWasSentAndTheRepliesCanBeCopied();
};

void TestTerminal::fromTheMenu_sendsReceivesAndHandsThePortBack()
{
    test::WindowBench bench("[SYSTEM]\r\nCOMPORT=SIM\r\n");
    CLumivexDlg& window = *bench.window;
    auto* connectButton = control<QPushButton>(&window, 1002);
    QTest::mouseClick(connectButton, Qt::LeftButton);
    QTRY_VERIFY(window.frame().Connected());

    bool steppedThrough = false;
    // The terminal runs modally: its steps run inside its own event loop.
    QTimer::singleShot(0, &window, [&] {
        auto* terminal = window.findChild<CDlgTerminal*>();
        QVERIFY(terminal);
        QTimer::singleShot(20000, terminal, &QDialog::reject); // a failed check must not hang the run
        QTRY_VERIFY(terminal->isVisible());
        QCOMPARE(terminal->windowTitle(), QStringLiteral("Terminal Mode"));
        QVERIFY2(window.frame().Sequencer().PortClosed(), "the window gave its port up");
        QCOMPARE(control<QLabel>(terminal, 1086)->text(), QStringLiteral("COM port SIM with 115200 baud is activ ! "));

        auto* command = control<QLineEdit>(terminal, 1082);
        auto* send = control<QPushButton>(terminal, 1083);
        auto* response = control<CHistoryEdit>(terminal, 1084);
        QVERIFY(send->isDefault());
        QTest::keyClicks(command, "geth");
        QVERIFY(!send->isEnabled());
        QTest::keyClick(command, Qt::Key_W);
        QVERIFY(send->isEnabled());
        QTest::mouseClick(send, Qt::LeftButton);
        QCOMPARE(command->text(), QString());
        QVERIFY(!send->isEnabled());
        QTRY_COMPARE(response->toPlainText(), QStringLiteral("> gethw\nLVXCS5-R2\n"));

        // Enter sends as well.
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
    QVERIFY(!window.frame().Sequencer().PortClosed());
    QVERIFY(window.frame().Connected());
    QCOMPARE(connectButton->text(), QStringLiteral("DISCONNECT"));
    QVERIFY(bench.dialogs.messages.empty());
    QVERIFY(bench.dialogs.problems.empty());
}

void TestTerminal::responseBox_showsUnaskedMessagesInViewClearsAndStaysBoundedAndQuickInAFlood()
{
    SimConfig config;
    config.firmware = 2002; // sends "InputIO<digit>" when told to
    TerminalOnDevice bench(config);
    for (int i = 0; i < 40; ++i)
        QVERIFY(bench.device.triggerInputIo(i % 10));
    QTRY_COMPARE(bench.response->toPlainText().count(QStringLiteral("InputIO")), 40);
    QVERIFY(bench.response->toPlainText().startsWith(QStringLiteral("InputIO0\nInputIO1\n")));
    QScrollBar* scroll = bench.response->verticalScrollBar();
    QVERIFY(scroll->maximum() > 0);
    QCOMPARE(scroll->value(), scroll->maximum());
    // Taking the focus selects nothing by itself.
    bench.response->setFocus();
    QVERIFY(!bench.response->textCursor().hasSelection());
    QTest::mouseClick(control<QPushButton>(bench.terminal.get(), 1085), Qt::LeftButton);
    QCOMPARE(bench.response->toPlainText(), QString());

    // 10 MB without a line break, then one line.
    QElapsedTimer clock;
    clock.start();
    bench.wire.inject(std::string(10'000'000, 'A') + "\rlast\r");
    QTRY_VERIFY_WITH_TIMEOUT(bench.response->toPlainText().endsWith(QStringLiteral("\nlast\n")), 20000);
    QVERIFY2(clock.elapsed() < 10000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(bench.response->blockCount() <= int(TerminalSession::kMaxHistoryLines) + 1);
    for (QTextBlock block = bench.response->document()->begin(); block.isValid(); block = block.next())
        QVERIFY(block.length() <= int(TerminalSession::kMaxLineLength) + 1);
    QVERIFY(bench.terminal->session().Response().size() < 11'000'000);

    QTest::keyClick(bench.terminal.get(), Qt::Key_Escape);
    QVERIFY(bench.terminal->session().Ended());
    QVERIFY(!bench.port.IsOpen());
    QVERIFY(bench.dialogs.messages.empty());
}

void TestTerminal::commandEdit_recallsWithUpAndDownSaysWhyNothingWasSentAndTheRepliesCanBeCopied()
{
    TerminalOnDevice bench;
    auto* hint = bench.terminal->findChild<QLabel*>(QStringLiteral("commandHint"));
    QVERIFY(hint);
    bench.type("gethw");
    QTRY_COMPARE(bench.response->toPlainText(), QStringLiteral("> gethw\nLVXCS5-R2\n"));

    // Four characters and Enter: nothing goes out, the text stays, and the line under it says why.
    bench.type("geth");
    QCOMPARE(bench.command->text(), QStringLiteral("geth"));
    QVERIFY(hint->text().contains(QStringLiteral("at least 5 characters")));
    QVERIFY(hint->isVisible());
    QVERIFY(bench.terminal->isVisible());
    QVERIFY(bench.dialogs.messages.empty());

    QTest::keyClick(bench.command, Qt::Key_Up);
    QCOMPARE(bench.command->text(), QStringLiteral("gethw"));
    QCOMPARE(hint->text(), QString());
    QTest::keyClick(bench.command, Qt::Key_Down);
    QCOMPARE(bench.command->text(), QStringLiteral("geth"));

    // A recalled command goes out again with Enter.
    QTest::keyClick(bench.command, Qt::Key_Up);
    QTest::keyClick(bench.command, Qt::Key_Return);
    QCOMPARE(bench.command->text(), QString());
    const QString replies = QStringLiteral("> gethw\nLVXCS5-R2\n> gethw\nLVXCS5-R2\n");
    QTRY_COMPARE(bench.response->toPlainText(), replies);

    // Select all and copy, in the read-only box; the context menu's Copy copies what is selected.
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    bench.response->setFocus();
    QTest::keyClick(bench.response, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(bench.response, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), replies);
    QTest::keyClicks(bench.response, "x");
    QCOMPARE(bench.response->toPlainText(), replies);

    clipboard->clear();
    QTextCursor firstLine(bench.response->document());
    firstLine.movePosition(QTextCursor::EndOfLine, QTextCursor::KeepAnchor);
    bench.response->setTextCursor(firstLine);
    std::unique_ptr<QMenu> menu(bench.response->createStandardContextMenu());
    QAction* copy = menu->findChild<QAction*>(QStringLiteral("edit-copy"));
    QVERIFY(copy && copy->isEnabled());
    copy->trigger();
    QCOMPARE(clipboard->text(), QStringLiteral("> gethw"));
}

QTEST_MAIN(TestTerminal)
#include "tst_terminal.moc"
