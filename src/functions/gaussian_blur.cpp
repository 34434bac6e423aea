#include "functions/gaussian_blur.h"

#include <algorithm>
#include <cmath>

#include "functions/filter_support.h"
#include "raster/selectable_raster.h"
#include "functions/render_scale.h"

const ParamLayout& GaussianBlurRasterFunction::Layout() {
    static const ParamLayout layout{
        {"Distance", kSize},
    };
    return layout;
}

std::vector<float> GaussianKernel(uint32_t distance) {
    const int32_t d = int32_t(distance);
    std::vector<float> kernel(size_t(2 * d + 1));
    float sum = 0.0f;
    for (int32_t o = -d; o <= d; ++o) {
        const float q = float(o) / float(d);
        const float weight = std::exp(-0.5f * (q * q));  // single-precision exp
        kernel[size_t(o + d)] = weight;
        sum += weight;
    }
    for (float& weight : kernel) weight = weight / sum;
    return kernel;
}

void GaussianBlurRasterFunction::Apply(SelectableRaster& raster, const AbstractRasterFunction& function) {
    uint32_t distance = RenderScale(raster).Length(function.GetValue("Distance").AsUInt32());
    // A Gaussian of no width leaves the pixels as they are.
    if (distance == 0) return;
    distance = std::min(distance, FilterReach(raster));
    const std::vector<float> kernel = GaussianKernel(distance);
    const int32_t d = int32_t(distance);
    const uint32_t width = raster.Width(), height = raster.Height();

    BlurScratch& scratch = blurScratch();
    PaddedPlanes& source = scratch.source;
    AverageAccumulator& sums = scratch.sums;

    // Vertical pass over every pixel, from the layer as it was.
    {
        source.Load(raster, distance);
        sums.Reset(width, height);
        std::vector<AverageAccumulator::Tap> taps;
        for (int32_t o = -d; o <= d; ++o) taps.push_back({0, o, kernel[size_t(o + d)]});
        sums.AddTaps(source, taps, 0, height - 1, raster.Threads());
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                raster.SetPixelAt(int32_t(x), int32_t(y), sums.Resolve(size_t(y) * width + x));
    }
    raster.BeginPass();

    // Horizontal pass over the selection, from the vertical result.
    const std::vector<uint32_t>& selected = raster.SelectedIndices();
    if (selected.empty()) return;
    source.Load(raster, distance);
    sums.Reset(width, height);
    const uint32_t firstRow = selected.front() / width;
    const uint32_t lastRow = selected.back() / width;
    std::vector<AverageAccumulator::Tap> taps;
    for (int32_t o = -d; o <= d; ++o) taps.push_back({o, 0, kernel[size_t(o + d)]});
    sums.AddTaps(source, taps, firstRow, lastRow, raster.Threads());
    for (const uint32_t i : selected) raster.SetPixel(int32_t(i), sums.Resolve(i));
}
