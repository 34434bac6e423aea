#include "functions/motion_blur.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <set>
#include <utility>

#include "functions/filter_support.h"
#include "raster/selectable_raster.h"
#include "functions/render_scale.h"

const ParamLayout& MotionBlurRasterFunction::Layout() {
    static const ParamLayout layout{
        {"Point1_X", kPosition},
        {"Point1_Y", kPosition},
        {"Angle", kFreeFloat},
        {"Distance", kSize},
    };
    return layout;
}

namespace {

// Orders offsets that run monotonically along a line ascending, without
// comparing them pairwise: dx is monotonic in t, and so is dy within a run
// of equal dx.
void OrderAlongLine(SampleOffsets& offsets) {
    if (!offsets.empty() && offsets.front().first > offsets.back().first) std::reverse(offsets.begin(), offsets.end());
    for (auto run = offsets.begin(); run != offsets.end();) {
        auto end = run;
        while (end != offsets.end() && end->first == run->first) ++end;
        if (run->second > (end - 1)->second) std::reverse(run, end);
        run = end;
    }
    offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
}

}  // namespace

SampleOffsets MotionBlurLine(float angleDegrees, uint32_t distance) {
    // sin and cos of a float are taken in single precision, so that 90 degrees
    // gives an exactly horizontal line.
    const float radians = FiniteAngle(angleDegrees) * 0.017453292f;
    const float s = std::sin(radians);
    const float c = std::cos(radians);
    const int32_t n = int32_t(2.0f * float(distance));
    // The two halves of the line, each monotonic in t: rounding and float
    // products keep the order of t.
    SampleOffsets ahead, behind;
    ahead.reserve(size_t(std::max(n, 0)));
    behind.reserve(size_t(std::max(n, 0)));
    for (int32_t i = 0; i < n; ++i) {
        const float t = float(i) * 0.5f;
        ahead.emplace_back(NearestOffset(-t * s), NearestOffset(t * c));
        behind.emplace_back(NearestOffset(t * s), NearestOffset(-t * c));
    }
    OrderAlongLine(ahead);
    OrderAlongLine(behind);
    SampleOffsets offsets;
    offsets.reserve(ahead.size() + behind.size());
    std::merge(ahead.begin(), ahead.end(), behind.begin(), behind.end(), std::back_inserter(offsets));
    offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
    return offsets;
}

std::set<std::pair<int32_t, int32_t>> MotionBlurOffsets(float angleDegrees, uint32_t distance) {
    const SampleOffsets line = MotionBlurLine(angleDegrees, distance);
    return {line.begin(), line.end()};
}

void MotionBlurRasterFunction::Apply(SelectableRaster& raster, const AbstractRasterFunction& function) {
    (void)function.GetValue("Point1_Y");  // shown and randomisable, but without effect
    (void)function.GetValue("Point1_X");
    const float angle = function.GetValue("Angle").AsFloat();
    uint32_t distance = RenderScale(raster).Length(function.GetValue("Distance").AsUInt32());
    // A zero-length line has no samples: the pixels stay as they are.
    if (distance == 0) return;
    distance = std::min(distance, BlurReach(raster));

    const SampleOffsets offsets = MotionBlurLine(angle, distance);
    // Samples are summed in ascending (dx, dy) order.
    AverageAtOffsets(raster, offsets, 1.0f / float(offsets.size()));
}
