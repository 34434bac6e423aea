// Synthesize Texture's heavy case (donor 100 x 100, patch 10, overlap 4, cut
// and transfer on) with its candidate search shared by two threads, judged
// against the same case on one. Wall-clock times: the helper's work counts.
#include "../synthesis_scene.h"
#include "instructions/parameter_rng.h"
#include "yardstick_registry.h"

namespace {

void Heavy(benchmark::State& state, uint32_t threads) {
    auto raster = TexturedRaster();
    const auto f = Quilt(100);
    SynthesisSplit split;
    split.threads = threads;
    for (auto _ : state) {
        ReseedParameterRng(7);
        raster->LoadWorkingCanvas();
        SynthesizeTexture(*raster, *f, SynthesisHeapLimits{}, split);
        benchmark::DoNotOptimize(raster->WorkingCanvas().data());
    }
}

const bool kRegistered =
    (RegisterWallClockYardstick("synthesis heavy 1 thread", [](benchmark::State& s) { Heavy(s, 1); }),
     RegisterWallClockKernel("synthesis heavy 2 threads", "synthesis heavy 1 thread",
                             [](benchmark::State& s) { Heavy(s, 2); }),
     true);

}  // namespace
