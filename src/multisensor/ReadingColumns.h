#pragma once

#include "multisensor/ReadingLists.h"

#include <string>
#include <string_view>
#include <vector>

namespace lumivex {

enum class StringId : int;

// One column of the measurement list: its caption, its width in the window, a key for machine
// readers, and which text of a row it shows.
struct ReadingColumn {
    StringId caption;
    int width;
    std::string_view key;
    std::string ReadingRow::*text;
};

// The columns after the icon column, in order, as the list lays them out for these checks: the
// number, the colour shares (with the intensity when HSI is off), hue, saturation and intensity,
// x and y with the colour temperature on firmware that has one, mode and range.
std::vector<ReadingColumn> readingColumns(const ReadingChecks& checks);

// The comparison of a row in the test report's words, without its tabs: "-OK-", "Error -I-Y-"
// (a letter for each quantity out of its limits), or "---" when it was not compared.
std::string comparisonText(const ReadingRow& row);

} // namespace lumivex
