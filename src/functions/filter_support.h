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
#include <functional>
#include <memory>
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

// One sample of an average: the pixel at offset (dx, dy), with a weight.
struct BlurTap {
    int32_t dx, dy;
    float weight;
};

// An allocator that leaves new elements uninitialised: storage that is
// written in full before it is read needs no zeroing pass.
template <typename T>
struct UninitialisedAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = UninitialisedAllocator<U>;
    };
    UninitialisedAllocator() = default;
    template <typename U>
    UninitialisedAllocator(const UninitialisedAllocator<U>&) {}
    template <typename U>
    void construct(U* at) {
        ::new (static_cast<void*>(at)) U;
    }
    template <typename U, typename... Args>
    void construct(U* at, Args&&... args) {
        ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }
};
using FloatStorage = std::vector<float, UninitialisedAllocator<float>>;

// Working storage of the blurs, one per thread and kept between applications,
// so that a generation does not fault in fresh pages for every blur.
struct BlurScratch {
    FloatStorage planes;        // a band of the source pixels prepared for averaging
    std::vector<Color> source;  // a copy of committed pixels, when needed
    FloatStorage between;       // a band of a first pass's result, prepared for the second
    std::vector<Color> result;
};
BlurScratch& blurScratch();

// For every pixel (x, y) of rows firstRow .. lastRow of the width x height
// image `pixels`, the alpha-weighted average of the pixels at (x + dx, y + dy)
// with the taps' weights, every read clamped to the image's edge, the terms
// summed in tap order: out[y * width + x] receives it (other rows of `out`
// are left alone). Bit for bit the plain per-pixel sum: pixels are computed
// side by side in vector lanes, each lane doing the scalar operations in the
// scalar order, and the rows are split over up to `threads` threads.
// Memory: per thread, four planes of (width + 2 min(max |dx|, width) + 8)
// floats by a band of at most min(max(32, 8 max |dy|) + 2 max |dy|, height)
// rows, whatever the offsets; a single tap of weight 1 needs none.
void AverageTaps(const Color* pixels, uint32_t width, uint32_t height, std::vector<BlurTap> taps,
                 uint32_t firstRow, uint32_t lastRow, uint32_t threads, Color* out);
// Two such averages in a row: the `first` taps over the image, then the
// `second` taps (all with dy = 0) over that result, as AverageTaps twice with
// the first result as the second's image.
void AverageTapsThenAlongRows(const Color* pixels, uint32_t width, uint32_t height, std::vector<BlurTap> first,
                              std::vector<BlurTap> second, uint32_t firstRow, uint32_t lastRow, uint32_t threads,
                              Color* out);

// The committed pixels of the raster's current layer (or of the previous
// pass), row by row; `copy` holds them when they are not stored as one block.
const Color* CommittedPixels(const SelectableRaster& raster, std::vector<Color>& copy);

// average(out) writes the average of every selected pixel, indexed as the
// raster, into out: the working canvas itself when every pixel is selected,
// otherwise the thread's scratch, whose selected pixels are then set.
void AverageIntoSelection(SelectableRaster& raster, const std::function<void(Color* out)>& average);

using SampleOffsets = std::vector<std::pair<int32_t, int32_t>>;
// Sets every selected pixel to the alpha-weighted average of the committed
// pixels at the given offsets from it, each with the same weight, summed in
// the offsets' order (with up to raster.Threads() threads).
void AverageAtOffsets(SelectableRaster& raster, const SampleOffsets& offsets, float weight);

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

// The largest blur Distance read as it is: ten times the raster's larger
// side (1000 at the 100 x 100 design size, the same design length at every
// size), and at least 1000. A larger Distance is read as this: the work per
// pixel, about 4 * Distance terms, stays bounded by the raster's size.
uint32_t BlurReach(const SelectableRaster& raster);
