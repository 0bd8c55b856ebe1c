// The stability window driven through the main window against the simulated device on the real
// clock: a run with its chart and statistics, the edits' validation, cancel, save and load, the
// menu toggle and the greying of the measurement list's commands.
#include "stability/ui/CDlgBlink.h"
#include "stability/ui/StabilityChartWidget.h"

#include "WindowBench.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <filesystem>

using namespace lumivex;

namespace {

SimConfig drifting()
{
    SimConfig config;
    config.leds.push_back({1, 1, SimLed {255, 128, 0, 30000, 120.0, 0.0, 1000}});
    return config;
}

struct BlinkBench : test::WindowBench {
    BlinkBench() : WindowBench("[SYSTEM]\r\nCOMPORT=SIM\r\n", drifting())
    {
        QTest::mouseClick(control<QPushButton>(1002), Qt::LeftButton);
        QTRY_VERIFY(window->frame().Connected());
        window->runCommand(MainMenu::StartStabilityAnalysis);
        // Leaving an edit checks it only in the active window.
        blink()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(blink()));
    }
    CDlgBlink* blink() const { return window->stabilityWindow(); }
    template<class T = QWidget> T* in(int id) const { return blink()->findChild<T*>(controlName(id)); }
    void type(int id, const char* text)
    {
        auto* edit = in<QLineEdit>(id);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QFocusEvent left(QEvent::FocusOut, Qt::TabFocusReason); // leaving the edit checks it
        QApplication::sendEvent(edit, &left);
    }
};

} // namespace

class TestStabilityWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::prepareWindowTests(); }
    void run_drawsTheChartFillsTheResultsAndSavesAndLoads();
    void flagsGreyTheBoxes_editsAreChecked_cancelAndClosingTheMainWindowEndTheRun();
};

void TestStabilityWindow::run_drawsTheChartFillsTheResultsAndSavesAndLoads()
{
    BlinkBench b;
    QVERIFY(b.blink() && b.blink()->isVisible() && !b.window->frame().Menu().measurements);
    QVERIFY(!b.in<QPushButton>(1149)->isEnabled());

    b.type(1112, "8");
    QTest::mouseClick(b.in<QPushButton>(1114), Qt::LeftButton);
    QVERIFY(!b.window->frame().StabilityAnalysis().IsMeasuring() && b.dialogs.messages.empty());
    QCOMPARE(b.window->frame().StabilityAnalysis().Readings().size(), std::size_t(8));
    // The LED brightens by 120 % a minute: the mean lies below the maximum.
    const int mean = b.in<QLineEdit>(1137)->text().toInt();
    const int max = b.in<QLineEdit>(1138)->text().toInt();
    QVERIFY2(mean > 20000 && mean < max, qPrintable(QStringLiteral("%1 %2").arg(mean).arg(max)));
    QVERIFY(!b.blink()->chart()->model().picture().curves.empty() && b.in<QPushButton>(1149)->isEnabled());

    // Saved and loaded back: the same readings, Save disabled until the next run.
    b.window->frame().State().settings.stabilityFile = b.dir.file("stab.txt");
    QTest::mouseClick(b.in<QPushButton>(1149), Qt::LeftButton);
    QVERIFY(std::filesystem::exists(b.dir.file("stab.dat")));
    const auto saved = b.window->frame().StabilityAnalysis().Readings();
    b.type(1112, "3");
    QTest::mouseClick(b.in<QPushButton>(1150), Qt::LeftButton);
    QCOMPARE(b.window->frame().StabilityAnalysis().Readings(), saved);
    QCOMPARE(b.in<QLineEdit>(1112)->text(), QStringLiteral("8"));
    QVERIFY(!b.in<QPushButton>(1149)->isEnabled() && b.in<QCheckBox>(1151)->isEnabled());

    // The menu command closes it.
    b.window->runCommand(MainMenu::StartStabilityAnalysis);
    QTRY_VERIFY(!b.blink());
    QVERIFY(!b.window->frame().stabilityShown && b.window->frame().Menu().measurements);
}

void TestStabilityWindow::flagsGreyTheBoxes_editsAreChecked_cancelAndClosingTheMainWindowEndTheRun()
{
    BlinkBench b;
    // The main window stops reading HSI: the box follows, and so does "Parameter shown".
    QTest::mouseClick(b.window->findChild<QCheckBox*>(controlName(1035)), Qt::LeftButton);
    QVERIFY(!b.in<QCheckBox>(1035)->isEnabled() && !b.in<QCheckBox>(1035)->isChecked()
        && b.in<QCheckBox>(1034)->isEnabled());

    b.type(1112, "0");
    QTRY_COMPARE(b.dialogs.messages.size(), std::size_t(1));
    QTRY_VERIFY(b.in<QLineEdit>(1112)->hasFocus());
    b.type(1112, "10");
    b.type(1118, "300");
    QCOMPARE(b.window->frame().StabilityAnalysis().delayMs(), 300);

    // Cancel after about two readings: the run ends before the third begins.
    QTimer::singleShot(900, b.blink(), [&b] {
        QCOMPARE(b.in<QPushButton>(1)->text(), QStringLiteral("Cancel"));
        QVERIFY(!b.blink()->findChild<QLabel*>(QStringLiteral("progress"))->text().isEmpty());
        QTest::mouseClick(b.in<QPushButton>(1), Qt::LeftButton);
    });
    QTest::mouseClick(b.in<QPushButton>(1114), Qt::LeftButton);
    const auto taken = b.window->frame().StabilityAnalysis().Readings().size();
    QVERIFY2(taken >= 1 && taken < 10, qPrintable(QString::number(taken)));
    QVERIFY(b.blink()->isVisible() && b.window->frame().StabilityAnalysis().DurationMs() > 0);
    QCOMPARE(b.in<QPushButton>(1)->text(), QStringLiteral("Finish"));

    // Closing the main window in the middle of a long pause: the run ends at once and no box is
    // shown; the window closes when the run has returned.
    b.type(1112, "5");
    b.type(1118, "20000");
    QTimer::singleShot(600, b.window.get(), [&b] { b.window->close(); });
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(b.in<QPushButton>(1114), Qt::LeftButton);
    QVERIFY2(clock.elapsed() < 5000 && !b.window->frame().StabilityAnalysis().IsMeasuring(),
        qPrintable(QString::number(clock.elapsed())));
    QTRY_VERIFY(!b.window->isVisible());
    QCOMPARE(b.dialogs.messages.size(), std::size_t(1));
    const auto& sent = b.window->frame().StabilityAnalysis().SentRequests();
    QVERIFY(std::none_of(sent.begin(), sent.end(), [](const auto& r) { return r.text.rfind("gethsi", 0) == 0; }));
}

QTEST_MAIN(TestStabilityWindow)
#include "tst_stabilitywindow.moc"
