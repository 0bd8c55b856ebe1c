// The three chart widgets on their own: what they paint where, and what they hand to their model.
// The positions themselves are the core's (ChartGeometry, WheelGeometry, PaletteModel); these
// tests catch a widget that draws somewhere else or drops an event on the way. And where the
// program finds its own chart images when no chart lies in the working folder.

#include "colour/ChartImage.h"
#include "colour/WheelGeometry.h"
#include "colour/ui/ChartFolders.h"
#include "colour/ui/ChartPainting.h"
#include "colour/ui/ColourPaletteWidget.h"
#include "colour/ui/ColourWheelWidget.h"
#include "colour/ui/XyChartWidget.h"

#include "RecordingDialogs.h"
#include "TempDir.h"
#include "TestBitmap.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <algorithm>
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

std::vector<QPoint> whitePixels(QWidget& widget)
{
    const QImage image = widget.grab().toImage();
    return pixelsOf(image, kWhite, image.rect());
}

} // namespace

class TestChartWidgets : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }
    void xyChart_emptyUntilAnImageLoadsThenKeepsItsShapeAndMarksThePoint();
    void wheel_paintsCrossBarAndArrowWhereTheCorePutsThem();
    void wheel_noGapsBetweenTheSpokes_data();
    void wheel_noGapsBetweenTheSpokes();
    void palette_mouseKeysAndTabReachTheModelAndItPaintsSpectrumBarAndCross();
    void ownChartFolder_besideTheProgramThenInstalledThenTheBuilds();
};

void TestChartWidgets::xyChart_emptyUntilAnImageLoadsThenKeepsItsShapeAndMarksThePoint()
{
    test::TempDir dir;
    test::RecordingDialogs dialogs;
    XyChartWidget chart;
    chart.resize(500, 400);
    chart.setPoint(0.3, 0.3);
    QCOMPARE(chart.load(dir.file("none.bmp"), dialogs), ChartImageLoad::CannotOpen);
    QVERIFY(!chart.hasImage());
    QVERIFY(chart.panelRect().isEmpty());

    // A dark chart image: every white pixel on it is the cross-hair's.
    test::writeFile(dir.file("dark.bmp"), test::uniformBitmap(8, 8, 10, 20, 30));
    QCOMPARE(chart.load(dir.file("dark.bmp"), dialogs), ChartImageLoad::Loaded);
    // A square image in a 500 x 400 widget: a 400 x 400 panel in the middle.
    QCOMPARE(chart.panelRect(), QRect(50, 0, 400, 400));
    // (0, 0): 5 % in from the left and from the bottom, across the whole panel and nowhere else.
    chart.setPoint(0, 0);
    const std::vector<QPoint> origin = whitePixels(chart);
    QCOMPARE(origin.size(), 400u + 400u - 1u);
    for (const QPoint& p : origin) {
        QVERIFY2(p.y() == 380 || p.x() == 50 + 20, qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
        QVERIFY(p.x() >= 50 && p.x() < 450);
    }
    // Outside the chart: no cross-hair, but the image is still drawn.
    chart.setPoint(1, 0.3);
    QVERIFY(whitePixels(chart).empty());
    QCOMPARE(chart.grab().toImage().pixelColor(250, 200), QColor(10, 20, 30));

    // A file that is no bitmap: the picture loaded before is gone, and nothing is drawn.
    chart.setPoint(0.3, 0.3);
    test::writeFile(dir.file("bad.bmp"), "BM not a bitmap");
    QCOMPARE(chart.load(dir.file("bad.bmp"), dialogs), ChartImageLoad::ReadError);
    QCOMPARE(dialogs.messages, std::vector<std::string>({"Read error"}));
    QVERIFY(!chart.hasImage());
    const QImage image = chart.grab().toImage();
    QVERIFY(pixelsOf(image, kWhite, image.rect()).empty());
    QVERIFY(pixelsOf(image, QColor(10, 20, 30), image.rect()).empty());
}

void TestChartWidgets::wheel_paintsCrossBarAndArrowWhereTheCorePutsThem()
{
    ColourWheelWidget wheel;
    wheel.resize(420, 300);
    const QRect panel = wheel.panelRect();
    QCOMPARE(panel, QRect(40, 0, 340, 300)); // centred, with room for the bar beside a whole wheel
    const Point origin {panel.left(), panel.top()};
    const Size size {panel.width(), panel.height()};
    const QRect wheelArea(panel.left(), panel.top(), panel.width() - 27, panel.height());
    const struct {
        const char* hue;
        const char* saturation;
        PackedRgb colour;
    } cases[] = {{"0.00", "100 %", PackRgb(255, 255, 255)}, {"90.00", "100 %", PackRgb(0, 0, 0)},
        {"180.00", "50 %", PackRgb(40, 200, 90)}, {"", "", PackRgb(128, 128, 128)}};
    for (const auto& c : cases) {
        wheel.setMarks(c.hue, c.saturation, c.colour);
        const QImage image = wheel.grab().toImage();
        // The spokes are fully saturated: left of the bar only the cross is white.
        std::vector<QPoint> cross;
        for (const Point p : CrossPixels(WheelCrossPosition(origin, size, c.hue, c.saturation),
                 {panel.left(), panel.top(), panel.left() + panel.width(), panel.top() + panel.height()}))
            if (wheelArea.contains(p.x, p.y))
                cross.push_back({p.x, p.y});
        std::sort(cross.begin(), cross.end(), [](QPoint a, QPoint b) {
            return std::pair {a.y(), a.x()} < std::pair {b.y(), b.x()};
        });
        QVERIFY2(!cross.empty(), c.hue);
        QCOMPARE(pixelsOf(image, wheel.palette().color(QPalette::Base), wheelArea), cross);

        const Point bar = WheelLightnessBitmapOrigin(origin, size);
        const std::vector<PackedRgb> rows = WheelLightnessRows(size, c.colour);
        for (std::size_t i = 0; i < rows.size(); ++i)
            QCOMPARE(image.pixelColor(bar.x + 9, bar.y + static_cast<int>(i)), qColour(rows[i]));

        const Point arrow = WheelArrowOrigin(origin, size, WheelArrowPosition(size, c.colour));
        const auto mask = ArrowMask();
        for (int row = 0; row < kArrowHeight; ++row)
            for (int column = 0; column < kArrowWidth; ++column)
                if (mask[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] == 'o'
                    && image.rect().contains(arrow.x + column, arrow.y + row))
                    QCOMPARE(
                        image.pixelColor(arrow.x + column, arrow.y + row), wheel.palette().color(QPalette::WindowText));
    }
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

void TestChartWidgets::palette_mouseKeysAndTabReachTheModelAndItPaintsSpectrumBarAndCross()
{
    // The palette between two line edits, in this order in the focus chain.
    QWidget window;
    auto* before = new QLineEdit(&window);
    auto* palette = new ColourPaletteWidget(&window);
    auto* after = new QLineEdit(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* widget :
        {static_cast<QWidget*>(before), static_cast<QWidget*>(palette), static_cast<QWidget*>(after)})
        layout->addWidget(widget, widget == palette ? 1 : 0);
    window.resize(320, 340);
    window.show();
    palette->setActive(true);
    std::vector<PackedRgb> picked;
    palette->setSelectionHandler([&picked](PackedRgb colour) { picked.push_back(colour); });
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const PaletteModel& model = palette->model();
    const int w = palette->width();
    const int h = palette->height();

    const QPoint point(100, 80);
    QTest::mouseClick(palette, Qt::LeftButton, {}, point);
    QCOMPARE(model.CrossHair(), (Point {100, 80}));
    QCOMPARE(picked, std::vector<PackedRgb> {model.Colour()});

    // Dragging with the button held keeps choosing; the bar takes the lightness.
    QTest::mousePress(palette, Qt::LeftButton, {}, point);
    QMouseEvent drag(QEvent::MouseMove, QPointF(140, 60), palette->mapToGlobal(QPointF(140, 60)), Qt::NoButton,
        Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(palette, &drag);
    QTest::mouseRelease(palette, Qt::LeftButton, {}, QPoint(140, 60));
    QCOMPARE(model.CrossHair(), (Point {140, 60}));
    QCOMPARE(picked.back(), model.Colour());
    QTest::mouseClick(palette, Qt::LeftButton, {}, QPoint(w - 20, h - 10));
    QCOMPARE(model.FocusPart(), PalettePart::Bar);
    QCOMPARE(model.Lightness(), 0);

    // Keys act on the part that has the focus.
    QTest::keyClick(palette, Qt::Key_Home);
    QCOMPARE(model.Lightness(), 240);
    QTest::mouseClick(palette, Qt::LeftButton, {}, point);
    QTest::keyClick(palette, Qt::Key_End);
    QCOMPARE(model.Hue(), 239);
    QTest::keyClick(palette, Qt::Key_Left, Qt::ControlModifier);
    QCOMPARE(model.Hue(), 238);
    QCOMPARE(picked.back(), model.Colour());

    // Tab goes through the spectrum and the bar before leaving; Shift+Tab comes back the same way.
    palette->setFocus(Qt::TabFocusReason);
    QCOMPARE(model.FocusPart(), PalettePart::Spectrum);
    QTest::keyClick(palette, Qt::Key_Tab);
    QVERIFY(palette->hasFocus());
    QCOMPARE(model.FocusPart(), PalettePart::Bar);
    QTest::keyClick(palette, Qt::Key_Tab);
    QVERIFY(after->hasFocus());
    QCOMPARE(model.FocusPart(), PalettePart::None);
    QTest::keyClick(after, Qt::Key_Backtab, Qt::ShiftModifier);
    QVERIFY(palette->hasFocus());
    QCOMPARE(model.FocusPart(), PalettePart::Bar);
    QTest::keyClick(palette, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(model.FocusPart(), PalettePart::Spectrum);
    QTest::keyClick(palette, Qt::Key_Backtab, Qt::ShiftModifier);
    QVERIFY(before->hasFocus());

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
    QMouseEvent hover(QEvent::MouseMove, QPointF(30, h / 2), palette->mapToGlobal(QPointF(30, h / 2)), Qt::NoButton,
        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(palette, &hover);
    const auto colour = model.ColourAt({30, h / 2});
    QVERIFY(colour.has_value());
    QCOMPARE(palette->toolTip(), QString::fromStdString(PaletteModel::TooltipText(*colour)));

    // Another chart is current: clicks change nothing and the tooltip is gone.
    palette->setActive(false);
    const std::size_t count = picked.size();
    QTest::mouseClick(palette, Qt::LeftButton, {}, QPoint(10, 20));
    QCOMPARE(picked.size(), count);
    QVERIFY(palette->toolTip().isEmpty());
}

void TestChartWidgets::ownChartFolder_besideTheProgramThenInstalledThenTheBuilds()
{
    const QString cie1931 = QStringLiteral("CIE1931_2.bmp"); // choice 0
    const QString cie1964 = QStringLiteral("CIE1964_10.bmp"); // choice 1
    const QString beside = QStringLiteral("bin/charts/");
    const QString installed = QStringLiteral("share/lumivex/charts/");
    const struct {
        const char* name;
        QStringList files; // below an install prefix
        int choice;
        QString expected; // below the prefix; empty: the build's folder
    } cases[] = {
        {"nothing installed", {}, 0, {}},
        {"beside the program", {beside + cie1931}, 0, beside},
        {"installed data folder", {installed + cie1931}, 0, installed},
        {"beside the program wins over installed", {beside + cie1964, installed + cie1964}, 1, beside},
        {"installed folder lacks this chart", {installed + cie1931}, 1, {}},
        {"a folder named like the chart is no image", {installed + cie1931 + QStringLiteral("/x")}, 0, {}},
    };
    for (const auto& c : cases) {
        QTemporaryDir prefix;
        const QDir root(prefix.path());
        QVERIFY(root.mkpath(QStringLiteral("bin")));
        for (const QString& file : c.files) {
            QVERIFY(root.mkpath(QFileInfo(root.filePath(file)).path()));
            QFile image(root.filePath(file));
            QVERIFY(image.open(QIODevice::WriteOnly));
            image.write("BM");
        }
        const std::string found = ownChartFolderFrom(root.filePath(QStringLiteral("bin")).toStdString(), c.choice);
        const QString want = c.expected.isEmpty() ? QStringLiteral(LUMIVEX_CHART_DIR) : root.filePath(c.expected);
        QVERIFY2(found == QDir::cleanPath(want).toStdString(), c.name);
    }
}

QTEST_MAIN(TestChartWidgets)
#include "tst_chartwidgets.moc"
