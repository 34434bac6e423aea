#include "functions/select_layer.h"

#include "raster/selectable_raster.h"

const ParamLayout& SelectLayerRasterFunction::Layout() {
    static const ParamLayout layout{{"Layer", kIndex}};
    return layout;
}

void SelectLayerRasterFunction::Apply(SelectableRaster& raster, const AbstractRasterFunction& function) {
    raster.SelectLayer(uint32_t(function.GetValue("Layer").AsUInt64()));
    raster.LoadWorkingCanvas();
}
