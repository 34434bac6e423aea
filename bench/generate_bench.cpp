// Generation of whole queues on the 100 x 100 raster.
//   bench_generate --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include "functions/create_layer.h"
#include "functions/fill.h"
#include "functions/gradient.h"
#include "functions/polygon_selection.h"
#include "functions/rect_selection.h"
#include "functions/select_layer.h"
#include "functions/set_seed.h"
#include "functions/default_queues.h"
#include "instructions/generate.h"

namespace {

template <class T>
std::unique_ptr<AbstractRasterFunction> With(std::initializer_list<std::pair<const char*, ParamValue>> values) {
    auto instruction = std::make_unique<T>();
    for (const auto& [name, value] : values) instruction->SetValue(name, value);
    return instruction;
}

// 40 instructions over 5 layers: rectangles, polygons, fills and gradients.
InstructionList MakeLayeredQueue() {
    InstructionList queue;
    queue.push_back(With<SetSeedRasterFunction>({{"Seed", ParamValue(uint64_t(7))}}));
    for (int layer = 0; layer < 5; ++layer) {
        if (layer > 0) {
            queue.push_back(With<CreateLayerRasterFunction>({}));
            queue.push_back(With<SelectLayerRasterFunction>({{"Layer", ParamValue(uint64_t(layer))}}));
        }
        const int32_t o = layer * 9;
        queue.push_back(With<RectSelectionRasterFunction>(
            {{"Pos_StartX", ParamValue(int32_t(o))}, {"Pos_StartY", ParamValue(int32_t(5))},
             {"Pos_EndX", ParamValue(int32_t(60 + o))}, {"Pos_EndY", ParamValue(int32_t(90 - o))},
             {"Setting_SelectMode", ParamValue(int32_t(0))}}));
        queue.push_back(With<FillRasterFunction>(
            {{"Color_Red", ParamValue(uint8_t(40 * layer))}, {"Color_Green", ParamValue(uint8_t(200))},
             {"Color_Blue", ParamValue(uint8_t(90))}, {"Color_Alpha", ParamValue(uint8_t(180))}}));
        queue.push_back(With<PolygonSelectionRasterFunction>(
            {{"Point1_X", ParamValue(int32_t(10 + o))}, {"Point1_Y", ParamValue(int32_t(80))},
             {"Point2_X", ParamValue(int32_t(90 - o))}, {"Point2_Y", ParamValue(int32_t(60))},
             {"Point3_X", ParamValue(int32_t(40))}, {"Point3_Y", ParamValue(int32_t(3 + o))},
             {"Setting_SelectMode", ParamValue(int32_t(1))}}));
        queue.push_back(With<GradientRasterFunction>(
            {{"Color1_Red", ParamValue(uint8_t(255))}, {"Color1_Green", ParamValue(uint8_t(0))},
             {"Color1_Blue", ParamValue(uint8_t(0))}, {"Color1_Alpha", ParamValue(uint8_t(255))},
             {"Point1_X", ParamValue(int32_t(0))}, {"Point1_Y", ParamValue(int32_t(o))},
             {"Color2_Red", ParamValue(uint8_t(0))}, {"Color2_Green", ParamValue(uint8_t(0))},
             {"Color2_Blue", ParamValue(uint8_t(255))}, {"Color2_Alpha", ParamValue(uint8_t(60))},
             {"Point2_X", ParamValue(int32_t(99))}, {"Point2_Y", ParamValue(int32_t(99 - o))}}));
        queue.push_back(With<RectSelectionRasterFunction>(
            {{"Pos_StartX", ParamValue(int32_t(20))}, {"Pos_StartY", ParamValue(int32_t(o))},
             {"Pos_EndX", ParamValue(int32_t(70))}, {"Pos_EndY", ParamValue(int32_t(40 + o))},
             {"Setting_SelectMode", ParamValue(int32_t(0))}}));
        queue.push_back(With<FillRasterFunction>(
            {{"Color_Red", ParamValue(uint8_t(10))}, {"Color_Green", ParamValue(uint8_t(20))},
             {"Color_Blue", ParamValue(uint8_t(30 * layer))}, {"Color_Alpha", ParamValue(uint8_t(100))}}));
    }
    while (queue.size() < 40)
        queue.push_back(With<FillRasterFunction>(
            {{"Color_Red", ParamValue(uint8_t(1))}, {"Color_Green", ParamValue(uint8_t(2))},
             {"Color_Blue", ParamValue(uint8_t(3))}, {"Color_Alpha", ParamValue(uint8_t(20))}}));
    return queue;
}

void BM_DefaultQueue(benchmark::State& state) {
    const InstructionList queue = MakeDefaultQueue();
    SelectableRaster raster(100, 100);
    for (auto _ : state) {
        Generate(raster, queue);
        benchmark::DoNotOptimize(raster.CompositeCanvas().data());
    }
}
BENCHMARK(BM_DefaultQueue)->Unit(benchmark::kMicrosecond);

void BM_FortyInstructionsFiveLayers(benchmark::State& state) {
    const InstructionList queue = MakeLayeredQueue();
    SelectableRaster raster(100, 100);
    for (auto _ : state) {
        Generate(raster, queue);
        benchmark::DoNotOptimize(raster.CompositeCanvas().data());
    }
    state.counters["instructions"] = double(queue.size());
    state.counters["layers"] = double(raster.LayerCount());
}
BENCHMARK(BM_FortyInstructionsFiveLayers)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
