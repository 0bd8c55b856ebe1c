#pragma once

#include <string>

namespace lumivex {

// The folder of the program's own copy of the xy chart image for a chart image choice
// ("CIETabelle"), the first of these that holds the image: a "charts" folder beside the executable
// (a program copied out of the build tree), the installed data folder seen from the executable
// (<prefix>/bin/../share/lumivex/charts), and last the folder the build generated the images in.
// A chart in the working folder still wins over all of them (ChartImagePath).
std::string ownChartFolder(int choice);

// The same search from a given program folder, so that an install layout can be checked without
// moving the executable.
std::string ownChartFolderFrom(const std::string& programFolder, int choice);

} // namespace lumivex
