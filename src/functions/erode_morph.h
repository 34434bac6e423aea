#pragma once
#include "instructions/raster_function.h"

class SelectableRaster;

// Despite its name, reseeds parameterRng() exactly as Set Seed does.
class ErodeMorphRasterFunction final : public RasterFunction<ErodeMorphRasterFunction> {
public:
    static constexpr const char* kName = "Erode Morph";
    static constexpr uint32_t kTypeId = 16;
    static const ParamLayout& Layout();
    static void Apply(SelectableRaster& raster, const AbstractRasterFunction& function);
};
