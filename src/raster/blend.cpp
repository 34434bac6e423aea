#include <cstring>

#include "raster/color.h"

namespace {

inline uint8_t Truncate(float v) { return static_cast<uint8_t>(static_cast<int>(v)); }

// One block of BlendOver over words, written so that the compiler can run
// several pixels a vector: every lane does the rule's operations in its
// order.
constexpr size_t kBlock = 64;

__attribute__((target_clones("avx2", "default"))) void BlendBlock(const uint32_t* __restrict under,
                                                                  const uint32_t* __restrict over,
                                                                  uint32_t* __restrict out, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const uint32_t d = under[i], s = over[i];
        const float as = float(int(s >> 24)) / 255.0f;
        const float ad = float(int(d >> 24)) / 255.0f;
        const float k = 1.0f - as;
        const float ao = k * ad + as;
        // ao is 0 exactly when both alphas are (otherwise ao >= as > 0 or
        // ao = ad > 0); such a lane divides by 1 and is then cleared.
        const uint32_t bothClear = ((d | s) >> 24) == 0u;
        const float divisor = ao + float(int(bothClear));
        auto channel = [&](int shift) {
            const float t = ((float(int((d >> shift) & 0xFFu)) / 255.0f) * ad) * k;
            const float u = (float(int((s >> shift) & 0xFFu)) / 255.0f) * as;
            return (uint32_t(int(((t + u) / divisor) * 255.0f)) & 0xFFu) << shift;
        };
        const uint32_t result = channel(0) | channel(8) | channel(16) | (uint32_t(int(ao * 255.0f)) & 0xFFu) << 24;
        out[i] = result & (bothClear - 1u);
    }
}

// BlendBlock with the same over colour s for every pixel: what depends on s
// alone is worked out once, the same values each lane would form.
__attribute__((target_clones("avx2", "default"))) void BlendColourBlock(const uint32_t* __restrict under, uint32_t s,
                                                                        uint32_t* __restrict out, size_t count) {
    const float as = float(int(s >> 24)) / 255.0f;
    const float k = 1.0f - as;
    const float u[3] = {(float(int(s & 0xFFu)) / 255.0f) * as, (float(int((s >> 8) & 0xFFu)) / 255.0f) * as,
                        (float(int((s >> 16) & 0xFFu)) / 255.0f) * as};
    for (size_t i = 0; i < count; ++i) {
        const uint32_t d = under[i];
        const float ad = float(int(d >> 24)) / 255.0f;
        const float ao = k * ad + as;
        const uint32_t bothClear = ((d | s) >> 24) == 0u;
        const float divisor = ao + float(int(bothClear));
        auto channel = [&](int shift, float uc) {
            const float t = ((float(int((d >> shift) & 0xFFu)) / 255.0f) * ad) * k;
            return (uint32_t(int(((t + uc) / divisor) * 255.0f)) & 0xFFu) << shift;
        };
        const uint32_t result =
            channel(0, u[0]) | channel(8, u[1]) | channel(16, u[2]) | (uint32_t(int(ao * 255.0f)) & 0xFFu) << 24;
        out[i] = result & (bothClear - 1u);
    }
}

}  // namespace

Color BlendOver(Color d, Color s) {
    const float as = ChannelUnit(s.a);
    const float ad = ChannelUnit(d.a);
    const float k = 1.0f - as;
    const float ao = k * ad + as;
    if (ao == 0.0f) return kTransparentBlack;
    auto channel = [&](uint8_t dc, uint8_t sc) {
        const float t = (ChannelUnit(dc) * ad) * k;
        const float u = ChannelUnit(sc) * as;
        return Truncate(((t + u) / ao) * 255.0f);
    };
    return Color(channel(d.r, s.r), channel(d.g, s.g), channel(d.b, s.b), Truncate(ao * 255.0f));
}

void BlendOverPixels(const Color* under, const Color* over, Color* out, size_t count) {
    uint32_t d[kBlock], s[kBlock], r[kBlock];
    for (size_t start = 0; start < count; start += kBlock) {
        const size_t n = count - start < kBlock ? count - start : kBlock;
        std::memcpy(d, under + start, n * sizeof(Color));
        std::memcpy(s, over + start, n * sizeof(Color));
        BlendBlock(d, s, r, n);
        std::memcpy(out + start, r, n * sizeof(Color));
    }
}

void BlendColourOverPixels(const Color* under, Color colour, Color* out, size_t count) {
    uint32_t d[kBlock], r[kBlock];
    for (size_t start = 0; start < count; start += kBlock) {
        const size_t n = count - start < kBlock ? count - start : kBlock;
        std::memcpy(d, under + start, n * sizeof(Color));
        BlendColourBlock(d, colour.Word(), r, n);
        std::memcpy(out + start, r, n * sizeof(Color));
    }
}
