#pragma once

#include <QColor>
#include <QWidget>

namespace lumivex {

// A bar with a range, a step, a position and a bar colour, drawn with a soft glossy shade. It
// stands where the result display wants a coloured bar; it neither animates nor takes input.
class BarControl : public QWidget {
    Q_OBJECT

public:
    explicit BarControl(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);

    // A range whose ends come in the wrong order is taken with its ends swapped.
    void setRange(int minimum, int maximum);
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    void setStep(int step) { m_step = step; }
    int step() const { return m_step; }
    // Positions outside the range stand at its nearer end.
    void setPosition(int position);
    int position() const { return m_position; }
    // Advances by the step; past the end it starts again at the other end, as a progress bar does.
    void stepIt();
    void setBarColour(const QColor& colour);
    QColor barColour() const { return m_colour; }
    Qt::Orientation orientation() const { return m_orientation; }

    // The share of the range the bar fills, 0 to 1.
    double fill() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::Orientation m_orientation;
    int m_minimum = 0;
    int m_maximum = 100;
    int m_step = 10;
    int m_position = 0;
    QColor m_colour = Qt::blue;
};

} // namespace lumivex
