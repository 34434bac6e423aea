#include "instructions/parameter_rng.h"

std::mt19937& parameterRng() {
    thread_local std::mt19937 generator{std::random_device{}()};
    return generator;
}

void ReseedParameterRng(uint32_t seed) { parameterRng().seed(seed); }

float DrawUnitFloat() {
    const uint32_t x = uint32_t(parameterRng()());
    return float(x) / 4294967296.0f;
}

uint32_t DrawUniformInt(uint32_t n) {
    if (n <= 1) return 0;
    std::mt19937& rng = parameterRng();
    const uint32_t limit = 4294967295u / n;
    const bool exact = 4294967295u % n == n - 1;
    for (;;) {
        const uint32_t r = uint32_t(rng());
        if (r / n < limit || exact) return r % n;
    }
}

void DiscardParameterDraws(uint64_t count) { parameterRng().discard(count); }
