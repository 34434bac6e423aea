// The plainest yardsticks: moving the 40,000 bytes of a 100 x 100 canvas,
// and one single-precision pass over its 10,000 pixels.
#include <cstdint>
#include <cstring>
#include <vector>

#include "yardstick_registry.h"

namespace {

void Copy40KB(benchmark::State& state) {
    std::vector<uint8_t> from(40000, 7), to(40000);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}

// Each channel to float, scaled, truncated back: what a per-pixel float
// kernel cannot beat.
void FloatPass(benchmark::State& state) {
    std::vector<uint8_t> pixels(40000);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i * 31);
    for (auto _ : state) {
        for (uint8_t& c : pixels) c = uint8_t(float(c) * 0.75f + 10.0f);
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
}

const bool kRegistered = (RegisterYardstick("copy 40 KB", Copy40KB),
                          RegisterYardstick("float pass 10,000 pixels", FloatPass), true);

}  // namespace
