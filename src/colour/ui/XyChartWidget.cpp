#include "colour/ui/XyChartWidget.h"

#include "colour/CDib.h"
#include "colour/ChartGeometry.h"

#include <QPainter>

#include <algorithm>
#include <vector>

namespace lumivex {

XyChartWidget::XyChartWidget(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("xyChart"));
}

ChartImageLoad XyChartWidget::load(const std::string& path, Dialogs& dialogs)
{
    CDib dib;
    const ChartImageLoad result = LoadChartImage(path, dib, dialogs);
    m_image = QImage();
    if (result == ChartImageLoad::Loaded && dib.Width() > 0 && dib.Height() > 0) {
        const std::vector<std::uint32_t> pixels = dib.ToArgb32();
        // The QImage only borrows the vector's memory; copy() gives it its own.
        m_image = QImage(reinterpret_cast<const uchar*>(pixels.data()), dib.Width(), dib.Height(),
            static_cast<qsizetype>(dib.Width()) * 4, QImage::Format_RGB32)
                      .copy();
    }
    update();
    return result;
}

void XyChartWidget::setPoint(double x, double y)
{
    m_x = x;
    m_y = y;
    update();
}

QRect XyChartWidget::panelRect() const
{
    if (m_image.isNull())
        return {};
    const QSize fitted = m_image.size().scaled(size(), Qt::KeepAspectRatio);
    return {QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted};
}

void XyChartWidget::paintEvent(QPaintEvent*)
{
    // Nothing is drawn until an image has been loaded: a chart that could not be loaded is blank.
    if (m_image.isNull())
        return;
    const QRect panel = panelRect();
    if (panel.isEmpty())
        return;
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.setClipRect(panel);
    painter.translate(panel.topLeft());

    const Size panelSize {panel.width(), panel.height()};
    const Size stretched = StretchedImageSize({m_image.width(), m_image.height()}, panelSize);
    if (stretched.width > 0 && stretched.height > 0) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(0, 0, stretched.width, stretched.height), m_image);
    }

    const Rect client {0, 0, panelSize.width, panelSize.height};
    if (const auto cross = XyChartCrossHair(m_x, m_y, client, panelSize)) {
        painter.fillRect(client.left, cross->row, client.Width(), 1, Qt::white);
        painter.fillRect(cross->column, client.top, 1, client.Height(), Qt::white);
    }
}

} // namespace lumivex
