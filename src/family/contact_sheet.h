#pragma once
// A grid of family members with each member's seeds written under it, read
// left to right, top to bottom in seed-set order, for at most kMaxMembers
// members of 100 x 100 pixels. Opaque members are copied
// pixel for pixel; translucent ones are shown over a light checkerboard.
#include <cstddef>
#include <string>
#include <vector>

#include "family/bitmap_font.h"

class ContactSheet {
public:
    // Cells for the given labels, one member of memberWidth x memberHeight
    // pixels each.
    ContactSheet(std::vector<std::string> labels, int memberWidth, int memberHeight);

    // 50 x 50 cells of at most 112 x 132 pixels: under 40 Mi pixels.
    static constexpr size_t kMaxMembers = 2500;
    // Labels longer than fit under a member are shortened to this many
    // characters, ending in "..".
    static constexpr size_t kMaxLabel = 16;
    // Size of the finished sheet, known before any pixel is allocated.
    size_t Width() const { return size_t(columns_) * size_t(cellWidth_); }
    size_t Height() const { return size_t(rows_) * size_t(cellHeight_); }

    // Allocates the sheet and draws the background and the labels.
    void Prepare();
    // Puts member `cell` (memberWidth x memberHeight) into its place.
    // Different cells may be placed from different threads at the same time.
    void Place(size_t cell, const RgbaImage& member);

    const RgbaImage& Image() const { return image_; }

private:
    std::vector<std::string> labels_;
    int memberWidth_, memberHeight_;
    int scale_ = 2;
    int columns_ = 1, rows_ = 0;
    int cellWidth_ = 0, cellHeight_ = 0;
    RgbaImage image_;
};
