#pragma once
#include "instructions/raster_function.h"
#include "raster/color.h"
#include "raster/hsl.h"

class SelectableRaster;

// Shifts the hue by Hue_Offset degrees, scales the saturation by
// Saturation_Multi percent and shifts the lightness by Light_Offset
// hundredths, for every selected pixel; alpha is kept.
class HSLModifyRasterFunction final : public RasterFunction<HSLModifyRasterFunction> {
public:
    static constexpr const char* kName = "HSL Modify";
    static constexpr uint32_t kTypeId = 12;
    static const ParamLayout& Layout();
    static void Apply(SelectableRaster& raster, const AbstractRasterFunction& function);

    HSLModifyRasterFunction() { RegisterFunctionType(); }
};

// HSL back to RGB in single precision, hue in [0, 360), each channel
// truncated toward zero; the given alpha is kept.
Color HslToRgb(float lightness, float saturation, float hue, uint8_t alpha);
