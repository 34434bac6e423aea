#include "instructions/generate.h"

bool Generate(SelectableRaster& raster, const InstructionList& queue, const GenerateProgress& progress) {
    raster.BeginGeneration();
    size_t done = 0;
    for (const auto& instruction : queue) {
        const RasterApplyFn apply = instruction->GetFunction();
        raster.LoadWorkingCanvas();
        apply(&raster, instruction.get());
        raster.CommitWorkingCanvas();
        if (progress && !progress(++done, queue.size())) return false;
    }
    raster.Composite();
    raster.MarkChanged();
    return true;
}
