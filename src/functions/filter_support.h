#pragma once
// Helpers shared by the filters: the alpha-weighted average, rounding of
// offsets, and the reading of values that only a hand-made project file can
// hold (the editor never produces them).
//
// Alpha-weighted average of samples p_k with weights w_k, single precision,
// a_k = A_k / 255:
//   R = (sum R_k/255 * a_k * w_k) / W * 255,  W = sum a_k * w_k,  A = W * 255
// each truncated toward zero. Colour counts in proportion to opacity, so
// transparent samples add no colour; W = 0 gives 0x00000000.
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "raster/color.h"

class SelectableRaster;

// A pixel prepared for averaging: r = (R/255) * a, ..., a = A/255, so that a
// sample's term is r * w, exactly R/255 * a * w evaluated left to right.
struct WeightedColor {
    float r, g, b, a;
};

inline WeightedColor Weigh(Color c) {
    const float a = float(c.a) / 255.0f;
    return {float(c.r) / 255.0f * a, float(c.g) / 255.0f * a, float(c.b) / 255.0f * a, a};
}

inline Color ResolveAverage(float r, float g, float b, float w) {
    if (w == 0.0f) return kTransparentBlack;
    return Color(TruncateToChannel(r / w * 255.0f), TruncateToChannel(g / w * 255.0f),
                 TruncateToChannel(b / w * 255.0f), TruncateToChannel(w * 255.0f));
}

// The committed pixels prepared for averaging, as four planes with a border of
// `margin` pixels on every side that repeats the edge pixels: reading at any
// offset within the margin equals a clamped read of the raster.
struct PaddedPlanes {
    uint32_t width = 0, height = 0, margin = 0, stride = 0;
    std::vector<float> r, g, b, a;
    // Fills the planes from the raster's committed pixels, reusing storage.
    void Load(const SelectableRaster& raster, uint32_t margin);
};

// One running alpha-weighted sum per pixel of the raster, as planes.
struct AverageAccumulator {
    uint32_t width = 0, height = 0;
    std::vector<float> r, g, b, w;
    // All sums to zero for a width x height raster, reusing storage.
    void Reset(uint32_t width, uint32_t height);
    // Adds, for every pixel (x, y) of rows firstRow .. lastRow and every tap
    // in order, the sample at (x + dx, y + dy) with the tap's weight; |dx|,
    // |dy| <= source.margin. Each pixel's sums receive their terms in tap
    // order whatever the loop order, so the work is done in column tiles whose
    // source rows stay in cache, and split by rows over up to `threads`
    // threads, without changing any bit.
    struct Tap {
        int32_t dx, dy;
        float weight;
    };
    void AddTaps(const PaddedPlanes& source, const std::vector<Tap>& taps, uint32_t firstRow, uint32_t lastRow,
                 uint32_t threads);
    Color Resolve(size_t index) const { return ResolveAverage(r[index], g[index], b[index], w[index]); }
};

// Working storage of the blurs, one per thread and kept between applications,
// so that a generation does not fault in fresh pages for every blur.
struct BlurScratch {
    PaddedPlanes source;
    AverageAccumulator sums;
};
BlurScratch& blurScratch();

using SampleOffsets = std::vector<std::pair<int32_t, int32_t>>;
// Sets every selected pixel to the alpha-weighted average of the committed
// pixels at the given offsets from it, each with the same weight, summed in
// the offsets' order (with up to raster.Threads() threads). Offsets beyond the raster's size are cut there first:
// a clamped read that far out is the edge pixel either way.
void AverageAtOffsets(SelectableRaster& raster, SampleOffsets offsets, float weight);

// nearest(v): rounded to the nearest integer, halves away from zero. Sample
// positions are clamped to the raster anyway, so offsets saturate at
// +-kOffsetLimit (far beyond any raster) and NaN gives 0 instead of the
// undefined float-to-int conversion.
constexpr int64_t kOffsetLimit = int64_t(1) << 40;
inline int64_t NearestSaturated(float v) {
    if (std::isnan(v)) return 0;
    const float r = std::round(v);
    if (r >= float(kOffsetLimit)) return kOffsetLimit;
    if (r <= -float(kOffsetLimit)) return -kOffsetLimit;
    return int64_t(r);
}
// nearest(v) for a sample offset, clamped so that adding it to a pixel
// position stays within 32 bits; any offset past the raster samples its edge.
inline int32_t NearestOffset(float v) {
    const int64_t n = NearestSaturated(v);
    constexpr int64_t kLimit = int64_t(1) << 30;
    return int32_t(n < -kLimit ? -kLimit : (n > kLimit ? kLimit : n));
}

// An angle from a project file: infinite or NaN angles have no direction and
// are read as 0 degrees.
inline float FiniteAngle(float degrees) { return std::isfinite(degrees) ? degrees : 0.0f; }

// The raster's reach: the larger of its sides, and at least 100, the largest
// Size and CellSize the editor's sliders give. A blur Distance or a crystal
// cell beyond it only repeats edge pixels, so larger values are read as this.
uint32_t FilterReach(const SelectableRaster& raster);
