#include "functions/gradient.h"

#include <xmmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "functions/render_scale.h"
#include "functions/lane_pick.h"
#include "functions/shape_geometry.h"
#include "raster/selectable_raster.h"

const ParamLayout& GradientRasterFunction::Layout() {
    static const ParamLayout layout{
        {"Color1_Red", kColorChannel}, {"Color1_Green", kColorChannel}, {"Color1_Blue", kColorChannel},
        {"Color1_Alpha", kColorChannel}, {"Space", kSpace},             {"Point1_X", kPosition},
        {"Point1_Y", kPosition},         {"Separator", kSeparator},     {"Color2_Red", kColorChannel},
        {"Color2_Green", kColorChannel}, {"Color2_Blue", kColorChannel}, {"Color2_Alpha", kColorChannel},
        {"Space", kSpace},               {"Point2_X", kPosition},       {"Point2_Y", kPosition},
    };
    return layout;
}

namespace {

// What does not change from pixel to pixel.
struct GradientLine {
    float p2x, p2y, dx, dy, l2, length;
    float a1, a2;
    float unit1[3], unit2[3];  // the end colours' r, g, b / 255
};

// The gradient's colour at each of count pixels (at most kBlock), every
// branch a select of values all lanes compute and each lane doing the rule's
// operations in their order; channels truncate as uint8_t(int(v)) does. A
// transparent mix divides by 1 instead of 0 and is then replaced by
// transparent black. The square roots (correctly rounded, whichever
// instruction takes them) run on their own between two vector loops: as
// library calls that may set errno they would stop the vectors.
constexpr size_t kBlock = 64;

__attribute__((target_clones("avx2", "default"))) void ProjectBlock(const GradientLine& line,
                                                                    const float* __restrict xs,
                                                                    const float* __restrict ys,
                                                                    float* __restrict squares,
                                                                    float* __restrict dots, size_t count) {
    const float p2x = line.p2x, p2y = line.p2y, dx = line.dx, dy = line.dy, l2 = line.l2;
    for (size_t i = 0; i < count; ++i) {
        // t is 0 at P2 and 1 at P1; the distance from the line plays no part.
        const float t = (dx * (p2x - xs[i]) + dy * (p2y - ys[i])) / l2;
        const float vx = dx * t;
        const float vy = dy * t;
        squares[i] = vx * vx + vy * vy;
        dots[i] = dx * vx + dy * vy;
    }
}

__attribute__((target_clones("avx2", "default"))) void MixBlock(const GradientLine& line,
                                                                const float* __restrict roots,
                                                                const float* __restrict dots,
                                                                uint32_t* __restrict out, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const float s = roots[i] / line.length;
        float f = Pick(s > 0.0f, s, 0.0f);
        f = Pick(f < 1.0f, f, 1.0f);
        f = Pick(dots[i] < 0.0f, 0.0f, f);
        float w = 1.0f - f;
        w = Pick(w < 0.0f, 0.0f, w);
        w = Pick(w > 1.0f, 1.0f, w);

        // Premultiplied mix: a transparent end adds transparency, not colour.
        const float b2 = line.a2 * w;
        const float b1 = (1.0f - w) * line.a1;
        const float alpha = b1 + b2;
        const bool clear = alpha == 0.0f;
        const float divisor = Pick(clear, 1.0f, alpha);
        auto channel = [&](int k) {
            return (uint32_t(int((line.unit1[k] * b1 + line.unit2[k] * b2) / divisor * 255.0f)) & 0xFFu) << (8 * k);
        };
        const uint32_t q = channel(0) | channel(1) | channel(2) | (uint32_t(int(alpha * 255.0f)) & 0xFFu) << 24;
        out[i] = q & (uint32_t(clear) - 1u);
    }
}

void GradientColours(const GradientLine& line, const float* xs, const float* ys, uint32_t* out, size_t count) {
    float squares[kBlock], dots[kBlock];
    ProjectBlock(line, xs, ys, squares, dots, count);
    size_t i = 0;
    for (; i + 4 <= count; i += 4) _mm_storeu_ps(squares + i, _mm_sqrt_ps(_mm_loadu_ps(squares + i)));
    for (; i < count; ++i) squares[i] = std::sqrt(squares[i]);
    MixBlock(line, squares, dots, out, count);
}

}  // namespace

void GradientRasterFunction::Apply(SelectableRaster& raster, const AbstractRasterFunction& function) {
    Color c1, c2;
    c1.a = function.GetValue("Color1_Alpha").AsUInt8();
    c1.b = function.GetValue("Color1_Blue").AsUInt8();
    c1.g = function.GetValue("Color1_Green").AsUInt8();
    c1.r = function.GetValue("Color1_Red").AsUInt8();
    c2.a = function.GetValue("Color2_Alpha").AsUInt8();
    c2.b = function.GetValue("Color2_Blue").AsUInt8();
    c2.g = function.GetValue("Color2_Green").AsUInt8();
    c2.r = function.GetValue("Color2_Red").AsUInt8();
    const RenderScale scale(raster);
    const float p1y = scale.Point(function.GetValue("Point1_Y").AsInt32());
    const float p1x = scale.Point(function.GetValue("Point1_X").AsInt32());
    float p2y = scale.Point(function.GetValue("Point2_Y").AsInt32());
    const float p2x = scale.Point(function.GetValue("Point2_X").AsInt32());
    // The nudge that gives coinciding points a direction is a length too.
    if (p1x == p2x && p1y == p2y) p2y = p2y + scale.Length(0.001f);

    GradientLine line;
    line.p2x = p2x;
    line.p2y = p2y;
    line.dx = p2x - p1x;
    line.dy = p2y - p1y;
    line.l2 = line.dx * line.dx + line.dy * line.dy;
    line.length = std::sqrt(line.l2);
    line.a1 = float(c1.a) / 255.0f;
    line.a2 = float(c2.a) / 255.0f;
    const uint8_t k1[3] = {c1.r, c1.g, c1.b}, k2[3] = {c2.r, c2.g, c2.b};
    for (int k = 0; k < 3; ++k) line.unit1[k] = float(k1[k]) / 255.0f, line.unit2[k] = float(k2[k]) / 255.0f;

    // The gradient's colours are worked out a block of pixels at a time and
    // blended together.
    const std::vector<uint32_t>& selected = raster.SelectedIndices();
    float xs[kBlock], ys[kBlock];
    uint32_t words[kBlock];
    Color over[kBlock];
    for (size_t start = 0; start < selected.size(); start += kBlock) {
        const size_t n = std::min(kBlock, selected.size() - start);
        BlockPositions(selected.data() + start, n, raster.Width(), xs, ys);
        GradientColours(line, xs, ys, words, n);
        std::memcpy(over, words, n * sizeof(Color));
        raster.BlendAt(selected.data() + start, n, over);
    }
}
