#include "main/ui/ChartPanel.h"

#include "main/ResultDisplay.h"
#include "main/ui/UiText.h"

#include <QFrame>
#include <QVBoxLayout>

namespace lumivex {

ChartPanel::ChartPanel(QWidget* parent) : QGroupBox(parent)
{
    setObjectName(controlName(1032));
    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("chartArea"));
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Sunken);
    paintBlackOnWhite(frame);
    frame->setMinimumSize(260, 260);
    frame->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_area = frame;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
}

void ChartPanel::showChart(ChartChoice chart)
{
    switch (chart) {
    case ChartChoice::Palette:
        setTitle(qText(StringId::ColourPalette));
        break;
    case ChartChoice::XyChart:
        setTitle(qText(StringId::XyChart));
        break;
    case ChartChoice::Wheel:
    default:
        setTitle(qText(StringId::ColourWheel));
        break;
    }
    m_area->update();
}

void ChartPanel::takeRequests(const ChartRequests& requests)
{
    if (requests.wheelRedrawRequested || requests.chartRedrawRequested || requests.paletteColourRequested)
        m_area->update();
}

QSize ChartPanel::sizeHint() const
{
    return {360, 360};
}

} // namespace lumivex
