#pragma once
#include <set>
#include <utility>
#include <vector>

#include "instructions/raster_function.h"

class SelectableRaster;

// Averages each selected pixel, with equal weights and alpha-weighted, with
// the pixels on a line through it: direction (-sin, cos) of Angle, so 0
// degrees blurs vertically and 90 horizontally; Distance at most BlurReach
// (1000 at the design size). Point1_X and Point1_Y are
// read but change nothing.
// Cost: one term per pixel and sample (about 2 * Distance + 1 of them), so
// it grows with the size N as Distance scales with it: summed in cached
// tiles over the raster's threads. Equal weights along a digital line at any
// angle leave no running sum that keeps each pixel's sum order.
class MotionBlurRasterFunction final : public RasterFunction<MotionBlurRasterFunction> {
public:
    static constexpr const char* kName = "Motion Blur";
    static constexpr uint32_t kTypeId = 9;
    static const ParamLayout& Layout();
    static void Apply(SelectableRaster& raster, const AbstractRasterFunction& function);
};

// The line's distinct pixel offsets: for i = 0 .. 2D - 1, t = i / 2, the
// offsets nearest(-t sin, t cos) and nearest(t sin, -t cos), ascending.
std::set<std::pair<int32_t, int32_t>> MotionBlurOffsets(float angleDegrees, uint32_t distance);
// The same offsets as a list, ascending, made without a node per offset.
std::vector<std::pair<int32_t, int32_t>> MotionBlurLine(float angleDegrees, uint32_t distance);
