#pragma once
#include <cstddef>
#include <cstdint>

// One pixel: straight (not premultiplied) 8-bit RGBA, laid out R, G, B, A in
// memory, so that read as a little-endian 32-bit word R is the low byte.
// Default-constructed it is opaque white.
struct Color {
    uint8_t r = 255;
    uint8_t g = 255;
    uint8_t b = 255;
    uint8_t a = 255;

    constexpr Color() = default;
    constexpr Color(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha)
        : r(red), g(green), b(blue), a(alpha) {}

    // The little-endian word view: 0xAABBGGRR.
    constexpr uint32_t Word() const {
        return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16 | uint32_t(a) << 24;
    }
    static constexpr Color FromWord(uint32_t w) {
        return Color(uint8_t(w), uint8_t(w >> 8), uint8_t(w >> 16), uint8_t(w >> 24));
    }

    friend constexpr bool operator==(Color x, Color y) { return x.Word() == y.Word(); }
    friend constexpr bool operator!=(Color x, Color y) { return !(x == y); }
};
static_assert(sizeof(Color) == 4, "Color must be exactly four bytes");

// A float in 0 .. 255 (or a hair outside through rounding) truncated to a
// channel; values outside saturate instead of wrapping.
inline uint8_t TruncateToChannel(float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 255.0f) return 255;
    return uint8_t(int(v));
}

// c / 255 in single precision for every channel value c, each the correctly
// rounded division the rules write (worked out once, at compile time).
struct ChannelUnits {
    float value[256];
    constexpr ChannelUnits() : value() {
        for (int c = 0; c < 256; ++c) value[c] = float(c) / 255.0f;
    }
};
inline constexpr ChannelUnits kChannelUnits{};
inline float ChannelUnit(uint8_t c) { return kChannelUnits.value[c]; }

constexpr Color kOpaqueWhite{255, 255, 255, 255};
constexpr Color kTransparentBlack{0, 0, 0, 0};

// Alpha-over in single precision, each step rounded as written and every
// channel truncated toward zero: source s laid over destination d.
//   as = s.A/255, ad = d.A/255, k = 1 - as, ao = k*ad + as
//   c  = (((d.c/255)*ad)*k + (s.c/255)*as) / ao * 255,   A = ao * 255
// Both fully transparent gives (0, 0, 0, 0).
Color BlendOver(Color d, Color s);

// BlendOver for count pixel pairs, out[i] = BlendOver(under[i], over[i]),
// several pixels at a time with exactly the same result; out may be under
// or over (the same pixels) but must not overlap them otherwise.
void BlendOverPixels(const Color* under, const Color* over, Color* out, size_t count);
// The same with one colour laid over every pixel.
void BlendColourOverPixels(const Color* under, Color colour, Color* out, size_t count);
