#pragma once
#include <string>

#include "instructions/abstract_raster_function.h"
#include "raster/selectable_raster.h"

// Runs a queue over the raster: Reset, then each instruction on a working
// copy of the current layer that is committed back when it returns, then the
// layers in use are flattened into the composite canvas (layer 1 over layer
// 0, layer 2 over that, ...). Draws from parameterRng() of the calling thread.
void Generate(SelectableRaster& raster, const InstructionList& queue);

// The composite canvas as width x height x 4 bytes R, G, B, A, rows from the
// top of the picture (raster row height - 1) down to raster row 0.
std::vector<unsigned char> CompositeImageTopDown(const SelectableRaster& raster);

// Writes the composite canvas as an 8-bit RGBA PNG. Returns false when the
// file could not be written.
bool WritePng(const SelectableRaster& raster, const std::string& path);
