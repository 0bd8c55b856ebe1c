#include "controls/ui/UiText.h"

#include "base/Windows1252.h"

#include <algorithm>

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPalette>
#include <QScreen>

namespace lumivex {

QString qText(std::string_view windows1252)
{
    return QString::fromStdString(windows1252ToUtf8(windows1252));
}

QString qText(StringId id)
{
    return qText(stringText(id));
}

QString qMultiLine(std::string_view windows1252)
{
    QString text = qText(windows1252);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

std::string coreText(const QString& text)
{
    return utf8ToWindows1252(text.toStdString());
}

namespace {
QFont windowFont(const QString& family, QFont::StyleHint hint, int pixelHeight, int weight)
{
    QFont font(family);
    font.setStyleHint(hint);
    font.setPixelSize(pixelHeight);
    font.setWeight(static_cast<QFont::Weight>(weight));
    return font;
}
} // namespace

QFont arialFont(int pixelHeight, int weight)
{
    return windowFont(QStringLiteral("Arial"), QFont::SansSerif, pixelHeight, weight);
}

QFont courierFont(int pixelHeight, int weight)
{
    return windowFont(QStringLiteral("Courier New"), QFont::TypeWriter, pixelHeight, weight);
}

void paintBlackOnWhite(QWidget* widget)
{
    QPalette palette = widget->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, Qt::white);
        palette.setColor(group, QPalette::Window, Qt::white);
        palette.setColor(group, QPalette::Text, Qt::black);
        palette.setColor(group, QPalette::WindowText, Qt::black);
    }
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QString controlName(int controlId)
{
    return QStringLiteral("c%1").arg(controlId);
}

namespace {
// A value field asks for room for its longest text, not for the 17 characters of a line edit.
class ValueField : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
    QSize sizeHint() const override { return {minimumWidth(), QLineEdit::sizeHint().height()}; }
};
} // namespace

QLineEdit* makeValueField(int controlId, QWidget* parent)
{
    auto* field = new ValueField(parent);
    field->setObjectName(controlName(controlId));
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    field->setAlignment(Qt::AlignCenter);
    field->setFont(arialFont(16, 600));
    paintBlackOnWhite(field);
    // Wide enough for the longest text a field takes ("Underfl.", "99999", "12345 K") with room.
    field->setMinimumWidth(QFontMetrics(field->font()).horizontalAdvance(QStringLiteral("000000 K")) + 16);
    return field;
}

void moveInsideScreen(QWidget* window, const QPoint& stored)
{
    const QScreen* screen = QGuiApplication::screenAt(stored + QPoint(40, 20));
    const QPoint wanted = screen ? stored : QPoint();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect free = screen->availableGeometry();
    const QSize outer = window->size() + QSize(kFrameAllowanceWidth, kFrameAllowanceHeight);
    QPoint at = wanted.isNull() ? free.center() - QPoint(outer.width() / 2, outer.height() / 2) : wanted;
    at.setX(std::max(free.left(), std::min(at.x(), free.right() + 1 - outer.width())));
    at.setY(std::max(free.top(), std::min(at.y(), free.bottom() + 1 - outer.height())));
    window->move(at);
}

} // namespace lumivex
