#pragma once
// RGB to HSL in single precision, shared by HSL Modify and by texture
// synthesis's colour distances (both must use this one code path).
#include "raster/color.h"

struct HslColor {
    float l;  // lightness, 0..1
    float s;  // saturation, normally 0..1
    float h;  // hue in degrees, 0 <= h < 360
};

// Alpha is ignored. Hue tests run in the order r, g, b with a 0.001 tolerance;
// a grey (delta < 0.001) has hue 0.
HslColor RgbToHsl(Color c);
