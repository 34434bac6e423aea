#pragma once
#include "instructions/raster_function.h"

class SelectableRaster;

// Selects the half-open box between two corners: min <= x < max, min <= y < max.
// Setting_SelectMode off replaces the selection, on adds to it.
// Cost: the selection is rebuilt, one test per pixel (rows and columns
// outside every polygon's box skipped).
class RectSelectionRasterFunction final : public RasterFunction<RectSelectionRasterFunction> {
public:
    static constexpr const char* kName = "Rectangular Selection";
    static constexpr uint32_t kTypeId = 3;
    static const ParamLayout& Layout();
    static void Apply(SelectableRaster& raster, const AbstractRasterFunction& function);
};
