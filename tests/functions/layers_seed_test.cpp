#include "functions/create_layer.h"
#include "functions/dilate_morph.h"
#include "functions/erode_morph.h"
#include "functions/fill.h"
#include "functions/select_layer.h"
#include "functions/set_seed.h"
#include "support/test_support.h"

namespace {

class LayersSeedTest : public CoreTest {};

// A fill whose red channel is randomised over the whole byte range.
std::unique_ptr<AbstractRasterFunction> RandomFill() {
    auto fill = MakeDefault<FillRasterFunction>({{"Color_Red", U8(0)}});
    Randomise(*fill, "Color_Red", I32(0), I32(255));
    return fill;
}

template <class SeedClass>
InstructionList SeededQueue(uint64_t seed) {
    return Queue(Make<SeedClass>({{"Seed", U64(seed)}}), RandomFill());
}

TEST_F(LayersSeedTest, SetSeedMakesGenerationsRepeat) {
    const auto first = Render(SeededQueue<SetSeedRasterFunction>(11));
    ReseedParameterRng(999);  // whatever the generator held before
    const auto second = Render(SeededQueue<SetSeedRasterFunction>(11));
    EXPECT_TRUE(ImagesEqual(first->CompositeCanvas(), second->CompositeCanvas(), 100, 100));

    // Without a seed two generations continue the sequence and differ.
    SelectableRaster raster(100, 100);
    InstructionList unseeded = Queue(RandomFill(), RandomFill(), RandomFill());
    Generate(raster, unseeded);
    const PixelBuffer a = raster.CompositeCanvas();
    Generate(raster, unseeded);
    EXPECT_NE(a, raster.CompositeCanvas());

    // Seeds that differ only above bit 31 act alike: the low 32 bits are used.
    const auto high = Render(SeededQueue<SetSeedRasterFunction>(11 + (uint64_t(1) << 32)));
    EXPECT_TRUE(ImagesEqual(first->CompositeCanvas(), high->CompositeCanvas(), 100, 100));
}

TEST_F(LayersSeedTest, MorphInstructionsReseedLikeSetSeed) {
    const auto reference = Render(SeededQueue<SetSeedRasterFunction>(5));
    const auto dilate = Render(SeededQueue<DilateMorphRasterFunction>(5));
    const auto erode = Render(SeededQueue<ErodeMorphRasterFunction>(5));
    EXPECT_TRUE(ImagesEqual(reference->CompositeCanvas(), dilate->CompositeCanvas(), 100, 100));
    EXPECT_TRUE(ImagesEqual(reference->CompositeCanvas(), erode->CompositeCanvas(), 100, 100));
    const auto other = Render(SeededQueue<SetSeedRasterFunction>(6));
    EXPECT_NE(reference->CompositeCanvas()[0], other->CompositeCanvas()[0]);

    // On their own they change no pixel.
    const auto alone = Render(Queue(Make<DilateMorphRasterFunction>({{"Seed", U64(3)}}),
                                    Make<ErodeMorphRasterFunction>({{"Seed", U64(4)}})));
    EXPECT_EQ(CountPixels(alone->CompositeCanvas(), kOpaqueWhite), 10000u);
}

TEST_F(LayersSeedTest, RandomisedSeedDrawsBeforeReseeding) {
    auto seed = MakeDefault<SetSeedRasterFunction>({{"Seed", U64(10)}});
    Randomise(*seed, "Seed", I32(0), I32(0));
    ReseedParameterRng(77);
    const auto drawn = Render(Queue(std::move(seed), RandomFill()));
    ReseedParameterRng(12345);
    const auto plain = Render(SeededQueue<SetSeedRasterFunction>(10));
    EXPECT_TRUE(ImagesEqual(drawn->CompositeCanvas(), plain->CompositeCanvas(), 100, 100));
}

TEST_F(LayersSeedTest, SelectLayerClampsToLayersInUse) {
    auto fillOn = [](uint64_t layer) {
        return Queue(Make<SelectLayerRasterFunction>({{"Layer", U64(layer)}}),
                     Make<FillRasterFunction>({{"Color_Red", U8(0)}, {"Color_Green", U8(0)},
                                               {"Color_Blue", U8(0)}, {"Color_Alpha", U8(255)}}));
    };
    SelectableRaster raster(100, 100);
    InstructionList single = fillOn(4);
    Generate(raster, single);
    EXPECT_EQ(raster.CurrentLayerIndex(), 0u);

    InstructionList two = Queue(Make<CreateLayerRasterFunction>(), Make<CreateLayerRasterFunction>());
    InstructionList rest = fillOn(5);
    for (auto& instruction : rest) two.push_back(std::move(instruction));
    Generate(raster, two);
    EXPECT_EQ(raster.CurrentLayerIndex(), 2u);
    EXPECT_EQ(CountPixels(raster.Layer(2), Color(0, 0, 0, 255)), 10000u);
    EXPECT_EQ(CountPixels(raster.Layer(0), kOpaqueWhite), 10000u);

    // The huge layer index a file could hold selects the last layer too.
    InstructionList huge = Queue(Make<CreateLayerRasterFunction>(),
                                 Make<SelectLayerRasterFunction>({{"Layer", U64(~uint64_t(0))}}));
    Generate(raster, huge);
    EXPECT_EQ(raster.CurrentLayerIndex(), 1u);
}

}  // namespace
