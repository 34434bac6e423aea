#pragma once
// The road from an edit to a new preview texture, without any graphics:
//
//   queueDirty --(frame update)--> pendingSnapshot --(worker, every 5 ms)-->
//   Generate under rasterMutex --> raster's changed flag --(frame update,
//   worker idle)--> upload callback.
//
// Threads: PostSnapshot, UploadIfChanged and WithRaster run on the
// user-interface thread; RunWorkerPass and WorkerLoop on the worker thread.
// requestMutex guards pendingSnapshot only and is held just long enough to
// swap the list; rasterMutex guards the raster. No thread holds both.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>

#include "instructions/abstract_raster_function.h"
#include "raster/selectable_raster.h"

class GenerationHandoff {
public:
    using Clock = std::chrono::steady_clock;
    // What the worker runs on a snapshot; Generate in the editor, a probe in tests.
    using GenerateFn = std::function<void(SelectableRaster&, const InstructionList&)>;
    using UploadFn = std::function<void(const SelectableRaster&)>;

    // The worker's polling period.
    static constexpr std::chrono::milliseconds kWorkerPeriod{5};

    explicit GenerationHandoff(SelectableRaster& raster);
    GenerationHandoff(SelectableRaster& raster, GenerateFn generate);
    // Destroys a snapshot still waiting; the worker must have been joined.
    ~GenerationHandoff() = default;

    GenerationHandoff(const GenerationHandoff&) = delete;
    GenerationHandoff& operator=(const GenerationHandoff&) = delete;

    // UI thread, once per frame. When `dirty` is set: replaces pendingSnapshot
    // by clones of every queued instruction (a snapshot the worker has not
    // taken yet is destroyed unused) and clears `dirty`. Returns whether a
    // snapshot was posted. Waits at most for the worker to swap the list out.
    bool PostSnapshot(const InstructionList& queue, bool& dirty);

    // UI thread. When the worker is idle and the raster's changed flag is
    // set, calls `upload` with the raster under rasterMutex and clears the
    // flag. Never waits for a generation: while one is running (or about to
    // start) it returns false at once. Returns whether it uploaded.
    bool UploadIfChanged(const UploadFn& upload);

    // UI thread: runs `use` on the raster under rasterMutex, waiting for a
    // running generation to finish (the Space-key export).
    void WithRaster(const std::function<void(const SelectableRaster&)>& use);

    // UI thread: the size (N x N) the next generations render at; 0 keeps the
    // raster's. The worker makes a new raster of that size, under
    // rasterMutex, before it generates.
    void SetRasterSize(uint32_t size) { rasterSize_.store(size); }

    // Worker thread: one pass of the loop body. Moves the waiting snapshot
    // out under requestMutex; if there was one, generates from it under
    // rasterMutex with workerBusy set, then destroys it. Returns whether it
    // generated.
    bool RunWorkerPass();

    // Worker thread: while appRunning, RunWorkerPass then sleep kWorkerPeriod
    // on the steady clock; ends within one period after appRunning is cleared
    // (plus a generation in progress).
    void WorkerLoop();

    std::mutex requestMutex;
    InstructionList pendingSnapshot;  // guarded by requestMutex
    std::mutex rasterMutex;
    std::atomic<bool> workerBusy{false};
    std::atomic<bool> appRunning{true};

    // Debug counters for the frame-to-preview latency (UI thread reads only).
    struct Stats {
        uint64_t snapshotsPosted = 0;
        uint64_t snapshotsSuperseded = 0;  // destroyed before the worker took them
        uint64_t uploads = 0;
        uint64_t latencySamples = 0;       // uploads of a generation from a posted snapshot
        double lastLatencyMs = 0;          // snapshot posted -> texture uploaded
        double maxLatencyMs = 0;
        double totalLatencyMs = 0;
    };
    const Stats& GetStats() const { return stats_; }
    uint64_t Generations() const { return generations_.load(); }

private:
    SelectableRaster& raster_;
    GenerateFn generate_;

    Clock::time_point pendingPostedAt_{};    // guarded by requestMutex
    Clock::time_point generatedPostedAt_{};  // guarded by rasterMutex; epoch = none
    std::atomic<uint64_t> generations_{0};
    std::atomic<uint32_t> rasterSize_{0};
    Stats stats_;                            // UI thread only
};
