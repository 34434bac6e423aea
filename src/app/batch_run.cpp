#include "app/batch_run.h"

#include "instructions/generate.h"
#include "project/image_file.h"
#include "project/project_file.h"
#include "raster/console.h"
#include "raster/selectable_raster.h"

int RunBatch(const std::string& projectPath, std::deque<int32_t> seeds, const std::string& outputPath) {
    SelectableRaster raster(100, 100);
    raster.ClearSelection();
    InstructionList queue;
    // The loader has printed why; an existing image is left as it was.
    if (!ReadProjectFile(projectPath, seeds, queue)) return -1;
    Generate(raster, queue);

    PrintInfoLine("Writing file to: " + outputPath);
    if (!WritePngFile(raster.CompositeImage(), outputPath)) {
        PrintErrorLine("Unable to write file: " + outputPath);
        return -1;
    }
    return 0;
}
