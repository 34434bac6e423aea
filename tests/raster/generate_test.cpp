#include <stb/stb_image.h>
#include <unistd.h>

#include <cstdio>

#include "functions/create_layer.h"
#include "functions/fill.h"
#include "functions/rect_selection.h"
#include "functions/select_layer.h"
#include "support/test_support.h"

namespace {

class GenerateTest : public CoreTest {};

std::unique_ptr<AbstractRasterFunction> Rect(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    return Make<RectSelectionRasterFunction>({{"Pos_StartX", I32(x0)},
                                              {"Pos_StartY", I32(y0)},
                                              {"Pos_EndX", I32(x1)},
                                              {"Pos_EndY", I32(y1)},
                                              {"Setting_SelectMode", I32(0)}});
}
std::unique_ptr<AbstractRasterFunction> Fill(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    return Make<FillRasterFunction>(
        {{"Color_Red", U8(r)}, {"Color_Green", U8(g)}, {"Color_Blue", U8(b)}, {"Color_Alpha", U8(a)}});
}
std::unique_ptr<AbstractRasterFunction> SelectLayer(uint64_t layer) {
    return Make<SelectLayerRasterFunction>({{"Layer", U64(layer)}});
}

TEST_F(GenerateTest, EmptyQueueIsWhite) {
    const auto raster = Render({});
    EXPECT_EQ(CountPixels(raster->CompositeCanvas(), kOpaqueWhite), 10000u);
    EXPECT_TRUE(raster->IsChanged());
}

TEST_F(GenerateTest, SingleLayerCompositeEqualsLayerZero) {
    const auto raster = Render(Queue(Fill(255, 0, 0, 128)));
    EXPECT_TRUE(ImagesEqual(raster->CompositeCanvas(), raster->Layer(0), 100, 100));
    EXPECT_EQ(raster->CompositeCanvas()[0], Color(255, 126, 126, 255));
}

TEST_F(GenerateTest, SecondLayerCompositesOverFirst) {
    InstructionList queue = Queue(Make<CreateLayerRasterFunction>(), SelectLayer(1), Rect(10, 10, 20, 20),
                                  Fill(255, 0, 0, 128));
    const auto raster = Render(queue);
    const PixelBuffer& image = raster->CompositeCanvas();
    EXPECT_EQ(raster->LayerCount(), 2u);
    // Layer 1 holds the straight half-alpha red; composited over white it blends.
    EXPECT_EQ(raster->Layer(1)[15 * 100 + 15], Color(255, 0, 0, 128));
    EXPECT_EQ(image[15 * 100 + 15], Color(255, 126, 126, 255));
    EXPECT_EQ(CountPixels(image, Color(255, 126, 126, 255)), 100u);
    EXPECT_EQ(CountPixels(image, kOpaqueWhite), 9900u);
}

TEST_F(GenerateTest, FillAfterCreateLayerPaintsTheCurrentLayer) {
    const auto raster = Render(Queue(Make<CreateLayerRasterFunction>(), Fill(0, 255, 0, 255)));
    EXPECT_EQ(CountPixels(raster->Layer(0), Color(0, 255, 0, 255)), 10000u);
    EXPECT_EQ(CountPixels(raster->Layer(1), kTransparentBlack), 10000u);
    EXPECT_EQ(CountPixels(raster->CompositeCanvas(), Color(0, 255, 0, 255)), 10000u);
}

TEST_F(GenerateTest, LayersDoNotSurviveIntoTheNextGeneration) {
    SelectableRaster raster(100, 100);
    InstructionList layered = Queue(Make<CreateLayerRasterFunction>(), Make<CreateLayerRasterFunction>(),
                                    Make<CreateLayerRasterFunction>(), SelectLayer(3), Fill(0, 0, 255, 255));
    Generate(raster, layered);
    EXPECT_EQ(raster.LayerCount(), 4u);
    EXPECT_EQ(CountPixels(raster.CompositeCanvas(), Color(0, 0, 255, 255)), 10000u);

    Generate(raster, Queue(Rect(0, 0, 10, 10), Fill(255, 0, 0, 255)));
    EXPECT_EQ(raster.LayerCount(), 1u);
    EXPECT_EQ(raster.CurrentLayerIndex(), 0u);
    EXPECT_EQ(CountPixels(raster.CompositeCanvas(), Color(255, 0, 0, 255)), 100u);
    EXPECT_EQ(CountPixels(raster.CompositeCanvas(), kOpaqueWhite), 9900u);
    for (uint32_t layer = 1; layer < raster.LayerBufferCount(); ++layer)
        EXPECT_EQ(CountPixels(raster.Layer(layer), kTransparentBlack), 10000u);
}

TEST_F(GenerateTest, TransparentCompositeUnderTransparentLayerIsTransparentBlack) {
    // Select layer 1 and fill it transparent: compositing opaque white under
    // it stays white exactly.
    const auto raster = Render(Queue(Make<CreateLayerRasterFunction>(), SelectLayer(1), Fill(9, 9, 9, 0)));
    EXPECT_EQ(CountPixels(raster->CompositeCanvas(), kOpaqueWhite), 10000u);
}

TEST_F(GenerateTest, PngRowZeroIsTheBottomRow) {
    // Red bottom-left quarter-ish block, blue in row 99: an asymmetric picture.
    InstructionList queue = Queue(Rect(0, 0, 30, 10), Fill(255, 0, 0, 255), Rect(60, 99, 100, 100),
                                  Fill(0, 0, 255, 255));
    const auto raster = Render(queue);
    char path[] = "/tmp/orvane_png_XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    ASSERT_TRUE(WritePng(*raster, path));
    int w = 0, h = 0, channels = 0;
    unsigned char* data = stbi_load(path, &w, &h, &channels, 4);
    std::remove(path);
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(w, 100);
    ASSERT_EQ(h, 100);
    EXPECT_EQ(channels, 4);
    auto at = [&](int x, int pngRow) {
        const unsigned char* p = data + (pngRow * 100 + x) * 4;
        return Color(p[0], p[1], p[2], p[3]);
    };
    EXPECT_EQ(at(0, 99), Color(255, 0, 0, 255));   // raster (0, 0) is the bottom-left
    EXPECT_EQ(at(29, 90), Color(255, 0, 0, 255));  // raster (29, 9)
    EXPECT_EQ(at(30, 99), kOpaqueWhite);
    EXPECT_EQ(at(60, 0), Color(0, 0, 255, 255));   // raster row 99 is the top
    EXPECT_EQ(at(59, 0), kOpaqueWhite);
    EXPECT_EQ(at(0, 0), kOpaqueWhite);
    stbi_image_free(data);

    EXPECT_FALSE(WritePng(*raster, "/nonexistent-dir/out.png"));
}

}  // namespace
