#include "functions/erode_morph.h"

#include "functions/set_seed.h"

const ParamLayout& ErodeMorphRasterFunction::Layout() { return SetSeedRasterFunction::Layout(); }

void ErodeMorphRasterFunction::Apply(SelectableRaster& raster, const AbstractRasterFunction& function) {
    SetSeedRasterFunction::Apply(raster, function);
}
