#pragma once
// A select for loops written one pixel per lane: the compiler keeps it
// branch-free, so every lane computes both values and keeps one.
#include <cstdint>
#include <cstring>

// a where c holds, else b.
inline float Pick(bool c, float a, float b) {
    uint32_t ua, ub;
    std::memcpy(&ua, &a, sizeof ua);
    std::memcpy(&ub, &b, sizeof ub);
    const uint32_t mask = 0u - uint32_t(c);
    const uint32_t bits = (ua & mask) | (ub & ~mask);
    float picked;
    std::memcpy(&picked, &bits, sizeof picked);
    return picked;
}
