// The charts in the main window: what the user is told when the xy chart's image cannot be
// loaded, the marks after a test on the simulated device, a colour picked in the palette reaching
// the value fields, and the View menu switching the chart. (Which image it shows: tst_configuration.)

#include "colour/PaletteModel.h"
#include "colour/ui/ColourPaletteWidget.h"
#include "colour/ui/ColourWheelWidget.h"
#include "colour/ui/XyChartWidget.h"
#include "controls/ui/UiText.h"
#include "main/ResultDisplay.h"
#include "main/ui/ChartPanel.h"

#include "WindowBench.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace lumivex;

namespace {

const std::string kError143 = "Error loading CIE - Tables";

// One window on its own simulated device, settings file and working folder.
struct Bench : test::WindowBench {
    explicit Bench(const std::string& ini, const std::function<void(const test::TempDir&)>& prepare = {})
        : WindowBench("[SYSTEM]\r\nCOMPORT=SIM\r\n" + ini, SimConfig {}, prepare)
    {
    }

    ChartPanel* panel() const { return window->findChild<ChartPanel*>(controlName(1032)); }
    XyChartWidget* xy() const { return panel()->xyChart(); }
    QString field(int id) const { return window->findChild<QLineEdit*>(controlName(id))->text(); }
    ResultDisplay& display() const { return window->frame().View().Display(); }
    void choose(MainMenu::Command command) const { window->menu().action(command)->trigger(); }

    void connectAndTest() const
    {
        auto* connect = window->findChild<QPushButton*>(controlName(1002));
        QTest::mouseClick(connect, Qt::LeftButton);
        QTRY_VERIFY(window->frame().Connected());
        window->findChild<QComboBox*>(controlName(1014))->setCurrentIndex(1); // a 10 ms capture
        QTest::mouseClick(window->findChild<QPushButton*>(controlName(1016)), Qt::LeftButton);
        QTRY_COMPARE(window->frame().View().TestsEnded(), 1);
    }
};

// A broken chart in the working folder.
void brokenChart(const test::TempDir& dir)
{
    test::writeFile(dir.file("CIE1931_2.bmp"), "BM not a bitmap");
}

} // namespace

class TestChartPanel : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void brokenImage_emptyChartAndString143();
    void afterATest_wheelMarksTheHueAndSaturationShown();
    void viewMenu_switchesTheChartAndAPaletteClickReachesTheFieldsOnlyWhileShown();
};

void TestChartPanel::initTestCase()
{
    test::prepareWindowTests();
}

void TestChartPanel::brokenImage_emptyChartAndString143()
{
    Bench bench("SelChart=3\r\n", brokenChart);
    QCOMPARE(bench.dialogs.messages, std::vector<std::string>({"Read error", kError143}));
    QVERIFY(!bench.xy()->hasImage());
    QVERIFY(QTest::qWaitForWindowExposed(bench.window.get()));
    const QImage image = bench.xy()->grab().toImage();
    QImage blank = image;
    blank.fill(image.pixel(0, 0));
    QCOMPARE(image, blank);

    // Chosen again from the View menu, it is read again and the user told again.
    bench.choose(MainMenu::HsiColourWheel);
    QCOMPARE(bench.dialogs.messages.size(), 2u);
    bench.choose(MainMenu::XyChartWhiteLeds);
    QCOMPARE(bench.dialogs.messages, std::vector<std::string>({"Read error", kError143, "Read error", kError143}));
    QVERIFY(!bench.xy()->hasImage());
    // The program goes on: a test still runs, fills the fields and hands its point to the chart.
    bench.connectAndTest();
    QVERIFY(!bench.field(1051).isEmpty());
    const ChartPoint point = bench.display().Chart();
    QVERIFY(point.x != 0.5 && point.y != 0.5); // the device's values, not the start point
    QCOMPARE(bench.xy()->pointX(), point.x);
    QCOMPARE(bench.xy()->pointY(), point.y);
}

void TestChartPanel::afterATest_wheelMarksTheHueAndSaturationShown()
{
    // With the wheel shown the xy chart's image is not read, so a broken one says nothing.
    Bench bench("SelChart=1\r\n", brokenChart);
    QVERIFY(bench.dialogs.messages.empty());
    QCOMPARE(bench.panel()->currentChart(), bench.panel()->wheel());
    bench.connectAndTest();
    ColourWheelWidget* wheel = bench.panel()->wheel();
    QVERIFY(!bench.field(1045).isEmpty());
    QCOMPARE(QString::fromStdString(wheel->hueText()), bench.field(1045));
    QCOMPARE(QString::fromStdString(wheel->saturationText()), bench.field(1047));
    QCOMPARE(wheel->colour(), bench.display().Reading().currentColour);
}

void TestChartPanel::viewMenu_switchesTheChartAndAPaletteClickReachesTheFieldsOnlyWhileShown()
{
    Bench bench("SelChart=2\r\n");
    ChartPanel* panel = bench.panel();
    ColourPaletteWidget* palette = panel->colourPalette();
    const auto expectChart = [&](QWidget* chart, const char* title) {
        QCOMPARE(panel->currentChart(), chart);
        QCOMPARE(panel->title(), QString::fromLatin1(title));
        QCOMPARE(palette->model().IsEnabled(), chart == palette);
    };
    expectChart(palette, "Color Palette");
    bench.choose(MainMenu::XyChartWhiteLeds);
    expectChart(panel->xyChart(), "XY Chart");
    QVERIFY(panel->xyChart()->hasImage());
    bench.choose(MainMenu::HsiColourWheel);
    expectChart(panel->wheel(), "Color Wheel");
    bench.choose(MainMenu::RgbColourPalette);
    expectChart(palette, "Color Palette");
    QCOMPARE(bench.display().CurrentChart(), ChartChoice::Palette);

    QVERIFY(QTest::qWaitForWindowExposed(bench.window.get()));
    const QPoint click(palette->width() / 3, palette->height() / 4);
    PaletteModel probe({palette->width(), palette->height()});
    probe.LeftButtonDown({click.x(), click.y()});
    QTest::mouseClick(palette, Qt::LeftButton, {}, click);
    QCOMPARE(palette->model().Colour(), probe.Colour());

    // The same colour picked on a display of its own gives the texts the window must show.
    ResultDisplay expected;
    expected.SetCurrentChart(ChartChoice::Palette);
    expected.ShowPickedColour(probe.Colour(), bench.window->frame().Sequencer().FirmwareNumber());
    const ResultFields& f = expected.Fields();
    const std::vector<std::pair<int, std::string>> fields {{1023, f.red}, {1025, f.green}, {1028, f.blue},
        {1039, f.sensorRed}, {1041, f.sensorGreen}, {1043, f.sensorBlue}, {1045, f.hue}, {1047, f.saturation},
        {1051, f.x}, {1053, f.y}, {1055, f.colourTemperature}};
    for (const auto& [id, text] : fields)
        QCOMPARE(bench.field(id), qText(text));
    QVERIFY(!bench.field(1045).isEmpty());
    QVERIFY(bench.control<QPlainTextEdit>(1017)->toPlainText().endsWith(
        QStringLiteral("Values shown: Picked colour, not a measurement")));

    // Once another chart is current, the palette's picks no longer reach the fields.
    bench.choose(MainMenu::HsiColourWheel);
    const QString hue = bench.field(1045);
    QTest::mouseClick(palette, Qt::LeftButton, {}, QPoint(5, palette->height() - 20));
    QCOMPARE(bench.field(1045), hue);

    bench.window->close();
    QVERIFY(test::readFile(bench.dir.file("Lumivex.ini")).find("SelChart=1\r\n") != std::string::npos);
    QVERIFY(bench.dialogs.messages.empty());
}

QTEST_MAIN(TestChartPanel)
#include "tst_chartpanel.moc"
