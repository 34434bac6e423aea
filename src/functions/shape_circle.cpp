#include "functions/shape_circle.h"

#include <algorithm>
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

namespace {

// Each pixel's squared distance from the centre, x term first.
__attribute__((target_clones("avx2", "default"))) void SquaredDistances(float cx, float cy, const float* __restrict xs,
                                                                        const float* __restrict ys,
                                                                        float* __restrict squares, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const float ox = cx - xs[i];
        const float oy = cy - ys[i];
        squares[i] = ox * ox + oy * oy;
    }
}

// On the ring of the given half thickness, or within the radius when filled;
// | stands for ||, both operands being plain comparisons.
__attribute__((target_clones("avx2", "default"))) void PaintedBlock(float radius, float h, bool infill,
                                                                    const float* __restrict dist,
                                                                    uint8_t* __restrict paint, size_t count) {
    for (size_t i = 0; i < count; ++i)
        paint[i] = uint8_t((std::fabs(dist[i] - radius) <= h) | (infill & (dist[i] <= radius)));
}

}  // namespace

void ShapeCircleRasterFunction::Apply(SelectableRaster& raster, const AbstractRasterFunction& function) {
    const Color colour = ReadShapeColor(function);
    const RenderScale scale(raster);
    const float cy = scale.Point(function.GetValue("Point1_Y").AsInt32());
    const float cx = scale.Point(function.GetValue("Point1_X").AsInt32());
    const float radius = float(scale.Length(function.GetValue("Circle_Radius").AsUInt32()));
    const float thickness = float(scale.Length(function.GetValue("Line_Thickness").AsUInt32()));
    const bool infill = function.GetValue("Infill_Shape").AsInt32() != 0;
    const float h = thickness * 0.5f;

    // The pixels to paint are found first, a block at a time, and blended
    // together.
    const std::vector<uint32_t>& selected = raster.SelectedIndices();
    const std::unique_ptr<uint32_t[]> paintedList = PaintedBuffer(selected.size());
    uint32_t* const painted = paintedList.get();
    size_t paintedCount = 0;
    float xs[kShapeBlock], ys[kShapeBlock], dist[kShapeBlock];
    uint8_t paint[kShapeBlock];
    for (size_t start = 0; start < selected.size(); start += kShapeBlock) {
        const size_t n = std::min(kShapeBlock, selected.size() - start);
        BlockPositions(selected.data() + start, n, raster.Width(), xs, ys);
        SquaredDistances(cx, cy, xs, ys, dist, n);
        SquareRoots(dist, n);
        PaintedBlock(radius, h, infill, dist, paint, n);
        paintedCount = KeepPainted(selected.data() + start, paint, n, painted, paintedCount);
    }
    raster.BlendColourAt(painted, paintedCount, colour);
}
