#include "app/batch_run.h"

#include <unistd.h>

#include "instructions/generate.h"
#include "project/file_io.h"
#include "project/image_file.h"
#include "project/project_file.h"
#include "raster/console.h"
#include "raster/png_encoder.h"
#include "raster/selectable_raster.h"

int RunBatch(const std::string& projectPath, std::deque<int32_t> seeds, const BatchOutput& output) {
    SelectableRaster raster(100, 100);
    raster.ClearSelection();
    InstructionList queue;
    // The loader has printed why; an existing image is left as it was.
    if (!ReadProjectFile(projectPath, seeds, queue)) return -1;
    Generate(raster, queue);

    const std::string line = "Writing file to: " + output.path;
    output.toStandardOutput ? PrintErrorLine(line) : PrintInfoLine(line);
    const RgbaImage image = raster.CompositeImage();
    const bool written = output.toStandardOutput ? WriteAll(STDOUT_FILENO, EncodePng(image))
                                                 : WritePngFile(image, output.path);
    if (!written) {
        PrintErrorLine("Unable to write file: " + output.path);
        return -1;
    }
    return 0;
}
