#include "functions/fill.h"

#include "raster/selectable_raster.h"

const ParamLayout& FillRasterFunction::Layout() {
    static const ParamLayout layout{
        {"Color_Red", kColorChannel},
        {"Color_Green", kColorChannel},
        {"Color_Blue", kColorChannel},
        {"Color_Alpha", kColorChannel},
    };
    return layout;
}

void FillRasterFunction::Apply(SelectableRaster& raster, const AbstractRasterFunction& function) {
    const uint8_t a = function.GetValue("Color_Alpha").AsUInt8();
    const uint8_t b = function.GetValue("Color_Blue").AsUInt8();
    const uint8_t g = function.GetValue("Color_Green").AsUInt8();
    const uint8_t r = function.GetValue("Color_Red").AsUInt8();
    const Color colour(r, g, b, a);
    raster.BlendColourOverSelection(colour);
}
