#pragma once
// Writing a finished picture as a PNG file.
#include <string>

#include "raster/rgba_image.h"

// Encodes the image (EncodePng) and writes it to path, replacing what was
// there. False when the file cannot be opened or a write or the close fails.
bool WritePngFile(const RgbaImage& image, const std::string& path);
