#include "functions/shape_geometry.h"

#include <xmmintrin.h>

#include <cstring>
#include <vector>

namespace {

// The projection up to its two square roots, each lane doing
// ProjectOntoSegment's operations in their order.
__attribute__((target_clones("avx2", "default"))) void ProjectSquares(const ShapeSegment& s,
                                                                      const float* __restrict xs,
                                                                      const float* __restrict ys,
                                                                      float* __restrict lenSquared,
                                                                      float* __restrict dot,
                                                                      float* __restrict distSquared, size_t count) {
    const float endX = s.endX, endY = s.endY, dx = s.dx, dy = s.dy, l2 = s.l2;
    for (size_t i = 0; i < count; ++i) {
        const float ex = endX - xs[i];
        const float ey = endY - ys[i];
        const float t = (dx * ex + dy * ey) / l2;
        const float vx = dx * t;
        const float vy = dy * t;
        lenSquared[i] = vx * vx + vy * vy;
        dot[i] = dx * vx + dy * vy;
        const float wx = ex - vx;
        const float wy = ey - vy;
        distSquared[i] = wx * wx + wy * wy;
    }
}

}  // namespace

void ProjectBlockOntoSegment(const ShapeSegment& s, const float* xs, const float* ys, float* len, float* dot,
                             float* dist, size_t count) {
    ProjectSquares(s, xs, ys, len, dot, dist, count);
    SquareRoots(len, count);
    SquareRoots(dist, count);
}

// Correctly rounded square roots (the instruction std::sqrt compiles to,
// four at a time; as a library call that may set errno it would keep the
// loops around it from running as vectors).
void SquareRoots(float* v, size_t count) {
    size_t i = 0;
    for (; i + 4 <= count; i += 4) _mm_storeu_ps(v + i, _mm_sqrt_ps(_mm_loadu_ps(v + i)));
    for (; i < count; ++i) v[i] = std::sqrt(v[i]);
}

std::unique_ptr<uint32_t[]> PaintedBuffer(size_t count) { return std::unique_ptr<uint32_t[]>(new uint32_t[count]); }

size_t KeepPainted(const uint32_t* indices, const uint8_t* paint, size_t count, uint32_t* painted, size_t kept) {
    size_t j = 0;
    for (; j + 8 <= count; j += 8) {  // eight flags at once when none or all of them are set
        uint64_t flags;
        std::memcpy(&flags, paint + j, sizeof flags);
        if (flags == 0) continue;
        constexpr uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;
        if (((flags - kOnes) & ~flags & kHighs) == 0) {  // no zero byte
            std::memcpy(painted + kept, indices + j, 8 * sizeof(uint32_t));
            kept += 8;
            continue;
        }
        for (size_t k = j; k < j + 8; ++k) {
            painted[kept] = indices[k];
            kept += paint[k] != 0;
        }
    }
    for (; j < count; ++j) {
        painted[kept] = indices[j];  // overwritten by the next unless painted
        kept += paint[j] != 0;
    }
    return kept;
}
