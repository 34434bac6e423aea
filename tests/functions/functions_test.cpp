// The instructions, by their rules:
//   [SECTION] Worked values: selections, Fill, Gradient, the shapes, layers and
//             compositing, seeding, HSL Modify and the blur offsets, each a row
//             whose expected pixels come from the rule.
//   [SECTION] Literal sweep: every fast path against a plain reading of its rule.
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <numeric>
#include <random>
#include <set>
#include <sstream>

#include "functions/default_queues.h"
#include "functions/filter_support.h"
#include "functions/fragmentation_blur.h"
#include "functions/function_catalogue.h"
#include "functions/hsl_modify.h"
#include "functions/motion_blur.h"
#include "functions/polygon_selection.h"
#include "functions/shape_geometry.h"
#include "raster/hsl.h"
#include "project/project_file.h"
#include "support/test_support.h"

namespace {

// ---- [SECTION] Worked values ------------------------------------------------

class WorkedValuesTest : public CoreTest {};

// Catalogue type identifiers 0 .. 18.
enum : uint32_t { kClear, kFill, kPolygon, kRect, kGradient, kLine, kShapeRect, kCircle, kTriangle, kMotion,
                  kGaussian, kFragments, kHsl, kCrystal, kSetSeed, kDilate, kErode, kSelectLayer, kCreateLayer };
constexpr Color kRed{255, 0, 0, 255}, kBlue{0, 0, 255, 255}, kBlack{0, 0, 0, 255}, kHalfRed{255, 126, 126, 255};

// An instruction of the type: its prototype's defaults, then `values` for the
// layout's parameters in layout order, then the named values.
std::unique_ptr<AbstractRasterFunction> I(uint32_t type, std::vector<double> values = {}, Params named = {}) {
    auto f = FindPrototypeByTypeId(type)->Clone();
    size_t k = 0;
    for (const ParamLayoutEntry& e : f->GetParameterLayout())
        if (!IsLayoutOnly(e.kind) && k < values.size()) f->SetValue(e.name, KindValue(e.kind, values[k++]));
    for (const auto& [name, value] : named) f->SetValue(name, value);
    return f;
}
// A shape in opaque red: the values after the colour.
InstructionList Red(uint32_t type, std::vector<double> v) { v.insert(v.begin(), {255, 0, 0, 255}); return Queue(I(type, v)); }

using Where = std::function<bool(int x, int y)>;
// The inclusive box, without its inner part `inset` pixels in from the edge when inset > 0.
Where Box(int x0, int y0, int x1, int y1, int inset = 0) {
    auto in = [=](int x, int y, int k) { return x >= x0 + k && x <= x1 - k && y >= y0 + k && y <= y1 - k; };
    return [=](int x, int y) { return in(x, y, 0) && !(inset > 0 && in(x, y, inset)); };
}
// The image is c exactly where `where` holds (without it: wherever it is c)
// and white elsewhere, with `count` pixels of c.
::testing::AssertionResult Region(const PixelBuffer& image, Color c, size_t count, Where where = {}) {
    for (int i = 0; i < 10000; ++i)
        if (image[i] != ((where ? where(i % 100, i / 100) : image[i] == c) ? c : kOpaqueWhite))
            return ::testing::AssertionFailure() << "at (" << i % 100 << ", " << i / 100 << "): " << std::hex << image[i].Word();
    return CountPixels(image, c) == count ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << CountPixels(image, c) << " pixels of the colour";
}
::testing::AssertionResult Region(const InstructionList& queue, Color c, size_t count, Where where = {}) {
    return Region(Render(queue)->CompositeCanvas(), c, count, where);
}

TEST_F(WorkedValuesTest, SelectionsFillAndGradient) {
    // Membership is half-open: a box's larger coordinates name the first column and row past it.
    auto red = [] { return I(kFill, {255, 0, 0, 255}); };  // Rect selection: mode, start x, y, end x, y
    EXPECT_TRUE(Region(Queue(I(kRect, {0, 0, 0, 50, 100}), red()), kRed, 5000, Box(0, 0, 49, 99)));
    EXPECT_TRUE(Region(Queue(I(kRect, {0, 30, 40, 10, 20}), red()), kRed, 400, Box(10, 20, 29, 39)));
    EXPECT_TRUE(Region(Queue(I(kRect, {0, 7, 7, 7, 7}), red()), kRed, 0));
    for (double far : {100.0, 200.0, 2e9}) EXPECT_TRUE(Region(Queue(I(kRect, {0, -far, -far, far, far}), red()), kRed, 10000)) << far;
    EXPECT_TRUE(Region(Queue(I(kRect, {1, 0, 0, 10, 10}), red()), kRed, 100, Box(0, 0, 9, 9)));  // added to everything
    EXPECT_TRUE(Region(Queue(I(kRect, {0, 0, 0, 10, 10}), I(kRect, {0, 20, 0, 30, 10}), red()), kRed, 100, Box(20, 0, 29, 9)));
    EXPECT_TRUE(Region(Queue(I(kRect, {0, 0, 0, 10, 10}), I(kRect, {1, 5, 5, 15, 15}), red()), kRed, 175,
                       [](int x, int y) { return Box(0, 0, 9, 9)(x, y) || Box(5, 5, 14, 14)(x, y); }));
    EXPECT_TRUE(Region(Queue(I(kRect, {0, 0, 0, 10, 10}), I(kClear), red()), kRed, 10000));
    // Polygon selection: mode, then the points. Degenerate polygons select nothing; a polygon from a
    // file may have fewer or more vertices (a gap ends the list); self-crossing ones go by parity.
    EXPECT_TRUE(Region(Queue(I(kPolygon, {0, 25, 71, 61, 17, 80, 85}), red()), kRed, 1746));
    EXPECT_TRUE(Region(Queue(I(kPolygon, {0, 80, 85, 61, 17, 25, 71}), red()), kRed, 1746));
    for (const std::vector<double>& p : {std::vector<double>{0, 500, 500, 500, 600, 600, 600}, {0}, {0, 10, 10, 50, 50, 90, 90}, {0, 10, 10, 10, 60, 10, 30}})
        EXPECT_TRUE(Region(Queue(I(kPolygon, p), red()), kRed, 0)) << p.size();
    EXPECT_TRUE(Region(Queue(Make<PolygonSelectionRasterFunction>(), red()), kRed, 0));
    EXPECT_TRUE(Region(Queue(Make<PolygonSelectionRasterFunction>({{"Point1_X", I32(5)}, {"Point1_Y", I32(5)}}), red()), kRed, 0));
    EXPECT_TRUE(Region(Queue(Make<PolygonSelectionRasterFunction>({{"Point1_X", I32(9)}, {"Point1_Y", I32(9)}, {"Point2_X", I32(60)}, {"Point2_Y", I32(9)}}), red()), kRed, 0));
    EXPECT_TRUE(Region(Queue(I(kPolygon, {0, 30, 20, 30, 40, 10, 40}, {{"Point4_X", I32(10)}, {"Point4_Y", I32(20)}, {"Point6_X", I32(99)}}), red()), kRed, 400, Box(10, 20, 29, 39)));
    const PixelBuffer bowTie = Render(Queue(I(kPolygon, {0, 0, 0, 20, 20, 20, 0}, {{"Point4_X", I32(0)}, {"Point4_Y", I32(20)}}), red()))->CompositeCanvas();
    EXPECT_TRUE(bowTie[1002] == kRed && bowTie[1017] == kRed && bowTie[210] == kOpaqueWhite);  // (2, 10), (17, 10), (10, 2)
    // v = (r.x - q.x)(q.y - p.y) - (q.x - p.x)(r.y - q.y): 0 within 0.001, 2 when positive, else 1.
    EXPECT_TRUE(Orient({0, 0}, {1, 0}, {2, 0.0005f}) == 0 && Orient({0, 0}, {1, 0}, {2, 0.002f}) == 1 && Orient({0, 0}, {1, 0}, {2, -1}) == 2);
    EXPECT_TRUE(Region(Queue(I(kFill)), kOpaqueWhite, 10000));
    EXPECT_TRUE(Region(Queue(I(kRect, {0, 10, 20, 30, 40}), I(kFill, {255, 0, 0, 128})), kHalfRed, 400, Box(10, 20, 29, 39)));
    EXPECT_TRUE(Region(Queue(I(kFill, {1, 2, 3, 255}), I(kFill, {200, 100, 50, 0})), Color(1, 2, 3, 255), 10000));
    // The editor's start-up queue: a red left half under a blue triangle of 1,746 pixels.
    const PixelBuffer start = Render(MakeDefaultQueue())->CompositeCanvas();
    for (int i = 0; i < 10000; ++i)
        ASSERT_EQ(start[i], IsPointInPolygon({{25, 71}, {61, 17}, {80, 85}}, i % 100, i / 100) ? kBlue : i % 100 < 50 ? kRed : kOpaqueWhite) << i;
    EXPECT_EQ(CountPixels(start, kBlue), 1746u);

    // Gradient: colour 1 RGBA, point 1, colour 2 RGBA, point 2; bands across the line, the row makes no difference.
    const PixelBuffer grey = Render(Queue(I(kGradient, {0, 0, 0, 255, 0, 0, 255, 255, 255, 255, 10, 0})))->CompositeCanvas();
    for (const auto& [x, v] : {std::pair{0, 0}, {1, 25}, {5, 127}, {9, 229}, {10, 255}, {20, 255}})
        for (int y : {0, 37, 99}) EXPECT_EQ(grey[y * 100 + x], Color(v, v, v, 255)) << x << "," << y;
    const PixelBuffer ramp = Render(Queue(I(kGradient, {255, 0, 0, 0, 0, 0, 0, 0, 255, 255, 10, 0})))->CompositeCanvas();
    EXPECT_TRUE(ramp[0] == kOpaqueWhite && ramp[5] == Color(127, 127, 255, 255) && ramp[10] == kBlue);  // no colour from a transparent end
    EXPECT_TRUE(Region(Queue(I(kGradient, {0, 0, 0, 255, 5, 5, 255, 255, 255, 255, 5, 5})), kBlack, 600, Box(0, 0, 99, 5)));
    EXPECT_TRUE(Region(Queue(I(kRect, {0, 0, 0, 4, 100}), I(kGradient, {0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 99, 0})), kBlack, 400, Box(0, 0, 3, 99)));
}

TEST_F(WorkedValuesTest, Shapes) {
    for (uint32_t type : {kLine, kShapeRect, kCircle, kTriangle}) EXPECT_TRUE(Region(Queue(I(type)), kOpaqueWhite, 10000)) << type;
    // Line: point 1, point 2, thickness.
    EXPECT_TRUE(Region(Red(kLine, {10, 10, 20, 10, 1}), kRed, 11, Box(10, 10, 20, 10)));
    for (double t : {2.0, 3.0}) EXPECT_TRUE(Region(Red(kLine, {10, 10, 20, 10, t}), kRed, 33, Box(10, 9, 20, 11))) << t;
    EXPECT_TRUE(Region(Red(kLine, {30, 5, 30, 40, 5}), kRed, 180, Box(28, 5, 32, 40)));  // flat ends
    EXPECT_TRUE(Region(Red(kLine, {10, 10, 20, 20, 1}), kRed, 11, [](int x, int y) { return x == y && x >= 10 && x <= 20; }));
    EXPECT_TRUE(Region(Red(kLine, {10, 10, 10, 10}), kRed, 1, Box(10, 10, 10, 10)));
    // Rectangle: corner 1, corner 2, infill, thickness.
    EXPECT_TRUE(Region(Red(kShapeRect, {20, 20, 10, 10, 0, 1}), kRed, 40, Box(10, 10, 20, 20, 1)));
    EXPECT_TRUE(Region(Red(kShapeRect, {20, 20, 10, 10, 1, 1}), kRed, 121, Box(10, 10, 20, 20)));
    for (double t : {2.0, 3.0}) EXPECT_TRUE(Region(Red(kShapeRect, {10, 10, 20, 20, 0, t}), kRed, 120, Box(9, 9, 21, 21, 3))) << t;
    EXPECT_TRUE(Region(Red(kShapeRect, {50, 50, 50, 50, 0, 5}), kRed, 25, Box(48, 48, 52, 52)));
    // Circle: centre, radius, infill, thickness.
    EXPECT_TRUE(Region(Red(kCircle, {50, 50, 10, 0, 1}), kRed, 56));
    EXPECT_TRUE(Region(Red(kCircle, {50, 50, 10, 1, 1}), kRed, 349));
    EXPECT_TRUE(Region(Red(kCircle, {50, 50, 1, 0, 1}), kRed, 8, Box(49, 49, 51, 51, 1)));
    // Triangle: three points, infill, thickness; any vertex order; collinear or coincident points draw nothing.
    const Where triangle = [](int x, int y) { return x >= 10 && y >= 10 && x + y <= 60; };
    EXPECT_TRUE(Region(Red(kTriangle, {10, 10, 50, 10, 10, 50, 0, 1}), kRed, 120,
                       [&](int x, int y) { return triangle(x, y) && (x == 10 || y == 10 || x + y == 60); }));
    for (double x : {10.0, 50.0}) EXPECT_TRUE(Region(Red(kTriangle, {x, 60 - x, 60 - x, x, 10, 10, 1, 1}), kRed, 861, triangle)) << x;
    for (double p : {0.0, 1.0}) EXPECT_TRUE(Region(Red(kTriangle, {10 * p, 10 * p, 30 * p, 30 * p, 50 * p, 50 * p, 1, 1}), kRed, 0)) << p;
    // Half-transparent, within a selection.
    EXPECT_TRUE(Region(Queue(I(kRect, {0, 0, 0, 15, 100}), I(kShapeRect, {255, 0, 0, 128, 10, 10, 20, 20, 1, 1})), kHalfRed, 55, Box(10, 10, 14, 20)));
}

TEST_F(WorkedValuesTest, LayersCompositingAndSeeds) {
    const auto empty = Render({}), single = Render(Queue(I(kFill, {255, 0, 0, 128})));
    EXPECT_TRUE(Region(empty->CompositeCanvas(), kOpaqueWhite, 10000) && empty->IsChanged());
    EXPECT_TRUE(Region(single->CompositeCanvas(), kHalfRed, 10000) && single->CompositeCanvas() == single->Layer(0));
    // Straight half-transparent red on layer 1, composited over white.
    const auto two = Render(Queue(I(kCreateLayer), I(kSelectLayer, {1}), I(kRect, {0, 10, 10, 20, 20}), I(kFill, {255, 0, 0, 128})));
    EXPECT_TRUE(Region(two->CompositeCanvas(), kHalfRed, 100, Box(10, 10, 19, 19)) && two->Layer(1)[1515] == Color(255, 0, 0, 128));
    const auto unswitched = Render(Queue(I(kCreateLayer), I(kFill, {0, 0, 255, 255})));  // Create Layer does not switch
    EXPECT_TRUE(Region(unswitched->CompositeCanvas(), kBlue, 10000) && CountPixels(unswitched->Layer(1), kTransparentBlack) == 10000);
    EXPECT_TRUE(Region(Queue(I(kCreateLayer), I(kSelectLayer, {1}), I(kFill, {9, 9, 9, 0})), kOpaqueWhite, 10000));
    EXPECT_EQ(Render(Queue(I(kSelectLayer, {4})))->CurrentLayerIndex(), 0u);  // clamped to the layers in use
    EXPECT_EQ(Render(Queue(I(kCreateLayer), I(kCreateLayer), I(kSelectLayer, {5})))->CurrentLayerIndex(), 2u);
    EXPECT_EQ(Render(Queue(I(kCreateLayer), I(kSelectLayer, {1e12})))->CurrentLayerIndex(), 1u);
    // Layers live for one generation; their buffers stay, cleared, for reuse.
    SelectableRaster raster(100, 100);
    Generate(raster, Queue(I(kCreateLayer), I(kCreateLayer), I(kCreateLayer), I(kSelectLayer, {1}), I(kFill, {0, 0, 255, 255})));
    EXPECT_TRUE(raster.LayerCount() == 4 && CountPixels(raster.CompositeCanvas(), kBlue) == 10000);
    Generate(raster, Queue(I(kCreateLayer), I(kRect, {0, 0, 0, 10, 10}), I(kFill, {255, 0, 0, 255})));
    EXPECT_TRUE(raster.LayerCount() == 2 && raster.CurrentLayerIndex() == 0 && raster.LayerBufferCount() == 4);
    EXPECT_TRUE(Region(raster.CompositeCanvas(), kRed, 100, Box(0, 0, 9, 9)));
    for (uint32_t layer = 1; layer < 4; ++layer) EXPECT_EQ(CountPixels(raster.Layer(layer), kTransparentBlack), 10000u);
    // A generation stopped after its first new layer leaves a whole white composite, and the next one composites.
    SelectableRaster stopped(100, 100);
    const InstructionList layered = Queue(I(kCreateLayer), I(kSelectLayer, {1}), I(kFill, {0, 0, 255, 255}));
    EXPECT_FALSE(Generate(stopped, layered, [](size_t done, size_t) { return done < 1; }));
    EXPECT_EQ(CountPixels(stopped.CompositeCanvas(), kOpaqueWhite), 10000u);
    EXPECT_TRUE(Generate(stopped, layered) && CountPixels(stopped.CompositeCanvas(), kBlue) == 10000);

    // Seed 0's first output 2357136044 makes red 0 + nearest(0.54881352 * 255) = 140; the second, 151.
    auto randomRed = [] { auto fill = I(kFill, {0}); Randomise(*fill, "Color_Red", I32(0), I32(255)); return fill; };
    const Color first(140, 255, 255, 255), second(151, 255, 255, 255);
    for (uint32_t type : {kSetSeed, kDilate, kErode}) {
        ReseedParameterRng(999);  // whatever the generator held before
        EXPECT_TRUE(Region(Queue(I(type, {4294967296.0}), randomRed()), first, 10000)) << type;  // low 32 bits: 0
    }
    auto seed = I(kSetSeed, {0});
    Randomise(*seed, "Seed", I32(0), I32(0));  // drawn before the reseeding: still 0
    EXPECT_TRUE(Region(Queue(std::move(seed), randomRed()), first, 10000));
    const InstructionList unseeded = Queue(randomRed());  // without a seed generations continue the sequence
    ReseedParameterRng(0);
    for (const Color expected : {first, second}) { Generate(raster, unseeded); EXPECT_EQ(CountPixels(raster.CompositeCanvas(), expected), 10000u); }
    EXPECT_TRUE(Region(Queue(I(kDilate, {3}), I(kErode, {4})), kOpaqueWhite, 10000));
}

TEST_F(WorkedValuesTest, HslModifyAndBlurOffsets) {
    const HslColor orange = RgbToHsl({255, 128, 0, 255}), dark = RgbToHsl({40, 10, 20, 255}), grey = RgbToHsl({77, 77, 77, 255});
    EXPECT_TRUE(std::fabs(orange.h - 30.1176f) < 1e-3f && orange.s == 1 && orange.l == 0.5f) << orange.h;  // red tested first
    EXPECT_TRUE(std::fabs(dark.h - 340) < 1e-3f && std::fabs(dark.s - 0.6f) < 1e-6f && grey.h == 0 && grey.s == 0) << dark.h << " " << dark.s;
    auto apply = [](const AbstractRasterFunction& f, const PixelBuffer& picture) {  // to a layer holding the picture
        SelectableRaster raster(100, 100);
        for (uint32_t i = 0; i < 10000; ++i) raster.SetPixel(int32_t(i), picture[i]);
        raster.CommitWorkingCanvas(), raster.LoadWorkingCanvas(), f.GetFunction()(&raster, &f);
        return raster.WorkingCanvas();
    };
    auto modify = [&](Color c, double hue, double saturation = 100, double light = 0) {
        return apply(*I(kHsl, {hue, saturation, light}), PixelBuffer(10000, c))[4321];
    };
    for (Color c : {kRed, Color(0, 255, 0, 255), kBlue, kBlack, kOpaqueWhite, Color(128, 128, 128, 255), Color(77, 77, 77, 10),
                    Color(255, 255, 0, 255), Color(0, 255, 255, 255), Color(255, 0, 255, 0)})
        EXPECT_EQ(modify(c, 0), c) << std::hex << c.Word();
    for (double hue : {120.0, 480.0, -600.0, 840.0, 360120.0}) EXPECT_EQ(modify(kRed, hue), Color(0, 255, 0, 255)) << hue;
    EXPECT_TRUE(modify(kRed, -120) == kBlue && modify(Color(0, 0, 255, 200), 120) == Color(255, 0, 0, 200) &&
                modify(kRed, 0, 200) == kRed);  // saturation stops at 1
    // Values only a file can hold: no angle reads as 0, the rest clamp.
    const Color odd(30, 140, 90, 77);
    for (double hue : {double(NAN), double(INFINITY), -double(INFINITY)}) EXPECT_EQ(modify(odd, hue), modify(odd, 0));
    EXPECT_TRUE(modify(odd, FLT_MAX).a == 77 && modify(odd, 0, 4294967295.0) == modify(odd, 0, 1000000));
    EXPECT_TRUE(modify(odd, 0, 100, INT_MIN) == Color(0, 0, 0, 77) && modify(odd, 0, 100, INT_MAX) == Color(255, 255, 255, 77));
    // Over scattered colours the identity loses at most one unit per channel, and
    // no saturation gives grey trunc(L * 255); alpha stays.
    PixelBuffer picture(10000);
    for (uint32_t i = 0; i < 10000; ++i) picture[i] = Color::FromWord(i * 2654435761u);
    const PixelBuffer same = apply(*I(kHsl), picture), greys = apply(*I(kHsl, {33, 0, 0}), picture);
    auto lower = [](int before, int after) { return after == before || after == before - 1; };
    for (size_t i = 0; i < 10000; ++i) {
        const Color c = picture[i], s = same[i];
        const uint8_t v = uint8_t((std::min({c.r, c.g, c.b}) / 255.0f + std::max({c.r, c.g, c.b}) / 255.0f) * 0.5f * 255.0f);
        ASSERT_TRUE(lower(c.r, s.r) && lower(c.g, s.g) && lower(c.b, s.b) && s.a == c.a && greys[i] == Color(v, v, v, c.a)) << i;
    }
    using Set = std::set<std::pair<int32_t, int32_t>>;
    EXPECT_EQ(MotionBlurOffsets(0, 1), (Set{{0, -1}, {0, 0}, {0, 1}}));
    EXPECT_EQ(MotionBlurOffsets(45, 1), (Set{{0, 0}}));
    EXPECT_EQ(MotionBlurOffsets(90, 2), (Set{{-2, 0}, {-1, 0}, {0, 0}, {1, 0}, {2, 0}}));
    EXPECT_EQ(FragmentationOffsets(4, 5, 0), (std::vector<std::pair<int32_t, int32_t>>{{0, 5}, {-5, 0}, {0, -5}, {5, 0}}));
}

// ---- [SECTION] Literal sweep -------------------------------------------------
//
// Every fast path against a plain reading of its rule, over a fixed-seed sweep
// of random queues: random instructions with random, sometimes randomised and
// sometimes hostile parameters (huge distances and positions, NaN and
// infinite angles and spreads, cell sizes below 1, far-out polygons,
// degenerate triangles), over several layers. Each queue is generated by
// Generate and by a literal generation in which
//   selections   are checked, pixel by pixel, against IsPointInPolygon;
//   Fill         blends every selected pixel (no cache of repeated colours);
//   the blurs    read every sample clamped and sum it pixel by pixel;
//   Crystallize  visits every point of the 3 x 3 cells, the distance in double;
//   the others   read their parameters once each in their stated order; the
//                painting ones are applied to the whole raster and keep only
//                the selected pixels;
//   compositing  blends layer over layer.
// Values only a hand-made file can hold are read as the classes document:
// no distance, fragments or cell size changes nothing; blur distances above
// 1000 read as 1000, cells beyond the raster's reach of 100 as 100,
// fragments above 1000 as 1000,
// densities above 10 as 10; infinite or NaN angles and spreads as 0.

struct Sample { int64_t dx, dy; float weight; };

int64_t Nearest(float v) { return std::llround(v); }  // halves away from zero
float Finite(float v) { return std::isfinite(v) ? v : 0.0f; }

// Sets each listed pixel to the alpha-weighted average of the committed pixels
// at its position plus each sample's offset, every read clamped to the
// raster's edge, summed in the samples' order.
void Average(SelectableRaster& raster, const std::vector<uint32_t>& pixels, const std::vector<Sample>& samples) {
    for (const uint32_t i : pixels) {
        float r = 0, g = 0, b = 0, w = 0;
        for (const Sample& s : samples) {
            const Color c = raster.GetPixelAt(int32_t(std::clamp<int64_t>(i % 100 + s.dx, -1, 100)), int32_t(std::clamp<int64_t>(i / 100 + s.dy, -1, 100)), false);
            const float a = float(c.a) / 255.0f;
            r += float(c.r) / 255.0f * a * s.weight, g += float(c.g) / 255.0f * a * s.weight, b += float(c.b) / 255.0f * a * s.weight, w += a * s.weight;
        }
        auto channel = [](float v) { return uint8_t(std::min(v, 255.0f)); };
        raster.SetPixel(int32_t(i), w == 0 ? kTransparentBlack : Color(channel(r / w * 255.0f), channel(g / w * 255.0f), channel(b / w * 255.0f), channel(w * 255.0f)));
    }
}

void LiteralMotionBlur(SelectableRaster& raster, const AbstractRasterFunction& f) {
    (void)f.GetValue("Point1_Y"), (void)f.GetValue("Point1_X");
    const float angle = Finite(f.GetValue("Angle").AsFloat()) * 0.017453292f, s = std::sin(angle), c = std::cos(angle);
    const uint32_t distance = std::min(f.GetValue("Distance").AsUInt32(), 1000u);
    std::set<std::pair<int64_t, int64_t>> line;  // distinct offsets, ascending
    for (float t = 0; t < float(distance); t += 0.5f) line.emplace(Nearest(-t * s), Nearest(t * c)), line.emplace(Nearest(t * s), Nearest(-t * c));
    std::vector<Sample> samples;
    for (const auto& [dx, dy] : line) samples.push_back({dx, dy, 1.0f / float(line.size())});
    if (distance > 0) Average(raster, raster.SelectedIndices(), samples);
}

void LiteralGaussianBlur(SelectableRaster& raster, const AbstractRasterFunction& f) {
    const int64_t d = std::min(f.GetValue("Distance").AsUInt32(), 1000u);
    auto bell = [d](int64_t o) { return std::exp(-0.5f * ((float(o) / float(d)) * (float(o) / float(d)))); };
    float sum = 0;
    for (int64_t o = -d; o <= d; ++o) sum += bell(o);
    std::vector<Sample> vertical, horizontal;
    for (int64_t o = -d; o <= d; ++o) vertical.push_back({0, o, bell(o) / sum}), horizontal.push_back({o, 0, bell(o) / sum});
    std::vector<uint32_t> all(10000);
    std::iota(all.begin(), all.end(), 0u);
    if (d == 0) return;
    Average(raster, all, vertical);  // every pixel, then the selected ones from that
    raster.BeginPass();
    Average(raster, raster.SelectedIndices(), horizontal);
}

void LiteralFragmentationBlur(SelectableRaster& raster, const AbstractRasterFunction& f) {
    const uint32_t fragments = std::min(f.GetValue("Fragments").AsUInt32(), 1000u);
    const float d = float(f.GetValue("Distance").AsUInt32()), phi = Finite(f.GetValue("Rotational_Offset").AsFloat());
    std::vector<Sample> ring;
    for (uint32_t k = 0; k < fragments; ++k) {
        const float alpha = (float(k) * (360.0f / float(fragments)) + phi) * 0.017453292f;
        ring.push_back({Nearest(-d * std::sin(alpha)), Nearest(d * std::cos(alpha)), 1.0f / float(fragments)});
    }
    if (fragments > 0 && d > 0) Average(raster, raster.SelectedIndices(), ring);
}

void LiteralCrystallize(SelectableRaster& raster, const AbstractRasterFunction& f) {
    const int32_t cells = std::min(f.GetValue("Crystal_Size").AsInt32(), 100);
    const uint32_t density = std::min(f.GetValue("Crystal_Density").AsUInt32(), 10u);
    const float sx = Finite(f.GetValue("Crystal_Density_SpreadX").AsFloat()), sy = Finite(f.GetValue("Crystal_Density_SpreadY").AsFloat());
    if (cells < 1) return;
    const float size = float(cells);
    parameterRng().discard(uint64_t(cells));
    const int g = std::max(int(100.0f / size), 1) + 2;
    struct Point { double x, y; Color colour; };
    std::vector<std::vector<Point>> grid(size_t(g * g));
    for (int cell = 0; cell < g * g; ++cell) {  // row by row
        const float r1 = DrawUnitFloat(), r2 = DrawUnitFloat();
        const float x = (float(cell % g - 1) * size + size / 2) + (r1 * size - size / 2), y = (float(cell / g - 1) * size + size / 2) + (r2 * size - size / 2);
        const Color colour = raster.GetPixelAt(int32_t(Nearest(x)), int32_t(Nearest(y)), false);
        grid[size_t(cell)].push_back({std::round(x), std::round(y), colour});
        for (uint32_t k = 0; k < density; ++k) {
            const float r3 = DrawUnitFloat(), r4 = DrawUnitFloat();
            grid[size_t(cell)].push_back({std::round(x + (r3 * sx - sx / 2)), std::round(y + (r4 * sy - sy / 2)), colour});
        }
    }
    for (const uint32_t index : raster.SelectedIndices()) {
        const int px = int(index % 100), py = int(index / 100), ci = int(float(px) / size) + 1, cj = int(float(py) / size) + 1;
        float best = FLT_MAX;
        Color colour;
        for (int n = 0; n < 9; ++n)  // rows of the 3 x 3 cells from the bottom, each from the left
            for (const Point& q : grid[size_t(std::clamp(cj + n / 3 - 1, 0, g - 1) * g + std::clamp(ci + n % 3 - 1, 0, g - 1))]) {
                const float distance = float(std::sqrt((q.x - px) * (q.x - px) + (q.y - py) * (q.y - py)));
                if (distance < best) best = distance, colour = q.colour;
            }
        raster.SetPixel(int32_t(index), colour);
    }
}

void LiteralFill(SelectableRaster& raster, const AbstractRasterFunction& f) {
    const uint8_t a = f.GetValue("Color_Alpha").AsUInt8(), b = f.GetValue("Color_Blue").AsUInt8();
    const uint8_t g = f.GetValue("Color_Green").AsUInt8(), r = f.GetValue("Color_Red").AsUInt8();
    for (const uint32_t i : raster.SelectedIndices()) raster.SetPixel(int32_t(i), BlendOver(raster.GetPixel(int32_t(i)), Color(r, g, b, a)));
}

// ---- [SECTION] Literal sweep: painting instructions pixel by pixel ------------
//
// Gradient, the shapes and HSL Modify as their rules read, on the 100 x 100
// design raster: every pixel tested on its own, membership by
// IsPointInPolygon, each painted pixel blended by BlendOver on its own, and
// the HSL conversions' remainders taken by fmod. Each reads the values
// InOrderOnTheSelection has already drawn.

float V(const AbstractRasterFunction& f, const char* name) { return float(f.GetValue(name).ToDouble()); }
Color Colour1(const AbstractRasterFunction& f) {
    return Color(f.GetValue("Color1_Red").AsUInt8(), f.GetValue("Color1_Green").AsUInt8(), f.GetValue("Color1_Blue").AsUInt8(), f.GetValue("Color1_Alpha").AsUInt8());
}
void PaintWhere(SelectableRaster& raster, Color colour, const std::function<bool(float, float)>& painted) {
    const int32_t width = int32_t(raster.Width());
    for (int32_t i = 0; i < int32_t(raster.PixelCount()); ++i)
        if (painted(float(i % width), float(i / width))) raster.SetPixel(i, BlendOver(raster.GetPixel(i), colour));
}
struct Projection { float len, dot, dist; };
Projection Project(float ox, float oy, float ex, float ey, float px, float py) {
    const float dx = ex - ox, dy = ey - oy, l2 = dx * dx + dy * dy, qx = ex - px, qy = ey - py, t = (dx * qx + dy * qy) / l2;
    const float vx = dx * t, vy = dy * t, wx = qx - vx, wy = qy - vy;
    return {std::sqrt(vx * vx + vy * vy), dx * vx + dy * vy, std::sqrt(wx * wx + wy * wy)};
}

void LiteralGradient(SelectableRaster& raster, const AbstractRasterFunction& f) {
    const Color c1(f.GetValue("Color1_Red").AsUInt8(), f.GetValue("Color1_Green").AsUInt8(), f.GetValue("Color1_Blue").AsUInt8(), f.GetValue("Color1_Alpha").AsUInt8());
    const Color c2(f.GetValue("Color2_Red").AsUInt8(), f.GetValue("Color2_Green").AsUInt8(), f.GetValue("Color2_Blue").AsUInt8(), f.GetValue("Color2_Alpha").AsUInt8());
    const float p1x = V(f, "Point1_X"), p1y = V(f, "Point1_Y"), p2x = V(f, "Point2_X");
    const float p2y = V(f, "Point2_Y") + (p1x == p2x && p1y == V(f, "Point2_Y") ? 0.001f : 0.0f);
    const float dx = p2x - p1x, dy = p2y - p1y, l2 = dx * dx + dy * dy, length = std::sqrt(l2);
    for (int32_t i = 0; i < 10000; ++i) {
        const float x = float(i % 100), y = float(i / 100), t = (dx * (p2x - x) + dy * (p2y - y)) / l2, vx = dx * t, vy = dy * t;
        const float along = std::sqrt(vx * vx + vy * vy) / length;
        const float f = dx * vx + dy * vy < 0.0f ? 0.0f : !(along > 0.0f) ? 0.0f : !(along < 1.0f) ? 1.0f : along, w = 1.0f - f;
        const float b2 = c2.a / 255.0f * w, b1 = (1.0f - w) * (c1.a / 255.0f), alpha = b1 + b2;
        auto channel = [&](uint8_t k1, uint8_t k2) { return uint8_t(int((k1 / 255.0f * b1 + k2 / 255.0f * b2) / alpha * 255.0f)); };
        const Color q = alpha == 0.0f ? kTransparentBlack : Color(channel(c1.r, c2.r), channel(c1.g, c2.g), channel(c1.b, c2.b), uint8_t(int(alpha * 255.0f)));
        raster.SetPixel(i, BlendOver(raster.GetPixel(i), q));
    }
}

void LiteralLine(SelectableRaster& raster, const AbstractRasterFunction& f) {
    const float p1x = V(f, "Point1_X"), p1y = V(f, "Point1_Y"), p2x = V(f, "Point2_X"), h = float(f.GetValue("Line_Thickness").AsUInt32()) * 0.5f;
    const float p2y = V(f, "Point2_Y") + (p1x == p2x && p1y == V(f, "Point2_Y") ? 0.001f : 0.0f), length = std::sqrt((p2x - p1x) * (p2x - p1x) + (p2y - p1y) * (p2y - p1y));
    PaintWhere(raster, Colour1(f), [&](float x, float y) {
        const Projection p = Project(p1x, p1y, p2x, p2y, x, y);
        return p.dot >= 0.0f && std::max(p.len / length, 0.0f) <= 1.0f && p.dist <= h;
    });
}

// At any size: points at the centres of their blocks, the interior reaching the blocks' outer pixels.
void LiteralRectangle(SelectableRaster& raster, const AbstractRasterFunction& f) {
    const RenderScale scale(raster);
    auto point = [&](const char* name) { return scale.Point(f.GetValue(name).AsInt32()); };
    const float p1x = point("Point1_X"), p1y = point("Point1_Y"), p2x = point("Point2_X"), p2y = point("Point2_Y");
    const float h = float(scale.Length(f.GetValue("Line_Thickness").AsUInt32())) * 0.5f, half = scale.HalfBlock();
    const bool infill = f.GetValue("Infill_Shape").AsInt32() != 0;
    PaintWhere(raster, Colour1(f), [&](float x, float y) {
        const bool inX = std::min(p1x, p2x) - h <= x && x <= h + std::max(p1x, p2x), inY = std::min(p1y, p2y) - h <= y && y <= h + std::max(p1y, p2y);
        return ((std::fabs(y - p1y) <= h || std::fabs(y - p2y) <= h) && inX) || ((std::fabs(x - p1x) <= h || std::fabs(x - p2x) <= h) && inY) ||
               (infill && std::min(p1x, p2x) - half <= x && x <= std::max(p1x, p2x) + half && std::min(p1y, p2y) - half <= y && y <= std::max(p1y, p2y) + half);
    });
}

void LiteralCircle(SelectableRaster& raster, const AbstractRasterFunction& f) {
    const float cx = V(f, "Point1_X"), cy = V(f, "Point1_Y"), radius = float(f.GetValue("Circle_Radius").AsUInt32()), h = float(f.GetValue("Line_Thickness").AsUInt32()) * 0.5f;
    const bool infill = f.GetValue("Infill_Shape").AsInt32() != 0;
    PaintWhere(raster, Colour1(f), [&](float x, float y) {
        const float d = std::sqrt((cx - x) * (cx - x) + (cy - y) * (cy - y));
        return std::fabs(d - radius) <= h || (infill && d <= radius);
    });
}

void LiteralTriangle(SelectableRaster& raster, const AbstractRasterFunction& f) {
    const RasterPolygon v{{f.GetValue("Point1_X").AsInt32(), f.GetValue("Point1_Y").AsInt32()}, {f.GetValue("Point2_X").AsInt32(), f.GetValue("Point2_Y").AsInt32()},
                          {f.GetValue("Point3_X").AsInt32(), f.GetValue("Point3_Y").AsInt32()}};
    const float h = float(f.GetValue("Line_Thickness").AsUInt32()) * 0.5f;
    const bool infill = f.GetValue("Infill_Shape").AsInt32() != 0;
    auto at = [&](int k) { return FloatPoint{float(v[size_t(k % 3)].x), float(v[size_t(k % 3)].y)}; };
    if (Orient(at(0), at(1), at(2)) == 0) return;
    PaintWhere(raster, Colour1(f), [&](float x, float y) {
        bool confined = true, onEdge = false;
        int nearCount = 0;
        for (int k = 0; k < 3; ++k) {
            const FloatPoint a = at(k), b = at(k + 1);
            const Projection p = Project(a.x, a.y, b.x, b.y, x, y);
            const bool near = p.dist <= h;
            nearCount += near;
            onEdge = onEdge || (near && p.len <= std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y)) && p.dot >= 0.0f);
            confined = confined && (Orient(a, b, FloatPoint{x, y}) == Orient(a, b, at(k + 2)) || near);
        }
        return confined && (onEdge || nearCount >= 2 || (infill && IsPointInPolygon(v, int32_t(x), int32_t(y))));
    });
}

HslColor LiteralRgbToHsl(Color c) {
    const float r = c.r / 255.0f, g = c.g / 255.0f, b = c.b / 255.0f, max = std::max(std::max(r, g), b), min = std::min(std::min(r, g), b), delta = max - min;
    float hue = delta < 0.001f ? 0.0f : std::fabs(max - r) < 0.001f ? (g - b) / delta * 60.0f + 360.0f : std::fabs(max - g) < 0.001f ? (b - r) / delta * 60.0f + 120.0f
              : std::fabs(max - b) < 0.001f ? (r - g) / delta * 60.0f + 240.0f : 0.0f;
    hue = std::fmod(hue, 360.0f);
    const float l = (min + max) * 0.5f, d = 1.0f - std::fabs(2.0f * l - 1.0f);
    return {l, max >= 0.001f && std::fabs(d) >= 0.001f ? delta / d : 0.0f, hue};
}

void LiteralHslModify(SelectableRaster& raster, const AbstractRasterFunction& f) {
    const float offset = Finite(f.GetValue("Hue_Offset").AsFloat()), factor = float(f.GetValue("Saturation_Multi").AsUInt32()) / 100.0f;
    const float light = float(f.GetValue("Light_Offset").AsInt32()) / 100.0f;
    for (int32_t i = 0; i < 10000; ++i) {
        const Color c = raster.GetPixel(i);
        const HslColor in = LiteralRgbToHsl(c);
        const float s = std::clamp(in.s * factor, 0.0f, 1.0f), l = std::clamp(in.l + light, 0.0f, 1.0f);
        float h = std::fmod(std::fmod(in.h + offset, 360.0f), 360.0f);
        while (h < 0.0f) h += 360.0f;
        while (h >= 360.0f) h -= 360.0f;
        const float chroma = (1.0f - std::fabs(2.0f * l - 1.0f)) * s, x = (1.0f - std::fabs(std::fmod(h / 60.0f, 2.0f) - 1.0f)) * chroma, m = l - chroma * 0.5f;
        const int sextant = h < 60.0f ? 0 : h < 120.0f ? 1 : h < 180.0f ? 2 : h < 240.0f ? 3 : h < 300.0f ? 4 : 5;
        const float parts[6][3] = {{chroma, x, 0}, {x, chroma, 0}, {0, chroma, x}, {0, x, chroma}, {x, 0, chroma}, {chroma, 0, x}};
        auto channel = [&](float part) { const float v = (m + part) * 255.0f; return !(v > 0.0f) ? uint8_t(0) : v >= 255.0f ? uint8_t(255) : uint8_t(int(v)); };
        raster.SetPixel(i, Color(channel(parts[sextant][0]), channel(parts[sextant][1]), channel(parts[sextant][2]), c.a));
    }
}

const std::map<uint32_t, void (*)(SelectableRaster&, const AbstractRasterFunction&)> kLiteralPainters{
    {kGradient, LiteralGradient}, {kLine, LiteralLine}, {kShapeRect, LiteralRectangle}, {kCircle, LiteralCircle}, {kTriangle, LiteralTriangle}, {kHsl, LiteralHslModify}};

// Every colour's HSL (the conversion synthesis shares) as the plain reading
// gives it; every colour through the many-pixel HSL Modify as through the
// one-pixel one, with offsets that turn hues across 0, 360 and 720 and
// beyond, and with lightness and saturation pushed past their ends.
TEST(LiteralSweepTest, EveryColourConvertsAndModifiesAsWritten) {
    for (uint32_t word = 0; word < (1u << 24); ++word) {
        const HslColor fast = RgbToHsl(Color::FromWord(word)), literal = LiteralRgbToHsl(Color::FromWord(word));
        ASSERT_TRUE(std::memcmp(&fast, &literal, sizeof fast) == 0) << std::hex << word;
    }
    const struct { float hue, factor, light; } shifts[] = {{77.0f, 1.5f, -0.1f}, {-359.5f, 0.0f, 0.25f}, {300.25f, 42949672.0f, -21474836.0f}, {-1e9f, 1.0f, 1.0f},
                                                           {3e38f, 2.0f, -1.0f}, {-0.001f, 0.5f, 0.0f}, {359.999f, 1.0f, 0.5f}, {-720.0f, 1.0f, 0.0f}};
    std::vector<Color> in(1u << 16), fast(in.size());
    for (const auto& shift : shifts)
        for (uint32_t high = 0; high < 256; high += (&shift == shifts ? 1 : 17)) {  // every colour with the first shift, a spread with the others
            for (uint32_t low = 0; low < in.size(); ++low) in[low] = Color::FromWord(high << 16 | low | (low * 40503u) << 24);
            ModifyHslPixels(in.data(), fast.data(), in.size(), shift.hue, shift.factor, shift.light);
            for (size_t k = 0; k < in.size(); ++k)
                ASSERT_EQ(fast[k], ModifyHsl(in[k], shift.hue, shift.factor, shift.light)) << std::hex << in[k].Word() << " shifted by " << shift.hue;
        }
}

// The other instructions read their parameters in these orders (shapes their colour first; a polygon
// Y then X of each point it has, then its mode). The painting ones visit only selected pixels.
const std::string kPoints = "Point1_Y Point1_X Point2_Y Point2_X ", kColour = "Color1_Alpha Color1_Blue Color1_Green Color1_Red ";
const std::map<uint32_t, std::string> kReadOrder{
    {kGradient, kColour + "Color2_Alpha Color2_Blue Color2_Green Color2_Red " + kPoints}, {kLine, kColour + kPoints + "Line_Thickness"},
    {kShapeRect, kColour + kPoints + "Line_Thickness Infill_Shape"}, {kCircle, kColour + "Point1_Y Point1_X Circle_Radius Line_Thickness Infill_Shape"},
    {kTriangle, kColour + kPoints + "Point3_Y Point3_X Line_Thickness Infill_Shape"}, {kHsl, "Hue_Offset Saturation_Multi Light_Offset"},
    {kRect, "Pos_StartX Pos_StartY Pos_EndX Pos_EndY Setting_SelectMode"}, {kSetSeed, "Seed"}, {kDilate, "Seed"}, {kErode, "Seed"}, {kSelectLayer, "Layer"}};

void InOrderOnTheSelection(SelectableRaster& raster, const AbstractRasterFunction& f) {
    auto fixed = f.Clone();
    const uint32_t type = f.GetTypeId();
    std::string names = kReadOrder.count(type) ? kReadOrder.at(type) : "";
    for (int i = 1; type == kPolygon && f.HasParameter("Point" + std::to_string(i) + "_X"); ++i) names += "Point" + std::to_string(i) + "_Y Point" + std::to_string(i) + "_X ";
    std::istringstream order(type == kPolygon ? names + "Setting_SelectMode" : names);
    for (std::string name; order >> name;) fixed->SetRecord(name, {f.GetValue(name), false, {}, {}});
    const bool painting = names.find("Color1") == 0 || type == kHsl;
    std::vector<bool> keep(10000, painting);
    for (const uint32_t i : raster.SelectedIndices()) keep[i] = false;
    const std::vector<RasterPolygon> polygons = raster.SelectionPolygons();
    if (painting) raster.ClearSelection();
    kLiteralPainters.count(type) ? kLiteralPainters.at(type)(raster, *fixed) : fixed->GetFunction()(&raster, fixed.get());
    for (int32_t i = 0; i < 10000; ++i)
        if (keep[size_t(i)]) raster.SetPixel(i, raster.GetPixel(i));
    if (painting) raster.AddSelectionPolygons(polygons);
}

// Generates the queue with the references above; notes in `problem` the first
// selection that is not the plain rule's.
PixelBuffer LiteralGenerate(const InstructionList& queue, std::string& problem) {
    SelectableRaster raster(100, 100);  // reset: white, all selected, one layer
    for (size_t k = 0; k < queue.size(); ++k) {
        const AbstractRasterFunction& f = *queue[k];
        const uint32_t type = f.GetTypeId();
        raster.LoadWorkingCanvas();
        const std::map<uint32_t, void (*)(SelectableRaster&, const AbstractRasterFunction&)> references{
            {kFill, LiteralFill}, {kMotion, LiteralMotionBlur}, {kGaussian, LiteralGaussianBlur}, {kFragments, LiteralFragmentationBlur}, {kCrystal, LiteralCrystallize}};
        references.count(type) ? references.at(type)(raster, f) : InOrderOnTheSelection(raster, f);
        const std::vector<uint32_t>& fast = raster.SelectedIndices();
        const bool selects = type == kClear || type == kPolygon || type == kRect;
        for (uint32_t i = 0, n = 0; i < 10000 && selects && problem.empty(); ++i) {  // listed at the first polygon containing it
            bool in = raster.SelectionPolygons().empty();
            for (const RasterPolygon& p : raster.SelectionPolygons()) in = in || IsPointInPolygon(p, int32_t(i % 100), int32_t(i / 100));
            const bool listed = n < fast.size() && fast[n] == i;
            if (in != listed || (i == 9999 && n + listed != fast.size()))
                problem = "after instruction " + std::to_string(k) + " the selection and the plain rule differ at (" + std::to_string(i % 100) + ", " + std::to_string(i / 100) + ")";
            n += listed;
        }
        raster.CommitWorkingCanvas();
    }
    PixelBuffer image = raster.Layer(0);
    for (uint32_t layer = 1; layer < raster.LayerCount(); ++layer)
        for (size_t i = 0; i < image.size(); ++i) image[i] = BlendOver(image[i], raster.Layer(layer)[i]);
    return image;
}

// A random value of the kind: mostly one the editor gives, sometimes one only a file can hold.
ParamValue RandomValue(uint32_t kind, std::mt19937& rng) {
    const bool hostile = rng() % 8 == 0;
    auto pick = [&](std::initializer_list<double> values) { return values.begin()[rng() % values.size()]; };
    auto between = [&](int lo, int hi) { return double(lo + int(rng() % uint32_t(hi - lo + 1))); };
    switch (kind) {
        case kColorChannel: return KindValue(kind, pick({0, 255, between(0, 255)}));
        case kPosition: return KindValue(kind, hostile ? pick({-2e9, 2e9, INT_MIN, INT_MAX, 4194303, -4194305, -1e8, 3e7}) : between(-20, 120));
        case kToggle: return KindValue(kind, rng() % 2);
        case kSize: return KindValue(kind, hostile ? pick({0, 100, 101, 4294967295.0}) : between(1, 12));
        case kFreeFloat: return F32(float(hostile ? pick({NAN, INFINITY, -INFINITY, 3e38, -1e9}) : between(-400, 400) / 2));
        case kCount: return KindValue(kind, hostile ? pick({0, 1, 100, 1001, 4294967295.0}) : between(2, 9));
        case kPercent: return KindValue(kind, hostile ? 4294967295.0 : between(0, 200));
        case kSignedPercent: return KindValue(kind, hostile ? pick({INT_MIN, INT_MAX}) : between(-100, 100));
        case kCellSize: return KindValue(kind, hostile ? pick({0, 1, -1, 100, INT_MAX}) : between(2, 40));
        case kSpread: return F32(float(hostile ? pick({NAN, INFINITY, -INFINITY, FLT_MAX, -5, 1e20}) : between(0, 60)));
        case kDensity: return KindValue(kind, hostile ? 4294967295.0 : between(0, 4));
        default: return KindValue(kind, hostile ? 1e12 : between(0, 4));  // Index: seeds and layers
    }
}

// An instruction of the type with random values, a fifth of them randomised
// (random offsets, in either order); polygons sometimes with more vertices.
std::unique_ptr<AbstractRasterFunction> RandomInstruction(uint32_t type, std::mt19937& rng) {
    auto f = FindPrototypeByTypeId(type)->Clone();
    for (const ParamLayoutEntry& e : f->GetParameterLayout()) {
        if (IsLayoutOnly(e.kind)) continue;
        f->SetValue(e.name, RandomValue(e.kind, rng));
        const float lo = float(int(rng() % 61) - 30), hi = float(int(rng() % 61) - 30);
        if (rng() % 5 == 0) Randomise(*f, e.name, IsFloatKind(e.kind) ? F32(lo) : I32(int32_t(lo)), IsFloatKind(e.kind) ? F32(hi) : I32(int32_t(hi)));
    }
    for (int k = 4; type == kPolygon && k < 6 && rng() % 3 == 0; ++k)
        for (const char* axis : {"_X", "_Y"}) f->SetValue("Point" + std::to_string(k) + axis, RandomValue(kPosition, rng));
    return f;
}

std::string Describe(const InstructionList& queue) {
    std::string out;
    for (const auto& f : queue) {
        out += "\n  " + f->GetName() + ":";
        for (const auto& [name, r] : f->Parameters())
            out += " " + name + "=" + std::to_string(r.value.ToDouble()) + (r.randomized ? "~[" + std::to_string(r.offsetMin.ToDouble()) + ", " + std::to_string(r.offsetMax.ToDouble()) + "]" : "");
    }
    return out;
}

// The rectangle at sizes other than the design's, and the triangle at the
// design size, against their literal rules: random shapes as in the sweep,
// on varied pixels, with everything, a random box, a random triangle or two
// boxes (rows with gaps) of the raster selected.
TEST(LiteralSweepTest, ShapesAtAnySizeAndSelectionMatchTheLiteralRule) {
    std::mt19937 rng(616);
    for (int round = 0; round < 600; ++round) {
        const bool rectangle = round % 2 == 0;
        const uint32_t size = rectangle ? std::vector<uint32_t>{100, 150, 200, 301}[round / 2 % 4] : 100;
        auto f = RandomInstruction(rectangle ? kShapeRect : kTriangle, rng);
        for (const auto& [name, record] : f->Parameters()) f->SetRecord(name, ParamRecord{record.value, false, {}, {}});
        auto at = [&] { return int32_t(rng() % (size + 40)) - 20; };
        auto box = [&] {
            const int32_t x0 = at(), y0 = at(), x1 = at(), y1 = at();
            return RasterPolygon{{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}};
        };
        std::vector<RasterPolygon> selection;
        if (round / 2 % 4 == 1) selection = {box()};
        if (round / 2 % 4 == 2) selection = {{{at(), at()}, {at(), at()}, {at(), at()}}};
        if (round / 2 % 4 == 3) selection = {box(), box()};
        const uint32_t seed = uint32_t(rng());
        auto prepared = [&] {
            SelectableRaster raster = RenderScale::Raster(size);
            std::mt19937 colours(seed);
            raster.LoadWorkingCanvas();
            for (uint32_t i = 0; i < raster.PixelCount(); ++i) raster.SetPixel(int32_t(i), Color::FromWord(uint32_t(colours())));
            raster.CommitWorkingCanvas();
            raster.LoadWorkingCanvas();
            return raster;
        };
        SelectableRaster product = prepared(), literal = prepared();
        if (!selection.empty()) product.AddSelectionPolygons(selection);
        f->GetFunction()(&product, f.get());
        (rectangle ? LiteralRectangle : LiteralTriangle)(literal, *f);
        PixelBuffer expected = product.Layer(0);
        for (const uint32_t i : product.SelectedIndices()) expected[i] = literal.WorkingCanvas()[i];
        InstructionList queue;
        queue.push_back(std::move(f));
        ASSERT_TRUE(ImagesEqual(product.WorkingCanvas(), expected, size, size)) << "round " << round << ", " << selection.size() << " polygons" << Describe(queue);
    }
}

// The shapes' block helpers against their plain readings: positions by % and
// /, on any width, of consecutive and gapped indices; kept indices those
// flagged, flags set or clear in runs or at random.
TEST(LiteralSweepTest, ShapeBlocksPositionAndKeepAsWritten) {
    std::mt19937 rng(64);
    for (int round = 0; round < 2000; ++round) {
        const uint32_t width = std::vector<uint32_t>{1, 3, 37, 100, 1000}[round % 5];
        uint32_t indices[kShapeBlock], kept[kShapeBlock];
        uint8_t flags[kShapeBlock];
        const size_t n = 1 + rng() % kShapeBlock;
        for (size_t j = 0, i = rng() % 5000; j < n; ++j, i += round % 2 ? 1 : 1 + rng() % 3) {
            indices[j] = uint32_t(i);
            flags[j] = uint8_t(round % 3 == 0 ? rng() % 2 : (j / 8 + round) % 3 == 0);
        }
        float xs[kShapeBlock], ys[kShapeBlock];
        BlockPositions(indices, n, width, xs, ys);
        std::vector<uint32_t> expected;
        for (size_t j = 0; j < n; ++j) {
            ASSERT_TRUE(xs[j] == float(indices[j] % width) && ys[j] == float(indices[j] / width)) << indices[j] << " on width " << width;
            if (flags[j]) expected.push_back(indices[j]);
        }
        ASSERT_EQ(std::vector<uint32_t>(kept, kept + KeepPainted(indices, flags, n, kept, 0)), expected) << "round " << round;
    }
}

TEST(LiteralSweepTest, RandomQueuesMatchTheLiteralGeneration) {
    // Type identifiers, painting and selections more often than the rest; no texture synthesis.
    const uint32_t types[] = {kFill, kFill, kRect, kRect, kPolygon, kPolygon, kClear, kGradient, kLine, kShapeRect, kCircle, kTriangle, kMotion,
                              kGaussian, kFragments, kFragments, kCrystal, kCrystal, kHsl, kSetSeed, kDilate, kErode, kSelectLayer, kSelectLayer, kCreateLayer, kCreateLayer};
    std::mt19937 rng(20261206);
    for (int round = 0; round < 1500; ++round) {
        InstructionList queue;  // a gradient to start from, often on a transparent layer
        if (rng() % 2) queue = Queue(I(kCreateLayer), I(kSelectLayer, {1}));
        queue.push_back(RandomInstruction(kGradient, rng));
        for (int n = 2 + int(rng() % 7); n > 0; --n) queue.push_back(RandomInstruction(types[rng() % std::size(types)], rng));
        const uint32_t seed = uint32_t(rng());
        ReseedParameterRng(seed);
        const auto product = Render(queue);
        const uint32_t productNext = uint32_t(parameterRng()());
        ReseedParameterRng(seed);
        std::string problem;
        const PixelBuffer literal = LiteralGenerate(queue, problem);
        const std::string what = "round " + std::to_string(round) + ", generator seed " + std::to_string(seed) + Describe(queue);
        ASSERT_TRUE(problem.empty()) << problem << "; " << what;
        ASSERT_TRUE(ImagesEqual(product->CompositeCanvas(), literal, 100, 100)) << what;
        ASSERT_EQ(productNext, uint32_t(parameterRng()())) << "the draws differ; " << what;
        // Twice the size draws the same outputs in the same order.
        if (round % 4 != 0) continue;
        ReseedParameterRng(seed);
        RenderAt(queue, 200);
        ASSERT_EQ(productNext, uint32_t(parameterRng()())) << "the draws differ at 200 x 200; " << what;
    }
}

// A queue of rectangular selections, fills and layer operations renders at
// k times the size as its 100 x 100 picture enlarged k times, pixel for pixel
// (for corners within +-2^22 / k, where a box's membership is exact).
TEST(RenderSizeTest, SelectionsFillsAndLayersEnlargeByReplication) {
    std::mt19937 rng(14);
    for (int round = 0; round < 60; ++round) {
        InstructionList queue;
        for (int n = 1 + int(rng() % 10); n > 0; --n) {
            const uint32_t type = std::vector<uint32_t>{kRect, kRect, kFill, kFill, kCreateLayer, kSelectLayer, kClear}[rng() % 7];
            queue.push_back(RandomInstruction(type, rng));
            for (const auto& [name, record] : queue.back()->Parameters())  // no random offsets: one picture per queue
                queue.back()->SetRecord(name, ParamRecord{record.value, false, {}, {}});
            for (const char* corner : {"Pos_StartX", "Pos_StartY", "Pos_EndX", "Pos_EndY"})
                if (type == kRect) queue.back()->SetValue(corner, I32(int32_t(rng() % 2000) - 900));
        }
        const uint32_t k = 2 + uint32_t(round % 3);
        const auto small = Render(queue), large = RenderAt(queue, 100 * k);
        PixelBuffer enlarged(size_t(100 * k) * (100 * k));
        for (uint32_t y = 0; y < 100 * k; ++y)
            for (uint32_t x = 0; x < 100 * k; ++x) enlarged[y * 100 * k + x] = small->CompositeCanvas()[(y / k) * 100 + x / k];
        ASSERT_TRUE(ImagesEqual(large->CompositeCanvas(), enlarged, 100 * k, 100 * k)) << "k = " << k << Describe(queue);
    }
}

// Every example at twice the size, reduced back by averaging 2 x 2 blocks,
// stays within 4 levels (mean over all channels) of its 100 x 100 render;
// texture synthesis places its patches anew at every size and is left out.
TEST(RenderSizeTest, ExamplesReducedBackStayClose) {
    for (const char* name : {"default", "tiles", "plaid", "layers", "gradient_family", "stained_glass", "shapes", "blurs", "crystals"}) {
        std::deque<int32_t> seeds{7};
        InstructionList queue;
        ASSERT_TRUE(ReadProjectFile(std::string(ORVANE_SOURCE_DIR "/examples/") + name + ".pcg", seeds, queue));
        const RgbaImage small = Render(queue)->CompositeImage(), large = RenderAt(queue, 200)->CompositeImage();
        double difference = 0;
        for (uint32_t i = 0; i < small.pixels.size(); ++i) {
            const uint32_t x = i / 4 % 100, y = i / 400, c = i % 4;
            const int sum = large.At(2 * x, 2 * y)[c] + large.At(2 * x + 1, 2 * y)[c] + large.At(2 * x, 2 * y + 1)[c] + large.At(2 * x + 1, 2 * y + 1)[c];
            difference += std::fabs(sum / 4.0 - small.pixels[i]);
        }
        EXPECT_LT(difference / double(small.pixels.size()), 4.0) << name;
    }
}

// ---- [SECTION] Blurs: long distances and every colour -----------------------

// Motion and Gaussian blurs with Distance above 100 up to and past the bound
// of 1000, over random queues as in the sweep, against the literal blurs,
// the product's rows split over threads.
TEST(LiteralSweepTest, LongBlursMatchTheLiteralGeneration) {
    std::mt19937 rng(1000);
    const uint32_t distances[] = {101, 150, 333, 999, 1000, 1001, 4294967295u};
    for (int round = 0; round < 14; ++round) {
        InstructionList queue;
        if (rng() % 2) queue = Queue(I(kCreateLayer), I(kSelectLayer, {1}));
        queue.push_back(RandomInstruction(kGradient, rng));
        if (rng() % 2) queue.push_back(RandomInstruction(kRect, rng));
        queue.push_back(RandomInstruction(round % 2 ? kMotion : kGaussian, rng));
        queue.back()->SetRecord("Distance", {KindValue(kSize, distances[round / 2]), false, {}, {}});
        const uint32_t seed = uint32_t(rng());
        SelectableRaster product(100, 100);
        product.SetThreads(3);  // the longest blurs split their rows
        ReseedParameterRng(seed);
        Generate(product, queue);
        ReseedParameterRng(seed);
        std::string problem;
        const PixelBuffer literal = LiteralGenerate(queue, problem);
        ASSERT_TRUE(ImagesEqual(product.CompositeCanvas(), literal, 100, 100)) << "round " << round << Describe(queue);
    }
}

// The motion line's offsets, ordered along the line, are the distinct
// offsets of the plain loop in ascending order, at every kind of angle.
TEST(LiteralSweepTest, MotionLineIsTheOrderedSetOfItsOffsets) {
    std::mt19937 rng(9);
    for (int round = 0; round < 400; ++round) {
        const float angle = round < 16 ? float(round * 45 - 360) / 2 : float(int(rng() % 72000) - 36000) / float(1 + rng() % 100);
        const uint32_t distance = round % 5 == 0 ? 1000 : 1 + rng() % 200;
        const float radians = angle * 0.017453292f, s = std::sin(radians), c = std::cos(radians);
        std::set<std::pair<int32_t, int32_t>> plain;
        for (int32_t i = 0; i < int32_t(2 * distance); ++i) {
            const float t = float(i) * 0.5f;
            plain.emplace(int32_t(Nearest(-t * s)), int32_t(Nearest(t * c))), plain.emplace(int32_t(Nearest(t * s)), int32_t(Nearest(-t * c)));
        }
        ASSERT_EQ(MotionBlurLine(angle, distance), (std::vector<std::pair<int32_t, int32_t>>(plain.begin(), plain.end()))) << angle << " degrees, " << distance;
    }
}

// Every pair of colour value and opacity (and widths that are not a multiple
// of the vector lanes) through the vector averaging, against the scalar
// preparation and resolution of each sum; a single sample of weight 1, at
// its own pixel or offset, is averaged without planes (and the second
// picture repeats every row, which such an average takes from the row above).
TEST(LiteralSweepTest, AveragingMatchesTheScalarRuleForEveryColour) {
    const std::vector<BlurTap> tapSets[] = {{{0, 0, 1.0f}, {1, -2, 0.3f}, {-300, 1, 0.7f}, {2, 0, 1e-3f}}, {{0, 0, 1.0f}}, {{-3, 2, 1.0f}}, {{300, -1, 1.0f}}};
    for (const uint32_t width : {256u, 253u})
    for (const uint32_t repeat : {1u, 2u})
    for (const std::vector<BlurTap>& taps : tapSets) {
        const uint32_t height = (65536 / width + 1) * repeat;
        std::vector<Color> pixels(size_t(width) * height);
        for (uint32_t i = 0; i < pixels.size(); ++i) {
            const uint32_t k = i / width / repeat * width + i % width;
            pixels[i] = Color(uint8_t(k), uint8_t(255 - k % 256), uint8_t(k * 7 / 3), uint8_t(k >> 8));
        }
        std::vector<Color> out(pixels.size());
        AverageTaps(pixels.data(), width, height, taps, 0, height - 1, 2, out.data());
        for (uint32_t i = 0; i < pixels.size(); ++i) {
            float r = 0, g = 0, b = 0, w = 0;
            for (const BlurTap& t : taps) {
                const int64_t x = std::clamp<int64_t>(int64_t(i % width) + t.dx, 0, width - 1), y = std::clamp<int64_t>(int64_t(i / width) + t.dy, 0, height - 1);
                const WeightedColor c = Weigh(pixels[size_t(y * width + x)]);
                r += c.r * t.weight, g += c.g * t.weight, b += c.b * t.weight, w += c.a * t.weight;
            }
            ASSERT_EQ(out[i].Word(), ResolveAverage(r, g, b, w).Word()) << "pixel " << i << " of width " << width << ", " << taps.size() << " taps";
        }
    }
}

}  // namespace
