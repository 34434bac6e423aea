#include "functions/filter_support.h"

#include <algorithm>
#include <cstdlib>

#include "raster/selectable_raster.h"

uint32_t FilterReach(const SelectableRaster& raster) {
    return std::max({100u, raster.Width(), raster.Height()});
}

void PaddedPlanes::Load(const SelectableRaster& raster, uint32_t margin_) {
    width = raster.Width();
    height = raster.Height();
    margin = margin_;
    stride = width + 2 * margin;
    const size_t size = size_t(stride) * (height + 2 * margin);
    r.resize(size);
    g.resize(size);
    b.resize(size);
    a.resize(size);
    const int64_t m = margin;
    for (int64_t py = 0; py < int64_t(height) + 2 * m; ++py) {
        for (int64_t px = 0; px < int64_t(stride); ++px) {
            // GetPixelAt clamps to the nearest edge pixel.
            const WeightedColor c = Weigh(raster.GetPixelAt(int32_t(px - m), int32_t(py - m), false));
            const size_t at = size_t(py) * stride + size_t(px);
            r[at] = c.r;
            g[at] = c.g;
            b[at] = c.b;
            a[at] = c.a;
        }
    }
}

void AverageAccumulator::Reset(uint32_t width_, uint32_t height_) {
    width = width_;
    height = height_;
    const size_t size = size_t(width) * height;
    for (std::vector<float>* plane : {&r, &g, &b, &w}) plane->assign(size, 0.0f);
}

BlurScratch& blurScratch() {
    thread_local BlurScratch scratch;
    return scratch;
}

namespace {

// sums[x] += samples[x] * weight. Lanes are independent pixels, each getting
// one term per call, so vectorising changes no bit of any pixel's sum.
void AddWeightedRow(float* __restrict sums, const float* __restrict samples, float weight, uint32_t count) {
    for (uint32_t x = 0; x < count; ++x) sums[x] += samples[x] * weight;
}

}  // namespace

void AverageAccumulator::AddShifted(const PaddedPlanes& source, int32_t dx, int32_t dy, float weight,
                                    uint32_t firstRow, uint32_t lastRow) {
    const int64_t m = source.margin;
    for (uint32_t y = firstRow; y <= lastRow && y < height; ++y) {
        const size_t from = size_t(int64_t(y) + dy + m) * source.stride + size_t(m + dx);
        const size_t to = size_t(y) * width;
        AddWeightedRow(r.data() + to, source.r.data() + from, weight, width);
        AddWeightedRow(g.data() + to, source.g.data() + from, weight, width);
        AddWeightedRow(b.data() + to, source.b.data() + from, weight, width);
        AddWeightedRow(w.data() + to, source.a.data() + from, weight, width);
    }
}

void AverageAtOffsets(SelectableRaster& raster, SampleOffsets offsets, float weight) {
    const std::vector<uint32_t>& selected = raster.SelectedIndices();
    if (selected.empty()) return;
    const int32_t reach = int32_t(std::max(raster.Width(), raster.Height()));
    uint32_t margin = 0;
    for (auto& [dx, dy] : offsets) {
        dx = std::clamp(dx, -reach, reach);
        dy = std::clamp(dy, -reach, reach);
        margin = std::max({margin, uint32_t(std::abs(dx)), uint32_t(std::abs(dy))});
    }
    BlurScratch& scratch = blurScratch();
    PaddedPlanes& source = scratch.source;
    AverageAccumulator& sums = scratch.sums;
    source.Load(raster, margin);
    sums.Reset(raster.Width(), raster.Height());
    const uint32_t firstRow = selected.front() / raster.Width();
    const uint32_t lastRow = selected.back() / raster.Width();
    for (const auto& [dx, dy] : offsets) sums.AddShifted(source, dx, dy, weight, firstRow, lastRow);
    for (const uint32_t i : selected) raster.SetPixel(int32_t(i), sums.Resolve(i));
}
