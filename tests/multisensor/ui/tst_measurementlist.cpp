// The list of measurements driven through the main window against the simulated device (two
// boards, firmware 2002) on the real clock: rows, colours and icons after runs without and with a
// reference and after a deviation, the outputs, closing refused during a run, the menu toggle
// with the data and the position kept, and new columns when a value group changes.
//
// With LUMIVEX_SHOTS=<folder> (and a real display) it saves screenshots of what it shows there;
// LUMIVEX_SHOT_BOARDS sets the boards of the simulated device for them.

#include "multisensor/ReadingLists.h"
#include "multisensor/SensorSettingsList.h"
#include "multisensor/ui/CDlgKonfListe.h"
#include "multisensor/ui/CDlgMessliste.h"

#include "WindowBench.h"

#include <QAction>
#include <QCheckBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <cstdlib>

using namespace lumivex;

namespace {

int boardsOfTheDevice()
{
    const char* boards = std::getenv("LUMIVEX_SHOT_BOARDS");
    return boards ? std::max(1, std::atoi(boards)) : 2;
}

SimConfig deviceConfig()
{
    SimConfig config;
    config.boards = boardsOfTheDevice();
    config.firmware = 2002;
    return config;
}

void shot(const char* name)
{
    const char* folder = std::getenv("LUMIVEX_SHOTS");
    if (!folder)
        return;
    QTest::qWait(300);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        screen->grabWindow(0).save(QString::fromLocal8Bit(folder) + QLatin1Char('/') + QLatin1String(name));
}

struct ListBench : test::WindowBench {
    ListBench() : WindowBench("[SYSTEM]\r\nCOMPORT=SIM\r\n", deviceConfig())
    {
        QTest::mouseClick(control<QPushButton>(1002), Qt::LeftButton);
        // Every sensor set up alike: 200 ms manual capture, intensity within 10 %, x/y within 0.01.
        QTRY_VERIFY(window->frame().Connected());
        for (CKonfList* record : window->frame().SensorSettings().walkByIndex()) {
            record->TestMode = kKonfManualCapture;
            record->MeasureTime = kKonfMeasureTime200ms;
            record->ChangeFlags = KonfChange::Pending | KonfChange::MeasureTime | KonfChange::IntensPercent;
            record->DevIntensPercent = 10;
            record->OptionFlags = KonfOption::XyAbs;
            record->DevXYAbs = 0.01f;
        }
        window->frame().SensorSettings().setModified(true);
    }

    CDlgMessliste* list() const { return window->measurementList(); }
    QTableWidget* table() const { return list()->findChild<QTableWidget*>(controlName(1080)); }
    void measurements() { window->runCommand(MainMenu::Measurements); }
    void perform() { QTest::mouseClick(list()->findChild<QPushButton*>(controlName(1081)), Qt::LeftButton); }
    int sensors() const { return 5 * boardsOfTheDevice(); }

    // Column of a caption, -1 when the list has none.
    int column(const QString& caption) const
    {
        for (int c = 0; c < table()->columnCount(); ++c) {
            if (table()->horizontalHeaderItem(c)->text() == caption)
                return c;
        }
        return -1;
    }
    QColor colour(int row, int column) const { return table()->item(row, column)->background().color(); }
};

const QColor kWhite(255, 255, 255);
const QColor kGreen(128, 255, 128);
const QColor kYellow(255, 255, 192);
const QColor kRed(255, 128, 128);

} // namespace

class TestMeasurementList : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::prepareWindowTests(); }
    void runs_colourTheRowsByTheComparisonAndSignalTheOutputs();
    void closing_isRefusedDuringARunAndTheMenuTogglesWithTheDataKept();
    void valueGroups_giveANewListWithTheirColumns();
};

void TestMeasurementList::runs_colourTheRowsByTheComparisonAndSignalTheOutputs()
{
    ListBench b;
    b.measurements();
    QVERIFY(b.list() && b.list()->isVisible());
    QVERIFY(b.window->frame().measurementListShown);
    QVERIFY(!b.window->menu().action(MainMenu::StartStabilityAnalysis)->isEnabled()
        || !b.window->frame().Menu().startStability);
    QCOMPARE(b.list()->windowTitle(), QStringLiteral("List of measurements"));
    QCOMPARE(b.table()->rowCount(), b.sensors());
    const int mode = b.column(QStringLiteral("Mode"));
    const int intens = b.column(QStringLiteral("Intens."));
    const int x = b.column(QStringLiteral("X"));
    QVERIFY(mode > 0 && intens > 0 && x > 0);
    QCOMPARE(b.table()->item(3, 1)->text(), QStringLiteral("4"));
    QCOMPARE(b.table()->item(3, mode)->text(), QStringLiteral("---"));
    shot("list-empty.png");

    // No reference yet: measured, not compared, white, and message 199.
    b.perform();
    QVERIFY(!b.window->frame().Run().IsMeasuring());
    QCOMPARE(b.window->frame().Run().LastEnd(), MeasurementRun::RunEnd::Measured);
    QCOMPARE(b.dialogs.messages, std::vector<std::string>({"No Reference data available "}));
    QCOMPARE(b.table()->item(8, mode)->text(), QStringLiteral("MAN-MED"));
    QCOMPARE(b.colour(8, intens), kWhite);
    QCOMPARE(b.list()->windowTitle(), QStringLiteral("List of measurements"));

    // Kept as the reference: the title names it, and the same LEDs pass, every row green.
    b.dialogs.saveFileAnswer = b.dir.file("golden.ref");
    QTest::mouseClick(b.list()->findChild<QPushButton*>(controlName(1100)), Qt::LeftButton);
    QCOMPARE(b.list()->windowTitle(), QStringLiteral("List of measurements  Reference file: golden.ref"));
    b.perform();
    for (int row = 0; row < b.sensors(); ++row) {
        QCOMPARE(b.colour(row, intens), kGreen);
        QCOMPARE(b.colour(row, 1), kGreen);
    }
    QVERIFY(b.device->model().output(1));
    QVERIFY(!b.device->model().output(0));
    shot("list-passed.png");

    // Board 2, LED 4 at half its intensity: its row yellow with the intensity cell red.
    SimLed dimmer = defaultSimLed(2, 4);
    dimmer.intensity /= 2;
    b.device->model().setLed(2, 4, dimmer);
    b.perform();
    QCOMPARE(b.colour(8, 1), kYellow);
    QCOMPARE(b.colour(8, intens), kRed);
    QCOMPARE(b.colour(8, x), kYellow);
    QCOMPARE(b.colour(7, intens), kGreen);
    QCOMPARE(b.table()->item(8, intens)->toolTip(), QStringLiteral("Error -I-"));
    QVERIFY(b.device->model().output(0));
    QVERIFY(!b.device->model().output(1));
    shot("list-failed.png");

    // The list of settings beside it, from the menu, and closed by the same command.
    b.window->runCommand(MainMenu::MeasurementSettings);
    QVERIFY(b.window->settingsList() && b.window->settingsList()->isVisible());
    QVERIFY(b.window->frame().settingsListShown);
    b.window->settingsList()->move(b.list()->pos() + QPoint(60, 200));
    shot("both-lists.png");
    b.window->runCommand(MainMenu::MeasurementSettings);
    QTRY_VERIFY(!b.window->settingsList());
    QVERIFY(!b.window->frame().settingsListShown);
}

void TestMeasurementList::closing_isRefusedDuringARunAndTheMenuTogglesWithTheDataKept()
{
    ListBench b;
    b.measurements();
    QPointer<CDlgMessliste> first = b.list();
    // (The offscreen screen is narrower than the list, which is kept inside it: x is 0.)
    first->move(0, 90);
    // OK pressed while the run waits for the device: refused with 197, the window stays.
    QTimer::singleShot(150, first, [&b] {
        QVERIFY(b.window->frame().Run().IsMeasuring());
        shot("list-running.png");
        QVERIFY(!b.list()->findChild<QPushButton*>(controlName(1101))->isEnabled());
        QTest::mouseClick(b.list()->findChild<QPushButton*>(controlName(1)), Qt::LeftButton);
    });
    b.perform();
    QCOMPARE(b.dialogs.messages.front(), std::string("Measurement is still active\nDialog cannot be closed"));
    QVERIFY(first && first->isVisible());
    const QString measured = b.table()->item(2, b.column(QStringLiteral("Red")))->text();
    QVERIFY(measured != QStringLiteral("---"));

    // The menu command closes it (position stored), and opens it again there with the rows kept.
    const QPoint at = first->pos();
    b.measurements();
    QTRY_VERIFY(!first);
    QVERIFY(!b.list());
    QVERIFY(!b.window->frame().measurementListShown);
    QCOMPARE(
        QPoint(b.window->frame().State().settings.messlistPosX, b.window->frame().State().settings.messlistPosY), at);
    b.measurements();
    QVERIFY(b.list());
    QCOMPARE(b.list()->pos(), at);
    QCOMPARE(b.table()->item(2, b.column(QStringLiteral("Red")))->text(), measured);
}

void TestMeasurementList::valueGroups_giveANewListWithTheirColumns()
{
    ListBench b;
    b.measurements();
    QVERIFY(b.column(QStringLiteral("X")) > 0);
    QVERIFY(b.column(QStringLiteral("C.Temp.")) > 0);
    auto* checkXy = b.window->findChild<QCheckBox*>(controlName(1036));
    QVERIFY(checkXy && checkXy->isChecked());
    QTest::mouseClick(checkXy, Qt::LeftButton);
    QTRY_VERIFY(b.list() && b.list()->isVisible());
    QCOMPARE(b.column(QStringLiteral("X")), -1);
    QCOMPARE(b.column(QStringLiteral("C.Temp.")), -1);
    QVERIFY(b.column(QStringLiteral("Hue")) > 0);
}

QTEST_MAIN(TestMeasurementList)
#include "tst_measurementlist.moc"
