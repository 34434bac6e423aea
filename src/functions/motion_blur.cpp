#include "functions/motion_blur.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <utility>

#include "functions/filter_support.h"
#include "raster/selectable_raster.h"

const ParamLayout& MotionBlurRasterFunction::Layout() {
    static const ParamLayout layout{
        {"Point1_X", kPosition},
        {"Point1_Y", kPosition},
        {"Angle", kFreeFloat},
        {"Distance", kSize},
    };
    return layout;
}

std::set<std::pair<int32_t, int32_t>> MotionBlurOffsets(float angleDegrees, uint32_t distance) {
    // sin and cos of a float are taken in single precision, so that 90 degrees
    // gives an exactly horizontal line.
    const float radians = FiniteAngle(angleDegrees) * 0.017453292f;
    const float s = std::sin(radians);
    const float c = std::cos(radians);
    const int32_t n = int32_t(2.0f * float(distance));
    std::set<std::pair<int32_t, int32_t>> offsets;
    for (int32_t i = 0; i < n; ++i) {
        const float t = float(i) * 0.5f;
        offsets.emplace(NearestOffset(-t * s), NearestOffset(t * c));
        offsets.emplace(NearestOffset(t * s), NearestOffset(-t * c));
    }
    return offsets;
}

void MotionBlurRasterFunction::Apply(SelectableRaster& raster, const AbstractRasterFunction& function) {
    (void)function.GetValue("Point1_Y");  // shown and randomisable, but without effect
    (void)function.GetValue("Point1_X");
    const float angle = function.GetValue("Angle").AsFloat();
    uint32_t distance = function.GetValue("Distance").AsUInt32();
    // A zero-length line has no samples: the pixels stay as they are.
    if (distance == 0) return;
    distance = std::min(distance, FilterReach(raster));

    const std::set<std::pair<int32_t, int32_t>> offsets = MotionBlurOffsets(angle, distance);
    const float weight = 1.0f / float(offsets.size());
    const std::vector<uint32_t>& selected = raster.SelectedIndices();
    if (selected.empty()) return;

    uint32_t margin = 0;
    for (const auto& [dx, dy] : offsets)
        margin = std::max({margin, uint32_t(std::abs(dx)), uint32_t(std::abs(dy))});
    BlurScratch& scratch = blurScratch();
    PaddedPlanes& source = scratch.source;
    AverageAccumulator& sums = scratch.sums;
    source.Load(raster, margin);
    sums.Reset(raster.Width(), raster.Height());
    const uint32_t firstRow = selected.front() / raster.Width();
    const uint32_t lastRow = selected.back() / raster.Width();
    // Samples are summed in the set's ascending (dx, dy) order.
    for (const auto& [dx, dy] : offsets) sums.AddShifted(source, dx, dy, weight, firstRow, lastRow);
    for (const uint32_t i : selected) raster.SetPixel(int32_t(i), sums.Resolve(i));
}
