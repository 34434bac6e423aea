#pragma once
#include "instructions/raster_function.h"

class SelectableRaster;

// Draws a triangle outline grown by half the thickness on every side, optionally
// filled, blended over the selected pixels; collinear vertices draw nothing.
// Cost: three projections (and a crossing test when filled) per selected
// pixel, at any size.
class ShapeTriangleRasterFunction final : public RasterFunction<ShapeTriangleRasterFunction> {
public:
    static constexpr const char* kName = "Shape Triangle";
    static constexpr uint32_t kTypeId = 8;
    static const ParamLayout& Layout();
    static void Apply(SelectableRaster& raster, const AbstractRasterFunction& function);
};
