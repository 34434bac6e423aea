#include "app/batch_run.h"

#include <cstdio>

#include "instructions/instruction_queue.h"
#include "project/app_paths.h"
#include "project/project_file.h"
#include "raster/generate.h"
#include "raster/selectable_raster.h"

int RunBatch(const std::string& projectPath) {
    SelectableRaster raster(100, 100);
    raster.ClearSelection();
    // The loader has printed why; an existing image is left as it was.
    if (!LoadProjectFile(projectPath)) return -1;
    Generate(raster, instructionQueue);

    const std::string outputPath = exeDirectory + "/pcgOutput.png";
    std::printf("Writing file to: %s\n", outputPath.c_str());
    std::fflush(stdout);
    if (!WritePng(raster, outputPath)) {
        std::fputs(("Unable to write file: " + outputPath + "\n").c_str(), stderr);
        std::fflush(stderr);
        return -1;
    }
    return 0;
}
