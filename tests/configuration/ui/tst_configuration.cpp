// The configuration dialog driven from the main window's menu, on the simulated device and the
// real clock: a changed rate closes the port, an unchanged one keeps the connection, a changed chart
// table reloads the xy chart, Cancel takes nothing. The dialog's rules are tested in the core.

#include "colour/ui/XyChartWidget.h"
#include "configuration/ui/CDlgKonfig.h"
#include "controls/ui/UiText.h"
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

using namespace lumivex;

namespace {

template<class T> T* control(QWidget* parent, int id)
{
    return parent->findChild<T*>(controlName(id));
}

// Runs `steps` on the configuration dialog once its modal loop runs. The menu command waits for
// the device's user time before the dialog exists, so the steps start when the dialog shows.
class WhenDialogShows : public QObject {
public:
    explicit WhenDialogShows(std::function<void(CDlgKonfig*)> steps) : m_steps(std::move(steps))
    {
        qApp->installEventFilter(this);
    }
    ~WhenDialogShows() override { qApp->removeEventFilter(this); }
    bool ran = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<CDlgKonfig*>(watched) && !ran) {
            ran = true;
            QTimer::singleShot(0, this, [this] {
                auto* dialog = qobject_cast<CDlgKonfig*>(QApplication::activeModalWidget());
                QVERIFY2(dialog, "the configuration dialog runs modally");
                m_steps(dialog);
                // However the steps went, the dialog must not be left open.
                if (dialog->isVisible())
                    dialog->reject();
            });
        }
        return false;
    }

private:
    std::function<void(CDlgKonfig*)> m_steps;
};

struct ConnectedWindow : test::WindowBench {
    using WindowBench::WindowBench;
    // Opens the dialog from the menu and runs the steps inside it.
    bool configure(std::function<void(CDlgKonfig*)> steps)
    {
        WhenDialogShows when(std::move(steps));
        window->menu().action(MainMenu::Configuration)->trigger();
        return when.ran;
    }
    const Settings& settings() const { return window->frame().State().settings; }
};

struct ListedPorts : PortDirectory {
    std::vector<PortEntry> present;
    std::vector<PortEntry> presentPorts() const override { return present; }
    bool usesComNames() const override { return false; }
};

} // namespace

class TestConfigurationDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void changedBaudRate_closesThePortAndTheSameOneKeepsIt();
    void changedChartTable_reloadsTheXyChartAndCancelTakesNothing();
    void portList_showsThePortsPresentEachTimeAndKeepsATypedPath();
};

void TestConfigurationDialog::initTestCase()
{
    test::prepareWindowTests();
}

void TestConfigurationDialog::changedBaudRate_closesThePortAndTheSameOneKeepsIt()
{
    ConnectedWindow w("[SYSTEM]\r\nCOMPORT=SIM\r\n");
    QTest::mouseClick(control<QPushButton>(w.window.get(), 1002), Qt::LeftButton);
    QTRY_VERIFY(w.window->frame().Connected());

    // OK with nothing changed: still connected.
    QVERIFY(w.configure([](CDlgKonfig* dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Configuration"));
        QCOMPARE(control<QComboBox>(dialog, 1070)->currentText(), QStringLiteral("SIM"));
        QCOMPARE(control<QComboBox>(dialog, 1071)->currentText(), QStringLiteral("115200"));
        QTest::mouseClick(control<QPushButton>(dialog, 1), Qt::LeftButton);
    }));
    const auto& sent = w.window->frame().Sequencer().SentRequests();
    QVERIFY2(std::any_of(sent.begin(), sent.end(), [](const std::string& r) { return r.rfind("getusertime", 0) == 0; }),
        "the board's user time is asked for before the dialog opens");
    QVERIFY(!w.window->frame().Sequencer().PortClosed());
    QVERIFY(w.window->frame().Connected());

    QVERIFY(w.configure([](CDlgKonfig* dialog) {
        auto* baud = control<QComboBox>(dialog, 1071);
        QTest::keyClick(baud, Qt::Key_Up);
        QCOMPARE(baud->currentText(), QStringLiteral("57600"));
        QTest::mouseClick(control<QPushButton>(dialog, 1), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
    }));
    QCOMPARE(w.settings().baudrate, 57600);
    QVERIFY(w.window->frame().Sequencer().PortClosed());
    QCOMPARE(w.window->frame().Sequencer().StatusText(), std::string(stringText(StringId::ComPortNotOpen)));
    QTRY_VERIFY(!w.window->frame().Connected());
    QCOMPARE(control<QPushButton>(w.window.get(), 1002)->text(), QStringLiteral("CONNECT"));
    QVERIFY(w.dialogs.messages.empty());
}

void TestConfigurationDialog::changedChartTable_reloadsTheXyChartAndCancelTakesNothing()
{
    // A chart in the working folder wins over the program's own: a tiny one shows that it was read.
    ConnectedWindow w("[SYSTEM]\r\nCOMPORT=SIM\r\nSelChart=3\r\n", {}, [](const test::TempDir& dir) {
        test::writeFile(dir.file("CIE1964_10.bmp"), test::uniformBitmap(7, 5, 200, 200, 200));
    });
    auto* chart = w.window->findChild<XyChartWidget*>();
    QVERIFY(chart);
    QVERIFY(chart->hasImage());
    const QSize ownChart = chart->imageSize();
    QVERIFY(ownChart != QSize(7, 5));

    // Cancel: the table and the tolerance boxes stay as they were.
    QVERIFY(w.configure([](CDlgKonfig* dialog) {
        QTest::keyClick(control<QComboBox>(dialog, 1077), Qt::Key_Down);
        auto* percent = control<QCheckBox>(dialog, 1101);
        auto* absolute = control<QCheckBox>(dialog, 1107);
        QVERIFY(percent->isChecked());
        QVERIFY2(!absolute->isChecked(), "the percent box wins as the dialog opens");
        QVERIFY(control<QLineEdit>(dialog, 1102)->isEnabled());
        QVERIFY(!control<QLineEdit>(dialog, 1109)->isEnabled());
        QTest::mouseClick(absolute, Qt::LeftButton);
        QVERIFY(!percent->isChecked());
        QVERIFY(!control<QLineEdit>(dialog, 1102)->isEnabled());
        QVERIFY(control<QLineEdit>(dialog, 1109)->isEnabled());
        QTest::mouseClick(control<QPushButton>(dialog, 2), Qt::LeftButton);
    }));
    QCOMPARE(w.settings().cieTabelle, 0);
    QCOMPARE(w.settings().checkAbwAbsIntens, 1);
    QCOMPARE(chart->imageSize(), ownChart);

    QVERIFY(w.configure([&w](CDlgKonfig* dialog) {
        auto* table = control<QComboBox>(dialog, 1077);
        QCOMPARE(table->count(), 3);
        QCOMPARE(table->currentText(), QStringLiteral("CIE 1931-2"));
        QTest::keyClick(table, Qt::Key_Down);
        QCOMPARE(table->currentText(), QStringLiteral("CIE 1964-10"));

        // Leaving an absolute edit with a value out of range says so once and returns to it.
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QTest::mouseClick(control<QCheckBox>(dialog, 1108), Qt::LeftButton);
        auto* absXy = control<QLineEdit>(dialog, 1110);
        absXy->setFocus();
        absXy->selectAll();
        QTest::keyClicks(absXy, "1.5");
        control<QLineEdit>(dialog, 1072)->setFocus();
        QTRY_COMPARE(w.dialogs.messages.size(), std::size_t(1));
        QCOMPARE(w.dialogs.messages[0], std::string("Out of range: -0.9999 .. 0.9999"));
        QTRY_VERIFY(absXy->hasFocus());
        QCOMPARE(absXy->selectedText(), QStringLiteral("1.5"));
        // OK refuses it as well, and stays open until it is mended.
        QTest::mouseClick(control<QPushButton>(dialog, 1), Qt::LeftButton);
        QVERIFY(dialog->isVisible());
        QCOMPARE(w.dialogs.messages.size(), std::size_t(2));
        QTRY_VERIFY(absXy->hasFocus());
        QCOMPARE(absXy->selectedText(), QStringLiteral("1.5"));
        QTest::keyClicks(absXy, "0.02");
        QTest::mouseClick(control<QPushButton>(dialog, 1), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
    }));
    QCOMPARE(w.settings().cieTabelle, 1);
    QCOMPARE(w.settings().checkAbwAbsXy, 1);
    QCOMPARE(w.settings().abwAbsXy, 0.02f);
    QCOMPARE(chart->imageSize(), QSize(7, 5));
    QCOMPARE(w.dialogs.messages.size(), std::size_t(2));
}

void TestConfigurationDialog::portList_showsThePortsPresentEachTimeAndKeepsATypedPath()
{
    ConnectedWindow w("[SYSTEM]\r\nCOMPORT=/dev/ttyUSB0\r\n");
    ListedPorts ports;
    ports.present = {{"/dev/ttyUSB0", "FT232R USB UART"}};
    w.window->setPortDirectory(&ports);
    auto* portToUse = w.window->findChild<QLabel*>(QStringLiteral("portToUse"));
    QVERIFY(portToUse);
    QCOMPARE(portToUse->text(), QStringLiteral("Port: /dev/ttyUSB0"));

    ports.present.push_back({"/dev/ttyACM0", "Sensor"}); // plugged in after the start
    QVERIFY(w.configure([](CDlgKonfig* dialog) {
        auto* list = control<QComboBox>(dialog, 1070);
        QVERIFY(list->isEditable());
        QCOMPARE(list->count(), 4); // Auto, both adapters, the simulated device
        QCOMPARE(list->itemText(0), QStringLiteral("Auto"));
        QCOMPARE(list->itemText(1), QStringLiteral("/dev/ttyUSB0 \u2014 FT232R USB UART"));
        QCOMPARE(list->itemText(2), QStringLiteral("/dev/ttyACM0 \u2014 Sensor"));
        QCOMPARE(list->currentIndex(), 1);
        list->lineEdit()->selectAll();
        QTest::keyClicks(list->lineEdit(), QStringLiteral("/dev/pts/99"));
        QTest::mouseClick(control<QPushButton>(dialog, 1), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
    }));
    QCOMPARE(w.settings().comPort, std::string("/dev/pts/99"));
    QCOMPARE(portToUse->text(), QStringLiteral("Port: /dev/pts/99"));

    QVERIFY(w.configure([](CDlgKonfig* dialog) {
        auto* list = control<QComboBox>(dialog, 1070);
        QCOMPARE(list->currentText(), QStringLiteral("/dev/pts/99"));
        list->setCurrentIndex(2);
        QTest::mouseClick(control<QPushButton>(dialog, 1), Qt::LeftButton);
    }));
    QCOMPARE(w.settings().comPort, std::string("/dev/ttyACM0"));
}

QTEST_MAIN(TestConfigurationDialog)
#include "tst_configuration.moc"
