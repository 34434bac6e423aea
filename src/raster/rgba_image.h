#pragma once
// A picture as 8-bit RGBA bytes, rows from the top of the picture down: the
// layout of PNG files, thumbnails and contact sheets. (Rasters keep row 0 at
// the bottom; SelectableRaster::CompositeImage turns one into this.)
#include <cstddef>
#include <cstdint>
#include <vector>

struct RgbaImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels;  // width * height * 4 bytes R, G, B, A

    RgbaImage() = default;
    // Transparent black.
    RgbaImage(uint32_t w, uint32_t h) : width(w), height(h), pixels(size_t(w) * h * 4, 0) {}

    uint8_t* At(uint32_t x, uint32_t y) { return &pixels[(size_t(y) * width + x) * 4]; }
    const uint8_t* At(uint32_t x, uint32_t y) const { return &pixels[(size_t(y) * width + x) * 4]; }
};

// A picture's RGBA rows where they already lie: row y (from the top)
// starts `stride` bytes after row y - 1, so a negative stride reads rows
// stored bottom-up, as rasters keep them.
struct RgbaRows {
    const uint8_t* top = nullptr;
    ptrdiff_t stride = 0;
    uint32_t width = 0;
    uint32_t height = 0;

    RgbaRows() = default;
    RgbaRows(const uint8_t* topRow, ptrdiff_t rowStride, uint32_t w, uint32_t h)
        : top(topRow), stride(rowStride), width(w), height(h) {}
    explicit RgbaRows(const RgbaImage& image)
        : top(image.pixels.data()), stride(ptrdiff_t(image.width) * 4), width(image.width), height(image.height) {}
    const uint8_t* Row(uint32_t y) const { return top + ptrdiff_t(y) * stride; }
};

// The image reduced to side x side pixels by area averaging: each result
// pixel is the mean of the source area it covers, every channel on its own
// (a block average of k x k pixels when the source is k times larger),
// rounded to nearest. Larger sides are not enlarged: the image is returned.
RgbaImage ReduceImage(const RgbaImage& image, uint32_t side);
