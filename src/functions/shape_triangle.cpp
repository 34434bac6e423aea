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

namespace {

// The triangle's three edges as the pixel test reads them.
struct TriangleEdges {
    FloatPoint from[3], to[3];
    int thirdSide[3];  // Orient(from, to, the remaining vertex)
    float length[3];
    float h;           // half the line thickness
};

enum PixelVerdict : uint8_t { kOutside = 0, kPainted = 1, kIfInside = 2 };

// For a block of pixels with their projections onto the three edges: each
// lane does the scalar test's operations (Orient's products and tolerance
// included) with & and | in place of && and ||, which changes nothing as
// every operand is computed anyway.
__attribute__((target_clones("avx2", "default"))) void ClassifyBlock(
    const TriangleEdges& e, const float* __restrict xs, const float* __restrict ys,
    const float (*__restrict len)[kShapeBlock], const float (*__restrict dot)[kShapeBlock],
    const float (*__restrict dist)[kShapeBlock], uint8_t* __restrict verdict, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        bool confined = true, onEdge = false;
        int nearCount = 0;
        for (int k = 0; k < 3; ++k) {
            const float a = (xs[i] - e.to[k].x) * (e.to[k].y - e.from[k].y);
            const float b = (e.to[k].x - e.from[k].x) * (ys[i] - e.to[k].y);
            const float v = a - b;
            const bool zero = (v < 0.001f) & (v > -0.001f);
            const int orientation = (1 + int(v > 0.0f)) * int(!zero);
            const bool near = dist[k][i] <= e.h;
            nearCount += int(near);
            onEdge = onEdge | (near & (len[k][i] <= e.length[k]) & (dot[k][i] >= 0.0f));
            confined = confined & ((orientation == e.thirdSide[k]) | near);
        }
        const bool decided = onEdge | (nearCount >= 2);
        verdict[i] = uint8_t(int(confined) * (decided ? int(kPainted) : int(kIfInside)));
    }
}

}  // namespace

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

    // The pixels to paint are found first, a block of projections at a
    // time, and blended together.
    const std::vector<uint32_t>& selected = raster.SelectedIndices();
    uint32_t* painted = PaintedBuffer(selected.size());
    size_t paintedCount = 0;
    float xs[kShapeBlock], ys[kShapeBlock], len[3][kShapeBlock], dot[3][kShapeBlock], dist[3][kShapeBlock];
    uint8_t verdict[kShapeBlock];
    TriangleEdges edges;
    edges.h = h;
    for (int k = 0; k < 3; ++k) {
        edges.from[k] = f[k];
        edges.to[k] = f[(k + 1) % 3];
        edges.thirdSide[k] = thirdSide[k];
        edges.length[k] = edge[k].length;
    }
    for (size_t start = 0; start < selected.size(); start += kShapeBlock) {
        const size_t n = std::min(kShapeBlock, selected.size() - start);
        BlockPositions(selected.data() + start, n, raster.Width(), xs, ys);
        for (int k = 0; k < 3; ++k) ProjectBlockOntoSegment(edge[k], xs, ys, len[k], dot[k], dist[k], n);
        ClassifyBlock(edges, xs, ys, len, dot, dist, verdict, n);
        // The polygon test is pure, so it is only run when it can decide:
        // filled, for a pixel confined but on no edge.
        for (size_t j = 0; j < n && infill; ++j) {
            if (verdict[j] != kIfInside) continue;
            const uint32_t y = uint32_t(ys[j]);
            if (markedRow != int64_t(y)) {
                markedRow = y;
                std::fill(insideRow.begin(), insideRow.end(), uint8_t(0));
                polygon.MarkRow(int32_t(y), 0, int32_t(raster.Width() - 1), insideRow.data());
            }
            verdict[j] = insideRow[uint32_t(xs[j])] != 0 ? kPainted : kOutside;
        }
        for (size_t j = 0; j < n; ++j) verdict[j] = verdict[j] == kPainted;
        paintedCount = KeepPainted(selected.data() + start, verdict, n, painted, paintedCount);
    }
    raster.BlendColourAt(painted, paintedCount, colour);
}
