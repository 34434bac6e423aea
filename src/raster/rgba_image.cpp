#include "raster/rgba_image.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The source pixels each of `to` result pixels covers, with the share of each.
struct Cover {
    uint32_t first;
    std::vector<double> shares;
};

std::vector<Cover> Covers(uint32_t from, uint32_t to) {
    std::vector<Cover> covers(to);
    const double step = double(from) / to;
    for (uint32_t i = 0; i < to; ++i) {
        const double a = i * step, b = (i + 1) * step;
        Cover& c = covers[i];
        c.first = uint32_t(a);
        for (uint32_t s = c.first; s < from && s < b; ++s)
            c.shares.push_back((std::min(b, s + 1.0) - std::max(a, double(s))) / step);
    }
    return covers;
}

}  // namespace

RgbaImage ReduceImage(const RgbaImage& image, uint32_t side) {
    if (side >= image.width || side >= image.height || side == 0) return image;
    const std::vector<Cover> columns = Covers(image.width, side), rows = Covers(image.height, side);
    // Rows first: each source row reduced to `side` columns.
    std::vector<double> narrow(size_t(image.height) * side * 4, 0.0);
    for (uint32_t y = 0; y < image.height; ++y)
        for (uint32_t x = 0; x < side; ++x)
            for (size_t k = 0; k < columns[x].shares.size(); ++k) {
                const uint8_t* p = image.At(columns[x].first + uint32_t(k), y);
                for (int c = 0; c < 4; ++c) narrow[(size_t(y) * side + x) * 4 + c] += p[c] * columns[x].shares[k];
            }
    RgbaImage result(side, side);
    for (uint32_t y = 0; y < side; ++y)
        for (uint32_t x = 0; x < side; ++x)
            for (int c = 0; c < 4; ++c) {
                double sum = 0;
                for (size_t k = 0; k < rows[y].shares.size(); ++k)
                    sum += narrow[(size_t(rows[y].first + k) * side + x) * 4 + c] * rows[y].shares[k];
                result.At(x, y)[c] = uint8_t(std::clamp(std::lround(sum), 0L, 255L));
            }
    return result;
}
