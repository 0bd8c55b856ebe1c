#pragma once

#include "stability/CBlinkData.h"

#include <cstdint>
#include <string>

namespace lumivex {

// The twelve result fields of the stability window. Groups outside the curve set stay 0.
struct StabilityResults {
    int meanRed = 0;
    int meanGreen = 0;
    int meanBlue = 0;
    int meanIntensity = 0;
    int maxRed = 0;
    int maxGreen = 0;
    int maxBlue = 0;
    int maxIntensity = 0;
    float meanHue = 0.0f;
    int meanSaturation = 0;
    float meanX = 0.0f;
    float meanY = 0.0f;
    bool operator==(const StabilityResults&) const = default;
};

// The fields as the window shows them: whole numbers unsigned, floats with six significant digits.
struct StabilityResultTexts {
    std::string meanRed, meanGreen, meanBlue, meanIntensity;
    std::string maxRed, maxGreen, maxBlue, maxIntensity;
    std::string meanHue, meanSaturation, meanX, meanY;
};
StabilityResultTexts formatResults(const StabilityResults& results);

// Sums the readings of the curve set (ChartGroup bits) into means and maxima, one reading at a time.
class StabilityStatistics {
public:
    void clear();
    // The first reading starts the sums; later ones add to them.
    void add(const CBlinkData& reading, unsigned curves);

    const StabilityResults& results() const { return m_results; }
    int count() const { return m_count; }

private:
    StabilityResults m_results;
    int m_count = 0;
    // Wider than the values so that no file's readings can overflow them; the means are the same.
    std::int64_t m_red = 0, m_green = 0, m_blue = 0, m_intensity = 0, m_saturation = 0;
    float m_hue = 0.0f, m_x = 0.0f, m_y = 0.0f;
};

} // namespace lumivex
