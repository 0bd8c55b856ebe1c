#include "stability/StabilitySetup.h"

#include <array>

namespace lumivex {

namespace {
constexpr std::array<RangeCapture, 12> kRanges {{
    {0, 0, 0, "disabled", "3x3"},
    {6, 0, 10, "10ms", "3x3"},
    {5, 0, 20, "20ms", "3x3"},
    {4, 0, 60, "60ms", "3x3"},
    {3, 0, 120, "120ms", "3x3"},
    {2, 0, 200, "200ms", "3x3"},
    {1, 0, 600, "600ms", "3x3"},
    {5, 1, 20, "20ms", "9x9"},
    {4, 1, 60, "60ms", "9x9"},
    {3, 1, 120, "120ms", "9x9"},
    {2, 1, 200, "200ms", "9x9"},
    {1, 1, 600, "600ms", "9x9"},
}};

bool known(int rangeIndex)
{
    return rangeIndex >= 0 && rangeIndex < static_cast<int>(kRanges.size());
}
} // namespace

std::optional<RangeCapture> rangeCapture(int rangeIndex)
{
    if (!known(rangeIndex) || rangeIndex == 0)
        return std::nullopt;
    return kRanges[static_cast<std::size_t>(rangeIndex)];
}

std::string_view rangeTimeText(int rangeIndex)
{
    return known(rangeIndex) ? kRanges[static_cast<std::size_t>(rangeIndex)].timeText : std::string_view();
}

std::string_view rangeAreaText(int rangeIndex)
{
    return known(rangeIndex) ? kRanges[static_cast<std::size_t>(rangeIndex)].areaText : std::string_view();
}

} // namespace lumivex
