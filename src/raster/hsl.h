#pragma once
// Conversions between RGB and HSL in single precision, shared by HSL Modify
// and by texture synthesis's colour distances (both must use this one code
// path).
#include <cstdint>

#include "raster/color.h"

struct HslColor {
    float l;  // lightness, 0..1
    float s;  // saturation, normally 0..1
    float h;  // hue in degrees, 0 <= h < 360
};

// Alpha is ignored. Hue tests run in the order r, g, b with a 0.001 tolerance;
// a grey (delta < 0.001) has hue 0.
HslColor RgbToHsl(Color c);

// chroma = (1 - |2l - 1|) * s, x = (1 - |fmod(h / 60, 2) - 1|) * chroma,
// m = l - chroma / 2; the sextant of h places chroma and x; each channel is
// (m + part) * 255 truncated (saturating at 0 and 255). Alpha is passed through.
Color HslToRgb(float lightness, float saturation, float hue, uint8_t alpha);
