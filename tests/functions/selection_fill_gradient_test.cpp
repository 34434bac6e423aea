#include "functions/clear_selection.h"
#include "functions/fill.h"
#include "functions/gradient.h"
#include "functions/polygon_selection.h"
#include "functions/rect_selection.h"
#include "support/test_support.h"

namespace {

class PaintTest : public CoreTest {};

std::unique_ptr<AbstractRasterFunction> Rect(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t add = 0) {
    return Make<RectSelectionRasterFunction>({{"Pos_StartX", I32(x0)},
                                              {"Pos_StartY", I32(y0)},
                                              {"Pos_EndX", I32(x1)},
                                              {"Pos_EndY", I32(y1)},
                                              {"Setting_SelectMode", I32(add)}});
}
std::unique_ptr<AbstractRasterFunction> Fill(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    return Make<FillRasterFunction>(
        {{"Color_Red", U8(r)}, {"Color_Green", U8(g)}, {"Color_Blue", U8(b)}, {"Color_Alpha", U8(a)}});
}
std::unique_ptr<AbstractRasterFunction> Gradient(Color c1, int32_t x1, int32_t y1, Color c2, int32_t x2,
                                                 int32_t y2) {
    return Make<GradientRasterFunction>({{"Color1_Red", U8(c1.r)}, {"Color1_Green", U8(c1.g)},
                                         {"Color1_Blue", U8(c1.b)}, {"Color1_Alpha", U8(c1.a)},
                                         {"Point1_X", I32(x1)},     {"Point1_Y", I32(y1)},
                                         {"Color2_Red", U8(c2.r)}, {"Color2_Green", U8(c2.g)},
                                         {"Color2_Blue", U8(c2.b)}, {"Color2_Alpha", U8(c2.a)},
                                         {"Point2_X", I32(x2)},     {"Point2_Y", I32(y2)}});
}

// The selected indices after a queue of selection instructions.
std::vector<uint32_t> SelectionAfter(const InstructionList& queue) {
    SelectableRaster raster(100, 100);
    Generate(raster, queue);
    return raster.SelectedIndices();
}

std::vector<uint32_t> Box(int x0, int y0, int x1, int y1) {
    std::vector<uint32_t> indices;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) indices.push_back(uint32_t(y * 100 + x));
    return indices;
}

TEST_F(PaintTest, RectangularSelectionModes) {
    EXPECT_EQ(SelectionAfter(Queue(Rect(0, 0, 50, 100))), Box(0, 0, 50, 100));
    EXPECT_EQ(SelectionAfter(Queue(Rect(30, 40, 10, 20))), Box(10, 20, 30, 40));
    EXPECT_TRUE(SelectionAfter(Queue(Rect(7, 7, 7, 7))).empty());
    EXPECT_EQ(SelectionAfter(Queue(Rect(-10, -10, 200, 200))).size(), 10000u);
    // Added directly after the reset, a rectangle selects only itself.
    EXPECT_EQ(SelectionAfter(Queue(Rect(0, 0, 10, 10, 1))), Box(0, 0, 10, 10));
    // Replace versus add.
    EXPECT_EQ(SelectionAfter(Queue(Rect(0, 0, 10, 10), Rect(20, 0, 30, 10))), Box(20, 0, 30, 10));
    std::vector<uint32_t> both = Box(0, 0, 10, 10);
    std::vector<uint32_t> second = Box(20, 0, 30, 10);
    both.insert(both.end(), second.begin(), second.end());
    std::sort(both.begin(), both.end());
    EXPECT_EQ(SelectionAfter(Queue(Rect(0, 0, 10, 10), Rect(20, 0, 30, 10, 1))), both);
    EXPECT_EQ(SelectionAfter(Queue(Rect(0, 0, 10, 10), Make<ClearSelectionRasterFunction>())).size(), 10000u);
}

TEST_F(PaintTest, PolygonSelectionReadsVerticesWhileTheyExist) {
    auto zeroTriangle = MakeDefault<PolygonSelectionRasterFunction>();
    EXPECT_TRUE(SelectionAfter(Queue(std::move(zeroTriangle))).empty());

    auto triangle = Make<PolygonSelectionRasterFunction>({{"Point1_X", I32(25)}, {"Point1_Y", I32(71)},
                                                          {"Point2_X", I32(61)}, {"Point2_Y", I32(17)},
                                                          {"Point3_X", I32(80)}, {"Point3_Y", I32(85)}});
    EXPECT_EQ(SelectionAfter(Queue(std::move(triangle))).size(), 1746u);

    // A fourth point from a file makes a quadrilateral; a gap ends the list.
    auto quad = Make<PolygonSelectionRasterFunction>({{"Point1_X", I32(10)}, {"Point1_Y", I32(20)},
                                                      {"Point2_X", I32(10)}, {"Point2_Y", I32(40)},
                                                      {"Point3_X", I32(30)}, {"Point3_Y", I32(40)},
                                                      {"Point4_X", I32(30)}, {"Point4_Y", I32(20)},
                                                      {"Point6_X", I32(99)}, {"Point6_Y", I32(99)}});
    EXPECT_EQ(SelectionAfter(Queue(std::move(quad))), Box(10, 20, 30, 40));
}

TEST_F(PaintTest, FillBlendsOnlySelectedPixels) {
    const auto untouched = Render(Queue(MakeDefault<FillRasterFunction>()));
    EXPECT_EQ(CountPixels(untouched->CompositeCanvas(), kOpaqueWhite), 10000u);

    const auto half = Render(Queue(Rect(10, 20, 30, 40), Fill(255, 0, 0, 128)));
    for (uint32_t i = 0; i < 10000; ++i) {
        const uint32_t x = i % 100, y = i / 100;
        const bool inside = x >= 10 && x <= 29 && y >= 20 && y <= 39;
        ASSERT_EQ(half->CompositeCanvas()[i], inside ? Color(255, 126, 126, 255) : kOpaqueWhite) << x << "," << y;
    }
    const auto clear = Render(Queue(Fill(1, 2, 3, 255), Fill(200, 100, 50, 0)));
    EXPECT_EQ(CountPixels(clear->CompositeCanvas(), Color(1, 2, 3, 255)), 10000u);
    const auto none = Render(Queue(Rect(5, 5, 5, 5), Fill(0, 0, 0, 255)));
    EXPECT_EQ(CountPixels(none->CompositeCanvas(), kOpaqueWhite), 10000u);
}

TEST_F(PaintTest, GradientGreyLevelsAndTransparentEnd) {
    const Color black(0, 0, 0, 255), white = kOpaqueWhite;
    const auto grey = Render(Queue(Gradient(black, 0, 0, white, 10, 0)));
    const std::pair<uint32_t, uint8_t> levels[] = {{0, 0}, {1, 25}, {5, 127}, {9, 229}, {10, 255}, {20, 255}};
    for (const auto& [x, level] : levels)
        for (uint32_t y : {0u, 37u, 99u})
            EXPECT_EQ(grey->CompositeCanvas()[y * 100 + x], Color(level, level, level, 255)) << x << "," << y;

    const auto ramp = Render(Queue(Gradient(Color(255, 0, 0, 0), 0, 0, Color(0, 0, 255, 255), 10, 0)));
    EXPECT_EQ(ramp->CompositeCanvas()[0], white);
    EXPECT_EQ(ramp->CompositeCanvas()[5], Color(127, 127, 255, 255));
    EXPECT_EQ(ramp->CompositeCanvas()[10], Color(0, 0, 255, 255));

    // Both points equal: P2 moves up by 0.001, so rows y <= 5 take C1.
    const auto same = Render(Queue(Gradient(black, 5, 5, white, 5, 5)));
    for (uint32_t y = 0; y < 100; ++y)
        EXPECT_EQ(same->CompositeCanvas()[y * 100 + 42], y <= 5 ? black : white) << y;
}

TEST_F(PaintTest, GradientTouchesOnlyTheSelection) {
    const auto raster =
        Render(Queue(Rect(0, 0, 4, 100), Gradient(Color(0, 0, 0, 255), 0, 0, Color(0, 0, 0, 255), 99, 0)));
    for (uint32_t i = 0; i < 10000; ++i)
        ASSERT_EQ(raster->CompositeCanvas()[i], i % 100 < 4 ? Color(0, 0, 0, 255) : kOpaqueWhite);
}

TEST_F(PaintTest, HostilePositionsStayDefined) {
    const int32_t big = 2147483647, small = -2147483647 - 1;
    const auto raster = Render(Queue(Rect(small, small, big, big), Fill(0, 0, 0, 255),
                                     Gradient(Color(0, 0, 0, 255), small, small, kOpaqueWhite, big, big),
                                     Gradient(Color(9, 9, 9, 9), big, 0, kOpaqueWhite, big, 0)));
    EXPECT_EQ(raster->CompositeCanvas().size(), 10000u);
}

}  // namespace
