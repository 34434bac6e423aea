#pragma once
#include "instructions/abstract_raster_function.h"
#include "raster/selectable_raster.h"

// Runs a queue over the raster: Reset, then each instruction on a working
// copy of the current layer that is committed back when it returns, then the
// layers in use are flattened into the composite canvas (layer 1 over layer
// 0, layer 2 over that, ...). Draws from parameterRng() of the calling thread.
void Generate(SelectableRaster& raster, const InstructionList& queue);
