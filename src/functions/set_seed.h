#pragma once
#include "instructions/raster_function.h"

class SelectableRaster;

// Reseeds parameterRng() with the low 32 bits of Seed.
class SetSeedRasterFunction final : public RasterFunction<SetSeedRasterFunction> {
public:
    static constexpr const char* kName = "Set Seed";
    static constexpr uint32_t kTypeId = 14;
    static const ParamLayout& Layout();
    static void Apply(SelectableRaster& raster, const AbstractRasterFunction& function);
};
