#pragma once
// Writing a finished picture as a PNG file.
#include <string>

#include "raster/rgba_image.h"

// Encodes the image (EncodePng) and replaces the file at path with it whole
// (ReplaceFile: a temporary beside it renamed into place; a symbolic link is
// replaced, not followed; a folder, FIFO or device is refused). False, with
// the previous file left as it was, when that fails.
bool WritePngFile(const RgbaRows& image, const std::string& path);
inline bool WritePngFile(const RgbaImage& image, const std::string& path) { return WritePngFile(RgbaRows(image), path); }
