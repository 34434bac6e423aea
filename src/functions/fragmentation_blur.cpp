#include "functions/fragmentation_blur.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "functions/filter_support.h"
#include "raster/selectable_raster.h"
#include "functions/render_scale.h"

const ParamLayout& FragmentationBlurRasterFunction::Layout() {
    static const ParamLayout layout{
        {"Fragments", kCount},
        {"Distance", kSize},
        {"Rotational_Offset", kFreeFloat},
    };
    return layout;
}

std::vector<std::pair<int32_t, int32_t>> FragmentationOffsets(uint32_t fragments, uint32_t distance,
                                                              float rotationDegrees) {
    const float phi = FiniteAngle(rotationDegrees);
    const float step = 360.0f / float(fragments);
    const float d = float(distance);
    std::vector<std::pair<int32_t, int32_t>> offsets;
    offsets.reserve(fragments);
    for (uint32_t k = 0; k < fragments; ++k) {
        const float alpha = (float(k) * step + phi) * 0.017453292f;
        // Single-precision sin and cos; offsets past the raster saturate, as
        // every sample there is the edge pixel anyway.
        offsets.emplace_back(NearestOffset(-d * std::sin(alpha)), NearestOffset(d * std::cos(alpha)));
    }
    return offsets;
}

void FragmentationBlurRasterFunction::Apply(SelectableRaster& raster, const AbstractRasterFunction& function) {
    uint32_t fragments = function.GetValue("Fragments").AsUInt32();
    const uint32_t distance = RenderScale(raster).Length(function.GetValue("Distance").AsUInt32());
    const float rotation = function.GetValue("Rotational_Offset").AsFloat();
    // No fragments, or a circle of no radius: the pixels stay as they are.
    if (fragments == 0 || distance == 0) return;
    fragments = std::min(fragments, kMaxFragments);

    // Samples are summed in list order, k = 0 .. F - 1.
    AverageAtOffsets(raster, FragmentationOffsets(fragments, distance, rotation), 1.0f / float(fragments));
}
