#pragma once

namespace lumivex {

// What a sensor reports after a capture. The simulator's own colour maths (standard formulas,
// independent of the program's conversions), so that tests compare two separate derivations.
struct SimReading {
    int red = 0; // counts, 0..full scale
    int green = 0;
    int blue = 0;
    int intensity = 0; // 0..99999, 99999 = saturated
    double hue = 0.0; // HSI hue in degrees, 0 <= hue < 360
    int saturation = 0; // HSI saturation in percent
    double x = 0.0; // CIE 1931 chromaticity
    double y = 0.0;
    double cct = 0.0; // correlated colour temperature in kelvin (McCamy)
};

// HSI hue in degrees of a colour; 0 for grey.
double simHsiHue(double red, double green, double blue);
// HSI saturation 1 - 3 min / (r + g + b) in whole percent; 0 for black.
int simHsiSaturation(double red, double green, double blue);

struct SimXy {
    double x = 0.0;
    double y = 0.0;
};
// Chromaticity of an sRGB colour (components 0..1, gamma-encoded), through linear sRGB and XYZ
// with the D65 matrix. Black gives 0, 0.
SimXy simSrgbToXy(double red, double green, double blue);
// McCamy's cubic approximation of the correlated colour temperature; 0 where it has no meaning
// (at its pole, or a negative result), at most 99999.9.
double simMcCamyCct(double x, double y);

// The reading of an LED of this colour (sRGB 0..255) and raw intensity, on a sensor with the
// given full scale (255 or 4095). The brightest channel reaches full scale exactly when the
// intensity saturates; the others keep the colour's proportions. Offsets are added to x and y.
SimReading simReadingFor(
    int red, int green, int blue, double intensity, int fullScale, double xOffset = 0.0, double yOffset = 0.0);

} // namespace lumivex
