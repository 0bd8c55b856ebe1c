// The chart widgets on their own (positions are the core's; these catch a widget that draws
// elsewhere or drops an event) and in the main window. Which image it shows: tst_configuration.

#include "colour/ChartImage.h"
#include "colour/PaletteModel.h"
#include "colour/WheelGeometry.h"
#include "colour/ui/ChartFolders.h"
#include "colour/ui/ChartPainting.h"
#include "colour/ui/ColourPaletteWidget.h"
#include "colour/ui/ColourWheelWidget.h"
#include "colour/ui/XyChartWidget.h"
#include "main/ResultDisplay.h"
#include "main/ui/ChartPanel.h"

#include "TestBitmap.h"
#include "WindowBench.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>
#include <vector>

using namespace lumivex;

namespace {

std::vector<QPoint> pixelsOf(const QImage& image, const QColor& colour, QRect within = {})
{
    std::vector<QPoint> found;
    within = within.isNull() ? image.rect() : within;
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x)
            if (image.pixelColor(x, y) == colour)
                found.push_back({x, y});
    return found;
}

// One window on its own simulated device, settings file and working folder.
struct Bench : test::WindowBench {
    explicit Bench(const std::string& ini, const std::function<void(const test::TempDir&)>& prepare = {})
        : WindowBench("[SYSTEM]\r\nCOMPORT=SIM\r\n" + ini, SimConfig {}, prepare)
    {
    }

    ChartPanel* panel() const { return window->findChild<ChartPanel*>(controlName(1032)); }
    XyChartWidget* xy() const { return panel()->xyChart(); }
    QString field(int id) const { return window->findChild<QLineEdit*>(controlName(id))->text(); }
    const ResultDisplay& display() const { return window->frame().View().Display(); }
    void choose(MainMenu::Command command) const { window->menu().action(command)->trigger(); }
};

const std::string kError143 = "Error loading CIE - Tables";

} // namespace

class TestCharts : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::prepareWindowTests(); }
    void xyChart_emptyUntilAnImageLoadsThenKeepsItsShapeAndMarksThePoint();
    void wheel_paintsCrossBarAndArrowWhereTheCorePutsThem();
    void palette_mouseKeysAndTabReachTheModelAndItPaintsSpectrumBarAndCross();
    void ownChartFolder_besideTheProgramThenInstalledThenTheBuilds();
    void window_brokenImage_toldEachTimeItIsReadAndTheChartsStillTakeATestsValues();
    void window_viewMenu_switchesTheChartAndAPaletteClickReachesTheFieldsOnlyWhileShown();
};

void TestCharts::xyChart_emptyUntilAnImageLoadsThenKeepsItsShapeAndMarksThePoint()
{
    test::TempDir dir;
    test::RecordingDialogs dialogs;
    XyChartWidget chart;
    chart.resize(500, 400);
    chart.setPoint(0.3, 0.3);
    QCOMPARE(chart.load(dir.file("none.bmp"), dialogs), ChartImageLoad::CannotOpen);
    QVERIFY(!chart.hasImage() && chart.panelRect().isEmpty());

    // A dark square image (its white pixels are the cross-hair's): a 400 x 400 panel in the middle.
    test::writeFile(dir.file("dark.bmp"), test::uniformBitmap(8, 8, 10, 20, 30));
    QCOMPARE(chart.load(dir.file("dark.bmp"), dialogs), ChartImageLoad::Loaded);
    QCOMPARE(chart.panelRect(), QRect(50, 0, 400, 400));
    // (0, 0): 5 % in from the left and from the bottom, across the whole panel and nowhere else.
    chart.setPoint(0, 0);
    const std::vector<QPoint> origin = pixelsOf(chart.grab().toImage(), Qt::white);
    QCOMPARE(origin.size(), 400u + 400u - 1u);
    for (const QPoint& p : origin)
        QVERIFY2((p.y() == 380 || p.x() == 50 + 20) && p.x() >= 50 && p.x() < 450,
            qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
    // Outside the chart: no cross-hair, but the image is still drawn.
    chart.setPoint(1, 0.3);
    QVERIFY(pixelsOf(chart.grab().toImage(), Qt::white).empty());
    QCOMPARE(chart.grab().toImage().pixelColor(250, 200), QColor(10, 20, 30));

    // A file that is no bitmap: the picture loaded before is gone, and nothing is drawn.
    chart.setPoint(0.3, 0.3);
    test::writeFile(dir.file("bad.bmp"), "BM not a bitmap");
    QCOMPARE(chart.load(dir.file("bad.bmp"), dialogs), ChartImageLoad::ReadError);
    QCOMPARE(dialogs.messages, std::vector<std::string>({"Read error"}));
    QVERIFY(!chart.hasImage() && pixelsOf(chart.grab().toImage(), Qt::white).empty()
        && pixelsOf(chart.grab().toImage(), QColor(10, 20, 30)).empty());
}

void TestCharts::wheel_paintsCrossBarAndArrowWhereTheCorePutsThem()
{
    ColourWheelWidget wheel;
    wheel.resize(420, 300);
    const QRect panel = wheel.panelRect();
    QCOMPARE(panel, QRect(40, 0, 340, 300)); // centred, with room for the bar beside a whole wheel
    const Point origin {panel.left(), panel.top()};
    const Size size {panel.width(), panel.height()};
    const QRect wheelArea(panel.left(), panel.top(), panel.width() - 27, panel.height());
    for (const auto& [hue, saturation, colour] :
        {std::tuple {"0.00", "100 %", PackRgb(255, 255, 255)}, {"90.00", "100 %", PackRgb(0, 0, 0)},
            {"180.00", "50 %", PackRgb(40, 200, 90)}, {"", "", PackRgb(128, 128, 128)}}) {
        wheel.setMarks(hue, saturation, colour);
        const QImage image = wheel.grab().toImage();
        // The spokes are fully saturated: left of the bar only the cross is white.
        std::vector<QPoint> cross;
        for (const Point p : CrossPixels(WheelCrossPosition(origin, size, hue, saturation),
                 {panel.left(), panel.top(), panel.left() + panel.width(), panel.top() + panel.height()}))
            if (wheelArea.contains(p.x, p.y))
                cross.push_back({p.x, p.y});
        std::ranges::sort(cross, {}, [](QPoint p) { return std::pair {p.y(), p.x()}; });
        QVERIFY2(!cross.empty(), hue);
        QCOMPARE(pixelsOf(image, wheel.palette().color(QPalette::Base), wheelArea), cross);

        const Point bar = WheelLightnessBitmapOrigin(origin, size);
        const std::vector<PackedRgb> rows = WheelLightnessRows(size, colour);
        for (std::size_t i = 0; i < rows.size(); ++i)
            QCOMPARE(image.pixelColor(bar.x + 9, bar.y + static_cast<int>(i)), qColour(rows[i]));

        // The arrow beside the bar points at the lightness with its tip.
        const Point arrow = WheelArrowOrigin(origin, size, WheelArrowPosition(size, colour));
        QCOMPARE(image.pixelColor(arrow.x, arrow.y + kArrowHeight / 2), wheel.palette().color(QPalette::WindowText));
    }
}

void TestCharts::palette_mouseKeysAndTabReachTheModelAndItPaintsSpectrumBarAndCross()
{
    // The palette between two line edits, in this order in the focus chain.
    QWidget window;
    auto* before = new QLineEdit(&window);
    auto* palette = new ColourPaletteWidget(&window);
    auto* after = new QLineEdit(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* widget : std::initializer_list<QWidget*> {before, palette, after})
        layout->addWidget(widget, widget == palette);
    window.resize(320, 340);
    window.show();
    palette->setActive(true);
    std::vector<PackedRgb> picked;
    palette->setSelectionHandler([&picked](PackedRgb colour) { picked.push_back(colour); });
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const PaletteModel& model = palette->model();
    const int w = palette->width(), h = palette->height();

    // Dragging with the button held keeps choosing; the bar takes the lightness.
    const QPoint point(100, 80);
    QTest::mousePress(palette, Qt::LeftButton, {}, point);
    const PackedRgb pressed = model.Colour();
    QCOMPARE(std::pair(model.CrossHair(), picked), std::pair(Point {100, 80}, std::vector<PackedRgb> {pressed}));
    QMouseEvent drag(QEvent::MouseMove, QPointF(140, 60), palette->mapToGlobal(QPointF(140, 60)), Qt::NoButton,
        Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(palette, &drag);
    QTest::mouseRelease(palette, Qt::LeftButton, {}, QPoint(140, 60));
    QCOMPARE(model.CrossHair(), (Point {140, 60}));
    QCOMPARE(picked, (std::vector<PackedRgb> {pressed, model.Colour()}));
    QTest::mouseClick(palette, Qt::LeftButton, {}, QPoint(w - 20, h - 10));
    QCOMPARE(std::tuple(model.FocusPart(), model.Lightness()), std::tuple(PalettePart::Bar, 0));

    // Keys act on the part that has the focus.
    QTest::keyClick(palette, Qt::Key_Home);
    QCOMPARE(model.Lightness(), 240);
    QTest::mouseClick(palette, Qt::LeftButton, {}, point);
    QTest::keyClick(palette, Qt::Key_End);
    QTest::keyClick(palette, Qt::Key_Left, Qt::ControlModifier);
    QCOMPARE(model.Hue(), 238);
    QCOMPARE(picked.back(), model.Colour());

    // Tab goes through the spectrum and the bar before leaving; Shift+Tab comes back the same way.
    palette->setFocus(Qt::TabFocusReason);
    QCOMPARE(model.FocusPart(), PalettePart::Spectrum);
    for (const auto& [key, focus, part] : {std::tuple {Qt::Key_Tab, static_cast<QWidget*>(palette), PalettePart::Bar},
             {Qt::Key_Tab, after, PalettePart::None}, {Qt::Key_Backtab, palette, PalettePart::Bar},
             {Qt::Key_Backtab, palette, PalettePart::Spectrum}, {Qt::Key_Backtab, before, PalettePart::None}}) {
        QTest::keyClick(QApplication::focusWidget(), key, key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
        QCOMPARE(std::pair(QApplication::focusWidget(), model.FocusPart()), std::pair(focus, part));
    }

    palette->setColour(PackRgb(40, 200, 90));
    QImage image = palette->grab().toImage();
    // Spectrum: hue to the right, saturation upwards (sampled away from the cross).
    for (const auto& [x, j] : {std::pair {5, 5}, {w - 40, h - 30}, {w / 2, 3}}) {
        const int y = h - 12 - j;
        QVERIFY(std::abs(x - model.CrossHair().x) > 10 || std::abs(y - model.CrossHair().y) > 10);
        QCOMPARE(image.pixelColor(x, y), qColour(model.SpectrumColour(x, j)));
    }
    // Bar: the selected hue and saturation from black to white.
    for (const int j : {0, (h - 23) / 2, h - 23})
        QCOMPARE(image.pixelColor(w - 22, h - 12 - j), qColour(model.BarColour(j)));
    // The cross: in the window colour without the focus, in the text colour with it.
    const QPoint arm(model.CrossHair().x + 7, model.CrossHair().y);
    QCOMPARE(image.pixelColor(arm), palette->palette().color(QPalette::Base));
    palette->setFocus(Qt::OtherFocusReason);
    QTRY_COMPARE(model.FocusPart(), PalettePart::Spectrum);
    QCOMPARE(palette->grab().toImage().pixelColor(arm), palette->palette().color(QPalette::WindowText));

    // The tooltip names the colour under the mouse.
    const QPoint hoverAt(30, h / 2);
    QMouseEvent hover(QEvent::MouseMove, hoverAt, palette->mapToGlobal(hoverAt), Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(palette, &hover);
    QCOMPARE(palette->toolTip(), QString::fromStdString(PaletteModel::TooltipText(*model.ColourAt({30, h / 2}))));
}

void TestCharts::ownChartFolder_besideTheProgramThenInstalledThenTheBuilds()
{
    // Files below an install prefix; the folder expected below it, or none for the build's folder.
    const std::string beside = "bin/charts", installed = "share/lumivex/charts";
    const std::string cie1931 = "/CIE1931_2.bmp", cie1964 = "/CIE1964_10.bmp"; // choice 0, choice 1
    using Files = std::vector<std::string>;
    for (const auto& [name, files, choice, expected] : {std::tuple {"nothing installed", Files {}, 0, std::string {}},
             {"beside the program", Files {beside + cie1931}, 0, beside},
             {"installed data folder", Files {installed + cie1931}, 0, installed},
             {"beside the program wins over installed", Files {beside + cie1964, installed + cie1964}, 1, beside},
             {"installed folder lacks this chart", Files {installed + cie1931}, 1, std::string {}},
             {"a folder named like the chart is no image", Files {installed + cie1931 + "/x"}, 0, std::string {}}}) {
        test::TempDir prefix;
        std::filesystem::create_directories(prefix.path() / "bin");
        for (const std::string& file : files) {
            std::filesystem::create_directories((prefix.path() / file).parent_path());
            test::writeFile(prefix.file(file), "BM");
        }
        QVERIFY2(ownChartFolderFrom(prefix.file("bin"), choice)
                == QDir::cleanPath(QString::fromStdString(expected.empty() ? LUMIVEX_CHART_DIR : prefix.file(expected)))
                       .toStdString(),
            name);
    }
}

void TestCharts::window_brokenImage_toldEachTimeItIsReadAndTheChartsStillTakeATestsValues()
{
    Bench bench("SelChart=3\r\n", [](const test::TempDir& dir) { test::writeFile(dir.file("CIE1931_2.bmp"), "BM"); });
    QCOMPARE(bench.dialogs.messages, std::vector<std::string>({"Read error", kError143}));
    QVERIFY(!bench.xy()->hasImage());
    QVERIFY(QTest::qWaitForWindowExposed(bench.window.get()));
    const QImage image = bench.xy()->grab().toImage();
    QCOMPARE(pixelsOf(image, image.pixelColor(0, 0)).size(), std::size_t(image.width() * image.height()));

    // Chosen again from the View menu, it is read again and the user told again; the wheel does not read it.
    bench.choose(MainMenu::HsiColourWheel);
    QCOMPARE(bench.dialogs.messages.size(), 2u);
    bench.choose(MainMenu::XyChartWhiteLeds);
    QCOMPARE(bench.dialogs.messages, std::vector<std::string>({"Read error", kError143, "Read error", kError143}));
    QVERIFY(!bench.xy()->hasImage());
    // The program goes on: a test still runs, fills the fields and hands its point to the chart and
    // its marks to the wheel.
    QTest::mouseClick(bench.control<QPushButton>(1002), Qt::LeftButton);
    QTRY_VERIFY(bench.window->frame().Connected());
    bench.control<QComboBox>(1014)->setCurrentIndex(1); // a 10 ms capture
    QTest::mouseClick(bench.control<QPushButton>(1016), Qt::LeftButton);
    QTRY_COMPARE(bench.window->frame().View().TestsEnded(), 1);
    QVERIFY(!bench.field(1051).isEmpty() && !bench.field(1045).isEmpty());
    const ChartPoint point = bench.display().Chart();
    QVERIFY(point.x != 0.5 && point.y != 0.5); // the device's values, not the start point
    QCOMPARE(std::pair(bench.xy()->pointX(), bench.xy()->pointY()), std::pair(point.x, point.y));
    bench.choose(MainMenu::HsiColourWheel);
    const ColourWheelWidget* wheel = bench.panel()->wheel();
    QCOMPARE(std::tuple(qText(wheel->hueText()), qText(wheel->saturationText()), wheel->colour()),
        std::tuple(bench.field(1045), bench.field(1047), bench.display().Reading().currentColour));
}

void TestCharts::window_viewMenu_switchesTheChartAndAPaletteClickReachesTheFieldsOnlyWhileShown()
{
    Bench bench("SelChart=2\r\n");
    ChartPanel* panel = bench.panel();
    ColourPaletteWidget* palette = panel->colourPalette();
    const auto expectChart = [&](QWidget* chart, const char* title) {
        QCOMPARE(std::tuple(panel->currentChart(), panel->title(), palette->model().IsEnabled(),
                     chart != panel->xyChart() || panel->xyChart()->hasImage()),
            std::tuple(chart, QString::fromLatin1(title), chart == palette, true));
    };
    expectChart(palette, "Color Palette");
    for (const auto& [command, chart, title] :
        {std::tuple {MainMenu::XyChartWhiteLeds, static_cast<QWidget*>(panel->xyChart()), "XY Chart"},
            {MainMenu::HsiColourWheel, panel->wheel(), "Color Wheel"},
            {MainMenu::RgbColourPalette, palette, "Color Palette"}}) {
        bench.choose(command);
        expectChart(chart, title);
    }
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
    for (const auto& [id, text] : std::vector<std::pair<int, std::string>> {{1023, f.red}, {1025, f.green},
             {1028, f.blue}, {1039, f.sensorRed}, {1041, f.sensorGreen}, {1043, f.sensorBlue}, {1045, f.hue},
             {1047, f.saturation}, {1051, f.x}, {1053, f.y}, {1055, f.colourTemperature}})
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

QTEST_MAIN(TestCharts)
#include "tst_charts.moc"
