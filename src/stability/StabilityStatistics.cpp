#include "stability/StabilityStatistics.h"

#include "stability/StabilityScales.h"

#include <algorithm>
#include <cstdio>

namespace lumivex {

namespace {

std::string whole(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(value));
    return text;
}

std::string real(float value)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.6g", static_cast<double>(value));
    return text;
}

int mean(std::int64_t sum, int count)
{
    return static_cast<int>(sum / count);
}

} // namespace

StabilityResultTexts formatResults(const StabilityResults& r)
{
    return {whole(r.meanRed), whole(r.meanGreen), whole(r.meanBlue), whole(r.meanIntensity), whole(r.maxRed),
        whole(r.maxGreen), whole(r.maxBlue), whole(r.maxIntensity), real(r.meanHue), whole(r.meanSaturation),
        real(r.meanX), real(r.meanY)};
}

void StabilityStatistics::clear()
{
    *this = StabilityStatistics();
}

void StabilityStatistics::add(const CBlinkData& reading, unsigned curves)
{
    const bool first = m_count == 0;
    ++m_count;
    StabilityResults& r = m_results;
    if (curves & ChartGroup::Rgb) {
        m_red += reading.Red;
        m_green += reading.Green;
        m_blue += reading.Blue;
        r.maxRed = first ? reading.Red : std::max<int>(r.maxRed, reading.Red);
        r.maxGreen = first ? reading.Green : std::max<int>(r.maxGreen, reading.Green);
        r.maxBlue = first ? reading.Blue : std::max<int>(r.maxBlue, reading.Blue);
        r.meanRed = mean(m_red, m_count);
        r.meanGreen = mean(m_green, m_count);
        r.meanBlue = mean(m_blue, m_count);
    }
    if (curves & ChartGroup::Intensity) {
        m_intensity += reading.Intensity;
        r.maxIntensity = first ? reading.Intensity : std::max(r.maxIntensity, reading.Intensity);
        r.meanIntensity = mean(m_intensity, m_count);
    }
    if (curves & ChartGroup::HueSat) {
        m_hue += reading.Hue;
        m_saturation += reading.Saturation;
        r.meanHue = m_hue / static_cast<float>(m_count);
        r.meanSaturation = mean(m_saturation, m_count);
    }
    if (curves & ChartGroup::Xy) {
        m_x += reading.X;
        m_y += reading.Y;
        r.meanX = m_x / static_cast<float>(m_count);
        r.meanY = m_y / static_cast<float>(m_count);
    }
}

} // namespace lumivex
