// Gradient, the shapes and the selection rebuild, each beside the bare
// per-pixel arithmetic of its own rule.
//
// Each yardstick works every pixel of the 100 x 100 picture raster, eight a
// vector (AVX2 where the machine has it, else two SSE halves), each lane doing
// the scalar rule's operations in its order with no shortcut, then blends
// with the plain exact vector blend; it is therefore exact and a limit for
// exact code. Its inputs are given for free: the pixel positions as floats,
// and for the triangle's interior the polygon test's verdict per pixel. Before
// it is registered, each yardstick's pixels are compared with the product
// kernel's on the benchmarked case, and the program stops if they differ.
//   gradient rule ...      projection, one square root, the divisions of t,
//                          of the fraction and of the three mixed channels,
//                          then the blend of the mixed colour.
//   line rule ...          projection, two square roots, two divisions.
//   rectangle rule ...     the side and interior comparisons.
//   circle rule ...        one distance (a square root) and its two tests.
//   triangle rule ...      three projections (six square roots, three
//                          divisions) and three orientations.
//   index list from row spans  the selected set as one span per row, written
//                          out as the list of indices eight at a time: the
//                          least any rebuild must do.
//   scanline fill ...      the plain polygon fill: per row, where each edge
//                          across it meets y + 0.5 (one division), the
//                          crossings sorted and paired into spans, written
//                          out as above.
#include <xmmintrin.h>

#pragma GCC diagnostic ignored "-Wpsabi"  // the lane helpers are always inlined

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "functions/gradient.h"
#include "functions/shape_circle.h"
#include "functions/shape_line.h"
#include "functions/shape_rect.h"
#include "functions/shape_triangle.h"
#include "raster_cases.h"

namespace {

using namespace raster_cases;

typedef float F8 __attribute__((vector_size(32)));
typedef int32_t I8 __attribute__((vector_size(32)));
typedef uint32_t W8 __attribute__((vector_size(32)));

#define LANES inline __attribute__((always_inline))

LANES F8 Splat(float v) { return F8{} + v; }
LANES F8 Load(const float* p) { F8 v; std::memcpy(&v, p, sizeof v); return v; }
LANES W8 Load(const uint32_t* p) { W8 v; std::memcpy(&v, p, sizeof v); return v; }
LANES void Store(uint32_t* p, W8 v) { std::memcpy(p, &v, sizeof v); }
LANES F8 ToFloat(W8 v) { return __builtin_convertvector(I8(v), F8); }
LANES W8 Truncate(F8 v) { return W8(__builtin_convertvector(v, I8)); }
LANES F8 Abs(F8 v) { return F8(I8(v) & 0x7FFFFFFF); }
// Correctly rounded square roots, four lanes an instruction.
LANES F8 Sqrt(F8 v) {
    const __m128 lo = _mm_sqrt_ps(__builtin_shufflevector(v, v, 0, 1, 2, 3));
    const __m128 hi = _mm_sqrt_ps(__builtin_shufflevector(v, v, 4, 5, 6, 7));
    return __builtin_shufflevector(lo, hi, 0, 1, 2, 3, 4, 5, 6, 7);
}

// Alpha-over of s on d, lane by lane as the rule reads: c / 255, the products
// in order, one correctly rounded division by the result alpha; a transparent
// result is transparent black.
LANES W8 Blend(W8 d, W8 s) {
    const F8 c255 = Splat(255.0f);
    const F8 as = ToFloat(s >> 24) / c255, ad = ToFloat(d >> 24) / c255;
    const F8 k = 1.0f - as, ao = k * ad + as;
    W8 result = (Truncate(ao * 255.0f) & 0xFFu) << 24;
    for (int shift = 0; shift < 24; shift += 8) {
        const F8 t = ((ToFloat((d >> shift) & 0xFFu) / c255) * ad) * k;
        const F8 u = (ToFloat((s >> shift) & 0xFFu) / c255) * as;
        result |= (Truncate(((t + u) / ao) * 255.0f) & 0xFFu) << shift;
    }
    return ao == 0.0f ? W8{} : result;
}

// The pixels of the 100 x 100 raster, row by row.
struct Pixels {
    float xs[10000], ys[10000];
    uint32_t under[10000];
    Pixels() {
        const std::vector<Color> colours = VariedPixels(1);
        for (int i = 0; i < 10000; ++i) xs[i] = float(i % 100), ys[i] = float(i / 100), under[i] = colours[size_t(i)].Word();
    }
};

// A segment from O to E, with the quantities its projection uses.
struct Segment {
    float ex, ey, dx, dy, l2, length;
    Segment(float ox, float oy, float x, float y)
        : ex(x), ey(y), dx(x - ox), dy(y - oy), l2(dx * dx + dy * dy), length(__builtin_sqrtf(l2)) {}
};

// len, dot and dist of eight pixels projected onto a segment's line.
struct Projected {
    F8 len, dot, dist;
};
LANES Projected Project(const Segment& s, F8 x, F8 y) {
    const F8 qx = s.ex - x, qy = s.ey - y;
    const F8 t = (s.dx * qx + s.dy * qy) / s.l2;
    const F8 vx = s.dx * t, vy = s.dy * t, wx = qx - vx, wy = qy - vy;
    return {Sqrt(vx * vx + vy * vy), s.dx * vx + s.dy * vy, Sqrt(wx * wx + wy * wy)};
}

// ---- the rules ----

struct GradientCase {
    float p1x, p1y, p2x, p2y;
    Color c1, c2;
};

__attribute__((target_clones("avx2", "default"))) void GradientRule(const GradientCase& g, const Pixels& p, uint32_t* out) {
    const float p2y = g.p2y + (g.p1x == g.p2x && g.p1y == g.p2y ? 0.001f : 0.0f);
    const float dx = g.p2x - g.p1x, dy = p2y - g.p1y, l2 = dx * dx + dy * dy, length = __builtin_sqrtf(l2);
    const float a1 = float(g.c1.a) / 255.0f, a2 = float(g.c2.a) / 255.0f;
    const float k1[3] = {float(g.c1.r) / 255.0f, float(g.c1.g) / 255.0f, float(g.c1.b) / 255.0f};
    const float k2[3] = {float(g.c2.r) / 255.0f, float(g.c2.g) / 255.0f, float(g.c2.b) / 255.0f};
    for (int i = 0; i < 10000; i += 8) {
        const F8 t = (dx * (g.p2x - Load(p.xs + i)) + dy * (p2y - Load(p.ys + i))) / l2;
        const F8 vx = dx * t, vy = dy * t;
        const F8 along = Sqrt(vx * vx + vy * vy) / length;
        F8 f = along > 0.0f ? along : 0.0f;
        f = f < 1.0f ? f : 1.0f;
        f = dx * vx + dy * vy < 0.0f ? 0.0f : f;
        F8 w = 1.0f - f;
        w = w < 0.0f ? 0.0f : w;
        w = w > 1.0f ? 1.0f : w;
        const F8 b2 = a2 * w, b1 = (1.0f - w) * a1, alpha = b1 + b2;
        W8 q = (Truncate(alpha * 255.0f) & 0xFFu) << 24;
        for (int k = 0; k < 3; ++k) q |= (Truncate((k1[k] * b1 + k2[k] * b2) / alpha * 255.0f) & 0xFFu) << (8 * k);
        q = alpha == 0.0f ? W8{} : q;
        Store(out + i, Blend(Load(p.under + i), q));
    }
}

struct ShapeCase {
    float p[3][2];  // points (the circle's centre first)
    float h, radius;
    bool infill;
    Color colour;
    int32_t inside[10000];  // the triangle's polygon test per pixel (all ones or 0)
};

// The colour blended where painted, elsewhere the pixel unchanged.
LANES void Paint(const ShapeCase& c, const Pixels& p, int i, I8 painted, uint32_t* out) {
    const W8 under = Load(p.under + i);
    Store(out + i, painted ? Blend(under, W8{} + c.colour.Word()) : under);
}

__attribute__((target_clones("avx2", "default"))) void LineRule(const ShapeCase& c, const Pixels& p, uint32_t* out) {
    const float p2y = c.p[1][1] + (c.p[0][0] == c.p[1][0] && c.p[0][1] == c.p[1][1] ? 0.001f : 0.0f);
    const Segment s(c.p[0][0], c.p[0][1], c.p[1][0], p2y);
    for (int i = 0; i < 10000; i += 8) {
        const Projected q = Project(s, Load(p.xs + i), Load(p.ys + i));
        F8 along = q.len / s.length;
        along = along < 0.0f ? 0.0f : along;
        Paint(c, p, i, (q.dot >= 0.0f) & (along <= 1.0f) & (q.dist <= c.h), out);
    }
}

__attribute__((target_clones("avx2", "default"))) void RectangleRule(const ShapeCase& c, const Pixels& p, uint32_t* out) {
    const float p1x = c.p[0][0], p1y = c.p[0][1], p2x = c.p[1][0], p2y = c.p[1][1], h = c.h;
    const float minX = p1x < p2x ? p1x : p2x, maxX = p1x < p2x ? p2x : p1x;
    const float minY = p1y < p2y ? p1y : p2y, maxY = p1y < p2y ? p2y : p1y;
    const I8 infill = I8{} - int32_t(c.infill);
    for (int i = 0; i < 10000; i += 8) {
        const F8 x = Load(p.xs + i), y = Load(p.ys + i);
        const I8 inX = (minX - h <= x) & (x <= h + maxX), inY = (minY - h <= y) & (y <= h + maxY);
        const I8 horizontal = ((Abs(y - p1y) <= h) | (Abs(y - p2y) <= h)) & inX;
        const I8 vertical = ((Abs(x - p1x) <= h) | (Abs(x - p2x) <= h)) & inY;
        const I8 interior = infill & (minX <= x) & (x <= maxX) & (minY <= y) & (y <= maxY);
        Paint(c, p, i, horizontal | vertical | interior, out);
    }
}

__attribute__((target_clones("avx2", "default"))) void CircleRule(const ShapeCase& c, const Pixels& p, uint32_t* out) {
    const I8 infill = I8{} - int32_t(c.infill);
    for (int i = 0; i < 10000; i += 8) {
        const F8 ox = c.p[0][0] - Load(p.xs + i), oy = c.p[0][1] - Load(p.ys + i);
        const F8 d = Sqrt(ox * ox + oy * oy);
        Paint(c, p, i, (Abs(d - c.radius) <= c.h) | (infill & (d <= c.radius)), out);
    }
}

__attribute__((target_clones("avx2", "default"))) void TriangleRule(const ShapeCase& c, const Pixels& p, uint32_t* out) {
    Segment edge[3] = {{c.p[0][0], c.p[0][1], c.p[1][0], c.p[1][1]},
                       {c.p[1][0], c.p[1][1], c.p[2][0], c.p[2][1]},
                       {c.p[2][0], c.p[2][1], c.p[0][0], c.p[0][1]}};
    int32_t third[3];
    for (int k = 0; k < 3; ++k) {  // the orientation of the remaining vertex
        const float(&a)[2] = c.p[k], (&b)[2] = c.p[(k + 1) % 3], (&r)[2] = c.p[(k + 2) % 3];
        const float v = (r[0] - b[0]) * (b[1] - a[1]) - (b[0] - a[0]) * (r[1] - b[1]);
        third[k] = v < 0.001f && v > -0.001f ? 0 : v > 0.0f ? 2 : 1;
    }
    const I8 infill = I8{} - int32_t(c.infill);
    for (int i = 0; i < 10000; i += 8) {
        const F8 x = Load(p.xs + i), y = Load(p.ys + i);
        I8 confined = I8{} - 1, onEdge = I8{}, nearCount = I8{};
        for (int k = 0; k < 3; ++k) {
            const Segment& s = edge[k];
            const Projected q = Project(s, x, y);
            const I8 near = q.dist <= c.h;
            nearCount -= near;
            onEdge |= near & (q.len <= s.length) & (q.dot >= 0.0f);
            const F8 v = (x - s.ex) * s.dy - s.dx * (y - s.ey);
            const I8 orientation = (v < 0.001f) & (v > -0.001f) ? I8{} : v > 0.0f ? I8{} + 2 : I8{} + 1;
            confined &= (orientation == third[k]) | near;
        }
        I8 inside;
        std::memcpy(&inside, c.inside + i, sizeof inside);
        Paint(c, p, i, confined & (onEdge | (nearCount >= 2) | (infill & inside)), out);
    }
}

// Selected rows as [x0, x1) spans; writes the indices and returns how many.
struct Spans {
    int32_t x0[100], x1[100];
};
__attribute__((target_clones("avx2", "default"))) size_t IndexRule(const Spans& s, uint32_t* out) {
    const W8 step = {0, 1, 2, 3, 4, 5, 6, 7};
    size_t n = 0;
    for (uint32_t y = 0; y < 100; ++y) {
        const uint32_t first = y * 100 + uint32_t(s.x0[y]), count = uint32_t(s.x1[y] - s.x0[y]);
        for (uint32_t j = 0; j < count; j += 8) Store(out + n + j, step + (first + j));  // may spill past, rewritten next
        n += count;
    }
    return n;
}

// The scanline fill of polygons: a pixel x of row y is inside a polygon when
// an odd number of its edges with min y <= y < max y meet y + 0.5 at or left
// of x, and selected when inside any (the polygons' spans joined per row).
__attribute__((target_clones("avx2", "default"))) size_t ScanlineRule(const std::vector<RasterPolygon>& polygons,
                                                                    uint32_t* out) {
    const W8 step = {0, 1, 2, 3, 4, 5, 6, 7};
    size_t n = 0;
    for (int32_t y = 0; y < 100; ++y) {
        int32_t from[16], to[16];
        int spans = 0;
        for (const RasterPolygon& polygon : polygons) {
            int32_t cross[16];
            int count = 0;
            for (size_t i = 0; i < polygon.size() && count < 16; ++i) {
                RasterPoint a = polygon[i], b = polygon[(i + 1) % polygon.size()];
                if (a.y > b.y) std::swap(a, b);
                if (!(a.y <= y && y < b.y)) continue;
                // the least x >= a.x + (2y + 1 - 2 a.y)(b.x - a.x) / (2 (b.y - a.y))
                const int64_t num = int64_t(2 * y + 1 - 2 * a.y) * (b.x - a.x), den = 2 * int64_t(b.y - a.y);
                const int64_t c = a.x + num / den + (num % den > 0 ? 1 : 0);
                int k = count++;
                for (; k > 0 && cross[k - 1] > c; --k) cross[k] = cross[k - 1];
                cross[k] = int32_t(c);
            }
            for (int k = 0; k + 1 < count && spans < 16; k += 2) {  // joined with the spans before
                const int32_t x0 = std::max(cross[k], 0), x1 = std::min(cross[k + 1], 100);
                if (x0 >= x1) continue;
                int at = spans++;
                for (; at > 0 && from[at - 1] > x0; --at) from[at] = from[at - 1], to[at] = to[at - 1];
                from[at] = x0, to[at] = x1;
            }
        }
        for (int k = 0; k < spans;) {
            const int32_t x0 = from[k];
            int32_t x1 = to[k];
            for (++k; k < spans && from[k] <= x1; ++k) x1 = std::max(x1, to[k]);
            const uint32_t first = uint32_t(y) * 100 + uint32_t(x0), length = uint32_t(x1 - x0);
            for (uint32_t j = 0; j < length; j += 8) Store(out + n + j, step + (first + j));  // may spill past, rewritten next
            n += length;
        }
    }
    return n;
}

// ---- the cases, each checked against the product ----

using namespace std::string_literals;

[[noreturn]] void Disagree(const std::string& what) {
    std::fprintf(stderr, "yardstick \"%s\" does not compute the kernel's pixels\n", what.c_str());
    std::abort();
}

const Pixels& ThePixels() {
    static const Pixels pixels;
    return pixels;
}

// Registers rule as a yardstick after checking that its pixels are the
// instruction's on the picture raster, and the instruction against it.
template <class Case>
void Register(const std::string& name, const std::string& rule, std::shared_ptr<AbstractRasterFunction> f,
              std::shared_ptr<Case> c, void (*body)(const Case&, const Pixels&, uint32_t*)) {
    auto raster = PictureRaster(false);
    ApplyOnce(*raster, *f);
    std::vector<uint32_t> out(10000 + 8);
    body(*c, ThePixels(), out.data());
    if (std::memcmp(out.data(), raster->WorkingCanvas().data(), 40000) != 0) Disagree(rule);
    RegisterYardstick(rule, [c, body](benchmark::State& state) {
        std::vector<uint32_t> pixels(10000);
        for (auto _ : state) {
            body(*c, ThePixels(), pixels.data());
            benchmark::DoNotOptimize(pixels.data());
            benchmark::ClobberMemory();
        }
    });
    RegisterKernel(name, rule, Apply(f, false));
    RegisterKernel(name + ", half selected", rule, Apply(f, true));
}

int32_t Int(const AbstractRasterFunction& f, const char* name) { return f.GetValue(name).AsInt32(); }
float Float(const AbstractRasterFunction& f, const char* name) { return float(f.GetValue(name).AsInt32()); }
float Half(const AbstractRasterFunction& f, const char* name) { return float(f.GetValue(name).AsUInt32()) * 0.5f; }
Color ColourOf(const AbstractRasterFunction& f, const char* prefix) {
    auto c = [&](const char* channel) { return f.GetValue((prefix + "_"s + channel).c_str()).AsUInt8(); };
    return Color(c("Red"), c("Green"), c("Blue"), c("Alpha"));
}

#define COLOUR1 {"Color1_Red", U8(255)}, {"Color1_Green", U8(40)}, {"Color1_Blue", U8(0)}, {"Color1_Alpha", U8(200)}

std::shared_ptr<ShapeCase> ShapeOf(const AbstractRasterFunction& f, int points) {
    auto c = std::make_shared<ShapeCase>();
    const char* names[3][2] = {{"Point1_X", "Point1_Y"}, {"Point2_X", "Point2_Y"}, {"Point3_X", "Point3_Y"}};
    for (int k = 0; k < points; ++k) c->p[k][0] = Float(f, names[k][0]), c->p[k][1] = Float(f, names[k][1]);
    c->h = Half(f, "Line_Thickness");
    c->infill = f.GetValue("Infill_Shape").AsInt32() != 0;
    c->colour = ColourOf(f, "Color1");
    return c;
}

void RegisterShapes() {
    std::shared_ptr<AbstractRasterFunction> gradient = With<GradientRasterFunction>(
        {{"Color1_Red", U8(255)}, {"Color1_Green", U8(0)}, {"Color1_Blue", U8(0)}, {"Color1_Alpha", U8(255)},
         {"Color2_Red", U8(0)}, {"Color2_Green", U8(0)}, {"Color2_Blue", U8(255)}, {"Color2_Alpha", U8(100)},
         {"Point1_X", I32(10)}, {"Point1_Y", I32(20)}, {"Point2_X", I32(90)}, {"Point2_Y", I32(70)}});
    auto g = std::make_shared<GradientCase>(GradientCase{Float(*gradient, "Point1_X"), Float(*gradient, "Point1_Y"),
                                                         Float(*gradient, "Point2_X"), Float(*gradient, "Point2_Y"),
                                                         ColourOf(*gradient, "Color1"), ColourOf(*gradient, "Color2")});
    Register("Gradient", "gradient rule 10,000 pixels", gradient, g, GradientRule);

    std::shared_ptr<AbstractRasterFunction> line = With<LineRasterFunction>(
        {COLOUR1, {"Point1_X", I32(3)}, {"Point1_Y", I32(5)}, {"Point2_X", I32(95)}, {"Point2_Y", I32(80)}, {"Line_Thickness", U32(10)}});
    auto lineCase = ShapeOf(*line, 2);
    lineCase->infill = false;
    Register("Line, thickness 10", "line rule 10,000 pixels", line, lineCase, LineRule);

    std::shared_ptr<AbstractRasterFunction> rectangle = With<ShapeRectRasterFunction>(
        {COLOUR1, {"Point1_X", I32(10)}, {"Point1_Y", I32(10)}, {"Point2_X", I32(90)}, {"Point2_Y", I32(80)},
         {"Line_Thickness", U32(10)}, {"Infill_Shape", I32(1)}});
    Register("Rectangle, filled", "rectangle rule 10,000 pixels", rectangle, ShapeOf(*rectangle, 2), RectangleRule);

    std::shared_ptr<AbstractRasterFunction> circle = With<ShapeCircleRasterFunction>(
        {COLOUR1, {"Point1_X", I32(50)}, {"Point1_Y", I32(50)}, {"Circle_Radius", U32(40)}, {"Line_Thickness", U32(10)},
         {"Infill_Shape", I32(1)}});
    auto circleCase = ShapeOf(*circle, 1);
    circleCase->radius = float(circle->GetValue("Circle_Radius").AsUInt32());
    Register("Circle, filled", "circle rule 10,000 pixels", circle, circleCase, CircleRule);

    std::shared_ptr<AbstractRasterFunction> triangle = With<ShapeTriangleRasterFunction>(
        {COLOUR1, {"Point1_X", I32(2)}, {"Point1_Y", I32(3)}, {"Point2_X", I32(97)}, {"Point2_Y", I32(20)},
         {"Point3_X", I32(40)}, {"Point3_Y", I32(96)}, {"Line_Thickness", U32(10)}, {"Infill_Shape", I32(1)}});
    auto triangleCase = ShapeOf(*triangle, 3);
    const RasterPolygon vertices{{Int(*triangle, "Point1_X"), Int(*triangle, "Point1_Y")},
                                 {Int(*triangle, "Point2_X"), Int(*triangle, "Point2_Y")},
                                 {Int(*triangle, "Point3_X"), Int(*triangle, "Point3_Y")}};
    for (int32_t i = 0; i < 10000; ++i) triangleCase->inside[i] = IsPointInPolygon(vertices, i % 100, i / 100) ? -1 : 0;
    Register("Triangle, filled", "triangle rule 10,000 pixels", triangle, triangleCase, TriangleRule);
}

// The selected set of a rebuild as row spans, checked to be one span a row
// (or none) and to list, written out, exactly the product's indices.
std::shared_ptr<Spans> SpansOf(const std::vector<RasterPolygon>& polygons, const std::string& rule) {
    SelectableRaster raster(100, 100);
    raster.ClearSelection();
    raster.AddSelectionPolygons(polygons);
    const std::vector<uint32_t>& selected = raster.SelectedIndices();
    auto spans = std::make_shared<Spans>();
    for (int y = 0; y < 100; ++y) spans->x0[y] = spans->x1[y] = 0;
    for (const uint32_t i : selected) {
        const int32_t y = int32_t(i / 100), x = int32_t(i % 100);
        if (spans->x1[y] == spans->x0[y]) spans->x0[y] = x, spans->x1[y] = x;
        if (x != spans->x1[y]) Disagree(rule);  // not one span
        spans->x1[y] = x + 1;
    }
    std::vector<uint32_t> out(10000 + 8);
    if (IndexRule(*spans, out.data()) != selected.size() ||
        std::memcmp(out.data(), selected.data(), selected.size() * sizeof(uint32_t)) != 0)
        Disagree(rule);
    return spans;
}

void RegisterRebuild(const std::string& name, const std::vector<RasterPolygon>& polygons) {
    const std::string rule = "index list from row spans, " + name;
    std::shared_ptr<Spans> spans = SpansOf(polygons, rule);
    RegisterYardstick(rule, [spans](benchmark::State& state) {
        std::vector<uint32_t> out(10000 + 8);
        for (auto _ : state) {
            benchmark::DoNotOptimize(IndexRule(*spans, out.data()));
            benchmark::ClobberMemory();
        }
    });
    const std::string fill = "scanline fill, " + name;
    {
        std::vector<uint32_t> out(10000 + 8);
        out.resize(ScanlineRule(polygons, out.data()));
        SelectableRaster raster(100, 100);
        raster.ClearSelection();
        raster.AddSelectionPolygons(polygons);
        if (out != raster.SelectedIndices()) Disagree(fill);
    }
    RegisterYardstick(fill, [polygons](benchmark::State& state) {
        std::vector<uint32_t> out(10000 + 8);
        for (auto _ : state) {
            benchmark::DoNotOptimize(ScanlineRule(polygons, out.data()));
            benchmark::ClobberMemory();
        }
    });
    // One kernel, tabled beside each yardstick.
    const BenchBody rebuild = [polygons](benchmark::State& state) {
        SelectableRaster raster(100, 100);
        for (auto _ : state) {
            raster.ClearSelection();
            raster.AddSelectionPolygons(polygons);
            benchmark::DoNotOptimize(raster.SelectedIndices().data());
        }
    };
    RegisterKernel("selection rebuild from the polygon: " + name, fill, rebuild);
    RegisterKernel("selection rebuild: " + name, rule, rebuild);
}

const bool kRegistered = [] {
    RegisterShapes();
    RegisterRebuild("pentagon", {kPentagon});
    RegisterRebuild("two boxes", {{{0, 0}, {0, 60}, {70, 60}, {70, 0}}, {{30, 40}, {30, 100}, {100, 100}, {100, 40}}});
    return true;
}();

}  // namespace
