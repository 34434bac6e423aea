#include "functions/dilate_morph.h"

#include "functions/set_seed.h"

const ParamLayout& DilateMorphRasterFunction::Layout() { return SetSeedRasterFunction::Layout(); }

void DilateMorphRasterFunction::Apply(SelectableRaster& raster, const AbstractRasterFunction& function) {
    SetSeedRasterFunction::Apply(raster, function);
}
