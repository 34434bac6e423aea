#pragma once
#include <cstdint>
#include <vector>

// A pixel position and the vertex type of selection polygons.
struct RasterPoint {
    int32_t x = 0;
    int32_t y = 0;
};
using RasterPolygon = std::vector<RasterPoint>;

struct FloatPoint {
    float x;
    float y;
};

// Orientation of r relative to the directed line p->q, in single precision:
// 0 when |v| < 0.001 (collinear), 2 when v > 0, 1 otherwise.
int Orient(FloatPoint p, FloatPoint q, FloatPoint r);

// Crossing parity along the slanted probe from (minX - 1, py) to
// (px, py + 0.5). An axis-aligned box (x0, y0)-(x1, y1) contains exactly
// x0 <= x < x1, y0 <= y < y1; degenerate polygons contain nothing.
bool IsPointInPolygon(const RasterPolygon& polygon, int32_t px, int32_t py);

// Bounding box of a polygon's vertices; empty polygons have none.
struct PolygonBounds {
    int32_t minX, maxX, minY, maxY;
};
PolygonBounds BoundsOf(const RasterPolygon& polygon);
