#include "functions/set_seed.h"

#include "instructions/parameter_rng.h"

const ParamLayout& SetSeedRasterFunction::Layout() {
    static const ParamLayout layout{{"Seed", kIndex}};
    return layout;
}

void SetSeedRasterFunction::Apply(SelectableRaster&, const AbstractRasterFunction& function) {
    // A randomised Seed draws its value before the generator is reseeded.
    ReseedParameterRng(uint32_t(function.GetValue("Seed").AsUInt64()));
}
