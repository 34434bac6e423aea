#include "functions/shape_triangle.h"

#include <algorithm>
#include <vector>

#include "functions/shape_geometry.h"
#include "raster/polygon.h"
#include "raster/selectable_raster.h"
#include "functions/render_scale.h"

const ParamLayout& ShapeTriangleRasterFunction::Layout() {
    static const ParamLayout layout{
        {"Color1_Red", kColorChannel}, {"Color1_Green", kColorChannel}, {"Color1_Blue", kColorChannel},
        {"Color1_Alpha", kColorChannel}, {"Separator", kSeparator},      {"Point1_X", kPosition},
        {"Point1_Y", kPosition},         {"Space", kSpace},              {"Point2_X", kPosition},
        {"Point2_Y", kPosition},         {"Space", kSpace},              {"Point3_X", kPosition},
        {"Point3_Y", kPosition},         {"Separator", kSeparator},      {"Infill_Shape", kToggle},
        {"Line_Thickness", kSize},
    };
    return layout;
}

void ShapeTriangleRasterFunction::Apply(SelectableRaster& raster, const AbstractRasterFunction& function) {
    const Color colour = ReadShapeColor(function);
    const RenderScale scale(raster);
    RasterPoint v[3];
    v[0].y = scale.WholePoint(function.GetValue("Point1_Y").AsInt32());
    v[0].x = scale.WholePoint(function.GetValue("Point1_X").AsInt32());
    v[1].y = scale.WholePoint(function.GetValue("Point2_Y").AsInt32());
    v[1].x = scale.WholePoint(function.GetValue("Point2_X").AsInt32());
    v[2].y = scale.WholePoint(function.GetValue("Point3_Y").AsInt32());
    v[2].x = scale.WholePoint(function.GetValue("Point3_X").AsInt32());
    const float thickness = float(scale.Length(function.GetValue("Line_Thickness").AsUInt32()));
    const bool infill = function.GetValue("Infill_Shape").AsInt32() != 0;
    const float h = thickness * 0.5f;

    FloatPoint f[3];
    for (int k = 0; k < 3; ++k) f[k] = FloatPoint{float(v[k].x), float(v[k].y)};
    // Edge k runs from vertex k to vertex k+1 (AB, BC, CA); its end is the
    // second vertex and the remaining vertex is its "third".
    ShapeSegment edge[3];
    int thirdSide[3];
    for (int k = 0; k < 3; ++k) {
        const FloatPoint a = f[k], b = f[(k + 1) % 3], c = f[(k + 2) % 3];
        edge[k] = ShapeSegment::FromTo(a.x, a.y, b.x, b.y);
        thirdSide[k] = Orient(a, b, c);
    }
    // Collinear or coincident vertices: nothing to draw.
    if (Orient(f[0], f[1], f[2]) == 0) return;
    // The fill is the polygon test, worked out a row at a time (the selected
    // pixels come row by row, upwards).
    PolygonTester polygon(RasterPolygon{v[0], v[1], v[2]});
    std::vector<uint8_t> insideRow(raster.Width());
    int64_t markedRow = -1;

    // The pixels to paint are found first and blended together.
    std::vector<uint32_t> painted;
    painted.reserve(raster.SelectedIndices().size());
    for (const uint32_t i : raster.SelectedIndices()) {
        const SelectableRaster::Point point = raster.IndexToPoint(i);
        const FloatPoint p{float(point.x), float(point.y)};
        bool confined = true;  // every edge: inner or near
        bool onEdge = false;
        int nearCount = 0;
        for (int k = 0; k < 3; ++k) {
            const SegmentProjection pr = ProjectOntoSegment(edge[k], p.x, p.y);
            const bool near = pr.dist <= h;
            const bool inner = Orient(f[k], f[(k + 1) % 3], p) == thirdSide[k];
            nearCount += near;
            onEdge = onEdge || (near && pr.len <= edge[k].length && pr.dot >= 0.0f);
            confined = confined && (inner || near);
        }
        if (!confined) continue;
        // The polygon test is pure, so it is only run when it can decide.
        if (infill && !onEdge && nearCount < 2 && markedRow != int64_t(point.y)) {
            markedRow = point.y;
            std::fill(insideRow.begin(), insideRow.end(), uint8_t(0));
            polygon.MarkRow(int32_t(point.y), 0, int32_t(raster.Width() - 1), insideRow.data());
        }
        const bool paint = onEdge || nearCount >= 2 || (infill && insideRow[point.x] != 0);
        if (paint) painted.push_back(i);
    }
    raster.BlendColourAt(painted, colour);
}
