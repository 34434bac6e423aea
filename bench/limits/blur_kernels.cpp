// The three blurs on a 100 x 100 picture at Distance 1, 10 and 100, each
// beside the bare multiply-add loop of its taps: every pixel's four
// alpha-weighted sums (red, green, blue, weight) receive one product per tap,
// in tap order, from a padded copy of the picture. No conversion of pixels to
// or from floats, no clamping, no division: what the arithmetic alone costs.
// The loop is built twice, for the baseline instruction set (SSE) and for
// AVX2; the blurs are judged against the AVX2 one.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "functions/fragmentation_blur.h"
#include "functions/gaussian_blur.h"
#include "functions/motion_blur.h"
#include "instructions/parameter_rng.h"
#include "raster/selectable_raster.h"
#include "yardstick_registry.h"

namespace {

constexpr uint32_t kSide = 100;
constexpr float kMotionAngle = 30.0f;
constexpr uint32_t kFragments = 8;
constexpr float kRotation = 10.0f;

struct Tap {
    int32_t dx, dy;
    float weight;
};

// The padded planes and the sums the loop works on.
struct Planes {
    uint32_t margin, stride;
    std::vector<float> source[4], sums[4];
    explicit Planes(uint32_t m) : margin(m), stride(kSide + 2 * m) {
        std::mt19937 rng(5);
        for (std::vector<float>& plane : source) {
            plane.resize(size_t(stride) * stride);
            for (float& v : plane) v = float(rng() % 256) / 255.0f;
        }
        for (std::vector<float>& plane : sums) plane.assign(size_t(kSide) * kSide, 0.0f);
    }
};

// sums[x] += samples[x] * weight over the rows, tap after tap, plane after plane.
#define BARE_TAP_LOOP                                                                                        \
    for (uint32_t y = 0; y < kSide; ++y)                                                                     \
        for (const Tap& tap : taps)                                                                          \
            for (int plane = 0; plane < 4; ++plane) {                                                        \
                float* __restrict to = p.sums[plane].data() + size_t(y) * kSide;                             \
                const float* __restrict from = p.source[plane].data() +                                      \
                                               size_t(int64_t(y) + tap.dy + p.margin) * p.stride +           \
                                               size_t(int64_t(p.margin) + tap.dx);                           \
                for (uint32_t x = 0; x < kSide; ++x) to[x] += from[x] * tap.weight;                          \
            }

void BareTapsSse(Planes& p, const std::vector<Tap>& taps) { BARE_TAP_LOOP }
__attribute__((target("avx2"))) void BareTapsAvx2(Planes& p, const std::vector<Tap>& taps) { BARE_TAP_LOOP }
#undef BARE_TAP_LOOP

std::vector<Tap> GaussianTaps(uint32_t d) {  // both passes, one after the other
    const std::vector<float> kernel = GaussianKernel(d);
    std::vector<Tap> taps;
    for (int32_t o = -int32_t(d); o <= int32_t(d); ++o) taps.push_back({0, o, kernel[size_t(o + int32_t(d))]});
    for (int32_t o = -int32_t(d); o <= int32_t(d); ++o) taps.push_back({o, 0, kernel[size_t(o + int32_t(d))]});
    return taps;
}
std::vector<Tap> MotionTaps(uint32_t d) {
    const auto offsets = MotionBlurOffsets(kMotionAngle, d);
    std::vector<Tap> taps;
    for (const auto& [dx, dy] : offsets) taps.push_back({dx, dy, 1.0f / float(offsets.size())});
    return taps;
}
std::vector<Tap> FragmentationTaps(uint32_t d) {
    std::vector<Tap> taps;
    for (const auto& [dx, dy] : FragmentationOffsets(kFragments, d, kRotation))
        taps.push_back({std::clamp(dx, -100, 100), std::clamp(dy, -100, 100), 1.0f / float(kFragments)});
    return taps;
}

BenchBody Yardstick(std::vector<Tap> taps, bool avx2) {
    return [taps, avx2](benchmark::State& state) {
        uint32_t margin = 0;
        for (const Tap& t : taps) margin = std::max({margin, uint32_t(std::abs(t.dx)), uint32_t(std::abs(t.dy))});
        Planes p(margin);
        for (auto _ : state) {
            avx2 ? BareTapsAvx2(p, taps) : BareTapsSse(p, taps);
            benchmark::DoNotOptimize(p.sums[0].data());
            benchmark::ClobberMemory();
        }
    };
}

// A raster whose layer holds blocks of random colours, some transparent
// (or, as noise, a random colour at every pixel).
std::unique_ptr<SelectableRaster> PictureRaster(bool noise = false) {
    auto raster = std::make_unique<SelectableRaster>(kSide, kSide);
    std::mt19937 rng(1);
    std::vector<Color> blocks(100);
    for (Color& c : blocks) {
        c = Color::FromWord(rng());
        if (rng() % 4 == 0) c.a = 0;
    }
    raster->LoadWorkingCanvas();
    for (int32_t i = 0; i < 10000; ++i)
        raster->SetPixel(i, noise ? blocks[rng() % 100] : blocks[size_t((i / 1000) * 10 + (i % 100) / 10)]);
    raster->CommitWorkingCanvas();
    return raster;
}

template <class T>
BenchBody Kernel(std::initializer_list<std::pair<const char*, ParamValue>> values, bool noise = false) {
    std::shared_ptr<AbstractRasterFunction> f(T::Prototype().Clone().release());
    for (const auto& [name, value] : values) f->SetValue(name, value);
    return [f, noise](benchmark::State& state) {
        auto raster = PictureRaster(noise);
        const RasterApplyFn apply = f->GetFunction();
        for (auto _ : state) {
            ReseedParameterRng(3);
            raster->LoadWorkingCanvas();
            apply(raster.get(), f.get());
            benchmark::DoNotOptimize(raster->WorkingCanvas().data());
        }
    };
}

bool RegisterBlurs() {
    for (const uint32_t d : {1u, 10u, 100u}) {
        const std::string at = " D=" + std::to_string(d);
        const ParamValue distance(d);
        struct Blur {
            std::string name;
            std::vector<Tap> taps;
            BenchBody kernel;
        };
        const Blur blurs[] = {
            {"Gaussian Blur", GaussianTaps(d), Kernel<GaussianBlurRasterFunction>({{"Distance", distance}})},
            {"Motion Blur", MotionTaps(d),
             Kernel<MotionBlurRasterFunction>({{"Angle", ParamValue(kMotionAngle)}, {"Distance", distance}})},
            {"Fragmentation Blur", FragmentationTaps(d),
             Kernel<FragmentationBlurRasterFunction>({{"Fragments", ParamValue(kFragments)},
                                                      {"Distance", distance},
                                                      {"Rotational_Offset", ParamValue(kRotation)}})},
        };
        for (const Blur& blur : blurs) {
            const std::string taps = " " + std::to_string(blur.taps.size()) + " taps";
            RegisterYardstick(blur.name + at + taps + " SSE", Yardstick(blur.taps, false));
            RegisterYardstick(blur.name + at + taps + " AVX2", Yardstick(blur.taps, true));
            RegisterKernel(blur.name + at, blur.name + at + taps + " AVX2", blur.kernel);
        }
        // The same on noise, where no eight pixels repeat the eight above them.
        if (d == 1)
            RegisterKernel("Motion Blur D=1 noise", "Motion Blur D=1 1 taps AVX2",
                           Kernel<MotionBlurRasterFunction>({{"Angle", ParamValue(kMotionAngle)}, {"Distance", distance}}, true));
    }
    return true;
}

const bool kRegistered = RegisterBlurs();

}  // namespace
