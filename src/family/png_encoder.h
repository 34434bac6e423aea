#pragma once
// A PNG encoder whose output is byte for byte that of stb_image_write's PNG
// writer at its default settings (compression level 8, per-row filter chosen
// by the smallest sum of absolute values, fixed-Huffman deflate with one-step
// lazy matching), written for speed: flat hash chains instead of growing
// arrays, word-wise match lengths, table-driven codes. Member images are
// encoded with it because tavelin writes them with that writer; the tests
// compare both on a sweep of images.
#include <string>

// RGBA pixels, rows from the top of the picture, width * 4 bytes per row.
// `level` is the writer's compression level (its hash chains keep up to
// 2 * level entries; below 5 counts as 5).
std::string EncodeRgbaPng(const unsigned char* rgba, int width, int height, int level = 8);
