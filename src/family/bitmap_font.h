#pragma once
// A 5 x 7 bitmap font for the labels of the contact sheet: the digits, the
// signs and the separators that seed labels use ("-2147483648_7"), plus the
// letters of a few short words. Characters without a glyph draw as a box.
#include <cstdint>
#include <string>
#include <vector>

#include "raster/rgba_image.h"

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kGlyphAdvance = 6;  // one blank column between glyphs

// Rows of the glyph from top to bottom; bit 4 is the leftmost column.
const uint8_t* GlyphRows(char c);

// Width in pixels of text drawn at the given scale (no trailing blank column).
int TextWidth(const std::string& text, int scale);

// Draws text with its top-left corner at (x, y), each font pixel a scale x
// scale square of the colour; pixels outside the image are skipped.
void DrawText(RgbaImage& image, int x, int y, const std::string& text, int scale, const uint8_t rgba[4]);
