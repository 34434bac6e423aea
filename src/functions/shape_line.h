#pragma once
#include "instructions/raster_function.h"

class SelectableRaster;

// Draws a straight stroke of Line_Thickness pixels from Point1 to Point2, with flat
// ends exactly at both points, blended over the selected pixels.
// Cost: a projection per selected pixel, at any size.
class LineRasterFunction final : public RasterFunction<LineRasterFunction> {
public:
    static constexpr const char* kName = "Shape Line";
    static constexpr uint32_t kTypeId = 5;
    static const ParamLayout& Layout();
    static void Apply(SelectableRaster& raster, const AbstractRasterFunction& function);
};
