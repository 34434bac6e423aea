#pragma once
#include "instructions/raster_function.h"

class SelectableRaster;

// Turns the selection into flat crystals: a jittered grid of seeds, one per
// Crystal_Size cell starting one cell before the raster, each coloured from
// the layer under it (alpha included); every selected pixel takes the colour
// of the nearest seed or extra point in the 3 x 3 cells around its own.
// Draws its jitter from parameterRng(), after advancing it Crystal_Size
// outputs. Cost: the 3 x 3 cells' points (at most 99) per selected pixel,
// gathered once per cell: bounded at any size, as the cells scale too.
class CrystallizeRasterFunction final : public RasterFunction<CrystallizeRasterFunction> {
public:
    static constexpr const char* kName = "Crystallize";
    static constexpr uint32_t kTypeId = 13;
    static const ParamLayout& Layout();
    static void Apply(SelectableRaster& raster, const AbstractRasterFunction& function);

    // Extra points per crystal beyond the editor's slider (0 .. 10) are read
    // as 10: each costs draws and a distance for every pixel.
    static constexpr uint32_t kMaxDensity = 10;
};
