#include "functions/shape_rect.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "functions/shape_geometry.h"
#include "raster/selectable_raster.h"
#include "functions/render_scale.h"

const ParamLayout& ShapeRectRasterFunction::Layout() {
    static const ParamLayout layout{
        {"Color1_Red", kColorChannel}, {"Color1_Green", kColorChannel}, {"Color1_Blue", kColorChannel},
        {"Color1_Alpha", kColorChannel}, {"Separator", kSeparator},      {"Point1_X", kPosition},
        {"Point1_Y", kPosition},         {"Space", kSpace},              {"Point2_X", kPosition},
        {"Point2_Y", kPosition},         {"Separator", kSeparator},      {"Infill_Shape", kToggle},
        {"Line_Thickness", kSize},
    };
    return layout;
}

void ShapeRectRasterFunction::Apply(SelectableRaster& raster, const AbstractRasterFunction& function) {
    const Color colour = ReadShapeColor(function);
    const RenderScale scale(raster);
    const int32_t y1 = function.GetValue("Point1_Y").AsInt32();
    const int32_t x1 = function.GetValue("Point1_X").AsInt32();
    const int32_t y2 = function.GetValue("Point2_Y").AsInt32();
    const int32_t x2 = function.GetValue("Point2_X").AsInt32();
    const float thickness = float(scale.Length(function.GetValue("Line_Thickness").AsUInt32()));
    const bool infill = function.GetValue("Infill_Shape").AsInt32() != 0;
    const float h = thickness * 0.5f;
    const float p1x = scale.Point(x1), p1y = scale.Point(y1), p2x = scale.Point(x2), p2y = scale.Point(y2);
    const float minX = std::min(p1x, p2x), maxX = std::max(p1x, p2x);
    const float minY = std::min(p1y, p2y), maxY = std::max(p1y, p2y);
    // The interior holds the corners' pixels: the inclusive range of design
    // pixels reaches the outer pixels of the corner blocks.
    const float half = scale.HalfBlock();

    // The pixels to paint are found first and blended together.
    std::vector<uint32_t> painted;
    painted.reserve(raster.SelectedIndices().size());
    for (const uint32_t i : raster.SelectedIndices()) {
        const SelectableRaster::Point point = raster.IndexToPoint(i);
        const float x = float(point.x), y = float(point.y);
        // Sides centred on the lines through the corners, square corners,
        // both corners included.
        const bool horizontal =
            (std::fabs(y - p1y) <= h || std::fabs(y - p2y) <= h) && minX - h <= x && x <= h + maxX;
        const bool vertical =
            (std::fabs(x - p1x) <= h || std::fabs(x - p2x) <= h) && minY - h <= y && y <= h + maxY;
        const bool interior =
            infill && minX - half <= x && x <= maxX + half && minY - half <= y && y <= maxY + half;
        if (horizontal || vertical || interior)
            painted.push_back(i);
    }
    raster.BlendColourAt(painted, colour);
}
