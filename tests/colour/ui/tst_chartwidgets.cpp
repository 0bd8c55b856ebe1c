// The three chart widgets on their own: what they paint where, and what they hand to their model.
// The positions themselves are the core's (ChartGeometry, WheelGeometry, PaletteModel); these
// tests catch a widget that draws somewhere else or drops an event on the way.

#include "colour/ChartImage.h"
#include "colour/WheelGeometry.h"
#include "colour/ui/ColourPaletteWidget.h"
#include "colour/ui/ColourWheelWidget.h"
#include "colour/ui/XyChartWidget.h"

#include "RecordingDialogs.h"
#include "TempDir.h"
#include "TestBitmap.h"

#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include <clocale>
#include <vector>

using namespace lumivex;

namespace {

const QColor kWhite(255, 255, 255);

std::vector<QPoint> pixelsOf(const QImage& image, const QColor& colour, const QRect& within)
{
    std::vector<QPoint> found;
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x)
            if (image.pixelColor(x, y) == colour)
                found.push_back({x, y});
    return found;
}

QPointF centroid(const std::vector<QPoint>& points)
{
    QPointF sum;
    for (const QPoint& p : points)
        sum += p;
    return points.empty() ? QPointF(-1, -1) : sum / static_cast<double>(points.size());
}

// A dark chart image: every white pixel on it is the cross-hair's.
struct DarkChart {
    DarkChart()
    {
        path = dir.file("dark.bmp");
        test::writeFile(path, test::uniformBitmap(8, 8, 10, 20, 30));
        chart.resize(500, 400);
        QCOMPARE(chart.load(path, dialogs), ChartImageLoad::Loaded);
    }
    std::vector<QPoint> whiteAt(double x, double y)
    {
        chart.setPoint(x, y);
        const QImage image = chart.grab().toImage();
        return pixelsOf(image, kWhite, image.rect());
    }
    test::TempDir dir;
    std::string path;
    test::RecordingDialogs dialogs;
    XyChartWidget chart;
};

} // namespace

class TestChartWidgets : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }
    void xyChart_keepsTheImageShapeAndMarksTheAxisEnds();
    void xyChart_noCrossHairOutsideTheChart_data();
    void xyChart_noCrossHairOutsideTheChart();
    void xyChart_emptyUntilAnImageLoads();
    void wheel_crossAtHueAndSaturation_data();
    void wheel_crossAtHueAndSaturation();
    void wheel_arrowAtTheLightness();
    void wheel_noGapsBetweenTheSpokes_data();
    void wheel_noGapsBetweenTheSpokes();
    void palette_mouseAndKeysReachTheModel();
    void palette_tabMovesThroughBothPartsBeforeLeaving();
    void palette_paintsSpectrumBarAndCross();
};

void TestChartWidgets::xyChart_keepsTheImageShapeAndMarksTheAxisEnds()
{
    DarkChart fixture;
    // A square image in a 500 x 400 widget: a 400 x 400 panel in the middle.
    QCOMPARE(fixture.chart.panelRect(), QRect(50, 0, 400, 400));

    // (0, 0): 5 % in from the left and from the bottom, across the whole panel and nowhere else.
    const std::vector<QPoint> origin = fixture.whiteAt(0, 0);
    QCOMPARE(origin.size(), 400u + 400u - 1u);
    for (const QPoint& p : origin) {
        QVERIFY2(p.y() == 380 || p.x() == 50 + 20, qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
        QVERIFY(p.x() >= 50 && p.x() < 450);
    }

    // (0.887, 0.887): the top row; the vertical line falls on the right edge, just outside.
    const std::vector<QPoint> end = fixture.whiteAt(0.887, 0.887);
    QCOMPARE(end.size(), 400u);
    for (const QPoint& p : end)
        QCOMPARE(p.y(), 0);
}

void TestChartWidgets::xyChart_noCrossHairOutsideTheChart_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::newRow("x = 1") << 1.0 << 0.3;
    QTest::newRow("y = 1") << 0.3 << 1.0;
    QTest::newRow("negative x from the device") << -0.01 << 0.3;
    QTest::newRow("far out") << 5.0 << -5.0;
}

void TestChartWidgets::xyChart_noCrossHairOutsideTheChart()
{
    QFETCH(double, x);
    QFETCH(double, y);
    DarkChart fixture;
    QVERIFY(!fixture.whiteAt(0.3, 0.3).empty());
    QVERIFY(fixture.whiteAt(x, y).empty());
    // The image is still drawn.
    const QImage image = fixture.chart.grab().toImage();
    QCOMPARE(image.pixelColor(250, 200), QColor(10, 20, 30));
}

void TestChartWidgets::xyChart_emptyUntilAnImageLoads()
{
    test::TempDir dir;
    test::RecordingDialogs dialogs;
    XyChartWidget chart;
    chart.resize(300, 300);
    chart.setPoint(0.3, 0.3);

    // A missing file: silently empty.
    QCOMPARE(chart.load(dir.file("none.bmp"), dialogs), ChartImageLoad::CannotOpen);
    QVERIFY(dialogs.messages.empty());
    QVERIFY(!chart.hasImage());
    QVERIFY(chart.panelRect().isEmpty());

    // A file that is no bitmap: "Read error", and a picture loaded before is gone.
    const std::string good = dir.file("good.bmp");
    test::writeFile(good, test::uniformBitmap(4, 4, 200, 0, 0));
    QCOMPARE(chart.load(good, dialogs), ChartImageLoad::Loaded);
    const std::string bad = dir.file("bad.bmp");
    test::writeFile(bad, test::uniformBitmap(4, 4, 200, 0, 0).replace(14, 1, 1, '\x0c')); // 12-byte info header
    QCOMPARE(chart.load(bad, dialogs), ChartImageLoad::ReadError);
    QCOMPARE(dialogs.messages, std::vector<std::string>({"Read error"}));
    QVERIFY(!chart.hasImage());
    const QImage image = chart.grab().toImage();
    QVERIFY(pixelsOf(image, kWhite, image.rect()).empty());
    QVERIFY(pixelsOf(image, QColor(200, 0, 0), image.rect()).empty());
}

void TestChartWidgets::wheel_crossAtHueAndSaturation_data()
{
    QTest::addColumn<QString>("hue");
    QTest::addColumn<QString>("saturation");
    QTest::addColumn<QPointF>("direction"); // where from the centre, in units of the radius
    QTest::newRow("red straight up") << "0.00"
                                     << "100 %" << QPointF(0, -1);
    QTest::newRow("hue 90 to the right") << "90.00"
                                         << "100 %" << QPointF(1, 0);
    QTest::newRow("hue 180 down, half way") << "180.00"
                                            << "50 %" << QPointF(0, 0.5);
    QTest::newRow("hue 270 to the left") << "270.00"
                                         << "60 %" << QPointF(-0.6, 0);
    QTest::newRow("no saturation: the centre") << "0.00"
                                               << "---" << QPointF(0, 0);
    QTest::newRow("empty fields: the centre") << ""
                                              << "" << QPointF(0, 0);
}

void TestChartWidgets::wheel_crossAtHueAndSaturation()
{
    QFETCH(QString, hue);
    QFETCH(QString, saturation);
    QFETCH(QPointF, direction);
    ColourWheelWidget wheel;
    wheel.resize(420, 300);
    wheel.setMarks(hue.toStdString(), saturation.toStdString(), 0x0000FF);
    const QRect panel = wheel.panelRect();
    QCOMPARE(panel.height(), 300);
    QCOMPARE(panel.width(), 340); // room for the bar beside a whole wheel

    const WheelLayout layout = MakeWheelLayout({panel.width(), panel.height()});
    const QPointF centre(panel.left() + layout.centre.x, panel.top() + layout.centre.y);
    const double radius = layout.radius;
    // The spokes are fully saturated: only the cross is white left of the lightness bar.
    const QImage image = wheel.grab().toImage();
    const QRect wheelArea(panel.left(), panel.top(), panel.width() - 27, panel.height());
    const std::vector<QPoint> cross = pixelsOf(image, wheel.palette().color(QPalette::Base), wheelArea);
    QVERIFY(!cross.empty());
    const QPointF at = centroid(cross);
    const QPointF expected = centre + direction * radius;
    // Positions are truncated to whole pixels, and arms cut off at the panel's edge pull the
    // centroid inwards a little.
    QVERIFY2(std::abs(at.x() - expected.x()) <= (direction.x() == 0 ? 1.0 : 3.0)
            && std::abs(at.y() - expected.y()) <= (direction.y() == 0 ? 1.0 : 5.0),
        qPrintable(QStringLiteral("cross at %1,%2, expected %3,%4")
                       .arg(at.x())
                       .arg(at.y())
                       .arg(expected.x())
                       .arg(expected.y())));
}

void TestChartWidgets::wheel_arrowAtTheLightness()
{
    ColourWheelWidget wheel;
    wheel.resize(420, 300);
    const QRect panel = wheel.panelRect();
    const QColor outline = wheel.palette().color(QPalette::WindowText);
    const QRect arrowColumns(panel.left() + panel.width() - 8, 0, 11, wheel.height());
    auto tipRow = [&](PackedRgb colour) {
        wheel.setMarks("0.00", "0 %", colour);
        const QImage image = wheel.grab().toImage();
        const std::vector<QPoint> arrow = pixelsOf(image, outline, arrowColumns);
        // The tip is the arrow's leftmost pixel.
        QPoint tip(INT_MAX, -1);
        for (const QPoint& p : arrow)
            if (p.x() < tip.x())
                tip = p;
        return tip.y();
    };
    QCOMPARE(tipRow(PackRgb(255, 255, 255)), panel.top());
    QCOMPARE(tipRow(PackRgb(0, 0, 0)), panel.top() + panel.height() - 7);

    // The bar beside it runs from white at the top to black at its last coloured row.
    wheel.setMarks("0.00", "0 %", PackRgb(128, 128, 128));
    const QImage image = wheel.grab().toImage();
    const int barX = panel.left() + panel.width() - 27 + 9;
    QCOMPARE(image.pixelColor(barX, panel.top()), kWhite);
    QCOMPARE(image.pixelColor(barX, panel.top() + (panel.height() - 6) - 22 - 1), QColor(0, 0, 0));
}

void TestChartWidgets::wheel_noGapsBetweenTheSpokes_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("small") << QSize(420, 300);
    QTest::newRow("large") << QSize(1244, 1200);
    QTest::newRow("very large") << QSize(2444, 2400);
}

void TestChartWidgets::wheel_noGapsBetweenTheSpokes()
{
    QFETCH(QSize, size);
    ColourWheelWidget wheel;
    wheel.resize(size);
    wheel.setMarks("", "", 0);
    const QRect panel = wheel.panelRect();
    const WheelLayout layout = MakeWheelLayout({panel.width(), panel.height()});
    const QPoint centre = panel.topLeft() + QPoint(layout.centre.x, layout.centre.y);
    const QRgb face = wheel.palette().color(QPalette::Button).rgb();
    const QImage image = wheel.grab().toImage().convertToFormat(QImage::Format_RGB32);
    // The disc less its outermost pixels, whose rasterising is the painter's; the cross marks the centre.
    const int inside = layout.radius - 2;
    int faceColoured = 0;
    QPoint first;
    for (int dy = -inside; dy <= inside; ++dy) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(centre.y() + dy));
        for (int dx = -inside; dx <= inside; ++dx) {
            if (dx * dx + dy * dy > inside * inside || (std::abs(dx) <= 10 && std::abs(dy) <= 10))
                continue;
            if (row[centre.x() + dx] == face && faceColoured++ == 0)
                first = centre + QPoint(dx, dy);
        }
    }
    QVERIFY2(faceColoured == 0,
        qPrintable(QStringLiteral("%1 gap pixels, first at %2,%3").arg(faceColoured).arg(first.x()).arg(first.y())));
}

void TestChartWidgets::palette_mouseAndKeysReachTheModel()
{
    ColourPaletteWidget palette;
    palette.resize(300, 260);
    palette.setActive(true);
    std::vector<PackedRgb> picked;
    palette.setSelectionHandler([&picked](PackedRgb colour) { picked.push_back(colour); });
    palette.show();
    QVERIFY(QTest::qWaitForWindowExposed(&palette));

    const QPoint point(100, 80);
    QTest::mouseClick(&palette, Qt::LeftButton, {}, point);
    QCOMPARE(palette.model().CrossHair(), (Point {100, 80}));
    QCOMPARE(picked.size(), 1u);
    QCOMPARE(picked.back(), palette.model().Colour());

    // Dragging with the button held keeps choosing; the bar takes the lightness.
    QTest::mousePress(&palette, Qt::LeftButton, {}, point);
    QMouseEvent drag(QEvent::MouseMove, QPointF(140, 60), palette.mapToGlobal(QPointF(140, 60)), Qt::NoButton,
        Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&palette, &drag);
    QTest::mouseRelease(&palette, Qt::LeftButton, {}, QPoint(140, 60));
    QCOMPARE(palette.model().CrossHair(), (Point {140, 60}));
    QCOMPARE(picked.back(), palette.model().Colour());
    QTest::mouseClick(&palette, Qt::LeftButton, {}, QPoint(300 - 20, 250));
    QCOMPARE(palette.model().FocusPart(), PalettePart::Bar);
    QCOMPARE(palette.model().Lightness(), 0);

    // Keys act on the part that has the focus.
    QTest::keyClick(&palette, Qt::Key_Home);
    QCOMPARE(palette.model().Lightness(), 240);
    QTest::mouseClick(&palette, Qt::LeftButton, {}, point);
    QTest::keyClick(&palette, Qt::Key_End);
    QCOMPARE(palette.model().Hue(), 239);
    QTest::keyClick(&palette, Qt::Key_Left, Qt::ControlModifier);
    QCOMPARE(palette.model().Hue(), 238);
    QCOMPARE(picked.back(), palette.model().Colour());

    // The tooltip names the colour under the mouse.
    QMouseEvent hover(QEvent::MouseMove, QPointF(30, 200), palette.mapToGlobal(QPointF(30, 200)), Qt::NoButton,
        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&palette, &hover);
    const auto colour = palette.model().ColourAt({30, 200});
    QVERIFY(colour.has_value());
    QCOMPARE(palette.toolTip(), QString::fromStdString(PaletteModel::TooltipText(*colour)));
    QVERIFY(palette.toolTip().startsWith(QLatin1String("RGB(")));

    // Another chart is current: clicks change nothing and the tooltip is gone.
    palette.setActive(false);
    const std::size_t before = picked.size();
    QTest::mouseClick(&palette, Qt::LeftButton, {}, QPoint(10, 20));
    QCOMPARE(picked.size(), before);
    QVERIFY(palette.toolTip().isEmpty());
}

void TestChartWidgets::palette_tabMovesThroughBothPartsBeforeLeaving()
{
    QWidget window;
    auto* before = new QLineEdit(&window);
    auto* palette = new ColourPaletteWidget(&window);
    auto* after = new QLineEdit(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(before);
    layout->addWidget(palette, 1);
    layout->addWidget(after);
    palette->setActive(true);
    window.resize(300, 400);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    palette->setFocus(Qt::TabFocusReason);
    QCOMPARE(palette->model().FocusPart(), PalettePart::Spectrum);
    QTest::keyClick(palette, Qt::Key_Tab);
    QVERIFY(palette->hasFocus());
    QCOMPARE(palette->model().FocusPart(), PalettePart::Bar);
    QTest::keyClick(palette, Qt::Key_Tab);
    QVERIFY(after->hasFocus());
    QCOMPARE(palette->model().FocusPart(), PalettePart::None);

    // Coming back with Shift+Tab lands on the bar, then the spectrum, then the control before.
    QTest::keyClick(after, Qt::Key_Backtab, Qt::ShiftModifier);
    QVERIFY(palette->hasFocus());
    QCOMPARE(palette->model().FocusPart(), PalettePart::Bar);
    QTest::keyClick(palette, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(palette->model().FocusPart(), PalettePart::Spectrum);
    QTest::keyClick(palette, Qt::Key_Backtab, Qt::ShiftModifier);
    QVERIFY(before->hasFocus());
}

void TestChartWidgets::palette_paintsSpectrumBarAndCross()
{
    QWidget window;
    auto* palette = new ColourPaletteWidget(&window);
    auto* other = new QLineEdit(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(palette, 1);
    layout->addWidget(other);
    palette->setActive(true);
    window.resize(320, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    palette->setColour(PackRgb(40, 200, 90));
    const PaletteModel& model = palette->model();
    const int w = palette->width();
    const int h = palette->height();

    auto grab = [palette] { return palette->grab().toImage(); };
    other->setFocus();
    QTRY_VERIFY(other->hasFocus());
    QImage image = grab();
    // Spectrum: hue to the right, saturation upwards (sampled away from the cross).
    for (const auto& [x, j] : {std::pair {5, 5}, {w - 40, h - 30}, {w / 2, 3}}) {
        const int y = h - 12 - j;
        QVERIFY(std::abs(x - model.CrossHair().x) > 10 || std::abs(y - model.CrossHair().y) > 10);
        QCOMPARE(image.pixelColor(x, y).rgb() & 0xFFFFFF,
            qRgb(RedOf(model.SpectrumColour(x, j)), GreenOf(model.SpectrumColour(x, j)),
                BlueOf(model.SpectrumColour(x, j)))
                & 0xFFFFFF);
    }
    // Bar: the selected hue and saturation from black to white.
    for (const int j : {0, (h - 23) / 2, h - 23}) {
        const PackedRgb bar = model.BarColour(j);
        QCOMPARE(image.pixelColor(w - 22, h - 12 - j), QColor(RedOf(bar), GreenOf(bar), BlueOf(bar)));
    }
    // The cross: in the window colour without the focus, in the text colour with it.
    const QPoint arm(model.CrossHair().x + 7, model.CrossHair().y);
    QCOMPARE(image.pixelColor(arm), palette->palette().color(QPalette::Base));
    palette->setFocus(Qt::OtherFocusReason);
    QTRY_COMPARE(model.FocusPart(), PalettePart::Spectrum);
    image = grab();
    QCOMPARE(image.pixelColor(arm), palette->palette().color(QPalette::WindowText));
}

QTEST_MAIN(TestChartWidgets)
#include "tst_chartwidgets.moc"
