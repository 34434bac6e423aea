#include "support/test_support.h"

#include <stb/stb_image_write.h>

#include <cstdlib>
#include <sstream>

ImageDiff CompareImages(const PixelBuffer& a, const PixelBuffer& b, uint32_t width, uint32_t height,
                        const std::string& diffPath) {
    ImageDiff diff;
    diff.sizeMismatch = a.size() != size_t(width) * height || b.size() != a.size();
    if (diff.sizeMismatch) return diff;
    std::vector<unsigned char> marks(diffPath.empty() ? 0 : a.size() * 4, 0);
    for (size_t i = 0; i < a.size(); ++i) {
        const Color x = a[i], y = b[i];
        const int d = std::max({std::abs(x.r - y.r), std::abs(x.g - y.g), std::abs(x.b - y.b), std::abs(x.a - y.a)});
        if (d == 0) continue;
        if (diff.differing++ == 0) diff.firstX = long(i % width), diff.firstY = long(i / width);
        diff.maxChannelDiff = std::max(diff.maxChannelDiff, d);
        if (!marks.empty()) {  // PNG rows run top down
            unsigned char* mark = &marks[((height - 1 - i / width) * width + i % width) * 4];
            mark[0] = mark[3] = 255;
        }
    }
    if (!marks.empty() && diff.differing > 0)
        stbi_write_png(diffPath.c_str(), int(width), int(height), 4, marks.data(), int(width * 4));
    return diff;
}

::testing::AssertionResult ImagesEqual(const PixelBuffer& a, const PixelBuffer& b, uint32_t width,
                                       uint32_t height) {
    const ImageDiff diff = CompareImages(a, b, width, height);
    if (diff.Same()) return ::testing::AssertionSuccess();
    if (diff.sizeMismatch) return ::testing::AssertionFailure() << "image sizes differ";
    const size_t i = size_t(diff.firstY) * width + size_t(diff.firstX);
    std::ostringstream message;
    message << diff.differing << " pixels differ, largest channel difference " << diff.maxChannelDiff
            << ", first at (" << diff.firstX << ", " << diff.firstY << "): " << std::hex << a[i].Word() << " vs "
            << b[i].Word();
    return ::testing::AssertionFailure() << message.str();
}

PixelBuffer MakeFPicture(uint32_t width, uint32_t height) {
    PixelBuffer picture(size_t(width) * height, Color(0, 0, 255, 255));
    auto set = [&](uint32_t x, uint32_t y) { if (x < width && y < height) picture[size_t(y) * width + x] = Color(255, 0, 0, 255); };
    const uint32_t top = height > 2 ? height - 2 : 0;
    for (uint32_t y = 1; y <= top; ++y) set(1, y);                    // stem
    for (uint32_t x = 1; x < width - 1; ++x) set(x, top);             // top bar
    for (uint32_t x = 1; x < width / 2 + 1; ++x) set(x, height / 2);  // middle bar
    return picture;
}
