#include "functions/gaussian_blur.h"

#include <algorithm>
#include <cmath>
#include <utility>

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
    distance = std::min(distance, BlurReach(raster));
    // Nothing selected: the first pass would be seen by no pixel.
    const std::vector<uint32_t>& selected = raster.SelectedIndices();
    if (selected.empty()) return;
    const std::vector<float> kernel = GaussianKernel(distance);
    const int32_t d = int32_t(distance);
    const uint32_t width = raster.Width(), height = raster.Height();
    std::vector<BlurTap> vertical, horizontal;
    for (int32_t o = -d; o <= d; ++o) {
        vertical.push_back({0, o, kernel[size_t(o + d)]});
        horizontal.push_back({o, 0, kernel[size_t(o + d)]});
    }

    BlurScratch& scratch = blurScratch();
    // Vertical pass from the layer as it was, then the horizontal pass from
    // its result; the horizontal taps stay in their row, so both passes
    // cover only the rows holding selected pixels.
    AverageIntoSelection(raster, [&](Color* out) {
        AverageTapsThenAlongRows(CommittedPixels(raster, scratch.source), width, height, std::move(vertical),
                                 std::move(horizontal), selected.front() / width, selected.back() / width,
                                 raster.Threads(), out);
    });
}
