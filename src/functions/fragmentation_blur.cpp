#include "functions/fragmentation_blur.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "functions/filter_support.h"
#include "raster/selectable_raster.h"

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
    const uint32_t distance = function.GetValue("Distance").AsUInt32();
    const float rotation = function.GetValue("Rotational_Offset").AsFloat();
    // No fragments, or a circle of no radius: the pixels stay as they are.
    if (fragments == 0 || distance == 0) return;
    fragments = std::min(fragments, kMaxFragments);

    std::vector<std::pair<int32_t, int32_t>> offsets = FragmentationOffsets(fragments, distance, rotation);
    const float weight = 1.0f / float(fragments);
    const std::vector<uint32_t>& selected = raster.SelectedIndices();
    if (selected.empty()) return;

    // A clamped read at an offset of the raster's size or more is the edge
    // pixel, so offsets are cut there before padding.
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
    // Samples are summed in list order, k = 0 .. F - 1.
    for (const auto& [dx, dy] : offsets) sums.AddShifted(source, dx, dy, weight, firstRow, lastRow);
    for (const uint32_t i : selected) raster.SetPixel(int32_t(i), sums.Resolve(i));
}
