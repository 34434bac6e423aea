#pragma once
#include "instructions/raster_function.h"

class SelectableRaster;

// Draws an axis-aligned rectangle outline centred on the lines through its two corners
// (square corners, both corners included), optionally filled, blended over the selected
// pixels. Cost: a few comparisons per row and a copy of each painted pixel's index, at
// any size.
class ShapeRectRasterFunction final : public RasterFunction<ShapeRectRasterFunction> {
public:
    static constexpr const char* kName = "Shape Rectangle";
    static constexpr uint32_t kTypeId = 6;
    static const ParamLayout& Layout();
    static void Apply(SelectableRaster& raster, const AbstractRasterFunction& function);
};
