#include "instructions/generate.h"

void Generate(SelectableRaster& raster, const InstructionList& queue) {
    raster.BeginGeneration();
    for (const auto& instruction : queue) {
        const RasterApplyFn apply = instruction->GetFunction();
        raster.LoadWorkingCanvas();
        apply(&raster, instruction.get());
        raster.CommitWorkingCanvas();
    }
    raster.Composite();
    raster.MarkChanged();
}
