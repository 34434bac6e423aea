#pragma once
// The heavy Synthesize Texture case shared by the synthesis benchmarks: a
// textured 100 x 100 layer, patch size 10, overlap 4, cut and transfer on.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "functions/synthesize_texture.h"
#include "instructions/abstract_raster_function.h"
#include "instructions/parameter_rng.h"
#include "raster/selectable_raster.h"

// Smooth colour waves with noise on top: every patch differs, as in a real texture.
inline std::unique_ptr<SelectableRaster> TexturedRaster() {
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

// Donor (0, 0)-(donorSide, donorSide).
inline std::unique_ptr<AbstractRasterFunction> Quilt(int32_t donorSide) {
    auto f = SynthesizeTextureRasterFunction::Prototype().Clone();
    f->SetValue("Donor_Select_Point2_X", ParamValue(donorSide));
    f->SetValue("Donor_Select_Point2_Y", ParamValue(donorSide));
    f->SetValue("Quilt_Size", ParamValue(uint32_t(10)));
    f->SetValue("Quilt_Overlap", ParamValue(uint32_t(4)));
    f->SetValue("Cut_Edge", ParamValue(int32_t(1)));
    f->SetValue("Transfer_Texture", ParamValue(int32_t(1)));
    return f;
}

// Synthesis with donor (0, 0)-(donorSide, donorSide) on `threads` threads,
// once per iteration, from the same draws.
inline void RunQuilt(benchmark::State& state, int32_t donorSide, uint32_t threads) {
    auto raster = TexturedRaster();
    const auto f = Quilt(donorSide);
    SynthesisSplit split;
    split.threads = threads;
    for (auto _ : state) {
        ReseedParameterRng(7);
        raster->LoadWorkingCanvas();
        SynthesizeTexture(*raster, *f, SynthesisHeapLimits{}, split);
        benchmark::DoNotOptimize(raster->WorkingCanvas().data());
    }
}
