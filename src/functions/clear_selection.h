#pragma once
#include "instructions/raster_function.h"

class SelectableRaster;

// Selects the whole raster again.
// Cost: the list of all pixels.
class ClearSelectionRasterFunction final : public RasterFunction<ClearSelectionRasterFunction> {
public:
    static constexpr const char* kName = "Clear Selection";
    static constexpr uint32_t kTypeId = 0;
    static const ParamLayout& Layout();
    static void Apply(SelectableRaster& raster, const AbstractRasterFunction& function);
};
