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

// The fill's polygon test a row at a time (the selected pixels come row by
// row, upwards); the test is pure, so a row is only marked when one of its
// pixels needs it.
class InsideRows {
public:
    InsideRows(const RasterPolygon& triangle, uint32_t width) : polygon_(triangle), row_(width), width_(width) {}
    const uint8_t* Row(uint32_t y) {
        if (marked_ != int64_t(y)) {
            marked_ = y;
            std::fill(row_.begin(), row_.end(), uint8_t(0));
            polygon_.MarkRow(int32_t(y), 0, int32_t(width_ - 1), row_.data());
        }
        return row_.data();
    }

private:
    PolygonTester polygon_;
    std::vector<uint8_t> row_;
    uint32_t width_;
    int64_t marked_ = -1;
};

// A block's verdicts as paint flags, 1 where painted: kPainted, or
// kIfInside and filled (inside given) and inside the triangle. The block's
// pixels are indices[j] at (xs[j], ys[j]).
void PaintFlags(uint8_t* verdict, const uint32_t* indices, const float* xs, const float* ys, size_t count, uint32_t width,
                InsideRows* inside) {
    for (size_t j0 = 0, j1 = 0; j0 < count; j0 = j1) {  // a row's stretch at a time
        bool needed = false;
        for (j1 = j0; j1 < count && ys[j1] == ys[j0]; ++j1) needed |= verdict[j1] == kIfInside;
        if (!needed || inside == nullptr) {
            for (size_t j = j0; j < j1; ++j) verdict[j] = verdict[j] == kPainted;
            continue;
        }
        const uint8_t* row = inside->Row(uint32_t(ys[j0]));
        const uint32_t x0 = uint32_t(xs[j0]);
        // Consecutive columns x0 .. of the row, each exact as a float: the flags lie side by side.
        if (width <= (1u << 24) && indices[j1 - 1] - indices[j0] == j1 - 1 - j0 && x0 + (j1 - j0) <= width) {
            const uint8_t* in = row + x0;
            for (size_t j = j0; j < j1; ++j)
                verdict[j] = uint8_t((verdict[j] == kPainted) | ((verdict[j] == kIfInside) & (in[j - j0] != 0)));
            continue;
        }
        for (size_t j = j0; j < j1; ++j) {
            const bool in = row[std::min(uint32_t(xs[j]), width - 1)] != 0;
            verdict[j] = uint8_t((verdict[j] == kPainted) | ((verdict[j] == kIfInside) & in));
        }
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
    // The fill is the polygon test.
    InsideRows insideRows(RasterPolygon{v[0], v[1], v[2]}, raster.Width());

    // The pixels to paint are found first, a block of projections at a
    // time, and blended together.
    const std::vector<uint32_t>& selected = raster.SelectedIndices();
    const std::unique_ptr<uint32_t[]> paintedList = PaintedBuffer(selected.size());
    uint32_t* const painted = paintedList.get();
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
        PaintFlags(verdict, selected.data() + start, xs, ys, n, raster.Width(), infill ? &insideRows : nullptr);
        paintedCount = KeepPainted(selected.data() + start, verdict, n, painted, paintedCount);
    }
    raster.BlendColourAt(painted, paintedCount, colour);
}
