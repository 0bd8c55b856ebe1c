#include "colour/ui/ColourWheelWidget.h"

#include "colour/WheelGeometry.h"
#include "colour/ui/ChartPainting.h"

#include <QPainter>

#include <algorithm>

namespace lumivex {

namespace {
// The wheel's centre is 20 pixels left of the panel's middle and the bar takes the right-hand 29
// pixels: a panel this much wider than high keeps the whole wheel clear of both edges.
constexpr int kExtraWidth = 40;
// The lightness arrow reaches two pixels beyond the panel's right edge.
constexpr int kArrowOverhang = 2;
} // namespace

ColourWheelWidget::ColourWheelWidget(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("colourWheel"));
}

void ColourWheelWidget::setMarks(const std::string& hueText, const std::string& saturationText, PackedRgb colour)
{
    m_hueText = hueText;
    m_saturationText = saturationText;
    m_colour = colour;
    update();
}

QRect ColourWheelWidget::panelRect() const
{
    const int h = std::max(0, std::min(height(), width() - kExtraWidth - 2 * kArrowOverhang));
    const int w = h + kExtraWidth;
    return {(width() - w) / 2, (height() - h) / 2, w, h};
}

const QImage& ColourWheelWidget::wheelImage(QSize panel)
{
    if (m_wheel.size() == panel)
        return m_wheel;
    m_wheel = QImage(panel, QImage::Format_RGB32);
    m_wheel.fill(palette().color(QPalette::Button));
    QPainter painter(&m_wheel);
    const Size size {panel.width(), panel.height()};
    const WheelLayout layout = MakeWheelLayout(size);
    const std::vector<WheelSpoke> spokes = WheelSpokes(size);
    // Sectors, not lines: lines of any width leave gaps towards the rim of a large wheel.
    const QRect disc(
        layout.centre.x - layout.radius, layout.centre.y - layout.radius, 2 * layout.radius, 2 * layout.radius);
    painter.setPen(Qt::NoPen);
    for (const WheelSpoke& spoke : spokes) {
        painter.setBrush(qColour(spoke.colour));
        // The painter counts angles in sixteenths of a degree.
        painter.drawPie(disc, qRound(spoke.startDegrees * 16), qRound(spoke.spanDegrees * 16));
    }
    return m_wheel;
}

void ColourWheelWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor face = palette().color(QPalette::Button);
    painter.fillRect(rect(), face);
    const QRect panel = panelRect();
    if (panel.width() <= kExtraWidth || panel.height() <= 0)
        return;

    const Point origin {panel.left(), panel.top()};
    const Size size {panel.width(), panel.height()};
    painter.drawImage(panel.topLeft(), wheelImage(panel.size()));

    const Rect clip {panel.left(), panel.top(), panel.left() + panel.width(), panel.top() + panel.height()};
    const Point cross = WheelCrossPosition(origin, size, m_hueText, m_saturationText);
    paintPixels(painter, CrossPixels(cross, clip), palette().color(QPalette::Base));

    // The bar's bitmap keeps what the screen shows below its coloured rows.
    const Point bar = WheelLightnessBitmapOrigin(origin, size);
    const int barWidth = WheelLightnessBitmapSize(size).width;
    const std::vector<PackedRgb> rows = WheelLightnessRows(size, m_colour);
    for (int i = 0; i < static_cast<int>(rows.size()); ++i)
        painter.fillRect(bar.x, bar.y + i, barWidth, 1, qColour(rows[static_cast<std::size_t>(i)]));

    const Point arrow = WheelArrowOrigin(origin, size, WheelArrowPosition(size, m_colour));
    paintArrow(painter, arrow, palette().color(QPalette::WindowText), palette().color(QPalette::Dark));
}

} // namespace lumivex
