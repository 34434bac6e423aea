#include "raster/pixel_image.h"

namespace {

uint32_t Clamp(int64_t v, uint32_t size) {
    if (v < 0) return 0;
    if (v >= int64_t(size)) return size - 1;
    return uint32_t(v);
}

}  // namespace

Color PixelImage::Get(int64_t x, int64_t y) const {
    if (width_ == 0 || height_ == 0) return kOpaqueWhite;
    return pixels_[size_t(Clamp(y, height_)) * width_ + Clamp(x, width_)];
}

void PixelImage::Set(int64_t x, int64_t y, Color c) {
    if (x < 0 || y < 0 || x >= int64_t(width_) || y >= int64_t(height_)) return;
    pixels_[size_t(y) * width_ + size_t(x)] = c;
}
