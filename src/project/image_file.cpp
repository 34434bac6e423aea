#include "project/image_file.h"

#include "project/file_io.h"
#include "raster/png_encoder.h"

bool WritePngFile(const RgbaRows& image, const std::string& path) {
    std::string why;
    return ReplaceFile(path, EncodePng(image), ReplaceOptions{}, why);
}
