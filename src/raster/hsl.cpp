#include "raster/hsl.h"

#include <algorithm>
#include <cmath>

HslColor RgbToHsl(Color c) {
    const float r = float(c.r) / 255.0f;
    const float g = float(c.g) / 255.0f;
    const float b = float(c.b) / 255.0f;
    const float max = std::max(std::max(r, g), b);
    const float min = std::min(std::min(r, g), b);
    const float delta = max - min;

    float hue;
    if (delta < 0.001f)
        hue = 0.0f;
    else if (std::fabs(max - r) < 0.001f)
        hue = (g - b) / delta * 60.0f + 360.0f;
    else if (std::fabs(max - g) < 0.001f)
        hue = (b - r) / delta * 60.0f + 120.0f;
    else if (std::fabs(max - b) < 0.001f)
        hue = (r - g) / delta * 60.0f + 240.0f;
    else
        hue = 0.0f;
    hue = std::fmod(hue, 360.0f);

    const float l = (min + max) * 0.5f;
    float s = 0.0f;
    if (max >= 0.001f) {
        const float d = 1.0f - std::fabs(2.0f * l - 1.0f);
        s = std::fabs(d) < 0.001f ? 0.0f : delta / d;
    }
    return {l, s, hue};
}
