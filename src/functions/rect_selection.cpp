#include "functions/rect_selection.h"

#include <algorithm>

#include "raster/selectable_raster.h"
#include "functions/render_scale.h"

const ParamLayout& RectSelectionRasterFunction::Layout() {
    static const ParamLayout layout{
        {"Setting_SelectMode", kToggle}, {"Separator", kSeparator}, {"Pos_StartX", kPosition},
        {"Pos_StartY", kPosition},       {"Space", kSpace},         {"Pos_EndX", kPosition},
        {"Pos_EndY", kPosition},
    };
    return layout;
}

void RectSelectionRasterFunction::Apply(SelectableRaster& raster, const AbstractRasterFunction& function) {
    // The box's edges: at any size it covers the block matching its pixels
    // of the design canvas.
    const RenderScale scale(raster);
    const int32_t startX = scale.Coordinate(function.GetValue("Pos_StartX").AsInt32());
    const int32_t startY = scale.Coordinate(function.GetValue("Pos_StartY").AsInt32());
    const int32_t endX = scale.Coordinate(function.GetValue("Pos_EndX").AsInt32());
    const int32_t endY = scale.Coordinate(function.GetValue("Pos_EndY").AsInt32());
    const bool add = function.GetValue("Setting_SelectMode").AsInt32() != 0;

    const int32_t minX = std::min(startX, endX), maxX = std::max(startX, endX);
    const int32_t minY = std::min(startY, endY), maxY = std::max(startY, endY);
    const RasterPolygon box{{minX, minY}, {minX, maxY}, {maxX, maxY}, {maxX, minY}};
    if (!add) raster.ClearSelection();
    raster.AddSelectionPolygons({box});
}
