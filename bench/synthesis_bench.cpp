// Synthesize Texture on a textured 100 x 100 layer: the heavy editing case
// and a smaller donor.
//
//   bench_synthesis --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "functions/synthesize_texture.h"
#include "instructions/parameter_rng.h"
#include "raster/selectable_raster.h"

namespace {

// Smooth colour waves with noise on top: every patch differs, as in a real texture.
std::unique_ptr<SelectableRaster> TexturedRaster() {
    auto raster = std::make_unique<SelectableRaster>(100, 100);
    raster->BeginGeneration();
    std::mt19937 rng(42);
    for (uint32_t y = 0; y < 100; ++y) {
        for (uint32_t x = 0; x < 100; ++x) {
            const uint32_t n = rng();
            const Color c(uint8_t((x * 5 + y * 3) % 200 + (n & 31)), uint8_t((x * y) % 180 + (n >> 8 & 63)),
                          uint8_t((y * 7) % 150 + (n >> 16 & 63)), 255);
            raster->SetPixel(int32_t(y * 100 + x), c);
        }
    }
    raster->CommitWorkingCanvas();
    return raster;
}

std::unique_ptr<AbstractRasterFunction> Quilt(int32_t donorSide) {
    auto f = SynthesizeTextureRasterFunction::Prototype().Clone();
    f->SetValue("Donor_Select_Point2_X", ParamValue(donorSide));
    f->SetValue("Donor_Select_Point2_Y", ParamValue(donorSide));
    f->SetValue("Quilt_Size", ParamValue(uint32_t(10)));
    f->SetValue("Quilt_Overlap", ParamValue(uint32_t(4)));
    f->SetValue("Cut_Edge", ParamValue(int32_t(1)));
    f->SetValue("Transfer_Texture", ParamValue(int32_t(1)));
    return f;
}

void Run(benchmark::State& state, int32_t donorSide) {
    auto raster = TexturedRaster();
    const auto f = Quilt(donorSide);
    for (auto _ : state) {
        ReseedParameterRng(7);
        raster->LoadWorkingCanvas();
        f->GetFunction()(raster.get(), f.get());
        benchmark::DoNotOptimize(raster->WorkingCanvas().data());
    }
}

// Donor (0, 0)-(100, 100), patch 10, overlap 4, cut and transfer on.
void BM_SynthesisHeavy(benchmark::State& state) { Run(state, 100); }
// Donor (0, 0)-(40, 40), same settings.
void BM_SynthesisSmall(benchmark::State& state) { Run(state, 40); }

}  // namespace

BENCHMARK(BM_SynthesisHeavy)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_SynthesisSmall)->Unit(benchmark::kMillisecond)->MinTime(0.5);

BENCHMARK_MAIN();
