#include "main/ui/ChartPanel.h"

#include "colour/ui/ColourPaletteWidget.h"
#include "colour/ui/ColourWheelWidget.h"
#include "colour/ui/XyChartWidget.h"
#include "controls/ui/UiText.h"
#include "main/ResultDisplay.h"

#include <QFrame>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace lumivex {

ChartPanel::ChartPanel(const ResultDisplay& display, QWidget* parent) : QGroupBox(parent), m_display(display)
{
    setObjectName(controlName(1032));
    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("chartArea"));
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setMinimumSize(260, 260);
    frame->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    m_wheel = new ColourWheelWidget(frame);
    m_palette = new ColourPaletteWidget(frame);
    m_xy = new XyChartWidget(frame);
    m_stack = new QStackedLayout(frame);
    const int inset = frame->frameWidth();
    m_stack->setContentsMargins(inset, inset, inset, inset);
    m_stack->addWidget(m_wheel);
    m_stack->addWidget(m_palette);
    m_stack->addWidget(m_xy);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
}

void ChartPanel::showChart(ChartChoice chart)
{
    // Only the palette takes input and shows its tooltip, and only while it is the chart shown.
    m_palette->setActive(chart == ChartChoice::Palette);
    switch (chart) {
    case ChartChoice::Palette:
        setTitle(qText(StringId::ColourPalette));
        m_palette->setColour(m_display.Reading().currentColour);
        m_stack->setCurrentWidget(m_palette);
        break;
    case ChartChoice::XyChart:
        setTitle(qText(StringId::XyChart));
        m_xy->setPoint(m_display.Chart().x, m_display.Chart().y);
        m_stack->setCurrentWidget(m_xy);
        break;
    case ChartChoice::Wheel:
    default:
        setTitle(qText(StringId::ColourWheel));
        showWheelMarks();
        m_stack->setCurrentWidget(m_wheel);
        break;
    }
}

void ChartPanel::showWheelMarks()
{
    // The texts as written, as the wheel's marks are taken from the window's own members.
    const ResultFields& fields = m_display.PendingFields();
    m_wheel->setMarks(fields.hue, fields.saturation, m_display.Reading().currentColour);
}

void ChartPanel::takeRequests(const ChartRequests& requests)
{
    if (requests.wheelRedrawRequested)
        showWheelMarks();
    if (requests.chartRedrawRequested)
        m_xy->setPoint(m_display.Chart().x, m_display.Chart().y);
    if (requests.paletteColourRequested)
        m_palette->setColour(requests.paletteColour);
}

ChartImageLoad ChartPanel::loadXyChartImage(const std::string& path, Dialogs& dialogs)
{
    return m_xy->load(path, dialogs);
}

void ChartPanel::setPickHandler(PickHandler handler)
{
    m_palette->setSelectionHandler(std::move(handler));
}

QWidget* ChartPanel::currentChart() const
{
    return m_stack->currentWidget();
}

QSize ChartPanel::sizeHint() const
{
    return {360, 360};
}

} // namespace lumivex
