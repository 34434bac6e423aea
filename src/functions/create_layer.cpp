#include "functions/create_layer.h"

#include "raster/selectable_raster.h"

const ParamLayout& CreateLayerRasterFunction::Layout() {
    static const ParamLayout layout;
    return layout;
}

void CreateLayerRasterFunction::Apply(SelectableRaster& raster, const AbstractRasterFunction&) {
    raster.CreateLayer();
}
