// Shapes and filters over the whole 100 x 100 raster, with ImageMagick's
// nearest operations run in the same program for comparison (each of those
// includes starting a process; ImageMagickStartup measures that alone).
//   bench_filters --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>

#include "functions/crystallize.h"
#include "functions/fragmentation_blur.h"
#include "functions/gaussian_blur.h"
#include "functions/hsl_modify.h"
#include "functions/motion_blur.h"
#include "functions/shape_circle.h"
#include "functions/shape_line.h"
#include "functions/shape_rect.h"
#include "functions/shape_triangle.h"
#include "instructions/parameter_rng.h"
#include "raster/selectable_raster.h"

namespace {

using Values = std::initializer_list<std::pair<const char*, ParamValue>>;

template <class T>
std::unique_ptr<AbstractRasterFunction> With(Values values) {
    auto instruction = T::Prototype().Clone();
    for (const auto& [name, value] : values) instruction->SetValue(name, value);
    return instruction;
}

// A raster whose layer holds blocks of random colours, some transparent.
std::unique_ptr<SelectableRaster> PictureRaster() {
    auto raster = std::make_unique<SelectableRaster>(100, 100);
    std::mt19937 rng(1);
    std::vector<Color> blocks(100);
    for (Color& c : blocks) {
        c = Color::FromWord(rng());
        if (rng() % 4 == 0) c.a = 0;
    }
    raster->LoadWorkingCanvas();
    for (int32_t i = 0; i < 10000; ++i) raster->SetPixel(i, blocks[size_t((i / 1000) * 10 + (i % 100) / 10)]);
    raster->CommitWorkingCanvas();
    return raster;
}

void Run(benchmark::State& state, const AbstractRasterFunction& f) {
    auto raster = PictureRaster();
    const RasterApplyFn apply = f.GetFunction();
    for (auto _ : state) {
        ReseedParameterRng(3);
        raster->LoadWorkingCanvas();
        apply(raster.get(), &f);
        benchmark::DoNotOptimize(raster->WorkingCanvas().data());
    }
}

const ParamValue kRed[] = {ParamValue(uint8_t(255)), ParamValue(uint8_t(0)), ParamValue(uint8_t(0)),
                           ParamValue(uint8_t(200))};
#define RED {"Color1_Red", kRed[0]}, {"Color1_Green", kRed[1]}, {"Color1_Blue", kRed[2]}, {"Color1_Alpha", kRed[3]}

void ShapeLine(benchmark::State& s) {
    Run(s, *With<LineRasterFunction>({RED, {"Point1_X", ParamValue(int32_t(3))}, {"Point1_Y", ParamValue(int32_t(5))},
                                      {"Point2_X", ParamValue(int32_t(95))}, {"Point2_Y", ParamValue(int32_t(80))},
                                      {"Line_Thickness", ParamValue(uint32_t(10))}}));
}
void ShapeRectangle(benchmark::State& s) {
    Run(s, *With<ShapeRectRasterFunction>({RED, {"Point1_X", ParamValue(int32_t(10))}, {"Point1_Y", ParamValue(int32_t(10))},
                                           {"Point2_X", ParamValue(int32_t(90))}, {"Point2_Y", ParamValue(int32_t(80))},
                                           {"Line_Thickness", ParamValue(uint32_t(10))},
                                           {"Infill_Shape", ParamValue(int32_t(1))}}));
}
void ShapeCircle(benchmark::State& s) {
    Run(s, *With<ShapeCircleRasterFunction>({RED, {"Point1_X", ParamValue(int32_t(50))}, {"Point1_Y", ParamValue(int32_t(50))},
                                             {"Circle_Radius", ParamValue(uint32_t(40))},
                                             {"Line_Thickness", ParamValue(uint32_t(10))},
                                             {"Infill_Shape", ParamValue(int32_t(1))}}));
}
void ShapeTriangle(benchmark::State& s) {
    Run(s, *With<ShapeTriangleRasterFunction>({RED, {"Point1_X", ParamValue(int32_t(2))}, {"Point1_Y", ParamValue(int32_t(3))},
                                               {"Point2_X", ParamValue(int32_t(97))}, {"Point2_Y", ParamValue(int32_t(20))},
                                               {"Point3_X", ParamValue(int32_t(40))}, {"Point3_Y", ParamValue(int32_t(96))},
                                               {"Line_Thickness", ParamValue(uint32_t(10))},
                                               {"Infill_Shape", ParamValue(int32_t(1))}}));
}
void MotionBlur(benchmark::State& s) {
    Run(s, *With<MotionBlurRasterFunction>({{"Angle", ParamValue(30.0f)}, {"Distance", ParamValue(uint32_t(s.range(0)))}}));
}
void GaussianBlur(benchmark::State& s) {
    Run(s, *With<GaussianBlurRasterFunction>({{"Distance", ParamValue(uint32_t(s.range(0)))}}));
}
void FragmentationBlur(benchmark::State& s) {
    Run(s, *With<FragmentationBlurRasterFunction>({{"Fragments", ParamValue(uint32_t(8))},
                                                   {"Distance", ParamValue(uint32_t(s.range(0)))},
                                                   {"Rotational_Offset", ParamValue(10.0f)}}));
}
void HslModify(benchmark::State& s) {
    Run(s, *With<HSLModifyRasterFunction>({{"Hue_Offset", ParamValue(77.0f)}, {"Saturation_Multi", ParamValue(uint32_t(150))},
                                           {"Light_Offset", ParamValue(int32_t(-10))}}));
}
void Crystallize(benchmark::State& s) {
    Run(s, *With<CrystallizeRasterFunction>({{"Crystal_Size", ParamValue(uint32_t(10))},
                                             {"Crystal_Density", ParamValue(uint32_t(s.range(0)))},
                                             {"Crystal_Density_SpreadX", ParamValue(float(s.range(1)))},
                                             {"Crystal_Density_SpreadY", ParamValue(float(s.range(1)))}}));
}

void ImageMagick(benchmark::State& state, const char* operation) {
    const std::string command = std::string("convert -size 100x100 xc:white ") + operation + " null: 2>/dev/null";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("convert failed or is missing");
            break;
        }
    }
}

}  // namespace

BENCHMARK(ShapeLine)->Unit(benchmark::kMicrosecond);
BENCHMARK(ShapeRectangle)->Unit(benchmark::kMicrosecond);
BENCHMARK(ShapeCircle)->Unit(benchmark::kMicrosecond);
BENCHMARK(ShapeTriangle)->Unit(benchmark::kMicrosecond);
BENCHMARK(MotionBlur)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(GaussianBlur)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(FragmentationBlur)->Arg(10)->Unit(benchmark::kMicrosecond);
BENCHMARK(HslModify)->Unit(benchmark::kMicrosecond);
BENCHMARK(Crystallize)->Args({0, 0})->Args({10, 30})->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(ImageMagick, Startup, "")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK_CAPTURE(ImageMagick, GaussianBlur10, "-gaussian-blur 0x10")
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK_CAPTURE(ImageMagick, GaussianBlur100, "-gaussian-blur 0x100")
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK_CAPTURE(ImageMagick, MotionBlur100, "-motion-blur 0x100+30")
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK_CAPTURE(ImageMagick, Modulate, "-modulate 90,150,143")
    ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

BENCHMARK_MAIN();
