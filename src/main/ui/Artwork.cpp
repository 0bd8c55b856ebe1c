#include "main/ui/Artwork.h"

#include "controls/ui/UiText.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace lumivex {

namespace {
QPixmap canvas(QSize size, qreal ratio)
{
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}
} // namespace

QPixmap startTestBitmap(qreal devicePixelRatio)
{
    const QSize size(168, 46);
    QPixmap pixmap = canvas(size, devicePixelRatio);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const QRectF plate = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(1, 1, -1, -1);
    QLinearGradient green(plate.topLeft(), plate.bottomLeft());
    green.setColorAt(0.0, QColor(92, 196, 92));
    green.setColorAt(0.5, QColor(34, 150, 44));
    green.setColorAt(1.0, QColor(18, 112, 28));
    p.setPen(QPen(QColor(12, 80, 20), 1.5));
    p.setBrush(green);
    p.drawRoundedRect(plate, 7, 7);

    // The play mark in a white ring.
    const QPointF centre(plate.left() + 23, plate.center().y());
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, 13, 13);
    QPainterPath play;
    play.moveTo(centre + QPointF(-4.5, -7));
    play.lineTo(centre + QPointF(7.5, 0));
    play.lineTo(centre + QPointF(-4.5, 7));
    play.closeSubpath();
    p.fillPath(play, Qt::white);

    p.setPen(Qt::white);
    p.setFont(arialFont(17, 800));
    const QRectF textArea(plate.left() + 42, plate.top(), plate.width() - 46, plate.height());
    p.drawText(textArea, Qt::AlignCenter, QStringLiteral("START TEST"));
    return pixmap;
}

QPixmap lumivexIconPixmap(int size, qreal devicePixelRatio)
{
    QPixmap pixmap = canvas(QSize(size, size), devicePixelRatio);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(28, 32, 44));
    p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);

    // Additive light: where the circles overlap the colours add up towards white.
    p.setCompositionMode(QPainter::CompositionMode_Plus);
    const qreal r = s * 0.25;
    const QPointF centres[3] = {{s * 0.5, s * 0.36}, {s * 0.36, s * 0.6}, {s * 0.64, s * 0.6}};
    const QColor colours[3] = {QColor(230, 30, 30), QColor(30, 210, 40), QColor(40, 70, 240)};
    for (int i = 0; i < 3; ++i) {
        QRadialGradient glow(centres[i], r);
        glow.setColorAt(0.0, colours[i]);
        glow.setColorAt(0.8, colours[i]);
        glow.setColorAt(1.0, Qt::transparent);
        p.setBrush(glow);
        p.drawEllipse(centres[i], r, r);
    }
    return pixmap;
}

QIcon lumivexIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(lumivexIconPixmap(size));
    return icon;
}

} // namespace lumivex
