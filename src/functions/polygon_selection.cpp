#include "functions/polygon_selection.h"

#include <string>

#include "raster/selectable_raster.h"
#include "functions/render_scale.h"

const ParamLayout& PolygonSelectionRasterFunction::Layout() {
    static const ParamLayout layout{
        {"Setting_SelectMode", kToggle}, {"Separator", kSeparator}, {"Point1_X", kPosition},
        {"Point1_Y", kPosition},         {"Space", kSpace},         {"Point2_X", kPosition},
        {"Point2_Y", kPosition},         {"Space", kSpace},         {"Point3_X", kPosition},
        {"Point3_Y", kPosition},
    };
    return layout;
}

void PolygonSelectionRasterFunction::Apply(SelectableRaster& raster, const AbstractRasterFunction& function) {
    // Vertices run Point1, Point2, ... for as long as PointN_X exists, so a
    // map from a file may carry more than the three the layout shows. Each
    // vertex reads Y before X.
    const RenderScale scale(raster);
    RasterPolygon polygon;
    for (unsigned i = 1;; ++i) {
        const std::string prefix = "Point" + std::to_string(i);
        if (!function.HasParameter(prefix + "_X")) break;
        const int32_t y = scale.Coordinate(function.GetValue(prefix + "_Y").AsInt32());
        const int32_t x = scale.Coordinate(function.GetValue(prefix + "_X").AsInt32());
        polygon.push_back({x, y});
    }
    const bool add = function.GetValue("Setting_SelectMode").AsInt32() != 0;
    if (!add) raster.ClearSelection();
    raster.AddSelectionPolygons({polygon});
}
