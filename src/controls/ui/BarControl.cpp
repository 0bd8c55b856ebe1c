#include "controls/ui/BarControl.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <utility>

namespace lumivex {

BarControl::BarControl(Qt::Orientation orientation, QWidget* parent) : QWidget(parent), m_orientation(orientation)
{
    setSizePolicy(orientation == Qt::Vertical ? QSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding)
                                              : QSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed));
}

void BarControl::setRange(int minimum, int maximum)
{
    if (minimum > maximum)
        std::swap(minimum, maximum);
    m_minimum = minimum;
    m_maximum = maximum;
    setPosition(m_position);
    update();
}

void BarControl::setPosition(int position)
{
    const int clamped = std::clamp(position, m_minimum, m_maximum);
    if (clamped == m_position)
        return;
    m_position = clamped;
    update();
}

void BarControl::stepIt()
{
    // Computed in 64 bits: a step near the int limits must wrap, not overflow.
    const long long next = static_cast<long long>(m_position) + m_step;
    if (next > m_maximum)
        setPosition(m_minimum);
    else if (next < m_minimum)
        setPosition(m_maximum);
    else
        setPosition(static_cast<int>(next));
}

void BarControl::setBarColour(const QColor& colour)
{
    m_colour = colour;
    update();
}

double BarControl::fill() const
{
    if (m_maximum == m_minimum)
        return 0.0;
    return (static_cast<double>(m_position) - m_minimum) / (static_cast<double>(m_maximum) - m_minimum);
}

QSize BarControl::sizeHint() const
{
    return m_orientation == Qt::Vertical ? QSize(26, 160) : QSize(160, 22);
}

QSize BarControl::minimumSizeHint() const
{
    return m_orientation == Qt::Vertical ? QSize(16, 40) : QSize(40, 12);
}

void BarControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const bool vertical = m_orientation == Qt::Vertical;

    // The trough: a light groove, darker towards its far edge.
    QLinearGradient trough(frame.topLeft(), vertical ? frame.topRight() : frame.bottomLeft());
    trough.setColorAt(0.0, QColor(214, 214, 214));
    trough.setColorAt(1.0, QColor(244, 244, 244));
    painter.setPen(QColor(140, 140, 140));
    painter.setBrush(trough);
    painter.drawRoundedRect(frame, 3, 3);

    const double share = fill();
    if (share <= 0.0)
        return;
    const QRectF inner = frame.adjusted(1.5, 1.5, -1.5, -1.5);
    QRectF bar = inner;
    if (vertical)
        bar.setTop(inner.bottom() - inner.height() * share);
    else
        bar.setWidth(inner.width() * share);

    // Glossy across the bar: lighter near the top (or left) edge, full colour in the middle.
    QLinearGradient gloss(inner.topLeft(), vertical ? inner.topRight() : inner.bottomLeft());
    // lighter() cannot lift black, so a dark bar gets a grey sheen instead.
    gloss.setColorAt(0.0, m_colour.value() < 60 ? QColor(120, 120, 120) : m_colour.lighter(150));
    gloss.setColorAt(0.45, m_colour);
    gloss.setColorAt(1.0, m_colour.darker(130));
    painter.setPen(Qt::NoPen);
    painter.setBrush(gloss);
    painter.drawRoundedRect(bar, 2, 2);
}

} // namespace lumivex
