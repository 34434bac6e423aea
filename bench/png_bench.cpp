// The program's PNG encoder against stb_image_write's PNG writer, whose bytes
// it reproduces, on the pictures it meets: a 100 x 100 example render
// (tavelin, members), a contact-sheet-sized grid and an image with noise.
//
//   bench_png --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <stb/stb_image_write.h>

#include <deque>
#include <random>
#include <string>

#include "instructions/generate.h"
#include "instructions/parameter_rng.h"
#include "project/project_file.h"
#include "raster/png_encoder.h"
#include "raster/selectable_raster.h"

namespace {

RgbaImage ExampleRender(const char* name, uint32_t seed) {
    std::deque<int32_t> seeds{int32_t(seed)};
    InstructionList queue;
    ReadProjectFile(std::string(ORVANE_SOURCE_DIR) + "/examples/" + name + ".pcg", seeds, queue);
    SelectableRaster raster(100, 100);
    raster.ClearSelection();
    Generate(raster, queue);
    return raster.CompositeImage();
}

// Tiles of an example render with light noise: large and not flat.
RgbaImage Mosaic(uint32_t side) {
    const RgbaImage tile = ExampleRender("tiles", 3);
    RgbaImage image(side, side);
    std::mt19937 rng(11);
    for (uint32_t y = 0; y < side; ++y)
        for (uint32_t x = 0; x < side; ++x) {
            const uint8_t* s = tile.At(x % 100, y % 100);
            uint8_t* d = image.At(x, y);
            for (int k = 0; k < 3; ++k) d[k] = uint8_t(s[k] ^ (rng() & 3));
            d[3] = s[3];
        }
    return image;
}

void AppendBytes(void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), size_t(size));
}

std::string EncodeWithStb(const RgbaImage& image) {
    std::string bytes;
    stbi_write_png_to_func(AppendBytes, &bytes, int(image.width), int(image.height), 4, image.pixels.data(),
                           int(image.width * 4));
    return bytes;
}

void Run(benchmark::State& state, const RgbaImage& image, bool stb) {
    size_t bytes = 0;
    for (auto _ : state) {
        const std::string png = stb ? EncodeWithStb(image) : EncodePng(image);
        bytes = png.size();
        benchmark::DoNotOptimize(png.data());
    }
    state.counters["png_bytes"] = double(bytes);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(image.pixels.size()));
}

const RgbaImage& Default() {
    static const RgbaImage image = ExampleRender("default", 1);
    return image;
}
const RgbaImage& Blurs() {
    static const RgbaImage image = ExampleRender("blurs", 5);
    return image;
}
const RgbaImage& Large() {
    static const RgbaImage image = Mosaic(1000);
    return image;
}

void BM_Encode_Default(benchmark::State& s) { Run(s, Default(), false); }
void BM_Stb_Default(benchmark::State& s) { Run(s, Default(), true); }
void BM_Encode_Blurs(benchmark::State& s) { Run(s, Blurs(), false); }
void BM_Stb_Blurs(benchmark::State& s) { Run(s, Blurs(), true); }
void BM_Encode_1000(benchmark::State& s) { Run(s, Large(), false); }
void BM_Stb_1000(benchmark::State& s) { Run(s, Large(), true); }

}  // namespace

BENCHMARK(BM_Encode_Default)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Stb_Default)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Encode_Blurs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Stb_Blurs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Encode_1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stb_1000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
