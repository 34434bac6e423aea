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

namespace {

// The rectangle's lines and bounds, each bound formed as the test writes it.
struct RectSides {
    float p1x, p1y, p2x, p2y, h;
    float left, right, bottom, top;                      // minX - h, h + maxX, ...
    float innerLeft, innerRight, innerBottom, innerTop;  // minX - half, maxX + half, ...
    bool infill;
};

// Sides centred on the lines through the corners, square corners, both
// corners included; with infill the interior too. & and | stand for && and
// ||: every operand is a plain comparison, so nothing changes.
__attribute__((target_clones("avx2", "default"))) void PaintedBlock(const RectSides& r, const float* __restrict xs,
                                                                    const float* __restrict ys,
                                                                    uint8_t* __restrict paint, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const float x = xs[i], y = ys[i];
        const bool horizontal = ((std::fabs(y - r.p1y) <= r.h) | (std::fabs(y - r.p2y) <= r.h)) & (r.left <= x) &
                                (x <= r.right);
        const bool vertical = ((std::fabs(x - r.p1x) <= r.h) | (std::fabs(x - r.p2x) <= r.h)) & (r.bottom <= y) &
                              (y <= r.top);
        const bool interior = r.infill & (r.innerLeft <= x) & (x <= r.innerRight) & (r.innerBottom <= y) &
                              (y <= r.innerTop);
        paint[i] = uint8_t(horizontal | vertical | interior);
    }
}

}  // namespace

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

    // The pixels to paint are found first, a block at a time with every
    // test a lane operation, and blended together.
    const RectSides sides{p1x, p1y, p2x, p2y, h, minX - h, h + maxX, minY - h, h + maxY,
                          minX - half, maxX + half, minY - half, maxY + half, infill};
    const std::vector<uint32_t>& selected = raster.SelectedIndices();
    std::vector<uint32_t> painted(selected.size());
    size_t paintedCount = 0;
    float xs[kShapeBlock], ys[kShapeBlock];
    uint8_t paint[kShapeBlock];
    for (size_t start = 0; start < selected.size(); start += kShapeBlock) {
        const size_t n = std::min(kShapeBlock, selected.size() - start);
        BlockPositions(selected.data() + start, n, raster.Width(), xs, ys);
        PaintedBlock(sides, xs, ys, paint, n);
        paintedCount = KeepPainted(selected.data() + start, paint, n, painted.data(), paintedCount);
    }
    painted.resize(paintedCount);
    raster.BlendColourAt(painted, colour);
}
