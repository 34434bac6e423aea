#pragma once
#include <cstddef>

#include "instructions/raster_function.h"
#include "raster/color.h"

class SelectableRaster;

// Shifts the hue by Hue_Offset degrees, scales the saturation by
// Saturation_Multi percent and shifts the lightness by Light_Offset
// hundredths, for every selected pixel; alpha is kept.
// Cost: two colour conversions per selected pixel, at any size.
class HSLModifyRasterFunction final : public RasterFunction<HSLModifyRasterFunction> {
public:
    static constexpr const char* kName = "HSL Modify";
    static constexpr uint32_t kTypeId = 12;
    static const ParamLayout& Layout();
    static void Apply(SelectableRaster& raster, const AbstractRasterFunction& function);
};

// One pixel as HSL Modify changes it: RgbToHsl, saturation * factor and
// lightness + light each clamped to 0 .. 1, hue + hueOffset wrapped into
// 0 .. 360 (fmod twice, then whole turns), HslToRgb; alpha kept.
Color ModifyHsl(Color c, float hueOffset, float factor, float light);
// ModifyHsl for count pixels, several a vector with exactly its results
// (out may be in).
void ModifyHslPixels(const Color* in, Color* out, size_t count, float hueOffset, float factor, float light);
