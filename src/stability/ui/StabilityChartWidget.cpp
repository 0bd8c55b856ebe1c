#include "stability/ui/StabilityChartWidget.h"

#include "controls/ui/UiText.h"

#include <QFontMetrics>
#include <QPainter>

namespace lumivex {

namespace {
QColor colourOf(PackedRgb rgb)
{
    return QColor(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}
} // namespace

StabilityChartWidget::StabilityChartWidget(Readings readings, QWidget* parent)
    : QWidget(parent),
      m_readings(std::move(readings)),
      m_font(arialFont(16, 600)),
      m_model([font = m_font](std::string_view text) {
          const QFontMetrics metrics(font);
          return Size {metrics.horizontalAdvance(qText(text)), metrics.height()};
      })
{
    setObjectName(controlName(1107));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void StabilityChartWidget::refresh()
{
    if (m_model.paint(m_readings()))
        renderAll();
    update();
}

void StabilityChartWidget::readingAdded()
{
    const ChartUpdate change = m_model.readingAdded(m_readings());
    if (change.fullRedraw) {
        m_model.paint(m_readings());
        renderAll();
    } else {
        drawLines(change.segments);
    }
    update();
}

void StabilityChartWidget::renderAll()
{
    const ChartPicture& picture = m_model.picture();
    m_image = QImage(size(), QImage::Format_RGB32);
    m_image.fill(Qt::white);
    QPainter p(&m_image);
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(0, 0, width() - 1, height() - 1);
    p.end();
    drawLines(picture.frame.lines);
    QPainter t(&m_image);
    t.setFont(m_font);
    const QFontMetrics metrics(m_font);
    for (const ChartText& text : picture.frame.texts) {
        t.setPen(colourOf(text.colour));
        t.drawText(QPoint(text.topLeft.x, text.topLeft.y + metrics.ascent()), qText(text.text));
    }
    t.end();
    drawLines(picture.curves);
}

void StabilityChartWidget::drawLines(const std::vector<ChartLine>& lines)
{
    if (m_image.isNull())
        return;
    QPainter p(&m_image);
    p.setClipRect(1, 1, width() - 2, height() - 2);
    for (const ChartLine& line : lines) {
        p.setPen(QPen(colourOf(line.colour), line.width, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(line.from.x, line.from.y, line.to.x, line.to.y);
    }
}

void StabilityChartWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (m_image.size() != size()) {
        p.fillRect(rect(), Qt::white);
        return;
    }
    p.drawImage(0, 0, m_image);
}

void StabilityChartWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_model.setAreaSize({width(), height()});
    refresh();
}

} // namespace lumivex
