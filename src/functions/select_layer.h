#pragma once
#include "instructions/raster_function.h"

class SelectableRaster;

// Makes layer min(Layer, layer count - 1) current and reloads the working canvas.
class SelectLayerRasterFunction final : public RasterFunction<SelectLayerRasterFunction> {
public:
    static constexpr const char* kName = "Select Layer";
    static constexpr uint32_t kTypeId = 17;
    static const ParamLayout& Layout();
    static void Apply(SelectableRaster& raster, const AbstractRasterFunction& function);
};
