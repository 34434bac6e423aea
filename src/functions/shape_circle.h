#pragma once
#include "instructions/raster_function.h"

class SelectableRaster;

// Draws a ring of Line_Thickness pixels at Circle_Radius around Point1, optionally
// filled, blended over the selected pixels.
// Cost: a distance per selected pixel, at any size.
class ShapeCircleRasterFunction final : public RasterFunction<ShapeCircleRasterFunction> {
public:
    static constexpr const char* kName = "Shape Circle";
    static constexpr uint32_t kTypeId = 7;
    static const ParamLayout& Layout();
    static void Apply(SelectableRaster& raster, const AbstractRasterFunction& function);
};
