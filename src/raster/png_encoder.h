#pragma once
// The one PNG encoder of the program. Its bytes are exactly those of
// stb_image_write's PNG writer at its default settings (compression level 8,
// per-row filter chosen by the smallest sum of absolute values, fixed-Huffman
// deflate with one-step lazy matching), written for speed: flat hash chains
// instead of growing arrays, word-wise match lengths, table-driven codes.
// bench/png_bench.cpp measures it against stb; the tests compare their bytes.
#include <string>

#include "raster/rgba_image.h"

// The PNG file bytes of an image. `level` is the writer's compression level
// (its hash chains keep up to 2 * level entries; below 5 counts as 5).
std::string EncodePng(const RgbaRows& rows, int level = 8);
inline std::string EncodePng(const RgbaImage& image, int level = 8) { return EncodePng(RgbaRows(image), level); }
