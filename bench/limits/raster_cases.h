#pragma once
// The rasters and instructions the raster kernels are measured on: a 100 x
// 100 layer holding a different colour in every pixel (most opaque, some
// transparent, some half), wholly selected or with a five-vertex polygon
// selecting about half.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "instructions/parameter_rng.h"
#include "raster/polygon.h"
#include "raster/selectable_raster.h"
#include "yardstick_registry.h"

namespace raster_cases {

// Every pixel its own colour: 60 % opaque, 10 % transparent, the rest any alpha.
inline std::vector<Color> VariedPixels(uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<Color> pixels(10000);
    for (Color& c : pixels) {
        c = Color::FromWord(rng());
        const uint32_t kind = rng() % 10;
        c.a = kind < 6 ? 255 : kind == 6 ? 0 : c.a;
    }
    return pixels;
}

inline const RasterPolygon kPentagon{{5, 20}, {60, 2}, {97, 45}, {70, 96}, {15, 80}};

inline std::unique_ptr<SelectableRaster> PictureRaster(bool partial) {
    auto raster = std::make_unique<SelectableRaster>(100, 100);
    const std::vector<Color> pixels = VariedPixels(1);
    raster->LoadWorkingCanvas();
    for (int32_t i = 0; i < 10000; ++i) raster->SetPixel(i, pixels[size_t(i)]);
    raster->CommitWorkingCanvas();
    raster->LoadWorkingCanvas();
    if (partial) raster->ClearSelection(), raster->AddSelectionPolygons({kPentagon});
    return raster;
}

using Values = std::initializer_list<std::pair<const char*, ParamValue>>;

template <class T>
std::unique_ptr<AbstractRasterFunction> With(Values values) {
    auto instruction = T::Prototype().Clone();
    for (const auto& [name, value] : values) instruction->SetValue(name, value);
    return instruction;
}

// One application of f to the picture raster, as generation runs it.
inline void ApplyOnce(SelectableRaster& raster, const AbstractRasterFunction& f) {
    ReseedParameterRng(3);
    raster.LoadWorkingCanvas();
    f.GetFunction()(&raster, &f);
}

// Each iteration also reloads the working canvas (a 40 KB copy), as
// generation does before every instruction.
inline BenchBody Apply(std::shared_ptr<AbstractRasterFunction> f, bool partial) {
    return [f, partial](benchmark::State& state) {
        auto raster = PictureRaster(partial);
        const RasterApplyFn apply = f->GetFunction();
        for (auto _ : state) {
            ReseedParameterRng(3);
            raster->LoadWorkingCanvas();
            apply(raster.get(), f.get());
            benchmark::DoNotOptimize(raster->WorkingCanvas().data());
        }
    };
}

inline ParamValue U8(int v) { return ParamValue(uint8_t(v)); }
inline ParamValue I32(int v) { return ParamValue(int32_t(v)); }
inline ParamValue U32(int v) { return ParamValue(uint32_t(v)); }

}  // namespace raster_cases
