// The seed gallery's renderer: each thumbnail is the headless render of its
// seed, the family follows the first Seed, and rendering on its own thread
// leaves the main generation's pixels and generator untouched.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <deque>
#include <set>
#include <string>
#include <thread>

#include "editor_ui/seed_gallery.h"
#include "instructions/function_catalogue.h"
#include "instructions/instruction_queue.h"
#include "instructions/parameter_rng.h"
#include "project/project_file.h"
#include "raster/generate.h"

namespace {

std::unique_ptr<AbstractRasterFunction> FromCatalogue(uint32_t typeId) {
    return FindPrototypeByTypeId(typeId)->Clone();
}

void Randomise(AbstractRasterFunction& f, const std::string& name, int32_t lo, int32_t hi) {
    ParamRecord record = f.GetRecord(name);
    record.randomized = true;
    record.offsetMin = ParamValue(lo);
    record.offsetMax = ParamValue(hi);
    f.SetRecord(name, record);
}

// Default queue with randomised colours after its Set Seed, then an Erode
// Morph with a Seed of its own (which the family must leave alone) before
// more randomised reads.
InstructionList FamilyQueue(uint64_t seed) {
    InstructionList queue = MakeDefaultQueue();
    queue[0]->SetValue("Seed", ParamValue(seed));
    Randomise(*queue[2], "Color_Green", 0, 200);
    Randomise(*queue[1], "Pos_EndX", -40, 40);
    auto erode = FromCatalogue(16);
    erode->SetValue("Seed", ParamValue(uint64_t(99)));
    queue.push_back(std::move(erode));
    queue.push_back(FromCatalogue(3));  // whole-raster rectangular selection
    auto fill = FromCatalogue(1);
    Randomise(*fill, "Color_Alpha", -128, 0);
    queue.push_back(std::move(fill));
    return queue;
}

// The headless run: the project file loaded with one command-line seed,
// generated on a new raster with a cleared selection.
std::vector<unsigned char> HeadlessRender(const InstructionList& queue, int32_t seed) {
    const std::string path = testing::TempDir() + "orvane_seed_gallery_headless.pcg";
    EXPECT_TRUE(WriteProjectFile(path, queue));
    InstructionList saved = std::move(instructionQueue);
    commandLineSeeds = {seed};
    EXPECT_TRUE(LoadProjectFile(path));
    commandLineSeeds.clear();
    SelectableRaster raster(100, 100);
    raster.ClearSelection();
    Generate(raster, instructionQueue);
    instructionQueue = std::move(saved);
    std::remove(path.c_str());
    return CompositeImageTopDown(raster);
}

void WaitUntilFinished(const SeedGalleryRenderer& renderer) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);  // against a hang only
    while (renderer.FinishedOfLatest() < kSeedGallerySize && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_EQ(renderer.FinishedOfLatest(), kSeedGallerySize);
}

TEST(SeedGalleryTest, EachThumbnailIsTheHeadlessRenderOfItsSeed) {
    const InstructionList queue = FamilyQueue(40);
    SeedGalleryRenderer renderer;
    ASSERT_TRUE(renderer.Request(queue));
    WaitUntilFinished(renderer);
    std::set<std::vector<unsigned char>> distinct;
    for (int k = 0; k < kSeedGallerySize; ++k) {
        uint64_t version = 0;
        SeedGalleryRenderer::Thumbnail thumbnail;
        ASSERT_TRUE(renderer.TakeNewer(k, version, thumbnail));
        EXPECT_FALSE(renderer.TakeNewer(k, version, thumbnail)) << "taken twice";
        EXPECT_EQ(thumbnail.seed, uint64_t(40 + k));
        EXPECT_TRUE(thumbnail.rgba == HeadlessRender(queue, int32_t(40 + k))) << "seed " << 40 + k;
        distinct.insert(thumbnail.rgba);
    }
    EXPECT_GT(distinct.size(), 8u) << "the seeds made no family";
    // The queue given is left as it was.
    EXPECT_EQ(queue[0]->GetRawValue("Seed").AsUInt64(), 40u);
}

TEST(SeedGalleryTest, TheFirstSeedInQueueOrderIsVariedAndNoSeedMeansNoGallery) {
    InstructionList queue;
    queue.push_back(FromCatalogue(1));
    SeedGalleryRenderer renderer;
    EXPECT_EQ(FindFirstSeedInstruction(queue), -1);
    EXPECT_FALSE(renderer.Request(queue));
    for (uint32_t type : {15u, 14u}) {  // Dilate Morph before a Set Seed
        auto seeded = FromCatalogue(type);
        seeded->SetValue("Seed", ParamValue(uint64_t(type)));
        queue.push_back(std::move(seeded));
    }
    EXPECT_EQ(FindFirstSeedInstruction(queue), 1);
    const InstructionList varied = WithFirstSeed(queue, 1234);
    EXPECT_EQ(varied[1]->GetRawValue("Seed").AsUInt64(), 1234u);
    EXPECT_EQ(varied[1]->GetRawValue("Seed").Type(), queue[1]->GetRawValue("Seed").Type());
    EXPECT_EQ(varied[2]->GetRawValue("Seed").AsUInt64(), 14u);

    const auto low = GallerySeeds(5);
    EXPECT_EQ(low[0], 5u);
    EXPECT_EQ(low[15], 20u);
    const auto top = GallerySeeds(2147483640);
    EXPECT_EQ(top[7], 2147483647u);
    EXPECT_EQ(top[8], 0u) << "wraps within what the Seed field holds";
    EXPECT_EQ(GallerySeeds(uint64_t(1) << 40)[15], (uint64_t(1) << 40) + 15);
}

TEST(SeedGalleryTest, ANewerRequestReplacesTheFamily) {
    SeedGalleryRenderer renderer;
    ASSERT_TRUE(renderer.Request(FamilyQueue(0)));
    ASSERT_TRUE(renderer.Request(FamilyQueue(500)));
    WaitUntilFinished(renderer);
    uint64_t version = 0;
    SeedGalleryRenderer::Thumbnail thumbnail;
    for (int k = 0; k < kSeedGallerySize; ++k) {
        version = 0;
        ASSERT_TRUE(renderer.TakeNewer(k, version, thumbnail));
        EXPECT_EQ(thumbnail.seed, uint64_t(500 + k));
    }
    renderer.Stop();
    ASSERT_TRUE(renderer.Request(FamilyQueue(7))) << "a stopped renderer starts again";
    WaitUntilFinished(renderer);
}

// The main generation runs while the gallery renders on its own thread: its
// pixels and the draws left in its generator are those of a run alone.
TEST(SeedGalleryTest, TheMainGenerationIsUnaffectedByTheGallery) {
    // No Set Seed: every randomised read depends on this thread's generator.
    InstructionList main = FamilyQueue(0);
    main.erase(main.begin());
    auto alone = [&](uint32_t seed, uint32_t& nextDraw) {
        ReseedParameterRng(seed);
        SelectableRaster raster(100, 100);
        raster.ClearSelection();
        Generate(raster, main);
        nextDraw = uint32_t(parameterRng()());
        return CompositeImageTopDown(raster);
    };
    uint32_t expectedDraw = 0;
    const std::vector<unsigned char> expected = alone(2024, expectedDraw);

    SeedGalleryRenderer renderer;
    for (int round = 0; round < 6; ++round) {
        ASSERT_TRUE(renderer.Request(FamilyQueue(uint64_t(round) * 100)));
        uint32_t draw = 0;
        EXPECT_TRUE(alone(2024, draw) == expected) << "round " << round;
        EXPECT_EQ(draw, expectedDraw) << "round " << round;
    }
    WaitUntilFinished(renderer);
    uint32_t draw = 0;
    EXPECT_TRUE(alone(2024, draw) == expected);
}

}  // namespace
