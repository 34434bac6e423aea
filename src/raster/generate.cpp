#include "raster/generate.h"

#include <stb/stb_image_write.h>

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

std::vector<unsigned char> CompositeImageTopDown(const SelectableRaster& raster) {
    const uint32_t width = raster.Width();
    const uint32_t height = raster.Height();
    const PixelBuffer& canvas = raster.CompositeCanvas();
    std::vector<unsigned char> bytes;
    bytes.reserve(size_t(width) * height * 4);
    for (uint32_t y = height; y-- > 0;) {
        for (uint32_t x = 0; x < width; ++x) {
            const Color c = canvas[size_t(y) * width + x];
            bytes.insert(bytes.end(), {c.r, c.g, c.b, c.a});
        }
    }
    return bytes;
}

bool WritePng(const SelectableRaster& raster, const std::string& path) {
    const std::vector<unsigned char> bytes = CompositeImageTopDown(raster);
    return stbi_write_png(path.c_str(), int(raster.Width()), int(raster.Height()), 4, bytes.data(),
                          int(raster.Width() * 4)) != 0;
}
