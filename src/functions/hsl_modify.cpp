#include "functions/hsl_modify.h"

#include <algorithm>
#include <cmath>

#include "functions/filter_support.h"
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

}  // namespace

void HSLModifyRasterFunction::Apply(SelectableRaster& raster, const AbstractRasterFunction& function) {
    // A hue turned by an infinite or NaN angle has no direction: read as 0.
    const float hueOffset = FiniteAngle(function.GetValue("Hue_Offset").AsFloat());
    const float saturationFactor = float(function.GetValue("Saturation_Multi").AsUInt32()) / 100.0f;
    const float lightOffset = float(function.GetValue("Light_Offset").AsInt32()) / 100.0f;

    for (const uint32_t i : raster.SelectedIndices()) {
        const Color c = raster.GetPixel(int32_t(i));
        const HslColor hsl = RgbToHsl(c);
        const float s = std::clamp(hsl.s * saturationFactor, 0.0f, 1.0f);
        const float l = std::clamp(hsl.l + lightOffset, 0.0f, 1.0f);
        float h = TurnedHue(hsl.h + hueOffset);
        // fmod leaves h in (-360, 360); rounding of h + 360 can reach 360.
        while (h < 0.0f) h += 360.0f;
        while (h >= 360.0f) h -= 360.0f;
        raster.SetPixel(int32_t(i), HslToRgb(l, s, h, c.a));
    }
}
