#pragma once

#include "colour/PaletteModel.h"

#include <QImage>
#include <QWidget>

#include <functional>

namespace lumivex {

// The RGB colour palette ("XColorSpectrumCtrl"): a hue x saturation spectrum with a lightness bar
// and its arrow. It paints what its PaletteModel holds and forwards mouse, keys and focus to it;
// the model decides the selection and reports each user change through the selection handler
// ("WM_XCOLORPICKER_SELCHANGE"). The model is made again for the new size when the widget is
// resized, keeping the colour.
class ColourPaletteWidget : public QWidget {
    Q_OBJECT

public:
    static constexpr int kControlId = 9001;
    using SelectionHandler = std::function<void(PackedRgb)>;

    explicit ColourPaletteWidget(QWidget* parent = nullptr);

    // After each change by the user, with the new colour.
    void setSelectionHandler(SelectionHandler handler) { m_onSelection = std::move(handler); }
    // Takes a colour from the program without reporting it.
    void setColour(PackedRgb colour);
    // Enabled with its tooltip while the palette is the current chart; otherwise it ignores input.
    void setActive(bool active);

    const PaletteModel& model() const { return m_model; }

    QSize sizeHint() const override { return {360, 360}; }

signals:
    // "WM_XCOLORPICKER_SELENDOK": a double click in the spectrum or the bar.
    void selectionAccepted(PackedRgb colour);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void makeModel(PackedRgb colour);
    void showTooltipAt(const QPoint& position, const QPoint& globalPosition);
    // The spectrum at middle lightness, drawn once per size.
    const QImage& spectrumImage();

    PaletteModel m_model;
    SelectionHandler m_onSelection;
    QImage m_spectrum;
    bool m_tooltip = false;
};

} // namespace lumivex
