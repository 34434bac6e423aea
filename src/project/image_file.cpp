#include "project/image_file.h"

#include <cstdio>

#include "raster/png_encoder.h"

bool WritePngFile(const RgbaImage& image, const std::string& path) {
    const std::string bytes = EncodePng(image);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
