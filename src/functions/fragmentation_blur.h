#pragma once
#include <utility>
#include <vector>

#include "instructions/raster_function.h"

class SelectableRaster;

// Averages each selected pixel, with equal weights and alpha-weighted, from
// Fragments points on a circle of radius Distance around it, turned by
// Rotational_Offset degrees: ghost copies of the image. The pixel itself is
// not a sample unless an offset is (0, 0).
// Cost: Fragments terms per selected pixel row, whatever the Distance: the
// same at any size.
class FragmentationBlurRasterFunction final : public RasterFunction<FragmentationBlurRasterFunction> {
public:
    static constexpr const char* kName = "Fragmentation Blur";
    static constexpr uint32_t kTypeId = 11;
    static const ParamLayout& Layout();
    static void Apply(SelectableRaster& raster, const AbstractRasterFunction& function);

    // More fragments than this are read as this many: the work per pixel
    // stays bounded. The editor's slider stops at 100.
    static constexpr uint32_t kMaxFragments = 1000;
};

// The list of offsets, k = 0 .. F - 1: alpha = (k * 360/F + phi) * 0.017453292,
// offset (nearest(-D sin alpha), nearest(D cos alpha)); duplicates kept.
std::vector<std::pair<int32_t, int32_t>> FragmentationOffsets(uint32_t fragments, uint32_t distance,
                                                              float rotationDegrees);
