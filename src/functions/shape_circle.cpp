#include "functions/shape_circle.h"

#include <cmath>
#include <vector>

#include "functions/shape_geometry.h"
#include "raster/selectable_raster.h"
#include "functions/render_scale.h"

const ParamLayout& ShapeCircleRasterFunction::Layout() {
    static const ParamLayout layout{
        {"Color1_Red", kColorChannel}, {"Color1_Green", kColorChannel}, {"Color1_Blue", kColorChannel},
        {"Color1_Alpha", kColorChannel}, {"Separator", kSeparator},      {"Point1_X", kPosition},
        {"Point1_Y", kPosition},         {"Separator", kSeparator},      {"Circle_Radius", kSize},
        {"Infill_Shape", kToggle},       {"Line_Thickness", kSize},
    };
    return layout;
}

void ShapeCircleRasterFunction::Apply(SelectableRaster& raster, const AbstractRasterFunction& function) {
    const Color colour = ReadShapeColor(function);
    const RenderScale scale(raster);
    const float cy = scale.Point(function.GetValue("Point1_Y").AsInt32());
    const float cx = scale.Point(function.GetValue("Point1_X").AsInt32());
    const float radius = float(scale.Length(function.GetValue("Circle_Radius").AsUInt32()));
    const float thickness = float(scale.Length(function.GetValue("Line_Thickness").AsUInt32()));
    const bool infill = function.GetValue("Infill_Shape").AsInt32() != 0;
    const float h = thickness * 0.5f;

    // The pixels to paint are found first and blended together.
    std::vector<uint32_t> painted;
    painted.reserve(raster.SelectedIndices().size());
    for (const uint32_t i : raster.SelectedIndices()) {
        const SelectableRaster::Point point = raster.IndexToPoint(i);
        const float ox = cx - float(point.x);
        const float oy = cy - float(point.y);
        const float dist = std::sqrt(ox * ox + oy * oy);  // x term first
        if (std::fabs(dist - radius) <= h || (infill && dist <= radius))
            painted.push_back(i);
    }
    raster.BlendColourAt(painted, colour);
}
