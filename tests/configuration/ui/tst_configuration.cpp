// The configuration dialog driven from the main window's menu, on the simulated device and the real clock.
// Its rules are tested in the core; here what its OK and Cancel do to the window.

#include "colour/ui/XyChartWidget.h"
#include "configuration/ui/CDlgKonfig.h"
#include "device/PortDirectory.h"

#include "../../colour/ui/TestBitmap.h"
#include "WindowBench.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <utility>

using namespace lumivex;

namespace {

template<class T> T* control(QWidget* parent, int id)
{
    return parent->findChild<T*>(controlName(id));
}

// The main window on the simulated device; configure() opens the dialog from the menu and runs
// `steps` inside its modal loop. The menu command waits for the device's user time before the
// dialog exists, so the steps start when the dialog shows.
struct ConnectedWindow : QObject, test::WindowBench {
    using WindowBench::WindowBench;
    bool configure(std::function<void(CDlgKonfig*)> steps) // true when the steps ran
    {
        m_steps = std::move(steps);
        m_ran = false;
        qApp->installEventFilter(this);
        window->menu().action(MainMenu::Configuration)->trigger();
        qApp->removeEventFilter(this);
        return m_ran;
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show || !qobject_cast<CDlgKonfig*>(watched) || std::exchange(m_ran, true))
            return false;
        QTimer::singleShot(0, this, [this, dialog = static_cast<CDlgKonfig*>(watched)] {
            QVERIFY2(QApplication::activeModalWidget() == dialog, "the configuration dialog runs modally");
            m_steps(dialog);
            if (dialog->isVisible()) // however the steps went, the dialog must not be left open
                dialog->reject();
        });
        return false;
    }
    const Settings& settings() const { return window->frame().State().settings; }

private:
    std::function<void(CDlgKonfig*)> m_steps;
    bool m_ran = false;
};

void clickOk(CDlgKonfig* dialog)
{
    QTest::mouseClick(control<QPushButton>(dialog, 1), Qt::LeftButton);
}

struct ListedPorts : PortDirectory {
    std::vector<PortEntry> present;
    std::vector<PortEntry> presentPorts() const override { return present; }
    bool usesComNames() const override { return false; }
};

} // namespace

class TestConfigurationDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::prepareWindowTests(); }
    void okTakesPortRateAndChartTableAndRefusesABadTolerance_cancelTakesNothing();
};

void TestConfigurationDialog::okTakesPortRateAndChartTableAndRefusesABadTolerance_cancelTakesNothing()
{
    // A chart in the working folder wins over the program's own: a tiny one shows that it was read.
    ConnectedWindow w("[SYSTEM]\r\nCOMPORT=SIM\r\nSelChart=3\r\n", {}, [](const test::TempDir& dir) {
        test::writeFile(dir.file("CIE1964_10.bmp"), test::uniformBitmap(7, 5, 200, 200, 200));
    });
    auto* chart = w.window->findChild<XyChartWidget*>();
    QVERIFY(chart && chart->hasImage());
    const QSize ownChart = chart->imageSize();
    QVERIFY(ownChart != QSize(7, 5));
    QTest::mouseClick(w.control<QPushButton>(1002), Qt::LeftButton);
    QTRY_VERIFY(w.window->frame().Connected());

    QVERIFY(w.configure(clickOk)); // OK with nothing changed: still connected
    const auto& sent = w.window->frame().Sequencer().SentRequests();
    QVERIFY2(std::any_of(sent.begin(), sent.end(), [](const std::string& r) { return r.rfind("getusertime", 0) == 0; }),
        "the board's user time is asked for before the dialog opens");
    QVERIFY(!w.window->frame().Sequencer().PortClosed() && w.window->frame().Connected());

    // Cancel: the table and the tolerance boxes stay as they were.
    QVERIFY(w.configure([](CDlgKonfig* dialog) {
        QTest::keyClick(control<QComboBox>(dialog, 1077), Qt::Key_Down);
        QTest::mouseClick(control<QCheckBox>(dialog, 1107), Qt::LeftButton); // the absolute box takes over
        QVERIFY(!control<QCheckBox>(dialog, 1101)->isChecked() && control<QLineEdit>(dialog, 1109)->isEnabled());
        QTest::mouseClick(control<QPushButton>(dialog, 2), Qt::LeftButton);
    }));
    QCOMPARE(w.settings().cieTabelle, 0);
    QCOMPARE(w.settings().checkAbwAbsIntens, 0); // turned off by the first OK, as the percent box wins
    QCOMPARE(chart->imageSize(), ownChart);

    // The list offers the ports present as the dialog opens, after Auto; a new port and rate close the port.
    ListedPorts ports;
    ports.present = {{"/dev/ttyUSB0", "FT232R USB UART"}, {"/dev/ttyACM0", "Sensor"}};
    w.window->setPortDirectory(&ports);
    QVERIFY(w.configure([](CDlgKonfig* dialog) {
        auto* list = control<QComboBox>(dialog, 1070);
        QCOMPARE(list->count(), 4); // Auto, both adapters, the simulated device
        QCOMPARE(list->itemText(1), QStringLiteral("/dev/ttyUSB0 \u2014 FT232R USB UART"));
        QCOMPARE(list->itemText(2), QStringLiteral("/dev/ttyACM0 \u2014 Sensor"));
        list->setCurrentIndex(2);
        auto* baud = control<QComboBox>(dialog, 1071);
        QTest::keyClick(baud, Qt::Key_Up);
        QCOMPARE(baud->currentText(), QStringLiteral("57600"));
        clickOk(dialog);
    }));
    QCOMPARE(std::pair(w.settings().comPort, w.settings().baudrate), std::pair(std::string("/dev/ttyACM0"), 57600));
    QVERIFY(w.window->frame().Sequencer().PortClosed());
    QTRY_VERIFY(!w.window->frame().Connected());

    QVERIFY(w.configure([&w](CDlgKonfig* dialog) {
        auto* port = control<QComboBox>(dialog, 1070)->lineEdit();
        port->selectAll();
        QTest::keyClicks(port, QStringLiteral("/dev/pts/99")); // a typed path is kept
        auto* table = control<QComboBox>(dialog, 1077);
        QTest::keyClick(table, Qt::Key_Down);
        QCOMPARE(table->currentText(), QStringLiteral("CIE 1964-10"));

        // Leaving an absolute edit with a value out of range says so once and returns to it; OK
        // refuses it as well and stays open until it is mended.
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QTest::mouseClick(control<QCheckBox>(dialog, 1108), Qt::LeftButton);
        auto* absXy = control<QLineEdit>(dialog, 1110);
        absXy->setFocus();
        absXy->selectAll();
        QTest::keyClicks(absXy, "1.5");
        control<QLineEdit>(dialog, 1072)->setFocus();
        QTRY_COMPARE(w.dialogs.messages, std::vector<std::string> {"Out of range: -0.9999 .. 0.9999"});
        QTRY_VERIFY(absXy->hasFocus() && absXy->selectedText() == QStringLiteral("1.5"));
        clickOk(dialog);
        QVERIFY(dialog->isVisible());
        QCOMPARE(w.dialogs.messages.size(), std::size_t(2));
        QTRY_VERIFY(absXy->hasFocus() && absXy->selectedText() == QStringLiteral("1.5"));
        QTest::keyClicks(absXy, "0.02");
        clickOk(dialog);
        QVERIFY(!dialog->isVisible());
    }));
    QCOMPARE(w.settings().comPort, std::string("/dev/pts/99"));
    QCOMPARE(w.window->findChild<QLabel*>(QStringLiteral("portToUse"))->text(), QStringLiteral("Port: /dev/pts/99"));
    QCOMPARE(w.settings().cieTabelle, 1);
    QCOMPARE(w.settings().checkAbwAbsXy, 1);
    QCOMPARE(w.settings().abwAbsXy, 0.02f);
    QCOMPARE(chart->imageSize(), QSize(7, 5));
}

QTEST_MAIN(TestConfigurationDialog)
#include "tst_configuration.moc"
