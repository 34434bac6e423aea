#include "support/test_support.h"

#include "raster/polygon.h"

namespace {

class DefaultQueueTest : public CoreTest {};

// The editor's start-up texture: white, the left half red, a blue triangle.
TEST_F(DefaultQueueTest, RendersRedHalfAndBlueTriangle) {
    const InstructionList queue = MakeDefaultQueue();
    const auto raster = Render(queue);
    const PixelBuffer& image = raster->CompositeCanvas();
    const RasterPolygon triangle{{25, 71}, {61, 17}, {80, 85}};
    size_t blue = 0, red = 0, white = 0;
    for (uint32_t y = 0; y < 100; ++y) {
        for (uint32_t x = 0; x < 100; ++x) {
            const Color c = image[y * 100 + x];
            Color expected = x <= 49 ? Color(255, 0, 0, 255) : kOpaqueWhite;
            if (IsPointInPolygon(triangle, int32_t(x), int32_t(y))) expected = Color(0, 0, 255, 255);
            ASSERT_EQ(c, expected) << "at (" << x << ", " << y << ")";
            blue += c == Color(0, 0, 255, 255);
            red += c == Color(255, 0, 0, 255);
            white += c == kOpaqueWhite;
        }
    }
    EXPECT_EQ(blue, 1746u);
    EXPECT_EQ(blue + red + white, 10000u);
    // Red covers the 5,000 pixels x <= 49 except where the triangle overlaps them.
    size_t triangleLeft = 0;
    for (uint32_t y = 0; y < 100; ++y)
        for (uint32_t x = 0; x < 50; ++x) triangleLeft += IsPointInPolygon(triangle, int32_t(x), int32_t(y));
    EXPECT_EQ(red, 5000u - triangleLeft);
    EXPECT_TRUE(raster->IsChanged());
}

}  // namespace
