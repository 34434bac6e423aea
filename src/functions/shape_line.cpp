#include "functions/shape_line.h"

#include <algorithm>
#include <vector>

#include "functions/shape_geometry.h"
#include "raster/selectable_raster.h"
#include "functions/render_scale.h"

const ParamLayout& LineRasterFunction::Layout() {
    static const ParamLayout layout{
        {"Color1_Red", kColorChannel}, {"Color1_Green", kColorChannel}, {"Color1_Blue", kColorChannel},
        {"Color1_Alpha", kColorChannel}, {"Separator", kSeparator},      {"Point1_X", kPosition},
        {"Point1_Y", kPosition},         {"Space", kSpace},              {"Point2_X", kPosition},
        {"Point2_Y", kPosition},         {"Separator", kSeparator},      {"Line_Thickness", kSize},
    };
    return layout;
}

namespace {

// Flat ends exactly at both points: no cap beyond them. & stands for &&,
// every operand being a plain comparison.
__attribute__((target_clones("avx2", "default"))) void PaintedBlock(float length, float h, const float* __restrict len,
                                                                    const float* __restrict dot,
                                                                    const float* __restrict dist,
                                                                    uint8_t* __restrict paint, size_t count) {
    for (size_t j = 0; j < count; ++j) {
        float along = len[j] / length;
        along = along < 0.0f ? 0.0f : along;
        paint[j] = uint8_t((dot[j] >= 0.0f) & (along <= 1.0f) & (dist[j] <= h));
    }
}

}  // namespace

void LineRasterFunction::Apply(SelectableRaster& raster, const AbstractRasterFunction& function) {
    const Color colour = ReadShapeColor(function);
    const RenderScale scale(raster);
    const float p1y = scale.Point(function.GetValue("Point1_Y").AsInt32());
    const float p1x = scale.Point(function.GetValue("Point1_X").AsInt32());
    float p2y = scale.Point(function.GetValue("Point2_Y").AsInt32());
    const float p2x = scale.Point(function.GetValue("Point2_X").AsInt32());
    const float thickness = float(scale.Length(function.GetValue("Line_Thickness").AsUInt32()));
    // A point-sized line gets a tiny direction so that the projection is defined.
    if (p1x == p2x && p1y == p2y) p2y = p2y + scale.Length(0.001f);
    const float h = thickness * 0.5f;
    const ShapeSegment segment = ShapeSegment::FromTo(p1x, p1y, p2x, p2y);

    // The pixels to paint are found first, a block of projections at a
    // time, and blended together.
    const std::vector<uint32_t>& selected = raster.SelectedIndices();
    const std::unique_ptr<uint32_t[]> paintedList = PaintedBuffer(selected.size());
    uint32_t* const painted = paintedList.get();
    size_t paintedCount = 0;
    float xs[kShapeBlock], ys[kShapeBlock], len[kShapeBlock], dot[kShapeBlock], dist[kShapeBlock];
    uint8_t paint[kShapeBlock];
    for (size_t start = 0; start < selected.size(); start += kShapeBlock) {
        const size_t n = std::min(kShapeBlock, selected.size() - start);
        BlockPositions(selected.data() + start, n, raster.Width(), xs, ys);
        ProjectBlockOntoSegment(segment, xs, ys, len, dot, dist, n);
        PaintedBlock(segment.length, h, len, dot, dist, paint, n);
        paintedCount = KeepPainted(selected.data() + start, paint, n, painted, paintedCount);
    }
    raster.BlendColourAt(painted, paintedCount, colour);
}
