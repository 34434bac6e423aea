#include "functions/hsl_modify.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "functions/filter_support.h"
#include "functions/lane_pick.h"
#include "raster/hsl.h"
#include "raster/selectable_raster.h"

const ParamLayout& HSLModifyRasterFunction::Layout() {
    static const ParamLayout layout{
        {"Hue_Offset", kFreeFloat},
        {"Saturation_Multi", kPercent},
        {"Light_Offset", kSignedPercent},
    };
    return layout;
}

namespace {

// fmod(fmod(h, 360), 360), done for 0 <= h < 720 by at most one exact
// subtraction (Sterbenz) and kept as is for -360 < h < 0.
inline float TurnedHue(float h) {
    if (h >= 0.0f && h < 720.0f) return h < 360.0f ? h : h - 360.0f;
    if (h > -360.0f && h < 0.0f) return h;
    return std::fmod(std::fmod(h, 360.0f), 360.0f);
}

// ModifyHsl for a block, RgbToHsl and HslToRgb written out with every branch
// a select of values all lanes compute, each lane doing the scalar
// operations in their order. What the scalar code reaches only through
// fmod is settled without it: RgbToHsl's hue always lies in 0 .. 420
// (one exact subtraction of 360), h / 60 in 0 .. 6. Lanes whose turned hue
// lies outside -360 .. 720 are flagged in `slow` for the scalar code.
__attribute__((target_clones("avx2", "default"))) void ModifyBlock(const uint32_t* __restrict in,
                                                                   uint32_t* __restrict out,
                                                                   uint8_t* __restrict slow, size_t count,
                                                                   float hueOffset, float factor, float light) {
    for (size_t i = 0; i < count; ++i) {
        const uint32_t w = in[i];
        const float r = float(int(w & 0xFFu)) / 255.0f;
        const float g = float(int((w >> 8) & 0xFFu)) / 255.0f;
        const float b = float(int((w >> 16) & 0xFFu)) / 255.0f;
        const float maxRG = Pick(r < g, g, r), max = Pick(maxRG < b, b, maxRG);
        const float minRG = Pick(g < r, g, r), min = Pick(b < minRG, b, minRG);
        const float delta = max - min;
        const float hueR = (g - b) / delta * 60.0f + 360.0f;
        const float hueG = (b - r) / delta * 60.0f + 120.0f;
        const float hueB = (r - g) / delta * 60.0f + 240.0f;
        float hue = Pick(std::fabs(max - b) < 0.001f, hueB, 0.0f);
        hue = Pick(std::fabs(max - g) < 0.001f, hueG, hue);
        hue = Pick(std::fabs(max - r) < 0.001f, hueR, hue);
        hue = Pick(delta < 0.001f, 0.0f, hue);
        hue = Pick(hue >= 360.0f, hue - 360.0f, hue);
        const float lightness = (min + max) * 0.5f;
        const float d = 1.0f - std::fabs(2.0f * lightness - 1.0f);
        const float saturation = Pick(max >= 0.001f, Pick(std::fabs(d) < 0.001f, 0.0f, delta / d), 0.0f);

        const float sv = saturation * factor;
        const float s = Pick(sv < 0.0f, 0.0f, Pick(1.0f < sv, 1.0f, sv));
        const float lv = lightness + light;
        const float l = Pick(lv < 0.0f, 0.0f, Pick(1.0f < lv, 1.0f, lv));
        const float turned = hue + hueOffset;
        slow[i] = uint8_t(!(turned > -360.0f) | !(turned < 720.0f));
        const float h1 = Pick(turned >= 360.0f, turned - 360.0f, turned);
        const float h2 = Pick(h1 < 0.0f, h1 + 360.0f, h1);
        const float h = Pick(h2 >= 360.0f, h2 - 360.0f, h2);

        const float chroma = (1.0f - std::fabs(2.0f * l - 1.0f)) * s;
        const float y = h / 60.0f;
        const float remainder = Pick(y < 2.0f, y, Pick(y < 4.0f, y - 2.0f, Pick(y < 6.0f, y - 4.0f, y - 6.0f)));
        const float x = (1.0f - std::fabs(remainder - 1.0f)) * chroma;
        const float m = l - chroma * 0.5f;
        const bool s1 = h < 60.0f, s2 = h < 120.0f, s3 = h < 180.0f, s4 = h < 240.0f, s5 = h < 300.0f;
        const float r1 = Pick(s1, chroma, Pick(s2, x, Pick(s4, 0.0f, Pick(s5, x, chroma))));
        const float g1 = Pick(s1, x, Pick(s3, chroma, Pick(s4, x, 0.0f)));
        const float b1 = Pick(s2, 0.0f, Pick(s3, x, Pick(s5, chroma, x)));
        auto channel = [](float v) {  // TruncateToChannel
            return uint32_t(int(Pick(v > 0.0f, Pick(v >= 255.0f, 255.0f, v), 0.0f)));
        };
        out[i] = channel((m + r1) * 255.0f) | channel((m + g1) * 255.0f) << 8 | channel((m + b1) * 255.0f) << 16 |
                 (w & 0xFF000000u);
    }
}

}  // namespace

Color ModifyHsl(Color c, float hueOffset, float factor, float light) {
    const HslColor hsl = RgbToHsl(c);
    const float s = std::clamp(hsl.s * factor, 0.0f, 1.0f);
    const float l = std::clamp(hsl.l + light, 0.0f, 1.0f);
    float h = TurnedHue(hsl.h + hueOffset);
    // fmod leaves h in (-360, 360); rounding of h + 360 can reach 360.
    while (h < 0.0f) h += 360.0f;
    while (h >= 360.0f) h -= 360.0f;
    return HslToRgb(l, s, h, c.a);
}

void ModifyHslPixels(const Color* in, Color* out, size_t count, float hueOffset, float factor, float light) {
    constexpr size_t kBlock = 64;
    uint32_t words[kBlock], results[kBlock];
    uint8_t slow[kBlock];
    for (size_t start = 0; start < count; start += kBlock) {
        const size_t n = std::min(kBlock, count - start);
        std::memcpy(words, in + start, n * sizeof(Color));
        ModifyBlock(words, results, slow, n, hueOffset, factor, light);
        for (size_t j = 0; j < n; ++j)
            out[start + j] = slow[j] ? ModifyHsl(Color::FromWord(words[j]), hueOffset, factor, light)
                                     : Color::FromWord(results[j]);
    }
}

void HSLModifyRasterFunction::Apply(SelectableRaster& raster, const AbstractRasterFunction& function) {
    // A hue turned by an infinite or NaN angle has no direction: read as 0.
    const float hueOffset = FiniteAngle(function.GetValue("Hue_Offset").AsFloat());
    const float saturationFactor = float(function.GetValue("Saturation_Multi").AsUInt32()) / 100.0f;
    const float lightOffset = float(function.GetValue("Light_Offset").AsInt32()) / 100.0f;

    const std::vector<uint32_t>& selected = raster.SelectedIndices();
    constexpr size_t kBlock = 256;
    Color in[kBlock], out[kBlock];
    for (size_t start = 0; start < selected.size(); start += kBlock) {
        const size_t n = std::min(kBlock, selected.size() - start);
        for (size_t j = 0; j < n; ++j) in[j] = raster.GetPixel(int32_t(selected[start + j]));
        ModifyHslPixels(in, out, n, hueOffset, saturationFactor, lightOffset);
        for (size_t j = 0; j < n; ++j) raster.SetPixel(int32_t(selected[start + j]), out[j]);
    }
}
