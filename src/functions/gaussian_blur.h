#pragma once
#include <vector>

#include "instructions/raster_function.h"

class SelectableRaster;

// Separable Gaussian of standard deviation Distance pixels, reaching Distance
// pixels each way (at most BlurReach): a vertical pass, then a horizontal
// pass over the selection that reads the first pass's pixels. Both passes
// use the alpha-weighted average and truncate their results.
// Cost: two separable passes of 2 * Distance + 1 terms per pixel: linear in
// Distance, which grows with the size N (a sum of Gaussian weights has no
// running form); summed in cached tiles over the raster's threads.
class GaussianBlurRasterFunction final : public RasterFunction<GaussianBlurRasterFunction> {
public:
    static constexpr const char* kName = "Gaussian Blur";
    static constexpr uint32_t kTypeId = 10;
    static const ParamLayout& Layout();
    static void Apply(SelectableRaster& raster, const AbstractRasterFunction& function);
};

// The 2D + 1 weights for offsets -D .. D: exp(-0.5 (o/D)^2) in single
// precision, summed from -D to +D, each then divided by the sum. D >= 1.
std::vector<float> GaussianKernel(uint32_t distance);
