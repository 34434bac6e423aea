#include "editor/generation_handoff.h"

#include <thread>
#include <utility>

#include "instructions/generate.h"
#include "functions/render_scale.h"

GenerationHandoff::GenerationHandoff(SelectableRaster& raster)
    : GenerationHandoff(raster, [](SelectableRaster& r, const InstructionList& q) { Generate(r, q); }) {}

GenerationHandoff::GenerationHandoff(SelectableRaster& raster, GenerateFn generate)
    : raster_(raster), generate_(std::move(generate)) {}

bool GenerationHandoff::PostSnapshot(const InstructionList& queue, bool& dirty) {
    if (!dirty) return false;
    // Clone outside the lock: the worker only ever waits for the swap.
    InstructionList fresh = CloneInstructions(queue);
    InstructionList superseded;
    {
        std::lock_guard<std::mutex> lock(requestMutex);
        superseded.swap(pendingSnapshot);
        pendingSnapshot.swap(fresh);
        pendingPostedAt_ = Clock::now();
    }
    if (!superseded.empty()) ++stats_.snapshotsSuperseded;
    superseded.clear();  // destroyed unused, outside the lock
    ++stats_.snapshotsPosted;
    dirty = false;
    return true;
}

bool GenerationHandoff::UploadIfChanged(const UploadFn& upload) {
    if (workerBusy.load()) return false;
    // The worker may have taken a snapshot between the check and here: a
    // failed try_lock means a generation holds the raster, so skip this frame.
    std::unique_lock<std::mutex> lock(rasterMutex, std::try_to_lock);
    if (!lock.owns_lock()) return false;
    if (!raster_.IsChanged()) return false;
    upload(raster_);
    raster_.ClearChanged();
    ++stats_.uploads;
    if (generatedPostedAt_ != Clock::time_point{}) {
        const double ms =
            std::chrono::duration<double, std::milli>(Clock::now() - generatedPostedAt_).count();
        generatedPostedAt_ = Clock::time_point{};
        stats_.lastLatencyMs = ms;
        stats_.totalLatencyMs += ms;
        if (ms > stats_.maxLatencyMs) stats_.maxLatencyMs = ms;
        ++stats_.latencySamples;
    }
    return true;
}

void GenerationHandoff::WithRaster(const std::function<void(const SelectableRaster&)>& use) {
    std::lock_guard<std::mutex> lock(rasterMutex);
    use(raster_);
}

bool GenerationHandoff::RunWorkerPass() {
    InstructionList work;
    Clock::time_point postedAt;
    {
        std::lock_guard<std::mutex> lock(requestMutex);
        work.swap(pendingSnapshot);
        postedAt = pendingPostedAt_;
    }
    const bool generated = !work.empty();
    if (generated) {
        workerBusy.store(true);
        {
            std::lock_guard<std::mutex> lock(rasterMutex);
            // A new preview resolution takes effect with the next generation.
            const uint32_t size = rasterSize_.load();
            if (size != 0 && (raster_.Width() != size || raster_.Height() != size)) {
                const uint32_t threads = raster_.Threads();
                raster_ = RenderScale::Raster(size);
                raster_.SetThreads(threads);
            }
            generate_(raster_, work);
            generatedPostedAt_ = postedAt;
        }
        work.clear();
        generations_.fetch_add(1);
    }
    workerBusy.store(false);
    return generated;
}

void GenerationHandoff::WorkerLoop() {
    while (appRunning.load()) {
        RunWorkerPass();
        // Measured on the monotonic clock, so a wall-clock jump cannot stall the worker.
        const Clock::time_point sleepStart = Clock::now();
        std::this_thread::sleep_until(sleepStart + kWorkerPeriod);
    }
}
