#pragma once

#include <QGroupBox>

namespace lumivex {

enum class ChartChoice : int;
struct ChartRequests;

// The right-hand panel, labelled after the chart choice ("Color Wheel", "Color Palette",
// "XY Chart"). The wheel, the palette and the xy chart arrive with their own issue and draw into
// the area below the label; until then the area stays empty.
class ChartPanel : public QGroupBox {
    Q_OBJECT

public:
    explicit ChartPanel(QWidget* parent = nullptr);

    void showChart(ChartChoice chart);
    // What the result display asks of the charts (redraws, the palette's colour). The charts will
    // act on it here.
    void takeRequests(const ChartRequests& requests);

    QSize sizeHint() const override;

private:
    QWidget* m_area;
};

} // namespace lumivex
