#pragma once
#include <set>
#include <utility>

#include "instructions/raster_function.h"

class SelectableRaster;

// Averages each selected pixel, with equal weights and alpha-weighted, with
// the pixels on a line through it: direction (-sin, cos) of Angle, so 0
// degrees blurs vertically and 90 horizontally. Point1_X and Point1_Y are
// read but change nothing.
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
