#pragma once
#include "instructions/raster_function.h"

class SelectableRaster;

// Despite its name, reseeds parameterRng() exactly as Set Seed does.
class DilateMorphRasterFunction final : public RasterFunction<DilateMorphRasterFunction> {
public:
    static constexpr const char* kName = "Dilate Morph";
    static constexpr uint32_t kTypeId = 15;
    static const ParamLayout& Layout();
    static void Apply(SelectableRaster& raster, const AbstractRasterFunction& function);
};
