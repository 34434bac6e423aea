#include "raster/polygon.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// r strictly inside the box spanned by p and q (all four comparisons strict).
bool StrictlyInsideBox(FloatPoint p, FloatPoint q, FloatPoint r) {
    return std::min(p.x, q.x) < r.x && r.x < std::max(p.x, q.x) && std::min(p.y, q.y) < r.y &&
           r.y < std::max(p.y, q.y);
}

// One edge's crossing rule for the probe e -> p, as IsPointInPolygon applies
// it, given orient(a, b, e).
bool EdgeCrosses(FloatPoint e, FloatPoint p, FloatPoint a, FloatPoint b, int o3) {
    const int o1 = Orient(e, p, a);
    const int o2 = Orient(e, p, b);
    const int o4 = Orient(a, b, p);
    return (o1 != o2 && o3 != o4) || (o1 == 0 && StrictlyInsideBox(e, p, a)) ||
           (o2 == 0 && StrictlyInsideBox(e, p, b)) || (o3 == 0 && StrictlyInsideBox(a, b, e)) ||
           (o4 == 0 && StrictlyInsideBox(a, b, p));
}

// Twice the value Orient(p, q, r) takes the sign of, formed as it forms it.
// Where that arithmetic is exact (see kExactSpan) the result is a whole
// number, returned as one.
int64_t TwiceOrientValue(FloatPoint p, FloatPoint q, FloatPoint r) {
    const float a = (r.x - q.x) * (q.y - p.y);
    const float b = (q.x - p.x) * (r.y - q.y);
    return int64_t(double(a - b) * 2.0);
}

// For an orientation along x = from .. to that is the sign of an exact linear
// function (twice its value `atFrom` at from and `atTo` at to, both whole
// numbers), appends the first x of every sign run after the first.
void AddSignChanges(int64_t atFrom, int64_t atTo, int32_t from, int32_t to, int32_t* starts, size_t& count) {
    if (from >= to) return;
    const int64_t slope = (atTo - atFrom) / (int64_t(to) - from);  // exact: a whole number
    if (slope == 0) return;
    // Towards the sign change the value moves by |slope| a pixel; v = 0
    // after `steps` pixels when the division is exact.
    const int64_t towards = slope > 0 ? -atFrom : atFrom;  // > 0 while the change lies ahead
    const int64_t pace = slope > 0 ? slope : -slope;
    if (towards < 0) return;  // moving away from zero: one run
    if (towards == 0) {
        starts[count++] = from + 1;
        return;
    }
    const int64_t steps = (towards + pace - 1) / pace;  // first x with v at or past zero
    if (steps > int64_t(to) - from) return;
    starts[count++] = int32_t(from + steps);
    if (steps * pace == towards && steps < int64_t(to) - from) starts[count++] = int32_t(from + steps + 1);
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

    // (x0,y0),(x0,y1),(x1,y1),(x1,y0) or its reverse, with x0 < x1 and y0 < y1.
    // With axis-aligned edges every orientation is a product of two whole or
    // half-whole numbers with one factor zero, so rounding never changes a
    // sign while the coordinates stay far below float's exact range; the
    // crossing rules then give exactly the half-open box (checked against
    // the literal test over random boxes).
    constexpr int32_t kExactLimit = 1 << 22;
    exact_ = bounds_.minX > -kExactLimit && bounds_.maxX < kExactLimit && bounds_.minY > -kExactLimit &&
             bounds_.maxY < kExactLimit && int64_t(bounds_.maxX) - bounds_.minX < kExactSpan &&
             int64_t(bounds_.maxY) - bounds_.minY < kExactSpan;
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
    edgeToStart_.resize(n);
    vertexToProbe_.resize(n);
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

void PolygonTester::AddRowSpans(int32_t py, int32_t x0, int32_t x1, std::vector<Span>& spans) {
    if (vertices_.empty() || py < bounds_.minY || py > bounds_.maxY) return;
    const int32_t from = std::max(x0, bounds_.minX), to = std::min(x1, bounds_.maxX);
    if (from > to) return;
    if (simpleBox_) {
        if (py >= bounds_.maxY) return;  // the top edge is outside
        const int32_t last = std::min(to, bounds_.maxX - 1);
        if (from <= last) spans.push_back({from, last + 1});
        return;
    }
    if (exact_) {
        AddRowSpansExactly(py, from, to, spans);
        return;
    }
    BeginRow(py);
    const size_t before = spans.size();
    for (int32_t x = from; x <= to; ++x) {
        if (!Contains(x)) continue;
        if (spans.size() > before && spans.back().to == x)
            ++spans.back().to;
        else
            spans.push_back({x, x + 1});
    }
}

void PolygonTester::MarkRow(int32_t py, int32_t x0, int32_t x1, uint8_t* mask) {
    rowSpans_.clear();
    AddRowSpans(py, x0, x1, rowSpans_);
    for (const Span& s : rowSpans_) std::memset(mask + (s.from - x0), 1, size_t(s.to - s.from));
}

namespace {

// Sorts a short list in place (insertion sort; lists here hold a dozen or so).
template <typename T>
void SortShort(T* first, T* last) {
    for (T* i = first + 1; i < last; ++i) {
        const T v = *i;
        T* j = i;
        for (; j > first && v < *(j - 1); --j) *j = *(j - 1);
        *j = v;
    }
}

}  // namespace

// Along the row each edge's crossing rule depends on x only through its
// three orientations that involve the probe's end (each the sign of an exact
// linear function of x, whose changes follow from its values at the row's
// ends) and through comparisons of x with the edge's two x coordinates.
// Between consecutive changes of any of these the rule's answer is constant,
// so it is evaluated once per stretch; a crossing stretch flips the parity
// from its start to its end. An edge that lies wholly above py + 0.5 or
// below py cannot meet the probe (exactly the closed segments that meet are
// counted), so it is skipped. The row's members are then the stretches of
// odd parity.
void PolygonTester::AddRowSpansExactly(int32_t py, int32_t from, int32_t to, std::vector<Span>& spans) {
    const FloatPoint e{float(bounds_.minX) - 1.0f, float(py)};
    const float probeY = float(py) + 0.5f;
    const FloatPoint first{float(from), probeY}, last{float(to), probeY};
    const size_t n = vertices_.size();
    // Each edge flips the parity at most twice per stretch, at most 11 stretches.
    if (flips_.size() < 22 * n) flips_.resize(22 * n);
    int32_t* const flips = flips_.data();
    size_t count = 0;
    for (size_t i = 0; i < n; ++i) {
        const FloatPoint a = vertices_[i], b = vertices_[i + 1 == n ? 0 : i + 1];
        const float y = float(py);
        if ((a.y < y && b.y < y) || (a.y > y && b.y > y)) continue;
        const int o3 = Orient(a, b, e);
        if ((a.y < y && b.y > y) || (a.y > y && b.y < y)) {
            // The edge runs from below the row to py + 1 or above. Its lower
            // end lies below the probe's line for every x, and e lies off
            // the edge's line, on the side of every probe end left of where
            // the edge meets y = py + 0.5. The probe then meets the edge
            // exactly when its end is on the edge's line or beyond it: from
            // the first x where orient(a, b, end) leaves e's side.
            const int64_t side = o3 == 2 ? 1 : -1;
            const int64_t atFrom = side * TwiceOrientValue(a, b, first);
            const int64_t slope = side * 2 * (int64_t(b.y) - int64_t(a.y));  // per pixel, exactly
            int64_t crossFrom = from;
            if (atFrom > 0) {
                if (slope >= 0) continue;
                // Both below 2^25: the double quotient is never rounded
                // onto or past a whole number it does not reach.
                crossFrom = from + int64_t(std::ceil(double(atFrom) / double(-slope)));
            }
            if (crossFrom > to) continue;
            flips[count++] = int32_t(crossFrom);
            flips[count++] = to + 1;
            continue;
        }
        int32_t cuts[11];  // the row's start, two per vertex, two per orientation
        size_t cutCount = 0;
        cuts[cutCount++] = from;
        for (const float edgeX : {a.x, b.x})
            for (const int32_t x : {int32_t(edgeX), int32_t(edgeX) + 1})
                if (x > from && x <= to) cuts[cutCount++] = x;
        AddSignChanges(TwiceOrientValue(e, first, a), TwiceOrientValue(e, last, a), from, to, cuts, cutCount);
        AddSignChanges(TwiceOrientValue(e, first, b), TwiceOrientValue(e, last, b), from, to, cuts, cutCount);
        AddSignChanges(TwiceOrientValue(a, b, first), TwiceOrientValue(a, b, last), from, to, cuts, cutCount);
        SortShort(cuts, cuts + cutCount);
        cutCount = size_t(std::unique(cuts, cuts + cutCount) - cuts);
        for (size_t k = 0; k < cutCount; ++k) {
            const int32_t start = cuts[k], end = k + 1 < cutCount ? cuts[k + 1] : to + 1;
            if (EdgeCrosses(e, FloatPoint{float(start), probeY}, a, b, o3)) {
                flips[count++] = start;
                flips[count++] = end;
            }
        }
    }
    if (count <= 32)
        SortShort(flips, flips + count);
    else
        std::sort(flips, flips + count);
    // A position flipped an even number of times does not change the parity.
    bool inside = false;
    for (size_t k = 0; k < count;) {
        size_t next = k + 1;
        while (next < count && flips[next] == flips[k]) ++next;
        if ((next - k) % 2 != 0) {
            if (!inside) spans.push_back({flips[k], flips[k]});
            else spans.back().to = flips[k];
            inside = !inside;
        }
        k = next;
    }
}
