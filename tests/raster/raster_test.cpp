// The raster model by its worked values: the blending rule and the pixel and
// pass operations; the row-wise polygon test swept against the plain
// membership test. Layers are exercised through the layer instructions in
// functions/functions_test.cpp, which also sweeps whole selections against
// the plain membership test.
#include <climits>
#include <numeric>
#include <random>

#include "support/test_support.h"

namespace {

TEST(RasterTest, BlendingPixelAccessAndPasses) {
    const struct { Color d, s, out; } rows[] = {
        {kOpaqueWhite, {255, 0, 0, 128}, {255, 126, 126, 255}}, {{10, 20, 30, 0}, {1, 2, 3, 0}, kTransparentBlack},
        {{200, 100, 50, 255}, {9, 9, 9, 0}, {200, 100, 50, 255}}, {kTransparentBlack, {200, 100, 50, 128}, {200, 100, 50, 128}}};
    for (const auto& row : rows) EXPECT_EQ(BlendOver(row.d, row.s), row.out) << std::hex << row.d.Word() << " " << row.s.Word();
    // The rule step by step, in single precision, over every pair of alphas with scattered colours.
    auto literal = [](Color d, Color s) {
        const float as = s.a / 255.0f, ad = d.a / 255.0f, k = 1.0f - as, ao = k * ad + as;
        auto c = [&](uint8_t dc, uint8_t sc) { return uint8_t((((dc / 255.0f) * ad) * k + (sc / 255.0f) * as) / ao * 255.0f); };
        return ao == 0.0f ? kTransparentBlack : Color(c(d.r, s.r), c(d.g, s.g), c(d.b, s.b), uint8_t(ao * 255.0f));
    };
    for (uint32_t i = 0; i < 65536; ++i) {
        const Color d = Color::FromWord((i * 2654435761u) << 8 >> 8 | i << 24), s = Color::FromWord((i * 2246822519u) << 8 >> 8 | i >> 8 << 24);
        ASSERT_EQ(BlendOver(d, s), literal(d, s)) << std::hex << d.Word() << " under " << s.Word();
    }
    // The many-pixel blends, over the same pairs (an odd count, so blocks end
    // part-way) and in place, give the single blend's pixels.
    std::vector<Color> under(65531), over(65531), out(65531), inPlace;
    for (uint32_t i = 0; i < under.size(); ++i)
        under[i] = Color::FromWord((i * 2654435761u) << 8 >> 8 | i << 24), over[i] = Color::FromWord((i * 2246822519u) << 8 >> 8 | i >> 8 << 24);
    inPlace = under;
    BlendOverPixels(under.data(), over.data(), out.data(), under.size());
    BlendOverPixels(inPlace.data(), over.data(), inPlace.data(), under.size());
    for (size_t i = 0; i < under.size(); ++i)
        ASSERT_TRUE(out[i] == BlendOver(under[i], over[i]) && inPlace[i] == out[i]) << std::hex << under[i].Word() << " under " << over[i].Word();
    for (const Color colour : {Color(9, 200, 77, 0), Color(9, 200, 77, 255), Color(255, 0, 128, 1), Color(3, 4, 5, 128)}) {
        BlendColourOverPixels(under.data(), colour, out.data(), under.size());
        for (size_t i = 0; i < under.size(); ++i) ASSERT_EQ(out[i], BlendOver(under[i], colour)) << std::hex << under[i].Word() << " under " << colour.Word();
    }

    // Pixel access, reads clamped and out-of-range indices reported, and passes.
    const SelectableRaster placeholder;
    EXPECT_TRUE(placeholder.Width() * placeholder.Height() == 1 && placeholder.SelectedIndices().empty() && !placeholder.IsChanged());
    SelectableRaster raster(100, 100);
    std::vector<uint32_t> all(10000);
    std::iota(all.begin(), all.end(), 0u);
    EXPECT_TRUE(raster.SelectedIndices() == all && raster.LayerCount() == 1 && raster.IsChanged());
    EXPECT_EQ(CountPixels(raster.Layer(0), kOpaqueWhite) + CountPixels(raster.CompositeCanvas(), kOpaqueWhite), 20000u);

    const Color mark(9, 9, 9, 9);
    raster.SetPixel(5, Color(1, 2, 3, 4));
    raster.SetPixelAt(0, 99, Color(7, 7, 7, 7));
    raster.CommitWorkingCanvas(), raster.LoadWorkingCanvas();
    testing::internal::CaptureStderr();
    EXPECT_TRUE(raster.GetPixel(-1) == kOpaqueWhite && raster.GetPixel(10000) == kOpaqueWhite);
    raster.SetPixel(10000, mark);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Index out of bounds.\nIndex out of bounds.\nIndex out of bounds.\n");
    testing::internal::CaptureStderr();
    raster.SetPixelAt(100, 0, mark), raster.SetPixelAt(-1, 3, mark);
    EXPECT_TRUE(testing::internal::GetCapturedStderr().empty() && CountPixels(raster.WorkingCanvas(), mark) == 0);
    EXPECT_EQ(raster.GetPixelAt(-5, 250, false), Color(7, 7, 7, 7));  // clamped to (0, 99)
    EXPECT_TRUE(raster.GetPixelAt(INT_MIN, INT_MIN, false) == kOpaqueWhite && raster.GetPixel(5) == Color(1, 2, 3, 4));
    const RgbaImage image = (raster.Composite(), raster.CompositeImage());  // raster row 99 on top
    EXPECT_TRUE(image.width == 100 && image.height == 100 && image.At(0, 0)[0] == 7 && image.At(5, 99)[2] == 3);

    // Committed reads never see the working canvas; after BeginPass they see the previous pass.
    raster.SetPixel(2, mark);
    EXPECT_TRUE(raster.GetPixel(2) == kOpaqueWhite && raster.GetPixelAt(2, 0, true) == mark);
    raster.BeginPass();  // the working canvas is the layer again
    EXPECT_TRUE(raster.GetPixel(2) == mark && raster.GetPixelAt(2, 0, false) == mark && raster.GetPixelAt(2, 0, true) == kOpaqueWhite);
    raster.LoadWorkingCanvas();
    EXPECT_EQ(raster.GetPixel(2), kOpaqueWhite);
    // A hostile project cannot exhaust memory with layers.
    for (uint32_t i = 0; i < SelectableRaster::kMaxLayers + 50; ++i) raster.CreateLayer();
    EXPECT_TRUE(raster.LayerCount() == SelectableRaster::kMaxLayers && raster.LayerBufferCount() == SelectableRaster::kMaxLayers);
}

// Random polygons of 3 to 9 vertices (repeated and collinear vertices,
// horizontal and vertical edges, self-crossings), small and up to the exact
// span and beyond, marked row by row over and around their boxes: each mark
// is IsPointInPolygon's answer.
TEST(PolygonTest, RowsMarkExactlyThePlainMembership) {
    std::mt19937 rng(7);
    for (int round = 0; round < 3000; ++round) {
        const int32_t spans[] = {3, 12, 60, 200, PolygonTester::kExactSpan - 1, PolygonTester::kExactSpan + 500};
        const int32_t span = spans[round % 6], origin = int32_t(rng() % 41) - 20 + (round % 7 == 0 ? (1 << 21) : 0);
        RasterPolygon polygon(3 + rng() % 7);
        for (RasterPoint& v : polygon) {
            v = {origin + int32_t(rng() % uint32_t(span + 1)), origin + int32_t(rng() % uint32_t(span + 1))};
            if (rng() % 4 == 0) v = polygon[rng() % polygon.size()];  // repeats, and axis-aligned edges
            if (rng() % 4 == 0) v.x = polygon[0].x;
        }
        PolygonTester tester(polygon);
        const PolygonBounds box = BoundsOf(polygon);
        const int32_t x0 = box.minX - 2, x1 = std::min(box.maxX, box.minX + 300) + 2;
        std::vector<uint8_t> mask(size_t(x1 - x0 + 1));
        for (int32_t k = 0; k < 40; ++k) {
            const int32_t y = box.minY - 1 + int32_t(rng() % uint32_t(box.maxY - box.minY + 3));
            std::fill(mask.begin(), mask.end(), uint8_t(0));
            tester.MarkRow(y, x0, x1, mask.data());
            for (int32_t x = x0; x <= x1; ++x)
                ASSERT_EQ(mask[size_t(x - x0)] != 0, IsPointInPolygon(polygon, x, y)) << "round " << round << " at (" << x << ", " << y << ")";
        }
    }
}

}  // namespace
