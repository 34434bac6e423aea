#pragma once
// A free-standing image, used by texture synthesis for its donor sample and
// for the strips each new patch is compared with.
//
// Starts opaque white. Reads clamp to the nearest edge pixel (coordinates
// below 0 read row or column 0); writes outside the image do nothing.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "raster/color.h"

class PixelImage {
public:
    PixelImage() = default;
    // width x height opaque white pixels; the caller bounds the size.
    PixelImage(uint32_t width, uint32_t height)
        : width_(width), height_(height), pixels_(size_t(width) * height) {}

    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }

    // Edge-clamped read. An empty image reads opaque white.
    Color Get(int64_t x, int64_t y) const;
    // Dropped outside the image.
    void Set(int64_t x, int64_t y, Color c);

private:
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    std::vector<Color> pixels_;
};
