#pragma once

#include <string>
#include <string_view>

namespace lumivex {

class CDib;
class Dialogs;

// The xy chart's image file for a chart image choice ("CIETabelle"): 0 the CIE 1931 2° chart,
// 1 the CIE 1964 10° chart, anything else the CIE chromaticity space chart.
std::string_view ChartImageFileName(int choice);

// Where the image for `choice` is read from: the working folder when the file is there (a user's
// own chart wins), otherwise the program's own folder of generated charts.
std::string ChartImagePath(const std::string& workingFolder, const std::string& ownChartFolder, int choice);

enum class ChartImageLoad {
    Loaded,
    CannotOpen, // no message: the chart stays blank
    ReadError, // "Read error" has been shown
};

// Frees `image`, opens and reads the file. A file that is not a bitmap we can read shows the
// "Read error" box.
ChartImageLoad LoadChartImage(const std::string& path, CDib& image, Dialogs& dialogs);

} // namespace lumivex
