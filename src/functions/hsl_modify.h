#pragma once
#include "instructions/raster_function.h"

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
