#include "raster/polygon.h"

#include <algorithm>
#include <cmath>

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

PolygonTester::PolygonTester(const RasterPolygon& polygon) {
    if (polygon.empty()) return;
    bounds_ = BoundsOf(polygon);
    vertices_.reserve(polygon.size());
    for (const RasterPoint& v : polygon) vertices_.push_back({float(v.x), float(v.y)});
    edgeToStart_.resize(polygon.size());
    vertexToProbe_.resize(polygon.size());

    // (x0,y0),(x0,y1),(x1,y1),(x1,y0) or its reverse, with x0 < x1 and y0 < y1.
    // With axis-aligned edges every orientation is a product of two whole or
    // half-whole numbers with one factor zero, so rounding never changes a
    // sign while the coordinates stay far below float's exact range; the
    // crossing rules then give exactly the half-open box (checked against
    // the literal test over random boxes).
    constexpr int32_t kExactLimit = 1 << 22;
    if (polygon.size() == 4) {
        const RasterPoint a = polygon[0], b = polygon[1], c = polygon[2], d = polygon[3];
        const bool inRange = bounds_.minX > -kExactLimit && bounds_.maxX < kExactLimit &&
                             bounds_.minY > -kExactLimit && bounds_.maxY < kExactLimit;
        const bool forward = a.x == b.x && b.y == c.y && c.x == d.x && d.y == a.y;
        const bool backward = a.y == b.y && b.x == c.x && c.y == d.y && d.x == a.x;
        simpleBox_ = inRange && (forward || backward) && bounds_.minX < bounds_.maxX &&
                     bounds_.minY < bounds_.maxY;
    }
}

void PolygonTester::BeginRow(int32_t py) {
    py_ = py;
    probeStart_ = {float(bounds_.minX) - 1.0f, float(py)};
    const size_t n = vertices_.size();
    for (size_t i = 0; i < n; ++i) edgeToStart_[i] = Orient(vertices_[i], vertices_[(i + 1) % n], probeStart_);
}

bool PolygonTester::Contains(int32_t px) const {
    if (vertices_.empty()) return false;
    if (px < bounds_.minX || px > bounds_.maxX || py_ < bounds_.minY || py_ > bounds_.maxY) return false;
    const FloatPoint e = probeStart_;
    const FloatPoint p{float(px), float(py_) + 0.5f};
    const size_t n = vertices_.size();
    for (size_t i = 0; i < n; ++i) vertexToProbe_[i] = Orient(e, p, vertices_[i]);
    unsigned crossings = 0;
    for (size_t i = 0; i < n; ++i) {
        const size_t j = i + 1 == n ? 0 : i + 1;
        const FloatPoint a = vertices_[i], b = vertices_[j];
        const int o1 = vertexToProbe_[i];
        const int o2 = vertexToProbe_[j];
        const int o3 = edgeToStart_[i];
        const int o4 = Orient(a, b, p);
        const bool crosses = (o1 != o2 && o3 != o4) || (o1 == 0 && StrictlyInsideBox(e, p, a)) ||
                             (o2 == 0 && StrictlyInsideBox(e, p, b)) ||
                             (o3 == 0 && StrictlyInsideBox(a, b, e)) ||
                             (o4 == 0 && StrictlyInsideBox(a, b, p));
        if (crosses) ++crossings;
    }
    return (crossings & 1u) != 0;
}
