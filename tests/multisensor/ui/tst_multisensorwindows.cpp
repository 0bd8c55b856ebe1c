// The windows of the measurement list against the simulated device (two boards, firmware 2002), on
// the real clock; the rules themselves are tested in the core.
#include "controls/ui/UiText.h"
#include "foundation/Settings.h"
#include "multisensor/ReadingLists.h"
#include "multisensor/SensorSettingsList.h"
#include "multisensor/ui/CDlgKonfListe.h"
#include "multisensor/ui/CDlgMessliste.h"
#include "multisensor/ui/CDlgSettings.h"

#include "RecordingDialogs.h"
#include "WindowBench.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace lumivex;

namespace {

struct ListBench : test::WindowBench {
    ListBench()
        : WindowBench("[SYSTEM]\r\nCOMPORT=SIM\r\n",
            SimConfig {.firmware = 2002, .boards = 2, .leds = {}, .inputEvents = {}, .faults = {}})
    {
        QTest::mouseClick(control<QPushButton>(1002), Qt::LeftButton);
        // Every sensor set up alike: 200 ms manual capture, intensity within 10 %, x/y within 0.01.
        QTRY_VERIFY(window->frame().Connected());
        for (CKonfList* record : window->frame().SensorSettings().walkByIndex()) {
            std::tie(
                record->TestMode, record->MeasureTime, record->DevIntensPercent, record->OptionFlags, record->DevXYAbs)
                = std::tuple(kKonfManualCapture, kKonfMeasureTime200ms, 10, KonfOption::XyAbs, 0.01f);
            record->ChangeFlags = KonfChange::Pending | KonfChange::MeasureTime | KonfChange::IntensPercent;
        }
        window->frame().SensorSettings().setModified(true);
    }

    CDlgMessliste* list() const { return window->measurementList(); }
    QTableWidget* table() const { return list()->findChild<QTableWidget*>(controlName(1080)); }
    void measurements() { window->runCommand(MainMenu::Measurements); }
    void perform() { QTest::mouseClick(list()->findChild<QPushButton*>(controlName(1081)), Qt::LeftButton); }
    // Column of a caption, -1 when the list has none.
    int column(const QString& caption) const
    {
        for (int c = 0; c < table()->columnCount(); ++c)
            if (table()->horizontalHeaderItem(c)->text() == caption)
                return c;
        return -1;
    }
    QColor colour(int row, int column) const { return table()->item(row, column)->background().color(); }
    QList<bool> outputs() const { return {device->model().output(0), device->model().output(1)}; }
};

const QColor kWhite(255, 255, 255);
const QColor kGreen(128, 255, 128);
const QColor kYellow(255, 255, 192);
const QColor kRed(255, 128, 128);

const std::string kMixedCapture = "Attention: Mixed capture mode\nMeasurements are performed successively";

template<class T> T* control(QWidget* parent, int id)
{
    return parent->findChild<T*>(controlName(id));
}

// Runs `steps` inside the settings dialog once its modal loop runs; the dialog is not left open.
class WhenSettingsShow : public QObject {
public:
    explicit WhenSettingsShow(std::function<void(CDlgSettings*)> steps) : m_steps(std::move(steps))
    {
        qApp->installEventFilter(this);
    }
    ~WhenSettingsShow() override { qApp->removeEventFilter(this); }
    int shown = 0;
    bool done = false;
    std::function<void(CDlgSettings*)> m_steps;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<CDlgSettings*>(watched)) {
            ++shown;
            QTimer::singleShot(0, this, [this] {
                auto* dialog = qobject_cast<CDlgSettings*>(QApplication::activeModalWidget());
                QVERIFY2(dialog, "the settings dialog runs modally");
                m_steps(dialog);
                if (dialog->isVisible())
                    dialog->reject();
                done = true;
            });
        }
        return false;
    }
};

struct SettingsListBench {
    SettingsListBench()
    {
        list.CreateDefaultSettings(10);
        window = new CDlgKonfListe(
            list, settings, [] { return 2002; }, dialogs);
        window->resize(window->sizeHint() + QSize(0, 120)); // room below the rows
        window->show();
    }
    ~SettingsListBench() { delete window; }

    QTableWidget* table() const { return control<QTableWidget>(window, 1096); }
    QPushButton* button(int id) const { return control<QPushButton>(window, id); }
    QString text(int row, int column) const { return table()->item(row, column)->text(); }
    bool changeButtonsEnabled() const { return button(1095)->isEnabled() && button(1097)->isEnabled(); }
    QPoint rowPoint(int row) const { return table()->visualRect(table()->model()->index(row, 2)).center(); }
    // Double-clicks `at` in the list and runs `steps` in the dialog if one opens; the number opened.
    int doubleClick(QPoint at, std::function<void(CDlgSettings*)> steps)
    {
        WhenSettingsShow when(std::move(steps));
        QTest::mouseDClick(table()->viewport(), Qt::LeftButton, {}, at);
        // The dialog opens once the view is done with the click, and runs its steps in its own loop.
        QTest::qWait(50);
        if (when.shown && !QTest::qWaitFor([&when] { return when.done && !QApplication::activeModalWidget(); }))
            return -1;
        return when.shown;
    }

    test::RecordingDialogs dialogs;
    Settings settings; // tolerance groups on, "NoChangeXYOffset" 1
    SensorSettingsList list {dialogs, DeviationSettings::fromSettings(settings)};
    QPointer<CDlgKonfListe> window;
};

} // namespace

class TestMultisensorWindows : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::prepareWindowTests(); }
    void runs_colourTheRowsByTheComparisonAndSignalTheOutputs();
    void closing_isRefusedDuringARunTheMenuTogglesWithTheDataKeptAndValueGroupsGiveNewColumns();
    void settingsList_pwmAmongUnsetSensorsWarnsOnceEmptySpaceAndRefusedOkStoreNothingOkCloses();
};

void TestMultisensorWindows::runs_colourTheRowsByTheComparisonAndSignalTheOutputs()
{
    ListBench b;
    b.measurements();
    QVERIFY(b.list() && b.list()->isVisible() && b.window->frame().measurementListShown);
    QCOMPARE(b.list()->windowTitle(), QStringLiteral("List of measurements"));
    QCOMPARE(b.table()->rowCount(), 10);
    const int mode = b.column(QStringLiteral("Mode"));
    const int intens = b.column(QStringLiteral("Intens."));
    const int x = b.column(QStringLiteral("X"));
    QVERIFY(mode > 0 && intens > 0 && x > 0);
    QCOMPARE(QStringList({b.table()->item(3, 1)->text(), b.table()->item(3, mode)->text()}), QStringList({"4", "---"}));
    // No reference yet: measured, not compared, white, and message 199.
    b.perform();
    QVERIFY(!b.window->frame().Run().IsMeasuring()
        && b.window->frame().Run().LastEnd() == MeasurementRun::RunEnd::Measured);
    QCOMPARE(b.dialogs.messages, std::vector<std::string>({"No Reference data available "}));
    QCOMPARE(b.table()->item(8, mode)->text(), QStringLiteral("MAN-MED"));
    QCOMPARE(b.colour(8, intens), kWhite);
    QCOMPARE(b.list()->windowTitle(), QStringLiteral("List of measurements"));
    // Kept as the reference: the title names it, and the same LEDs pass, every row green.
    b.dialogs.saveFileAnswer = b.dir.file("golden.ref");
    QTest::mouseClick(b.list()->findChild<QPushButton*>(controlName(1100)), Qt::LeftButton);
    QCOMPARE(b.list()->windowTitle(), QStringLiteral("List of measurements  Reference file: golden.ref"));
    b.perform();
    for (int row = 0; row < 10; ++row)
        QCOMPARE(QList({b.colour(row, intens), b.colour(row, 1)}), QList({kGreen, kGreen}));
    QCOMPARE(b.outputs(), QList({false, true}));
    // Board 2, LED 4 at half its intensity: its row yellow with the intensity cell red.
    SimLed dimmer = defaultSimLed(2, 4);
    dimmer.intensity /= 2;
    b.device->model().setLed(2, 4, dimmer);
    b.perform();
    QCOMPARE(QList({b.colour(8, 1), b.colour(8, intens), b.colour(8, x), b.colour(7, intens)}),
        QList({kYellow, kRed, kYellow, kGreen}));
    QCOMPARE(b.table()->item(8, intens)->toolTip(), QStringLiteral("Error -I-"));
    QCOMPARE(b.outputs(), QList({true, false}));
    // The list of settings beside it, from the menu, and closed by the same command.
    b.window->runCommand(MainMenu::MeasurementSettings);
    QVERIFY(b.window->settingsList() && b.window->settingsList()->isVisible() && b.window->frame().settingsListShown);
    b.window->runCommand(MainMenu::MeasurementSettings);
    QTRY_VERIFY(!b.window->settingsList() && !b.window->frame().settingsListShown);
}

void TestMultisensorWindows::closing_isRefusedDuringARunTheMenuTogglesWithTheDataKeptAndValueGroupsGiveNewColumns()
{
    ListBench b;
    b.measurements();
    QPointer<CDlgMessliste> first = b.list();
    // OK pressed while the run waits for the device: refused with 197, the window stays.
    QTimer::singleShot(150, first, [&b] {
        QVERIFY(b.window->frame().Run().IsMeasuring());
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
    QVERIFY(!b.list() && !b.window->frame().measurementListShown);
    const auto& stored = b.window->frame().State().settings;
    QCOMPARE(QPoint(stored.messlistPosX, stored.messlistPosY), at);
    b.measurements();
    QVERIFY(b.list() && b.table()->item(2, b.column(QStringLiteral("Red")))->text() == measured);
    QCOMPARE(b.list()->pos(), at);
    // A value group switched off gives a new list without its columns.
    QVERIFY(b.column(QStringLiteral("X")) > 0 && b.column(QStringLiteral("C.Temp.")) > 0);
    auto* checkXy = b.window->findChild<QCheckBox*>(controlName(1036));
    QVERIFY(checkXy && checkXy->isChecked());
    QTest::mouseClick(checkXy, Qt::LeftButton);
    QTRY_VERIFY(b.list() && b.list()->isVisible());
    QCOMPARE(QList({b.column(QStringLiteral("X")), b.column(QStringLiteral("C.Temp."))}), QList({-1, -1}));
    QVERIFY(b.column(QStringLiteral("Hue")) > 0);
}

void TestMultisensorWindows::settingsList_pwmAmongUnsetSensorsWarnsOnceEmptySpaceAndRefusedOkStoreNothingOkCloses()
{
    SettingsListBench b;
    QCOMPARE(b.window->windowTitle(), QStringLiteral("List of settings"));
    QCOMPARE(QList({b.table()->rowCount(), b.table()->columnCount()}), QList({10, 10}));
    QVERIFY(!b.changeButtonsEnabled());

    const int opened = b.doubleClick(b.rowPoint(1), [](CDlgSettings* dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Settings for sensor"));
        auto* keep = control<QCheckBox>(dialog, 1088);
        QVERIFY(keep->isChecked() && !keep->isEnabled());
        QVERIFY(control<QLineEdit>(dialog, 1094)->isEnabled());
        auto* testMode = control<QComboBox>(dialog, 1012);
        testMode->setFocus();
        QTest::keyClick(testMode, Qt::Key_Up); // from the blank entry to "PWM Capture"
        QCOMPARE(testMode->currentText(), QStringLiteral("PWM Capture"));
        auto* runs = control<QComboBox>(dialog, 1016);
        QVERIFY(runs->isEnabled());
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(runs, Qt::Key_Down);
        QTest::mouseClick(control<QPushButton>(dialog, 1), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
    });
    QCOMPARE(opened, 1);
    QCOMPARE(b.dialogs.messages, std::vector<std::string> {kMixedCapture});
    QCOMPARE(
        QStringList({b.text(1, 1), b.text(1, 4), b.text(0, 4)}), QStringList({"PWM Capture", "3 = 20 runs", "----"}));
    QVERIFY(b.list.isModified() && !b.changeButtonsEnabled() && b.table()->selectedItems().isEmpty());
    // "Change all settings" from that row: every row reads the same.
    QTest::mouseClick(b.table()->viewport(), Qt::LeftButton, {}, b.rowPoint(1));
    QVERIFY(b.changeButtonsEnabled());
    b.dialogs.answer = true;
    QTest::mouseClick(b.button(1097), Qt::LeftButton);
    QCOMPARE(b.dialogs.questions.size(), std::size_t {1});
    for (int row = 0; row < 10; ++row)
        QCOMPARE(b.text(row, 4), QStringLiteral("3 = 20 runs"));
    QVERIFY(!b.changeButtonsEnabled());
    // A double click on empty space opens nothing; a refused OK stores nothing; OK closes.
    b.dialogs.messages.clear();
    b.list.setModified(false);
    QTest::mouseClick(b.table()->viewport(), Qt::LeftButton, {}, b.rowPoint(4));
    QVERIFY(b.changeButtonsEnabled());
    const QPoint empty(8, b.table()->viewport()->height() - 4);
    QVERIFY(!b.table()->indexAt(empty).isValid());
    QCOMPARE(b.doubleClick(empty, [](CDlgSettings*) {}), 0);
    QVERIFY(!b.changeButtonsEnabled());
    QTest::keyClick(b.table(), Qt::Key_Down); // the arrow keys select as clicks do
    QVERIFY(b.changeButtonsEnabled());

    const CKonfList before = *b.list.settingsByIndex(3);
    QCOMPARE(b.doubleClick(b.rowPoint(2),
                 [&b](CDlgSettings* dialog) {
                     auto* gain = control<QLineEdit>(dialog, 1091);
                     gain->setFocus();
                     gain->selectAll();
                     QTest::keyClicks(gain, QStringLiteral("0"));
                     QTest::mouseClick(control<QPushButton>(dialog, 1), Qt::LeftButton);
                     QVERIFY(dialog->isVisible());
                     QVERIFY(b.dialogs.messages.size() == 1
                         && b.dialogs.messages[0].find("between 1 and 500") != std::string::npos);
                     QCOMPARE(dialog->focusWidget(), gain);
                     QTest::mouseClick(control<QPushButton>(dialog, 2), Qt::LeftButton);
                 }),
        1);
    QVERIFY(b.list.settingsByIndex(3)->Gain == before.Gain && !b.list.isModified());
    QCOMPARE(b.text(2, 6), QStringLiteral("100"));
    // OK closes and deletes the window.
    bool closed = false;
    QObject::connect(b.window, &CDlgKonfListe::closed, [&closed] { closed = true; });
    QTest::mouseClick(b.button(1), Qt::LeftButton);
    QVERIFY(closed);
    QTRY_VERIFY(b.window.isNull());
}

QTEST_MAIN(TestMultisensorWindows)
#include "tst_multisensorwindows.moc"
