// The edit -> snapshot -> worker -> upload hand-off, driven directly (no
// window). Built a second time with ThreadSanitizer by scripts/test.sh.
#include "app/editor/generation_handoff.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "instructions/instruction_queue.h"
#include "raster/generate.h"
#include "support/test_support.h"

namespace {

using namespace std::chrono_literals;

std::atomic<int> liveProbes{0};

// An instruction that only carries a tag and counts its live instances, so a
// test can see which snapshot a generation ran on and which were destroyed.
class ProbeInstruction final : public AbstractRasterFunction {
public:
    explicit ProbeInstruction(int32_t tag) {
        ++liveProbes;
        SetValue("Tag", ParamValue(tag));
    }
    ProbeInstruction(const ProbeInstruction& other) : AbstractRasterFunction(other) { ++liveProbes; }
    ~ProbeInstruction() override { --liveProbes; }

    RasterApplyFn GetFunction() const override { return &Apply; }
    ParamLayout GetParameterLayout() const override { return Layout(); }
    std::string GetName() const override { return "Probe"; }
    const AbstractRasterFunction* GetPrototype() const override { return nullptr; }
    std::unique_ptr<AbstractRasterFunction> Clone() const override {
        return std::make_unique<ProbeInstruction>(*this);
    }
    uint32_t GetTypeId() const override { return 1000; }

protected:
    const ParamLayout& LayoutView() const override { return Layout(); }

private:
    static const ParamLayout& Layout() {
        static const ParamLayout layout{{"Tag", kPosition}};
        return layout;
    }
    static void Apply(SelectableRaster*, const AbstractRasterFunction*) {}
};

int32_t TagOf(const InstructionList& list) {
    return list.empty() ? -1 : list.front()->GetRawValue("Tag").AsInt32();
}

void Retag(InstructionList& queue, int32_t tag) {
    queue.front()->SetValue("Tag", ParamValue(tag));
    queueDirty = true;  // as every editing widget does
}

// A generator that records the snapshot tags it ran on and can be held at
// its start until the test opens the gate.
class ProbeGenerator {
public:
    GenerationHandoff::GenerateFn Fn() {
        return [this](SelectableRaster& raster, const InstructionList& snapshot) {
            std::unique_lock<std::mutex> lock(mutex_);
            seen_.push_back(TagOf(snapshot));
            started_.notify_all();
            opened_.wait(lock, [this] { return gateOpen_; });
            raster.MarkChanged();
        };
    }
    void Hold() { std::lock_guard<std::mutex> l(mutex_); gateOpen_ = false; }
    void Open() {
        std::lock_guard<std::mutex> l(mutex_);
        gateOpen_ = true;
        opened_.notify_all();
    }
    bool WaitForGenerations(size_t count, std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> lock(mutex_);
        return started_.wait_for(lock, timeout, [&] { return seen_.size() >= count; });
    }
    std::vector<int32_t> Seen() {
        std::lock_guard<std::mutex> l(mutex_);
        return seen_;
    }

private:
    std::mutex mutex_;
    std::condition_variable started_, opened_;
    std::vector<int32_t> seen_;
    bool gateOpen_ = true;
};

template <class Predicate>
bool PollUntil(Predicate done, std::chrono::milliseconds timeout = 10s) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

class GenerationHandoffTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        baseline_ = liveProbes.load();
        instructionQueue.push_back(std::make_unique<ProbeInstruction>(1));
        raster_.ClearChanged();
    }
    void TearDown() override {
        StopWorker();
        CoreTest::TearDown();
    }
    void StartWorker() { worker_ = std::thread([this] { handoff_.WorkerLoop(); }); }
    void StopWorker() {
        generator_.Open();
        handoff_.appRunning.store(false);
        if (worker_.joinable()) worker_.join();
    }
    int ProbesBeyondQueue() const { return liveProbes.load() - baseline_ - int(instructionQueue.size()); }

    SelectableRaster raster_{100, 100};
    ProbeGenerator generator_;
    GenerationHandoff handoff_{raster_, generator_.Fn()};
    std::thread worker_;
    int baseline_ = 0;
};

}  // namespace

TEST_F(GenerationHandoffTest, SeveralEditsInOneFrameGiveOneSnapshotOfTheNewestState) {
    Retag(instructionQueue, 2);
    Retag(instructionQueue, 3);
    Retag(instructionQueue, 4);
    EXPECT_TRUE(handoff_.PostSnapshot(instructionQueue, queueDirty));
    EXPECT_FALSE(queueDirty);
    EXPECT_FALSE(handoff_.PostSnapshot(instructionQueue, queueDirty)) << "nothing changed since";
    EXPECT_EQ(handoff_.GetStats().snapshotsPosted, 1u);

    EXPECT_TRUE(handoff_.RunWorkerPass());
    EXPECT_FALSE(handoff_.RunWorkerPass()) << "the snapshot must be consumed once";
    EXPECT_EQ(generator_.Seen(), std::vector<int32_t>{4});
    EXPECT_EQ(ProbesBeyondQueue(), 0) << "the worker destroys the snapshot it generated from";
    EXPECT_FALSE(handoff_.workerBusy.load());

    // The snapshot is independent of the live queue.
    Retag(instructionQueue, 5);
    EXPECT_EQ(generator_.Seen().back(), 4);
}

TEST_F(GenerationHandoffTest, SupersededSnapshotIsDestroyedUnused) {
    EXPECT_TRUE(handoff_.PostSnapshot(instructionQueue, queueDirty));
    EXPECT_EQ(ProbesBeyondQueue(), 1);
    Retag(instructionQueue, 2);
    EXPECT_TRUE(handoff_.PostSnapshot(instructionQueue, queueDirty));
    EXPECT_EQ(ProbesBeyondQueue(), 1) << "the untaken snapshot must be destroyed, not kept";
    EXPECT_EQ(handoff_.GetStats().snapshotsSuperseded, 1u);

    EXPECT_TRUE(handoff_.RunWorkerPass());
    EXPECT_EQ(generator_.Seen(), std::vector<int32_t>{2}) << "the superseded snapshot was generated";
    EXPECT_EQ(ProbesBeyondQueue(), 0);
}

TEST_F(GenerationHandoffTest, EditsDuringAGenerationGiveExactlyOneMoreFromTheNewestState) {
    generator_.Hold();
    StartWorker();
    ASSERT_TRUE(handoff_.PostSnapshot(instructionQueue, queueDirty));
    ASSERT_TRUE(generator_.WaitForGenerations(1, 10s)) << "the worker never took the snapshot";
    ASSERT_TRUE(PollUntil([&] { return handoff_.workerBusy.load(); }));

    // Three frames with edits while the generation is held. The frame's
    // calls run on another thread so that a blocking frame fails the test
    // instead of hanging it.
    auto frames = std::async(std::launch::async, [&] {
        int uploads = 0;
        for (int32_t tag = 2; tag <= 4; ++tag) {
            Retag(instructionQueue, tag);
            handoff_.PostSnapshot(instructionQueue, queueDirty);
            uploads += handoff_.UploadIfChanged([](const SelectableRaster&) {});
        }
        return uploads;
    });
    const bool framesFinished = frames.wait_for(10s) == std::future_status::ready;
    generator_.Open();
    ASSERT_TRUE(framesFinished) << "a frame waited for the running generation";
    EXPECT_EQ(frames.get(), 0) << "uploaded while the worker was generating";

    ASSERT_TRUE(generator_.WaitForGenerations(2, 10s));
    ASSERT_TRUE(PollUntil([&] { return handoff_.Generations() == 2 && !handoff_.workerBusy.load(); }));
    StopWorker();  // nothing is waiting now, so no further generation can follow
    EXPECT_EQ(generator_.Seen(), (std::vector<int32_t>{1, 4}));
    EXPECT_EQ(handoff_.GetStats().snapshotsSuperseded, 2u);
    EXPECT_EQ(ProbesBeyondQueue(), 0);

    int uploads = 0;
    EXPECT_TRUE(handoff_.UploadIfChanged([&](const SelectableRaster&) { ++uploads; }));
    EXPECT_FALSE(handoff_.UploadIfChanged([&](const SelectableRaster&) { ++uploads; }))
        << "the changed flag must be cleared by the upload";
    EXPECT_EQ(uploads, 1);
    EXPECT_EQ(handoff_.GetStats().latencySamples, 1u);
}

TEST_F(GenerationHandoffTest, UploadSkipsInsteadOfWaitingForTheRasterLock) {
    // The window between the worker taking a snapshot and setting workerBusy:
    // the raster lock is held although workerBusy still reads false.
    raster_.MarkChanged();
    std::promise<void> locked, release;
    std::thread holder([&] {
        std::lock_guard<std::mutex> lock(handoff_.rasterMutex);
        locked.set_value();
        release.get_future().wait();
    });
    locked.get_future().wait();
    auto upload = std::async(std::launch::async, [&] {
        return handoff_.UploadIfChanged([](const SelectableRaster&) {});
    });
    const bool returned = upload.wait_for(10s) == std::future_status::ready;
    release.set_value();
    holder.join();
    ASSERT_TRUE(returned) << "the frame blocked on the raster lock";
    EXPECT_FALSE(upload.get());
    EXPECT_TRUE(handoff_.UploadIfChanged([](const SelectableRaster&) {}));
}

// The real path: default queue, real Generate on the worker thread, upload
// of the composite canvas, then an export under the raster lock.
TEST(GenerationHandoffRealTest, WorkerGeneratesTheDefaultQueueForTheUpload) {
    ResetQueueState();
    instructionQueue = MakeDefaultQueue();
    SelectableRaster raster(100, 100);
    raster.ClearSelection();
    raster.ClearChanged();
    GenerationHandoff handoff(raster);
    std::thread worker([&] { handoff.WorkerLoop(); });

    ASSERT_TRUE(handoff.PostSnapshot(instructionQueue, queueDirty));
    PixelBuffer uploaded;
    const bool done = PollUntil([&] {
        return handoff.UploadIfChanged([&](const SelectableRaster& r) { uploaded = r.CompositeCanvas(); });
    });
    handoff.appRunning.store(false);
    worker.join();
    ASSERT_TRUE(done) << "no upload after the worker's generation";

    const auto expected = Render(MakeDefaultQueue());
    EXPECT_TRUE(ImagesEqual(uploaded, expected->CompositeCanvas(), 100, 100));
    EXPECT_EQ(uploaded[50 * 100 + 25], (Color{255, 0, 0, 255}));  // left half red
    EXPECT_EQ(uploaded[55 * 100 + 55], (Color{0, 0, 255, 255}));  // inside the triangle
    EXPECT_EQ(uploaded[90 * 100 + 75], (Color{255, 255, 255, 255}));
    EXPECT_EQ(handoff.GetStats().latencySamples, 1u);

    PixelBuffer exported;
    handoff.WithRaster([&](const SelectableRaster& r) { exported = r.CompositeCanvas(); });
    EXPECT_EQ(exported, uploaded);
    ResetQueueState();
}
