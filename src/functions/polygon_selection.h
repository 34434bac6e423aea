#pragma once
#include "instructions/raster_function.h"

class SelectableRaster;

// Selects the inside of the polygon Point1, Point2, ... (even-odd rule).
// Setting_SelectMode off replaces the selection, on adds to it.
// Cost: the selection is rebuilt, a crossing test per pixel in a polygon's
// box, linear in the vertices.
class PolygonSelectionRasterFunction final : public RasterFunction<PolygonSelectionRasterFunction> {
public:
    static constexpr const char* kName = "Polygon Selection";
    static constexpr uint32_t kTypeId = 2;
    static const ParamLayout& Layout();
    static void Apply(SelectableRaster& raster, const AbstractRasterFunction& function);
};
