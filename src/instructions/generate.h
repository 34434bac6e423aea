#pragma once
#include <cstddef>
#include <functional>

#include "instructions/abstract_raster_function.h"
#include "raster/selectable_raster.h"

// Told after each instruction how many of the queue's instructions have run;
// answering false stops the generation there.
using GenerateProgress = std::function<bool(size_t done, size_t total)>;

// Runs a queue over the raster: Reset, then each instruction on a working
// copy of the current layer that is committed back when it returns, then the
// layers in use are flattened into the composite canvas (layer 1 over layer
// 0, layer 2 over that, ...). Draws from parameterRng() of the calling thread.
// Returns false when `progress` stopped it (nothing is composited then).
bool Generate(SelectableRaster& raster, const InstructionList& queue, const GenerateProgress& progress = {});
