#include "raster/color.h"

namespace {

inline uint8_t Truncate(float v) { return static_cast<uint8_t>(static_cast<int>(v)); }

}  // namespace

Color BlendOver(Color d, Color s) {
    const float as = float(s.a) / 255.0f;
    const float ad = float(d.a) / 255.0f;
    const float k = 1.0f - as;
    const float ao = k * ad + as;
    if (ao == 0.0f) return kTransparentBlack;
    auto channel = [&](uint8_t dc, uint8_t sc) {
        const float t = ((float(dc) / 255.0f) * ad) * k;
        const float u = (float(sc) / 255.0f) * as;
        return Truncate(((t + u) / ao) * 255.0f);
    };
    return Color(channel(d.r, s.r), channel(d.g, s.g), channel(d.b, s.b), Truncate(ao * 255.0f));
}
