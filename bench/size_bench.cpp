// Every example rendered at 100, 1024 and 4096 pixels a side (synthesis at
// 100, 512 and 1024), on all cores as tavelin renders; the counters give the
// render's memory estimate and, at sizes that are multiples of 100 apart,
// how far the large render reduced back to 100 x 100 by averaging blocks
// lies from the 100 x 100 render (mean absolute channel difference, levels
// out of 255).
//   bench_size --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <deque>
#include <string>
#include <thread>

#include "functions/render_memory.h"
#include "instructions/generate.h"
#include "instructions/parameter_rng.h"
#include "project/project_file.h"
#include "raster/selectable_raster.h"
#include "functions/render_scale.h"

namespace {

InstructionList Load(const std::string& name) {
    std::deque<int32_t> seeds;
    InstructionList queue;
    ReadProjectFile(std::string(ORVANE_SOURCE_DIR) + "/examples/" + name + ".pcg", seeds, queue);
    return queue;
}

RgbaImage Render(const InstructionList& queue, uint32_t size) {
    SelectableRaster raster = RenderScale::Raster(size);
    raster.SetThreads(std::max(1u, std::thread::hardware_concurrency()));
    ReseedParameterRng(1);
    Generate(raster, queue);
    return raster.CompositeImage();
}

// Mean absolute channel difference between `small` and `large` averaged over
// k x k blocks (k = large / small, a whole number).
double ReducedDifference(const RgbaImage& small, const RgbaImage& large) {
    const uint32_t k = large.width / small.width;
    double total = 0;
    for (uint32_t y = 0; y < small.height; ++y)
        for (uint32_t x = 0; x < small.width; ++x)
            for (int c = 0; c < 4; ++c) {
                double sum = 0;
                for (uint32_t j = 0; j < k; ++j)
                    for (uint32_t i = 0; i < k; ++i) sum += large.At(x * k + i, y * k + j)[c];
                total += std::fabs(sum / (k * k) - small.At(x, y)[c]);
            }
    return total / (double(small.width) * small.height * 4);
}

void BM_Render(benchmark::State& state, const char* name) {
    const InstructionList queue = Load(name);
    const uint32_t size = uint32_t(state.range(0));
    RgbaImage image;
    for (auto _ : state) {
        image = Render(queue, size);
        benchmark::DoNotOptimize(image.pixels.data());
    }
    state.counters["MiB_estimated"] = double(RenderMemoryBytes(queue, size)) / (1 << 20);
    if (size % 100 == 0 && size > 100)
        state.counters["reduced_diff"] = ReducedDifference(Render(queue, 100), image);
}

}  // namespace

#define ORVANE_SIZES(name, big)                                                                                   \
    BENCHMARK_CAPTURE(BM_Render, name, #name)->Arg(100)->Arg(1000)->Arg(1024)->Unit(benchmark::kMillisecond);       \
    BENCHMARK_CAPTURE(BM_Render, name##_large, #name)->Arg(big)->Iterations(1)->Unit(benchmark::kMillisecond);
ORVANE_SIZES(default, 4096)
ORVANE_SIZES(tiles, 4096)
ORVANE_SIZES(plaid, 4096)
ORVANE_SIZES(layers, 4096)
ORVANE_SIZES(gradient_family, 4096)
ORVANE_SIZES(stained_glass, 4096)
ORVANE_SIZES(shapes, 4096)
ORVANE_SIZES(blurs, 4096)
ORVANE_SIZES(crystals, 4096)
BENCHMARK_CAPTURE(BM_Render, synthesis, "synthesis")->Arg(100)->Arg(500)->Arg(512)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Render, synthesis_large, "synthesis")->Arg(1000)->Arg(1024)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
