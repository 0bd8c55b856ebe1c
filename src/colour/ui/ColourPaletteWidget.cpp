#include "colour/ui/ColourPaletteWidget.h"

#include "colour/WheelGeometry.h"
#include "colour/ui/ChartPainting.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <optional>

namespace lumivex {

namespace {
Point modelPoint(const QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    return {p.x(), p.y()};
}

std::optional<PaletteKey> paletteKey(int key)
{
    switch (key) {
    case Qt::Key_Left:
        return PaletteKey::Left;
    case Qt::Key_Right:
        return PaletteKey::Right;
    case Qt::Key_Up:
        return PaletteKey::Up;
    case Qt::Key_Down:
        return PaletteKey::Down;
    case Qt::Key_PageUp:
        return PaletteKey::PageUp;
    case Qt::Key_PageDown:
        return PaletteKey::PageDown;
    case Qt::Key_Home:
        return PaletteKey::Home;
    case Qt::Key_End:
        return PaletteKey::End;
    default:
        return std::nullopt;
    }
}

// The bar's columns W - 29 .. W - 16.
constexpr int kBarLeft = 29;
constexpr int kBarWidth = 14;
} // namespace

ColourPaletteWidget::ColourPaletteWidget(QWidget* parent) : QWidget(parent), m_model(Size {width(), height()})
{
    setObjectName(QStringLiteral("colourPalette"));
    setFocusPolicy(Qt::StrongFocus);
    // The tooltip follows the mouse without a button held.
    setMouseTracking(true);
    makeModel(0);
}

void ColourPaletteWidget::makeModel(PackedRgb colour)
{
    const bool enabled = m_model.IsEnabled();
    const PalettePart focus = m_model.FocusPart();
    m_model = PaletteModel(Size {width(), height()}, colour);
    m_model.SetEnabled(enabled);
    m_model.SetSelChangeHandler([this](PackedRgb picked) {
        if (m_onSelection)
            m_onSelection(picked);
    });
    if (focus != PalettePart::None)
        m_model.FocusGained(focus == PalettePart::Bar);
    m_spectrum = QImage();
}

void ColourPaletteWidget::setColour(PackedRgb colour)
{
    m_model.SetRGB(colour);
    update();
}

void ColourPaletteWidget::setActive(bool active)
{
    m_model.SetEnabled(active);
    m_tooltip = active;
    setFocusPolicy(active ? Qt::StrongFocus : Qt::NoFocus);
    if (!active)
        setToolTip(QString());
    update();
}

void ColourPaletteWidget::resizeEvent(QResizeEvent*)
{
    makeModel(m_model.Colour());
}

const QImage& ColourPaletteWidget::spectrumImage()
{
    if (!m_spectrum.isNull() && m_spectrum.size() == size())
        return m_spectrum;
    const int w = width();
    const int h = height();
    m_spectrum = QImage(size(), QImage::Format_RGB32);
    m_spectrum.fill(palette().color(QPalette::Window));
    for (int j = 0; j <= h - 23; ++j) {
        auto* line = reinterpret_cast<QRgb*>(m_spectrum.scanLine(h - 12 - j));
        for (int x = 0; x <= w - 36; ++x)
            line[x] = qColour(m_model.SpectrumColour(x, j)).rgb();
    }
    return m_spectrum;
}

void ColourPaletteWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // A disabled palette draws nothing of its own.
    if (!m_model.IsEnabled() || width() < 40 || height() < 24) {
        painter.fillRect(rect(), palette().color(QPalette::Window));
        return;
    }
    painter.drawImage(0, 0, spectrumImage());

    const QColor text = palette().color(QPalette::WindowText);
    const QColor window = palette().color(QPalette::Base);
    const PaletteLayout& layout = m_model.Layout();
    paintPixels(painter, CrossPixels(m_model.CrossHair(), layout.spectrum),
        m_model.FocusPart() == PalettePart::Spectrum ? text : window);

    const int w = width();
    const int h = height();
    for (int j = 0; j <= h - 23; ++j)
        painter.fillRect(w - kBarLeft, h - 12 - j, kBarWidth, 1, qColour(m_model.BarColour(j)));

    paintArrow(painter, m_model.SliderArrowOrigin(), text, palette().color(QPalette::Dark));
}

void ColourPaletteWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_model.IsEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    // Focus first: gaining it chooses a focus part, the click then chooses the part it hit.
    setFocus(Qt::MouseFocusReason);
    m_model.LeftButtonDown(modelPoint(event));
    update();
}

void ColourPaletteWidget::mouseMoveEvent(QMouseEvent* event)
{
    m_model.MouseMove(modelPoint(event), event->buttons().testFlag(Qt::LeftButton));
    showTooltipAt(event->position().toPoint(), event->globalPosition().toPoint());
    update();
}

void ColourPaletteWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_model.LeftButtonUp();
    QWidget::mouseReleaseEvent(event);
}

void ColourPaletteWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_model.DoubleClick(modelPoint(event)))
        emit selectionAccepted(m_model.Colour());
}

void ColourPaletteWidget::showTooltipAt(const QPoint& position, const QPoint& globalPosition)
{
    if (!m_tooltip)
        return;
    const auto colour = m_model.ColourAt({position.x(), position.y()});
    const QString text = colour ? QString::fromStdString(PaletteModel::TooltipText(*colour)) : QString();
    setToolTip(text);
    if (QToolTip::isVisible())
        QToolTip::showText(globalPosition, text, this);
}

bool ColourPaletteWidget::event(QEvent* event)
{
    // Tab and Shift+Tab first move between the spectrum and the bar; only from the last part do
    // they leave the control, which Qt would otherwise do at once.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
            && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            const bool shift = key->key() == Qt::Key_Backtab || key->modifiers().testFlag(Qt::ShiftModifier);
            switch (m_model.KeyDown(PaletteKey::Tab, false, shift)) {
            case PaletteKeyResult::FocusPartChanged:
                update();
                return true;
            case PaletteKeyResult::FocusNextControl:
                focusNextChild();
                return true;
            case PaletteKeyResult::FocusPreviousControl:
                focusPreviousChild();
                return true;
            default:
                break;
            }
        }
    }
    return QWidget::event(event);
}

void ColourPaletteWidget::keyPressEvent(QKeyEvent* event)
{
    const auto key = paletteKey(event->key());
    if (!key) {
        QWidget::keyPressEvent(event);
        return;
    }
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const PaletteKeyResult result
        = m_model.KeyDown(*key, modifiers.testFlag(Qt::ControlModifier), modifiers.testFlag(Qt::ShiftModifier));
    if (result == PaletteKeyResult::Ignored) {
        event->ignore();
        return;
    }
    update();
}

void ColourPaletteWidget::focusInEvent(QFocusEvent* event)
{
    // Shift held while the focus arrives is Shift+Tab; a click chooses its part itself.
    m_model.FocusGained(event->reason() == Qt::BacktabFocusReason);
    update();
    QWidget::focusInEvent(event);
}

void ColourPaletteWidget::focusOutEvent(QFocusEvent* event)
{
    m_model.FocusLost();
    update();
    QWidget::focusOutEvent(event);
}

} // namespace lumivex
