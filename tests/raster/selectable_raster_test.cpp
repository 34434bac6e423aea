#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "raster/selectable_raster.h"

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

TEST(SelectableRasterTest, FreshRasterIsWhiteAndFullySelected) {
    SelectableRaster raster(100, 100);
    ASSERT_EQ(raster.SelectedIndices().size(), 10000u);
    for (uint32_t i = 0; i < 10000; ++i) ASSERT_EQ(raster.SelectedIndices()[i], i);
    for (const Color c : raster.Layer(0)) ASSERT_EQ(c, kOpaqueWhite);
    for (const Color c : raster.CompositeCanvas()) ASSERT_EQ(c, kOpaqueWhite);
    EXPECT_EQ(raster.LayerCount(), 1u);
    EXPECT_TRUE(raster.IsChanged());

    SelectableRaster placeholder;
    EXPECT_EQ(placeholder.Width(), 1u);
    EXPECT_TRUE(placeholder.SelectedIndices().empty());
    EXPECT_FALSE(placeholder.IsChanged());
}

TEST(SelectableRasterTest, SelectionUnionAndEmptyPolygon) {
    SelectableRaster raster(100, 100);
    raster.AddSelectionPolygons({{{0, 0}, {0, 10}, {10, 10}, {10, 0}}, {{5, 5}, {5, 15}, {15, 15}, {15, 5}}});
    // 100 + 100 - 25 overlap, each listed once, ascending.
    ASSERT_EQ(raster.SelectedIndices().size(), 175u);
    EXPECT_TRUE(std::is_sorted(raster.SelectedIndices().begin(), raster.SelectedIndices().end()));

    raster.ClearSelection();
    raster.AddSelectionPolygons({{{0, 0}, {0, 0}, {0, 0}}});
    EXPECT_TRUE(raster.SelectedIndices().empty());
    raster.ClearSelection();
    EXPECT_EQ(raster.SelectedIndices().size(), 10000u);
}

TEST(SelectableRasterTest, OutOfRangeAccess) {
    SelectableRaster raster(100, 100);
    raster.SetPixel(5, Color(1, 2, 3, 4));
    raster.CommitWorkingCanvas();
    raster.LoadWorkingCanvas();

    CaptureStderr();
    EXPECT_EQ(raster.GetPixel(-1), kOpaqueWhite);
    EXPECT_EQ(raster.GetPixel(10000), kOpaqueWhite);
    raster.SetPixel(10000, Color(9, 9, 9, 9));
    EXPECT_EQ(GetCapturedStderr(), "Index out of bounds.\nIndex out of bounds.\nIndex out of bounds.\n");

    CaptureStderr();
    raster.SetPixelAt(100, 0, Color(9, 9, 9, 9));
    raster.SetPixelAt(-1, 3, Color(9, 9, 9, 9));
    EXPECT_EQ(GetCapturedStderr(), "");
    for (const Color c : raster.WorkingCanvas()) ASSERT_NE(c, Color(9, 9, 9, 9));

    // Position reads clamp to the nearest edge pixel.
    raster.SetPixelAt(0, 99, Color(7, 7, 7, 7));
    raster.CommitWorkingCanvas();
    EXPECT_EQ(raster.GetPixelAt(-5, 250, false), Color(7, 7, 7, 7));
    EXPECT_EQ(raster.GetPixelAt(-2000000000, -2000000000, false), raster.GetPixel(0));
    EXPECT_EQ(raster.GetPixel(5), Color(1, 2, 3, 4));
}

TEST(SelectableRasterTest, PassesReadThePreviousPass) {
    SelectableRaster raster(4, 3);
    raster.SetPixel(2, Color(10, 20, 30, 40));
    EXPECT_EQ(raster.GetPixel(2), kOpaqueWhite);  // committed reads never see the working canvas
    EXPECT_EQ(raster.GetPixelAt(2, 0, true), Color(10, 20, 30, 40));
    raster.BeginPass();
    EXPECT_EQ(raster.GetPixel(2), Color(10, 20, 30, 40));
    EXPECT_EQ(raster.GetPixelAt(2, 0, false), Color(10, 20, 30, 40));
    EXPECT_EQ(raster.GetPixelAt(2, 0, true), kOpaqueWhite);  // working canvas reloaded from the layer
    raster.LoadWorkingCanvas();
    EXPECT_EQ(raster.GetPixel(2), kOpaqueWhite);
}

TEST(SelectableRasterTest, LayersClampAndReuseSpares) {
    SelectableRaster raster(2, 2);
    raster.SelectLayer(7);
    EXPECT_EQ(raster.CurrentLayerIndex(), 0u);
    raster.CreateLayer();
    raster.CreateLayer();
    EXPECT_EQ(raster.CurrentLayerIndex(), 0u);  // creating does not switch
    raster.SelectLayer(5);
    EXPECT_EQ(raster.CurrentLayerIndex(), 2u);
    raster.SelectLayer(0xFFFFFFFFu);
    EXPECT_EQ(raster.CurrentLayerIndex(), 2u);
    for (const Color c : raster.Layer(2)) EXPECT_EQ(c, kTransparentBlack);

    raster.BeginGeneration();
    EXPECT_EQ(raster.LayerCount(), 1u);
    EXPECT_EQ(raster.LayerBufferCount(), 3u);  // spares kept
    raster.CreateLayer();
    EXPECT_EQ(raster.LayerBufferCount(), 3u);  // a spare is reused
    EXPECT_EQ(raster.LayerCount(), 2u);
}

TEST(SelectableRasterTest, LayerCountIsBounded) {
    SelectableRaster raster(2, 2);
    for (uint32_t i = 0; i < SelectableRaster::kMaxLayers + 50; ++i) raster.CreateLayer();
    EXPECT_EQ(raster.LayerCount(), SelectableRaster::kMaxLayers);
    EXPECT_EQ(raster.LayerBufferCount(), SelectableRaster::kMaxLayers);
}

}  // namespace

namespace {

// RebuildSelection (row testers, box shortcut, bounding-box skips) against a
// literal loop over every pixel and every polygon in order.
TEST(SelectableRasterTest, SelectionMatchesLiteralMembership) {
    std::mt19937 rng(77);
    std::uniform_int_distribution<int32_t> coord(-30, 130);
    for (int round = 0; round < 60; ++round) {
        std::vector<RasterPolygon> polygons;
        for (int p = 0; p < 1 + round % 3; ++p) {
            RasterPolygon polygon;
            if (p % 2 == 0) {
                const int32_t x0 = coord(rng), y0 = coord(rng), x1 = coord(rng), y1 = coord(rng);
                polygon = {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}};
            } else {
                for (int i = 0; i < 3 + round % 3; ++i) polygon.push_back({coord(rng), coord(rng)});
            }
            polygons.push_back(polygon);
        }
        SelectableRaster raster(100, 100);
        raster.AddSelectionPolygons(polygons);
        std::vector<uint32_t> literal;
        for (uint32_t i = 0; i < 10000; ++i)
            for (const RasterPolygon& polygon : polygons)
                if (IsPointInPolygon(polygon, int32_t(i % 100), int32_t(i / 100))) {
                    literal.push_back(i);
                    break;
                }
        ASSERT_EQ(raster.SelectedIndices(), literal) << "round " << round;
    }
}

}  // namespace
