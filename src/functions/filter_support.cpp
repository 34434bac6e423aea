#include "functions/filter_support.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>
#include <thread>

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

namespace {

// The rows firstRow .. lastRow of one thread, in column tiles. Built also
// for AVX2 (wider lanes, the same operations on each: no fused multiply-add).
__attribute__((target_clones("avx2", "default"))) void AddTapsToRows(AverageAccumulator& sums, const PaddedPlanes& source, const std::vector<AverageAccumulator::Tap>& taps,
                   uint32_t firstRow, uint32_t lastRow) {
    const int64_t m = source.margin;
    // A tile's source rows for every tap (2m + 1 rows of four planes) fit in about 1 MiB.
    const uint32_t tile = uint32_t(std::clamp<int64_t>((int64_t(1) << 16) / (2 * m + 1), 64, sums.width));
    for (uint32_t x0 = 0; x0 < sums.width; x0 += tile) {
        const uint32_t count = std::min(tile, sums.width - x0);
        for (uint32_t y = firstRow; y <= lastRow && y < sums.height; ++y) {
            const size_t to = size_t(y) * sums.width + x0;
            for (const AverageAccumulator::Tap& tap : taps) {
                const size_t from = size_t(int64_t(y) + tap.dy + m) * source.stride + size_t(m + tap.dx) + x0;
                AddWeightedRow(sums.r.data() + to, source.r.data() + from, tap.weight, count);
                AddWeightedRow(sums.g.data() + to, source.g.data() + from, tap.weight, count);
                AddWeightedRow(sums.b.data() + to, source.b.data() + from, tap.weight, count);
                AddWeightedRow(sums.w.data() + to, source.a.data() + from, tap.weight, count);
            }
        }
    }
}

}  // namespace

void AverageAccumulator::AddTaps(const PaddedPlanes& source, const std::vector<Tap>& taps, uint32_t firstRow,
                                 uint32_t lastRow, uint32_t threads) {
    lastRow = std::min(lastRow, height - 1);
    if (firstRow > lastRow) return;
    const uint64_t rows = lastRow - firstRow + 1;
    // Threads pay only for a few million terms or more.
    const uint64_t work = rows * width * taps.size();
    const uint32_t parts = uint32_t(std::min<uint64_t>({threads, rows, std::max<uint64_t>(1, work >> 22)}));
    std::vector<std::thread> helpers;
    for (uint32_t part = 1; part < parts; ++part) {
        const uint32_t a = firstRow + uint32_t(rows * part / parts), b = firstRow + uint32_t(rows * (part + 1) / parts) - 1;
        try {
            helpers.emplace_back([=, &source, &taps] { AddTapsToRows(*this, source, taps, a, b); });
        } catch (const std::system_error&) {
            AddTapsToRows(*this, source, taps, a, b);  // no thread to spare: this one does it
        }
    }
    AddTapsToRows(*this, source, taps, firstRow, firstRow + uint32_t(rows / parts) - 1);
    for (std::thread& helper : helpers) helper.join();
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
    std::vector<AverageAccumulator::Tap> taps;
    for (const auto& [dx, dy] : offsets) taps.push_back({dx, dy, weight});
    sums.AddTaps(source, taps, firstRow, lastRow, raster.Threads());
    for (const uint32_t i : selected) raster.SetPixel(int32_t(i), sums.Resolve(i));
}
