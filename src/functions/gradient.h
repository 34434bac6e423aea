#pragma once
#include "instructions/raster_function.h"

class SelectableRaster;

// Lays a linear two-colour ramp from Point1 (Color1) to Point2 (Color2) over the
// selected pixels, mixing the ends weighted by their alpha.
// Cost: a projection and a blend per selected pixel, at any size.
class GradientRasterFunction final : public RasterFunction<GradientRasterFunction> {
public:
    static constexpr const char* kName = "Gradient";
    static constexpr uint32_t kTypeId = 4;
    static const ParamLayout& Layout();
    static void Apply(SelectableRaster& raster, const AbstractRasterFunction& function);
};
