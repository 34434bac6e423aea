#include "functions/clear_selection.h"

#include "raster/selectable_raster.h"

const ParamLayout& ClearSelectionRasterFunction::Layout() {
    static const ParamLayout layout;
    return layout;
}

void ClearSelectionRasterFunction::Apply(SelectableRaster& raster, const AbstractRasterFunction&) {
    raster.ClearSelection();
}
