#pragma once

#include "colour/ChartImage.h"
#include "colour/ColourConversions.h"

#include <QGroupBox>

#include <functional>
#include <string>

class QStackedLayout;

namespace lumivex {

class ColourPaletteWidget;
class ColourWheelWidget;
class Dialogs;
class ResultDisplay;
class XyChartWidget;
enum class ChartChoice : int;
struct ChartRequests;

// The right-hand panel, labelled after the chart choice ("Color Wheel", "Color Palette",
// "XY Chart"), showing one of the three charts. It hands the result display's state to the chart
// that is shown: the field texts and current colour to the wheel, the chart point to the xy chart,
// the colour to the palette.
class ChartPanel : public QGroupBox {
    Q_OBJECT

public:
    using PickHandler = std::function<void(PackedRgb)>;

    explicit ChartPanel(const ResultDisplay& display, QWidget* parent = nullptr);

    void showChart(ChartChoice chart);
    // What the result display asks of the charts: redraws, the palette's colour.
    void takeRequests(const ChartRequests& requests);
    // Reads the xy chart's image; unless Loaded the xy chart stays empty.
    ChartImageLoad loadXyChartImage(const std::string& path, Dialogs& dialogs);
    // A colour the user picked in the palette.
    void setPickHandler(PickHandler handler);

    XyChartWidget* xyChart() const { return m_xy; }
    ColourWheelWidget* wheel() const { return m_wheel; }
    ColourPaletteWidget* colourPalette() const { return m_palette; }
    QWidget* currentChart() const;

    QSize sizeHint() const override;

private:
    void showWheelMarks();

    const ResultDisplay& m_display;
    QStackedLayout* m_stack = nullptr;
    XyChartWidget* m_xy = nullptr;
    ColourWheelWidget* m_wheel = nullptr;
    ColourPaletteWidget* m_palette = nullptr;
};

} // namespace lumivex
