#include "raster/polygon.h"

#include <algorithm>
#include <cmath>

int Orient(FloatPoint p, FloatPoint q, FloatPoint r) {
    const float a = (r.x - q.x) * (q.y - p.y);
    const float b = (q.x - p.x) * (r.y - q.y);
    const float v = a - b;
    if (std::fabs(v) < 0.001f) return 0;
    return v > 0.0f ? 2 : 1;
}

namespace {

// r strictly inside the box spanned by p and q (all four comparisons strict).
bool StrictlyInsideBox(FloatPoint p, FloatPoint q, FloatPoint r) {
    return std::min(p.x, q.x) < r.x && r.x < std::max(p.x, q.x) && std::min(p.y, q.y) < r.y &&
           r.y < std::max(p.y, q.y);
}

}  // namespace

PolygonBounds BoundsOf(const RasterPolygon& polygon) {
    PolygonBounds b{polygon[0].x, polygon[0].x, polygon[0].y, polygon[0].y};
    for (const RasterPoint& v : polygon) {
        b.minX = std::min(b.minX, v.x);
        b.maxX = std::max(b.maxX, v.x);
        b.minY = std::min(b.minY, v.y);
        b.maxY = std::max(b.maxY, v.y);
    }
    return b;
}

bool IsPointInPolygon(const RasterPolygon& polygon, int32_t px, int32_t py) {
    const size_t n = polygon.size();
    if (n == 0) return false;
    const PolygonBounds box = BoundsOf(polygon);
    if (px < box.minX || px > box.maxX || py < box.minY || py > box.maxY) return false;

    const FloatPoint e{float(box.minX) - 1.0f, float(py)};
    const FloatPoint p{float(px), float(py) + 0.5f};
    unsigned crossings = 0;
    for (size_t i = 0; i < n; ++i) {
        const RasterPoint& va = polygon[i];
        const RasterPoint& vb = polygon[(i + 1) % n];
        const FloatPoint a{float(va.x), float(va.y)};
        const FloatPoint b{float(vb.x), float(vb.y)};
        const int o1 = Orient(e, p, a);
        const int o2 = Orient(e, p, b);
        const int o3 = Orient(a, b, e);
        const int o4 = Orient(a, b, p);
        const bool crosses = (o1 != o2 && o3 != o4) || (o1 == 0 && StrictlyInsideBox(e, p, a)) ||
                             (o2 == 0 && StrictlyInsideBox(e, p, b)) ||
                             (o3 == 0 && StrictlyInsideBox(a, b, e)) ||
                             (o4 == 0 && StrictlyInsideBox(a, b, p));
        if (crosses) ++crossings;
    }
    return (crossings & 1u) != 0;
}
