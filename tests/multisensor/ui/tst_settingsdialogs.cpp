// The list of settings and the settings dialog on a two-board list: a double click opens the
// dialog, PWM Capture among unset sensors warns once and shows in the row, "Change all settings"
// copies it, a double click on empty space opens nothing while the arrow keys select, a refused OK
// keeps the dialog open, and OK stores the position and deletes the window. The rules themselves
// are tested in the core.

#include "controls/ui/UiText.h"
#include "foundation/Settings.h"
#include "multisensor/SensorSettingsList.h"
#include "multisensor/ui/CDlgKonfListe.h"
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

protected:
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

private:
    std::function<void(CDlgSettings*)> m_steps;
};

struct Bench {
    Bench()
    {
        list.CreateDefaultSettings(10);
        window = new CDlgKonfListe(
            list, settings, [] { return 2002; }, dialogs);
        window->resize(window->sizeHint() + QSize(0, 120)); // room below the rows
        window->show();
    }
    ~Bench() { delete window; }

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

class TestSettingsDialogs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::prepareWindowTests(); }
    void pwmCaptureAmongUnsetSensors_warnsOnceAndShowsItsRuns();
    void emptySpaceAndRefusedOk_openNothingAndStoreNothing();
    void ok_storesThePositionAndDeletesTheWindow();
};

void TestSettingsDialogs::pwmCaptureAmongUnsetSensors_warnsOnceAndShowsItsRuns()
{
    Bench b;
    QCOMPARE(b.window->windowTitle(), QStringLiteral("List of settings"));
    QCOMPARE(b.table()->rowCount(), 10);
    QCOMPARE(b.table()->columnCount(), 10);
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
    QCOMPARE(b.text(1, 1), QStringLiteral("PWM Capture"));
    QCOMPARE(b.text(1, 4), QStringLiteral("3 = 20 runs"));
    QCOMPARE(b.text(0, 4), QStringLiteral("----"));
    QVERIFY(b.list.isModified());
    QVERIFY(!b.changeButtonsEnabled());
    QVERIFY(b.table()->selectedItems().isEmpty());

    // "Change all settings" from that row: every row reads the same.
    QTest::mouseClick(b.table()->viewport(), Qt::LeftButton, {}, b.rowPoint(1));
    QVERIFY(b.changeButtonsEnabled());
    b.dialogs.answer = true;
    QTest::mouseClick(b.button(1097), Qt::LeftButton);
    QCOMPARE(b.dialogs.questions.size(), std::size_t {1});
    for (int row = 0; row < 10; ++row)
        QCOMPARE(b.text(row, 4), QStringLiteral("3 = 20 runs"));
    QVERIFY(!b.changeButtonsEnabled());
}

void TestSettingsDialogs::emptySpaceAndRefusedOk_openNothingAndStoreNothing()
{
    Bench b;
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
                     QCOMPARE(b.dialogs.messages.size(), std::size_t {1});
                     QVERIFY(b.dialogs.messages[0].find("between 1 and 500") != std::string::npos);
                     QCOMPARE(dialog->focusWidget(), gain);
                     QTest::mouseClick(control<QPushButton>(dialog, 2), Qt::LeftButton);
                 }),
        1);
    QCOMPARE(b.list.settingsByIndex(3)->Gain, before.Gain);
    QVERIFY(!b.list.isModified());
    QCOMPARE(b.text(2, 6), QStringLiteral("100"));
}

void TestSettingsDialogs::ok_storesThePositionAndDeletesTheWindow()
{
    Bench b;
    bool closed = false;
    QObject::connect(b.window, &CDlgKonfListe::closed, [&closed] { closed = true; });
    b.window->move(140, 90);
    const QPoint at = b.window->pos();
    QTest::mouseClick(b.button(1), Qt::LeftButton);
    QVERIFY(closed);
    QCOMPARE(QPoint(b.settings.konfListPosX, b.settings.konfListPosY), at);
    QTRY_VERIFY(b.window.isNull());
}

QTEST_MAIN(TestSettingsDialogs)
#include "tst_settingsdialogs.moc"
