#pragma once
#include "instructions/raster_function.h"

class SelectableRaster;

// Adds a transparent layer; drawing stays on the current layer.
class CreateLayerRasterFunction final : public RasterFunction<CreateLayerRasterFunction> {
public:
    static constexpr const char* kName = "Create Layer";
    static constexpr uint32_t kTypeId = 18;
    static const ParamLayout& Layout();
    static void Apply(SelectableRaster& raster, const AbstractRasterFunction& function);
};
