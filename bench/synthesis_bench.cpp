// Synthesize Texture on a textured 100 x 100 layer: the heavy editing case
// (on two threads and on one) and a smaller donor.
//
//   bench_synthesis --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include "synthesis_scene.h"

namespace {

// Wall-clock time: the search shares its work with a helper thread.
// Donor (0, 0)-(100, 100), patch 10, overlap 4, cut and transfer on.
void BM_SynthesisHeavy(benchmark::State& state) { RunQuilt(state, 100, 2); }
// The same on the calling thread alone.
void BM_SynthesisHeavyOneThread(benchmark::State& state) { RunQuilt(state, 100, 1); }
// Donor (0, 0)-(40, 40), same settings.
void BM_SynthesisSmall(benchmark::State& state) { RunQuilt(state, 40, 2); }
void BM_SynthesisSmallOneThread(benchmark::State& state) { RunQuilt(state, 40, 1); }

}  // namespace

BENCHMARK(BM_SynthesisHeavy)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_SynthesisHeavyOneThread)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_SynthesisSmall)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();
BENCHMARK(BM_SynthesisSmallOneThread)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();

BENCHMARK_MAIN();
