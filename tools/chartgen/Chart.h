#pragma once

#include "Image.h"

#include <string>
#include <vector>

namespace lumivex::chartgen {

struct LocusPoint {
    int nm = 0;
    double x = 0;
    double y = 0;
};

// Robertson's isotemperature line at `mired` through the Planckian point (u, v), slope t.
struct IsoLine {
    double mired = 0;
    double u = 0;
    double v = 0;
    double t = 0;
};

// The project's copies of the tables: '#' lines (their sources) and the header line are skipped.
std::vector<LocusPoint> ReadLocus(const std::string& path);
std::vector<IsoLine> ReadRobertson(const std::string& path);

enum class ChartStyle {
    Observer, // a spectral locus with its wavelengths on a black ground
    WhiteLed, // the 2° locus with the Planckian locus, isotemperature lines and white points
};

struct ChartOptions {
    int size = 640;
    ChartStyle style = ChartStyle::Observer;
    std::vector<LocusPoint> locus; // 380 .. 780 nm in order
    std::vector<int> labelledWavelengths;
    std::vector<std::string> title; // lines, Windows-1252 ('\xB0' for the degree sign)
    std::vector<IsoLine> planckian; // WhiteLed style only
};

// The chart's axes put x, y = 0 at 5 % in from the left and bottom edges and 0.887 at the right
// and top edges, as the xy chart's cross-hair expects.
struct Axes {
    int width;
    int height;
    double Column(double x) const;
    double Row(double y) const;
    double XAt(double column) const;
    double YAt(double row) const;
};

Image RenderChart(const ChartOptions& options);

// Colours that the 8-bit form must keep exactly (rules and text).
std::vector<Rgb> ChartInks(ChartStyle style);

// An approximate display colour for chromaticity (x, y): the sRGB colour of that chromaticity at
// the greatest brightness the display can show, out-of-gamut colours clipped to the gamut's edge.
Rgb ApproximateColour(double x, double y);

} // namespace lumivex::chartgen
