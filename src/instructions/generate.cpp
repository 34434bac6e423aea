#include "instructions/generate.h"

bool Generate(SelectableRaster& raster, const InstructionList& queue, const GenerateProgress& progress) {
    raster.BeginGeneration();
    // However the loop is left short of compositing (stopped, or an
    // exception), the composite canvas is given back.
    struct Unfinished {
        SelectableRaster& raster;
        bool finished = false;
        ~Unfinished() {
            if (!finished) raster.AbandonGeneration();
        }
    } unfinished{raster};
    size_t done = 0;
    for (const auto& instruction : queue) {
        const RasterApplyFn apply = instruction->GetFunction();
        raster.LoadWorkingCanvas();
        apply(&raster, instruction.get());
        raster.CommitWorkingCanvas();
        if (progress && !progress(++done, queue.size())) return false;
    }
    raster.Composite();
    unfinished.finished = true;
    raster.MarkChanged();
    return true;
}
