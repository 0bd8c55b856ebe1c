#include "multisensor/ReadingColumns.h"

#include "foundation/StringTable.h"

namespace lumivex {

std::vector<ReadingColumn> readingColumns(const ReadingChecks& checks)
{
    std::vector<ReadingColumn> columns {{StringId::NoCaption, 40, "no", &ReadingRow::no}};
    if (checks.rgb) {
        columns.push_back({StringId::RedCaption, 50, "red", &ReadingRow::red});
        columns.push_back({StringId::GreenCaption, 50, "green", &ReadingRow::green});
        columns.push_back({StringId::BlueCaption, 50, "blue", &ReadingRow::blue});
        if (!checks.hsi)
            columns.push_back({StringId::IntensCaption, 50, "intensity", &ReadingRow::intens});
    }
    if (checks.hsi) {
        columns.push_back({StringId::HueCaption, 50, "hue", &ReadingRow::hue});
        columns.push_back({StringId::SaturCaption, 50, "saturation", &ReadingRow::sat});
        columns.push_back({StringId::IntensCaption, 50, "intensity", &ReadingRow::intens});
    }
    if (checks.xy) {
        columns.push_back({StringId::XCaption, 50, "x", &ReadingRow::x});
        columns.push_back({StringId::YCaption, 50, "y", &ReadingRow::y});
        if (checks.newFirmware())
            columns.push_back({StringId::ColourTempCaption, 65, "colourTemperature", &ReadingRow::temp});
    }
    columns.push_back({StringId::ModeCaption, 65, "mode", &ReadingRow::mode});
    columns.push_back({StringId::RangeCaption, 55, "range", &ReadingRow::range});
    return columns;
}

std::string comparisonText(const ReadingRow& row)
{
    if (!row.measured || row.state == ReadingRow::State::NotCompared)
        return "---";
    if (row.state == ReadingRow::State::Passed)
        return "-OK-";
    std::string text = std::string(stringText(StringId::ReportComparisonError)) + " -";
    if (row.intensCellDeviates)
        text += "I-";
    if (row.xCellDeviates)
        text += "X-";
    if (row.yCellDeviates)
        text += "Y-";
    return text;
}

} // namespace lumivex
