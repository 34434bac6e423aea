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
// v = (r.x - q.x)(q.y - p.y) - (q.x - p.x)(r.y - q.y), each product formed
// first; 0 when |v| < 0.001 (collinear), 2 when v > 0, 1 otherwise.
inline int Orient(FloatPoint p, FloatPoint q, FloatPoint r) {
    const float a = (r.x - q.x) * (q.y - p.y);
    const float b = (q.x - p.x) * (r.y - q.y);
    const float v = a - b;
    if (v < 0.001f && v > -0.001f) return 0;
    return v > 0.0f ? 2 : 1;
}

// Crossing parity along the slanted probe from (minX - 1, py) to
// (px, py + 0.5). An axis-aligned box (x0, y0)-(x1, y1) contains exactly
// x0 <= x < x1, y0 <= y < y1; degenerate polygons contain nothing.
bool IsPointInPolygon(const RasterPolygon& polygon, int32_t px, int32_t py);

// Bounding box of a polygon's vertices; empty polygons have none.
struct PolygonBounds {
    int32_t minX, maxX, minY, maxY;
};
PolygonBounds BoundsOf(const RasterPolygon& polygon);

// A polygon prepared for testing many pixels row by row, with exactly
// IsPointInPolygon's answers.
class PolygonTester {
public:
    explicit PolygonTester(const RasterPolygon& polygon);

    bool Empty() const { return vertices_.empty(); }
    const PolygonBounds& Bounds() const { return bounds_; }

    // The pixels from .. to - 1 of a row.
    struct Span {
        int32_t from, to;
    };
    // Appends the runs of x in x0 .. x1 (inclusive) that Contains would
    // accept on row py, in ascending order, none touching the next. Small
    // polygons (every coordinate difference of the row's tests within
    // kExactSpan) are worked out edge by edge, not pixel by pixel.
    void AddRowSpans(int32_t py, int32_t x0, int32_t x1, std::vector<Span>& spans);
    // Sets mask[x - x0] to 1 for every x of those runs; leaves the other
    // entries alone.
    void MarkRow(int32_t py, int32_t x0, int32_t x1, uint8_t* mask);

    // Within this span every orientation the test forms is a multiple of 0.5
    // below 2^23, so single precision holds it exactly: the 0.001 tolerance
    // is then an exact test for zero and each orientation along a row is the
    // sign of an exact linear function of x.
    static constexpr int32_t kExactSpan = 2048;

private:
    // The pixel-by-pixel test, for polygons beyond kExactSpan: Contains()
    // gives IsPointInPolygon's answer on the row BeginRow set, only avoiding
    // what does not change along a row (the probe's start and each edge's
    // orientation to it) and orienting each vertex once instead of once per
    // adjacent edge.
    void BeginRow(int32_t py);
    bool Contains(int32_t px) const;
    void AddRowSpansExactly(int32_t py, int32_t from, int32_t to, std::vector<Span>& spans);

    std::vector<FloatPoint> vertices_;
    PolygonBounds bounds_{0, -1, 0, -1};
    // The half-open box x0 <= x < x1, y0 <= y < y1 when the polygon is an
    // axis-aligned rectangle (as a rectangular selection builds it, in either
    // winding) whose membership is provably that box.
    bool simpleBox_ = false;
    bool exact_ = false;  // bounds within kExactSpan and far inside float's whole numbers
    int32_t py_ = 0;
    FloatPoint probeStart_{0, 0};
    std::vector<int> edgeToStart_;            // orient(A, B, E) per edge, for the current row
    mutable std::vector<int> vertexToProbe_;  // orient(E, P, V) per vertex, scratch
    std::vector<int32_t> flips_;              // scratch of AddRowSpansExactly
    std::vector<Span> rowSpans_;              // scratch of MarkRow
};
