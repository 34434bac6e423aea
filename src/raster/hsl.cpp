#include "raster/hsl.h"

#include <algorithm>
#include <cmath>

namespace {

// fmod(y, 2): for 0 <= y < 8 (every hue of 0 .. 360 divided by 60) one exact
// subtraction of 2, 4 or 6 (each at least half of y).
inline float RemainderOfTwo(float y) {
    if (y >= 0.0f && y < 8.0f) return y < 2.0f ? y : y < 4.0f ? y - 2.0f : y < 6.0f ? y - 4.0f : y - 6.0f;
    return std::fmod(y, 2.0f);
}

}  // namespace

HslColor RgbToHsl(Color c) {
    const float r = ChannelUnit(c.r);
    const float g = ChannelUnit(c.g);
    const float b = ChannelUnit(c.b);
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
    // Every hue above lies in 0 .. 420, where the remainder is one exact
    // subtraction (Sterbenz: 360 <= hue <= 720).
    if (hue >= 360.0f && hue < 720.0f)
        hue -= 360.0f;
    else if (!(hue >= 0.0f && hue < 360.0f))
        hue = std::fmod(hue, 360.0f);

    const float l = (min + max) * 0.5f;
    float s = 0.0f;
    if (max >= 0.001f) {
        const float d = 1.0f - std::fabs(2.0f * l - 1.0f);
        s = std::fabs(d) < 0.001f ? 0.0f : delta / d;
    }
    return {l, s, hue};
}

Color HslToRgb(float lightness, float saturation, float hue, uint8_t alpha) {
    const float chroma = (1.0f - std::fabs(2.0f * lightness - 1.0f)) * saturation;
    const float x = (1.0f - std::fabs(RemainderOfTwo(hue / 60.0f) - 1.0f)) * chroma;
    const float m = lightness - chroma * 0.5f;
    float r1, g1, b1;
    if (hue < 60.0f) {
        r1 = chroma, g1 = x, b1 = 0.0f;
    } else if (hue < 120.0f) {
        r1 = x, g1 = chroma, b1 = 0.0f;
    } else if (hue < 180.0f) {
        r1 = 0.0f, g1 = chroma, b1 = x;
    } else if (hue < 240.0f) {
        r1 = 0.0f, g1 = x, b1 = chroma;
    } else if (hue < 300.0f) {
        r1 = x, g1 = 0.0f, b1 = chroma;
    } else {
        r1 = chroma, g1 = 0.0f, b1 = x;
    }
    return Color(TruncateToChannel((m + r1) * 255.0f), TruncateToChannel((m + g1) * 255.0f),
                 TruncateToChannel((m + b1) * 255.0f), alpha);
}
