#pragma once

#include <span>

namespace lumivex {

// One of Robertson's isotemperature lines: the Planckian point (u, v) in CIE 1960 UCS at the
// reciprocal temperature `mired` (10^6 / T) and the slope t = dv/du of the line through it.
struct IsotemperatureLine {
    double mired;
    double u;
    double v;
    double t;
};

// The 31 lines in order of rising reciprocal temperature (0, 10 ... 100, 125 ... 600 MK^-1).
std::span<const IsotemperatureLine> RobertsonLines();

} // namespace lumivex
