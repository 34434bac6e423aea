#pragma once
// Single-precision geometry shared by the shape instructions. Pixels are
// tested at their integer positions (no half-pixel offset), every step
// rounded as written.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "instructions/abstract_raster_function.h"
#include "raster/color.h"

// A segment given by its end point E and its direction (dx, dy), pointing from
// the other end O to E.
struct ShapeSegment {
    float endX, endY;
    float dx, dy;
    float l2;      // dx * dx + dy * dy
    float length;  // sqrt(l2)

    static ShapeSegment FromTo(float ox, float oy, float ex, float ey) {
        ShapeSegment s;
        s.endX = ex;
        s.endY = ey;
        s.dx = ex - ox;
        s.dy = ey - oy;
        s.l2 = s.dx * s.dx + s.dy * s.dy;
        s.length = std::sqrt(s.l2);
        return s;
    }
};

// A pixel projected onto a segment's line: t = 0 at E and 1 at O.
struct SegmentProjection {
    float len;   // length of the projected vector from E
    float dot;   // >= 0 when the projection lies on E's side towards O
    float dist;  // distance from the pixel to the infinite line
};

inline SegmentProjection ProjectOntoSegment(const ShapeSegment& s, float px, float py) {
    const float ex = s.endX - px;
    const float ey = s.endY - py;
    const float t = (s.dx * ex + s.dy * ey) / s.l2;
    const float vx = s.dx * t;
    const float vy = s.dy * t;
    SegmentProjection p;
    p.len = std::sqrt(vx * vx + vy * vy);
    p.dot = s.dx * vx + s.dy * vy;
    const float wx = ex - vx;
    const float wy = ey - vy;
    p.dist = std::sqrt(wx * wx + wy * wy);
    return p;
}

// The four colour channels of a shape, read alpha first as every shape does.

inline Color ReadShapeColor(const AbstractRasterFunction& function) {
    Color k;
    k.a = function.GetValue("Color1_Alpha").AsUInt8();
    k.b = function.GetValue("Color1_Blue").AsUInt8();
    k.g = function.GetValue("Color1_Green").AsUInt8();
    k.r = function.GetValue("Color1_Red").AsUInt8();
    return k;
}

// ProjectOntoSegment for a block of pixels (count at most kShapeBlock), the
// same values several pixels a vector: len[i], dot[i] and dist[i] for the
// pixel (xs[i], ys[i]).
constexpr size_t kShapeBlock = 64;
void ProjectBlockOntoSegment(const ShapeSegment& s, const float* xs, const float* ys, float* len, float* dot,
                             float* dist, size_t count);

// Correctly rounded square roots of count values, in place.
void SquareRoots(float* v, size_t count);

// Room for count pixel indices, left unwritten: a shape lists its painted
// pixels there and blends them before it returns. (Freed then, the memory
// serves the next allocation instead of fresh pages.)
std::unique_ptr<uint32_t[]> PaintedBuffer(size_t count);

// Appends to painted (holding kept indices, with room for count more) the
// indices whose paint flag is set, in order; returns the new count.
size_t KeepPainted(const uint32_t* indices, const uint8_t* paint, size_t count, uint32_t* painted, size_t kept);

// The positions of a block of pixel indices on a raster width pixels wide
// (width > 0). Indices on the row of the one before cost no division; a
// block of consecutive indices is written a row's stretch at a time.
inline void BlockPositions(const uint32_t* indices, size_t count, uint32_t width, float* xs, float* ys) {
    if (count > 0 && indices[count - 1] - indices[0] == count - 1 && width <= uint32_t(INT32_MAX)) {
        uint32_t row = indices[0] / width, x = indices[0] - row * width;
        for (size_t j = 0; j < count; x = 0, ++row) {
            const size_t n = std::min(count - j, size_t(width - x));
            const float y = float(row);
            for (size_t k = 0; k < n; ++k) xs[j + k] = float(int32_t(x + uint32_t(k))), ys[j + k] = y;
            j += n;
        }
        return;
    }
    uint32_t rowStart = 0, row = 0;
    for (size_t j = 0; j < count; ++j) {
        uint32_t x = indices[j] - rowStart;  // wraps to a large value before the row
        if (x >= width) {
            row = indices[j] / width;
            rowStart = row * width;
            x = indices[j] - rowStart;
        }
        xs[j] = float(x);
        ys[j] = float(row);
    }
}
