#pragma once

#include <string>

namespace lumivex {

// The folder of the program's own copy of the xy chart image for a chart image choice
// ("CIETabelle"): a "charts" folder beside the executable when it holds the image (a program run
// outside the build tree), otherwise the folder the build generated the images in. A chart in the
// working folder still wins over both (ChartImagePath).
std::string ownChartFolder(int choice);

} // namespace lumivex
