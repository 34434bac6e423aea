// Writes the editor's start-up image (the default queue, generated once) to
// the PNG path given as the only argument: the reference for the editor's
// Space-key export in the end-to-end test.
#include <cstdio>

#include "instructions/instruction_queue.h"
#include "raster/generate.h"
#include "raster/selectable_raster.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s output.png\n", argv[0]);
        return 2;
    }
    SelectableRaster raster(100, 100);
    raster.ClearSelection();
    Generate(raster, MakeDefaultQueue());
    return WritePng(raster, argv[1]) ? 0 : 1;
}
