#include "functions/filter_support.h"

#include <algorithm>

#include "raster/selectable_raster.h"

std::vector<WeightedColor> WeighCommittedPixels(const SelectableRaster& raster) {
    const uint32_t width = raster.Width(), height = raster.Height();
    std::vector<WeightedColor> pixels(size_t(width) * height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            pixels[size_t(y) * width + x] = Weigh(raster.GetPixelAt(int32_t(x), int32_t(y), false));
    return pixels;
}

uint32_t MaxBlurReach(const SelectableRaster& raster) {
    return std::max({100u, raster.Width(), raster.Height()});
}

PaddedPlanes WeighCommittedPixelsPadded(const SelectableRaster& raster, uint32_t margin) {
    PaddedPlanes planes;
    planes.width = raster.Width();
    planes.height = raster.Height();
    planes.margin = margin;
    planes.stride = planes.width + 2 * margin;
    const size_t size = size_t(planes.stride) * (planes.height + 2 * margin);
    planes.r.resize(size);
    planes.g.resize(size);
    planes.b.resize(size);
    planes.a.resize(size);
    const int64_t m = margin;
    for (int64_t py = 0; py < int64_t(planes.height) + 2 * m; ++py) {
        for (int64_t px = 0; px < int64_t(planes.stride); ++px) {
            // GetPixelAt clamps to the nearest edge pixel.
            const int32_t x = int32_t(px - m), y = int32_t(py - m);
            const WeightedColor c = Weigh(raster.GetPixelAt(x, y, false));
            const size_t at = size_t(py) * planes.stride + size_t(px);
            planes.r[at] = c.r;
            planes.g[at] = c.g;
            planes.b[at] = c.b;
            planes.a[at] = c.a;
        }
    }
    return planes;
}

AverageAccumulator::AverageAccumulator(uint32_t width_, uint32_t height_)
    : width(width_),
      height(height_),
      r(size_t(width_) * height_, 0.0f),
      g(size_t(width_) * height_, 0.0f),
      b(size_t(width_) * height_, 0.0f),
      w(size_t(width_) * height_, 0.0f) {}

void AverageAccumulator::AddShifted(const PaddedPlanes& source, int32_t dx, int32_t dy, float weight,
                                    uint32_t firstRow, uint32_t lastRow) {
    const int64_t m = source.margin;
    for (uint32_t y = firstRow; y <= lastRow && y < height; ++y) {
        const size_t from = size_t(int64_t(y) + dy + m) * source.stride + size_t(m + dx);
        const size_t to = size_t(y) * width;
        const float* __restrict sr = source.r.data() + from;
        const float* __restrict sg = source.g.data() + from;
        const float* __restrict sb = source.b.data() + from;
        const float* __restrict sa = source.a.data() + from;
        float* __restrict ar = r.data() + to;
        float* __restrict ag = g.data() + to;
        float* __restrict ab = b.data() + to;
        float* __restrict aw = w.data() + to;
        // Each pixel's sums get this one term: the order over calls is kept,
        // and lanes are independent pixels, so vectorising changes no bit.
        for (uint32_t x = 0; x < width; ++x) {
            ar[x] += sr[x] * weight;
            ag[x] += sg[x] * weight;
            ab[x] += sb[x] * weight;
            aw[x] += sa[x] * weight;
        }
    }
}
