// Latency from a queue change to the uploaded preview texture, through the
// real hand-off: a simulated frame loop (frame update, then a draw that
// takes the given time) on this thread, the worker generating the default
// queue on its own thread every 5 ms. The edit lands at the start of a
// frame's draw, the least favourable moment.
#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

#include "editor/generation_handoff.h"
#include "functions/default_queues.h"
#include "instructions/generate.h"

namespace {

using Clock = std::chrono::steady_clock;

void SpinFor(std::chrono::microseconds duration) {
    const auto end = Clock::now() + duration;
    while (Clock::now() < end) {
    }
}

void BM_EditToUpload(benchmark::State& state) {
    const std::chrono::microseconds frame(state.range(0));
    InstructionList queue = MakeDefaultQueue();
    bool queueDirty = false;
    SelectableRaster raster(100, 100);
    raster.ClearSelection();
    raster.ClearChanged();  // or the first frame would upload the unrendered raster
    GenerationHandoff handoff(raster);
    std::thread worker([&] { handoff.WorkerLoop(); });
    uint64_t frames = 0;
    size_t uploadedBytes = 0;
    auto upload = [&](const SelectableRaster& r) { uploadedBytes += r.CompositeCanvas().size() * 4; };

    for (auto _ : state) {
        const auto edit = Clock::now();
        queueDirty = true;  // an edit during this frame's draw
        SpinFor(frame);
        for (;;) {
            ++frames;
            handoff.PostSnapshot(queue, queueDirty);
            if (handoff.UploadIfChanged(upload)) break;
            SpinFor(frame);
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - edit).count());
    }
    handoff.appRunning.store(false);
    worker.join();
    state.counters["frames_per_edit"] = benchmark::Counter(double(frames) / double(state.iterations()));
    benchmark::DoNotOptimize(uploadedBytes);
}
// Frame times: a busy loop, a fast GPU, and about what Xvfb with llvmpipe gives.
BENCHMARK(BM_EditToUpload)->Arg(0)->Arg(1000)->Arg(14000)->UseManualTime()->Unit(benchmark::kMillisecond)
    ->Repetitions(5)->ReportAggregatesOnly(true);

// The generation part of the bound.
void BM_GenerateDefaultQueue(benchmark::State& state) {
    const InstructionList queue = MakeDefaultQueue();
    SelectableRaster raster(100, 100);
    raster.ClearSelection();
    for (auto _ : state) {
        Generate(raster, queue);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_GenerateDefaultQueue)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
