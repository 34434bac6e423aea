#pragma once
#include "instructions/raster_function.h"

class SelectableRaster;

// Lays one colour over every selected pixel with BlendOver.
// Cost: one blend per selected pixel, at any size.
class FillRasterFunction final : public RasterFunction<FillRasterFunction> {
public:
    static constexpr const char* kName = "Fill";
    static constexpr uint32_t kTypeId = 1;
    static const ParamLayout& Layout();
    static void Apply(SelectableRaster& raster, const AbstractRasterFunction& function);
};
