// The editor's threads, also run under ThreadSanitizer: the edit -> snapshot
// -> worker -> upload hand-off, and the seed gallery's renderer, whose every
// thumbnail is the headless render of its seed.
#include <cstring>
#include <future>
#include <thread>

#include "editor/generation_handoff.h"
#include "editor/seed_gallery.h"
#include "functions/default_queues.h"
#include "functions/function_catalogue.h"
#include "project/project_file_format.h"
#include "support/test_support.h"

using namespace std::chrono_literals;

template <class Done>
static bool PollUntil(Done done, std::chrono::milliseconds limit = 10s) {
    for (const auto end = std::chrono::steady_clock::now() + limit; !done(); std::this_thread::sleep_for(1ms))
        if (std::chrono::steady_clock::now() > end) return false;
    return true;
}

TEST(GenerationHandoff, EditsDuringAGenerationGiveOneMoreFromTheNewestAndFramesNeverWait) {
    SelectableRaster raster(10, 10);
    std::mutex gate;  // a generation waits here while the test holds it
    std::atomic<int> entered{0};
    std::vector<std::pair<uint64_t, size_t>> seen;  // Seed and length of each snapshot; the worker's until joined
    GenerationHandoff handoff(raster, [&](SelectableRaster& r, const InstructionList& snapshot) {
        seen.emplace_back(snapshot[0]->GetRawValue("Seed").AsUInt64(), snapshot.size()), ++entered;
        gate.lock(), gate.unlock(), r.MarkChanged();
    });
    const GenerationHandoff::UploadFn none = [](const SelectableRaster&) {};
    std::unique_lock<std::mutex> held(gate);
    std::thread worker([&] { handoff.WorkerLoop(); });
    InstructionList queue = MakeNewQueue();
    bool dirty = true;
    handoff.PostSnapshot(queue, dirty);
    ASSERT_TRUE(PollUntil([&] { return entered == 1; })) << "the worker never took the snapshot";
    // Three frames with edits, on a thread of their own: a frame that waits fails instead of hanging.
    auto frames = std::async(std::launch::async, [&] {
        int uploads = 0;
        for (uint64_t seed : {1u, 2u, 3u}) {
            queue[0]->SetValue("Seed", U64(seed)), dirty = true;
            uploads += handoff.PostSnapshot(queue, dirty) && handoff.UploadIfChanged(none);
        }
        return uploads;
    });
    auto exported = std::async(std::launch::async, [&] { handoff.WithRaster([](const SelectableRaster&) {}); });
    const bool framesDone = frames.wait_for(10s) == std::future_status::ready;
    EXPECT_EQ(exported.wait_for(50ms), std::future_status::timeout) << "the export did not wait for the generation";
    held.unlock();
    ASSERT_TRUE(framesDone) << "a frame waited for the running generation";
    EXPECT_EQ(frames.get(), 0) << "uploaded while the worker was generating";
    ASSERT_TRUE(PollUntil([&] { return entered == 2 && !handoff.workerBusy; }));
    // A pass after the worker has ended finds nothing left: each snapshot is generated once.
    handoff.appRunning = false, worker.join(), handoff.RunWorkerPass();
    EXPECT_EQ(seen, (decltype(seen){{0, 1}, {3, 1}}));
    EXPECT_FALSE(dirty);
    // Between taking a snapshot and raising workerBusy the worker holds the raster lock: a frame skips.
    held = std::unique_lock<std::mutex>(handoff.rasterMutex);
    auto skipped = std::async(std::launch::async, [&] { return handoff.UploadIfChanged(none); });
    EXPECT_TRUE(skipped.wait_for(10s) == std::future_status::ready && !skipped.get()) << "the frame waited";
    held.unlock();
    EXPECT_TRUE(handoff.UploadIfChanged(none));
    EXPECT_FALSE(handoff.UploadIfChanged(none)) << "the upload clears the changed flag";
}

TEST(SeedGallery, OnlyTheFirstSeedVariesAndEachThumbnailIsTheHeadlessRenderOfItsSeed) {
    const auto top = GallerySeeds(2147483640);
    EXPECT_EQ(std::make_tuple(GallerySeeds(5)[15], top[7], top[8]), std::make_tuple(20u, 2147483647u, 0u));
    EXPECT_EQ(GallerySeeds(uint64_t(1) << 40)[15], (uint64_t(1) << 40) + 15) << "only a file holds more";
    InstructionList queue = Queue(FindPrototypeByTypeId(1)->Clone());  // a Fill
    EXPECT_FALSE(FindFirstSeedInstruction(queue) != -1 || SeedGalleryRenderer().Request(queue));
    // A Dilate Morph, whose Seed comes first, then a Set Seed.
    queue.push_back(FindPrototypeByTypeId(15)->Clone()), queue.push_back(FindPrototypeByTypeId(14)->Clone());
    Randomise(*queue[1], "Seed", I32(0), I32(3)), queue[1]->SetValue("Seed", U32(15));
    EXPECT_EQ(FindFirstSeedInstruction(queue), 1);
    const InstructionList varied = WithFirstSeed(queue, 1234);
    EXPECT_EQ(varied[1]->GetRawValue("Seed"), ParamValue::FromPayload(ValueType::UInt32, 1234)) << "its type stays";
    EXPECT_TRUE(varied[1]->GetRecord("Seed").randomized);
    EXPECT_EQ(varied[2]->Parameters(), queue[2]->Parameters());
    EXPECT_EQ(queue[1]->GetRawValue("Seed"), U32(15)) << "the queue given is left alone";

    // The default queue requested as it is, then, before that family is done,
    // from Seed 40 with a randomised read after its Set Seed.
    InstructionList family = MakeDefaultQueue();
    SeedGalleryRenderer renderer;
    ASSERT_TRUE(renderer.Request(family));
    family[0]->SetValue("Seed", U64(40)), Randomise(*family[2], "Color_Green", I32(0), I32(200));
    const std::string file = EncodeProject(family);  // what a headless run reads
    ASSERT_TRUE(renderer.Request(family));
    ASSERT_TRUE(PollUntil([&] { return renderer.FinishedOfLatest() == kSeedGallerySize; }, 2min));
    for (int32_t k = 0; k < kSeedGallerySize; ++k) {
        uint64_t version = 0;
        SeedGalleryRenderer::Thumbnail thumbnail;
        ASSERT_TRUE(renderer.TakeNewer(k, version, thumbnail) && thumbnail.seed == uint64_t(40 + k));
        // The headless run: the file read with the seed as its one command-line
        // seed, generated on a new raster (nothing selected).
        std::deque<int32_t> seeds{40 + k};
        InstructionList loaded;
        MemoryByteSource bytes(file.data(), file.size());
        ASSERT_TRUE(DecodeProject(bytes, seeds, loaded));
        PixelBuffer shown(100 * 100);  // the thumbnail's rows bottom up, as rasters keep them
        for (uint32_t y = 0; y < 100; ++y) std::memcpy(&shown[(99 - y) * 100], thumbnail.image.At(0, y), 400);
        EXPECT_TRUE(ImagesEqual(shown, Render(loaded)->CompositeCanvas(), 100, 100)) << "seed " << 40 + k;
    }
    renderer.Stop();
    ASSERT_TRUE(renderer.Request(family));
    EXPECT_TRUE(PollUntil([&] { return renderer.FinishedOfLatest() == kSeedGallerySize; }, 2min)) << "restarted";
}
