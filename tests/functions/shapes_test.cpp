#include "support/test_support.h"

#include "functions/rect_selection.h"
#include "functions/shape_circle.h"
#include "functions/shape_line.h"
#include "functions/shape_rect.h"
#include "functions/shape_triangle.h"

namespace {

constexpr Color kRed{255, 0, 0, 255};

class ShapesTest : public CoreTest {
protected:
    // Draws one shape in opaque red on the white reset layer; returns the image.
    template <class T>
    PixelBuffer Draw(Params params) {
        auto shape = MakeDefault<T>(params);
        for (const char* channel : {"Color1_Green", "Color1_Blue"}) shape->SetValue(channel, U8(0));
        return Render(Queue(std::move(shape)))->CompositeCanvas();
    }
    static std::vector<std::pair<int, int>> RedPixels(const PixelBuffer& image) {
        std::vector<std::pair<int, int>> red;
        for (size_t i = 0; i < image.size(); ++i) {
            if (image[i] == kRed) red.emplace_back(int(i % 100), int(i / 100));
            else EXPECT_EQ(image[i], kOpaqueWhite) << "at index " << i;
        }
        return red;
    }
};

TEST_F(ShapesTest, NewShapesChangeNothing) {
    const InstructionList shapes = Queue(MakeDefault<LineRasterFunction>(), MakeDefault<ShapeRectRasterFunction>(),
                                         MakeDefault<ShapeCircleRasterFunction>(), MakeDefault<ShapeTriangleRasterFunction>());
    for (const auto& shape : shapes)
        EXPECT_EQ(CountPixels(Render(Queue(shape->Clone()))->CompositeCanvas(), kOpaqueWhite), 10000u);
}

TEST_F(ShapesTest, LinePixelSets) {
    const auto horizontal = [&](uint32_t thickness) {
        return RedPixels(Draw<LineRasterFunction>({{"Point1_X", I32(10)}, {"Point1_Y", I32(10)}, {"Point2_X", I32(20)},
                                                   {"Point2_Y", I32(10)}, {"Line_Thickness", U32(thickness)}}));
    };
    const auto thin = horizontal(1);
    ASSERT_EQ(thin.size(), 11u);
    for (const auto& [x, y] : thin) EXPECT_TRUE(y == 10 && x >= 10 && x <= 20) << x << "," << y;
    for (uint32_t thickness : {2u, 3u}) {
        const auto band = horizontal(thickness);
        ASSERT_EQ(band.size(), 33u) << "thickness " << thickness;
        for (const auto& [x, y] : band) EXPECT_TRUE(y >= 9 && y <= 11 && x >= 10 && x <= 20) << x << "," << y;
    }
    // Flat ends: a vertical line stops exactly at its end points.
    const auto vertical = RedPixels(Draw<LineRasterFunction>(
        {{"Point1_X", I32(30)}, {"Point1_Y", I32(5)}, {"Point2_X", I32(30)}, {"Point2_Y", I32(40)}, {"Line_Thickness", U32(5)}}));
    EXPECT_EQ(vertical.size(), 36u * 5u);
    EXPECT_EQ(RedPixels(Draw<LineRasterFunction>({{"Point1_X", I32(10)}, {"Point1_Y", I32(10)}, {"Point2_X", I32(20)},
                                                  {"Point2_Y", I32(20)}, {"Line_Thickness", U32(1)}}))
                  .size(),
              11u);
    const auto point = RedPixels(Draw<LineRasterFunction>(
        {{"Point1_X", I32(10)}, {"Point1_Y", I32(10)}, {"Point2_X", I32(10)}, {"Point2_Y", I32(10)}}));
    ASSERT_EQ(point.size(), 1u);
    EXPECT_EQ(point[0], std::make_pair(10, 10));
}

TEST_F(ShapesTest, RectanglePixelCounts) {
    const auto rect = [&](uint32_t thickness, int32_t infill) {
        return RedPixels(Draw<ShapeRectRasterFunction>({{"Point1_X", I32(20)}, {"Point1_Y", I32(20)}, {"Point2_X", I32(10)},
                                                        {"Point2_Y", I32(10)}, {"Line_Thickness", U32(thickness)},
                                                        {"Infill_Shape", I32(infill)}}));
    };
    const auto border = rect(1, 0);
    EXPECT_EQ(border.size(), 40u);
    for (const auto& [x, y] : border) EXPECT_TRUE(x == 10 || x == 20 || y == 10 || y == 20) << x << "," << y;
    EXPECT_EQ(rect(1, 1).size(), 121u);
    EXPECT_EQ(rect(2, 0).size(), 120u);
    EXPECT_EQ(rect(3, 0).size(), 120u);
    // Both corners equal: a (2 floor(h) + 1)-pixel square.
    EXPECT_EQ(RedPixels(Draw<ShapeRectRasterFunction>({{"Point1_X", I32(50)}, {"Point1_Y", I32(50)}, {"Point2_X", I32(50)},
                                                       {"Point2_Y", I32(50)}, {"Line_Thickness", U32(5)}}))
                  .size(),
              25u);
}

TEST_F(ShapesTest, CirclePixelCounts) {
    const auto circle = [&](uint32_t radius, int32_t infill) {
        return RedPixels(Draw<ShapeCircleRasterFunction>({{"Point1_X", I32(50)}, {"Point1_Y", I32(50)},
                                                          {"Circle_Radius", U32(radius)}, {"Infill_Shape", I32(infill)}}));
    };
    EXPECT_EQ(circle(10, 0).size(), 56u);
    EXPECT_EQ(circle(10, 1).size(), 349u);
    const auto ring = circle(1, 0);
    ASSERT_EQ(ring.size(), 8u);
    for (const auto& [x, y] : ring) EXPECT_TRUE(std::abs(x - 50) <= 1 && std::abs(y - 50) <= 1 && !(x == 50 && y == 50));
}

TEST_F(ShapesTest, TrianglePixelCountsAndDegenerates) {
    const auto triangle = [&](std::array<int32_t, 6> p, int32_t infill) {
        return RedPixels(Draw<ShapeTriangleRasterFunction>({{"Point1_X", I32(p[0])}, {"Point1_Y", I32(p[1])},
                                                            {"Point2_X", I32(p[2])}, {"Point2_Y", I32(p[3])},
                                                            {"Point3_X", I32(p[4])}, {"Point3_Y", I32(p[5])},
                                                            {"Infill_Shape", I32(infill)}}));
    };
    const auto outline = triangle({10, 10, 50, 10, 10, 50}, 0);
    EXPECT_EQ(outline.size(), 120u);
    for (const auto& [x, y] : outline) EXPECT_TRUE(x == 10 || y == 10 || x + y == 60) << x << "," << y;
    EXPECT_EQ(triangle({10, 10, 50, 10, 10, 50}, 1).size(), 861u);
    // The vertex order does not matter.
    EXPECT_EQ(triangle({10, 50, 50, 10, 10, 10}, 1).size(), 861u);
    EXPECT_TRUE(triangle({10, 10, 30, 30, 50, 50}, 1).empty());
    EXPECT_TRUE(triangle({0, 0, 0, 0, 0, 0}, 1).empty());
}

TEST_F(ShapesTest, HalfTransparentShapeBlendsOnlyInsideSelection) {
    auto select = MakeDefault<RectSelectionRasterFunction>(
        {{"Pos_StartX", I32(0)}, {"Pos_StartY", I32(0)}, {"Pos_EndX", I32(15)}, {"Pos_EndY", I32(100)}});
    auto rect = MakeDefault<ShapeRectRasterFunction>(
        {{"Color1_Green", U8(0)}, {"Color1_Blue", U8(0)}, {"Color1_Alpha", U8(128)}, {"Point1_X", I32(10)},
         {"Point1_Y", I32(10)}, {"Point2_X", I32(20)}, {"Point2_Y", I32(20)}, {"Infill_Shape", I32(1)}});
    const PixelBuffer image = Render(Queue(std::move(select), std::move(rect)))->CompositeCanvas();
    for (uint32_t y = 0; y < 100; ++y) {
        for (uint32_t x = 0; x < 100; ++x) {
            const bool painted = x >= 10 && x <= 14 && y >= 10 && y <= 20;
            EXPECT_EQ(image[y * 100 + x], painted ? Color(255, 126, 126, 255) : kOpaqueWhite) << x << "," << y;
        }
    }
}

}  // namespace
