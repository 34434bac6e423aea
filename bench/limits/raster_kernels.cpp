// The per-pixel raster kernels as the product runs them on a 100 x 100
// raster, beside bare loops doing only the work no exact version can avoid.
//
// Yardsticks (written plainly here, each lane doing the scalar rule's
// operations in its order, so each is exact and a limit for exact code):
//   blend SSE 10,000 pixels   alpha-over of 10,000 varied pixel pairs, four
//                             pixels a vector: every c/255 and the division by
//                             the result alpha are correctly rounded divisions
//                             and cannot be replaced by reciprocals.
//   HSL SSE 10,000 pixels     RGB -> HSL -> shifted -> RGB for 10,000 varied
//                             pixels, four a vector, every branch a lane select.
//   crossing loop 10,000 points  the bare even-odd crossing loop (one compare
//                             pair and one division per edge) for every pixel
//                             against a five-vertex polygon.
//   nearest of 99 points SSE  each of 10,000 pixels against the 99 points of
//                             its 3 x 3 cells of crystals (density 10): the
//                             brute-force nearest search, squared distances.
// Kernels: each instruction's Apply on the rasters of raster_cases.h. The
// drawing instructions (Gradient and the shapes) and the selection rebuild
// are judged against their own rules in shape_yardsticks.cpp.
#include <emmintrin.h>

#include <cmath>
#include <random>
#include <vector>

#include "functions/crystallize.h"
#include "functions/fill.h"
#include "functions/hsl_modify.h"
#include "raster_cases.h"

namespace {

using namespace raster_cases;

std::shared_ptr<AbstractRasterFunction> Fill() {
    return With<FillRasterFunction>({{"Color_Red", U8(30)}, {"Color_Green", U8(200)}, {"Color_Blue", U8(90)}, {"Color_Alpha", U8(180)}});
}
std::shared_ptr<AbstractRasterFunction> Hsl() {
    return With<HSLModifyRasterFunction>({{"Hue_Offset", ParamValue(77.0f)}, {"Saturation_Multi", U32(150)}, {"Light_Offset", I32(-10)}});
}
std::shared_ptr<AbstractRasterFunction> Crystals() {
    return With<CrystallizeRasterFunction>({{"Crystal_Size", I32(10)}, {"Crystal_Density", U32(10)},
                                            {"Crystal_Density_SpreadX", ParamValue(30.0f)}, {"Crystal_Density_SpreadY", ParamValue(30.0f)}});
}

// ---- yardsticks ----

// Four pixels' channel `shift` (0, 8, 16, 24) as floats divided by 255.
inline __m128 Unit(__m128i words, int shift) {
    const __m128i c = _mm_and_si128(_mm_srli_epi32(words, shift), _mm_set1_epi32(0xFF));
    return _mm_div_ps(_mm_cvtepi32_ps(c), _mm_set1_ps(255.0f));
}

void BlendSse(benchmark::State& state) {
    const std::vector<Color> under = VariedPixels(1), over = VariedPixels(2);
    std::vector<Color> out(10000);
    for (auto _ : state) {
        for (size_t i = 0; i < out.size(); i += 4) {
            const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&under[i]));
            const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&over[i]));
            const __m128 as = Unit(s, 24), ad = Unit(d, 24), k = _mm_sub_ps(_mm_set1_ps(1.0f), as);
            const __m128 ao = _mm_add_ps(_mm_mul_ps(k, ad), as);
            __m128i result = _mm_slli_epi32(_mm_cvttps_epi32(_mm_mul_ps(ao, _mm_set1_ps(255.0f))), 24);
            for (int shift = 0; shift < 24; shift += 8) {
                const __m128 t = _mm_mul_ps(_mm_mul_ps(Unit(d, shift), ad), k), u = _mm_mul_ps(Unit(s, shift), as);
                const __m128 v = _mm_mul_ps(_mm_div_ps(_mm_add_ps(t, u), ao), _mm_set1_ps(255.0f));
                result = _mm_or_si128(result, _mm_slli_epi32(_mm_and_si128(_mm_cvttps_epi32(v), _mm_set1_epi32(0xFF)), shift));
            }
            result = _mm_andnot_si128(_mm_castps_si128(_mm_cmpeq_ps(ao, _mm_setzero_ps())), result);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(&out[i]), result);
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}

inline __m128 Select(__m128 mask, __m128 a, __m128 b) { return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b)); }
inline __m128 Abs(__m128 v) { return _mm_andnot_ps(_mm_set1_ps(-0.0f), v); }
inline __m128 Clamp01(__m128 v) { return _mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(1.0f)); }

// RGB -> HSL (hue tested r, g, b with the 0.001 tolerance), saturation
// scaled, lightness and hue shifted (hue wrapped once each way, the inputs
// here never need more), HSL -> RGB by sextant.
void HslSse(benchmark::State& state) {
    const std::vector<Color> in = VariedPixels(1);
    std::vector<Color> out(10000);
    const __m128 one = _mm_set1_ps(1.0f), tol = _mm_set1_ps(0.001f), c360 = _mm_set1_ps(360.0f), c60 = _mm_set1_ps(60.0f);
    const __m128 factor = _mm_set1_ps(1.5f), light = _mm_set1_ps(-0.1f), offset = _mm_set1_ps(77.0f);
    for (auto _ : state) {
        for (size_t i = 0; i < out.size(); i += 4) {
            const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&in[i]));
            const __m128 r = Unit(w, 0), g = Unit(w, 8), b = Unit(w, 16);
            const __m128 max = _mm_max_ps(_mm_max_ps(r, g), b), min = _mm_min_ps(_mm_min_ps(r, g), b), delta = _mm_sub_ps(max, min);
            const __m128 hr = _mm_add_ps(_mm_mul_ps(_mm_div_ps(_mm_sub_ps(g, b), delta), c60), c360);
            const __m128 hg = _mm_add_ps(_mm_mul_ps(_mm_div_ps(_mm_sub_ps(b, r), delta), c60), _mm_set1_ps(120.0f));
            const __m128 hb = _mm_add_ps(_mm_mul_ps(_mm_div_ps(_mm_sub_ps(r, g), delta), c60), _mm_set1_ps(240.0f));
            __m128 hue = Select(_mm_cmplt_ps(Abs(_mm_sub_ps(max, b)), tol), hb, _mm_setzero_ps());
            hue = Select(_mm_cmplt_ps(Abs(_mm_sub_ps(max, g)), tol), hg, hue);
            hue = Select(_mm_cmplt_ps(Abs(_mm_sub_ps(max, r)), tol), hr, hue);
            hue = Select(_mm_cmplt_ps(delta, tol), _mm_setzero_ps(), hue);
            hue = Select(_mm_cmpge_ps(hue, c360), _mm_sub_ps(hue, c360), hue);
            const __m128 l0 = _mm_mul_ps(_mm_add_ps(min, max), _mm_set1_ps(0.5f));
            const __m128 d = _mm_sub_ps(one, Abs(_mm_sub_ps(_mm_mul_ps(_mm_set1_ps(2.0f), l0), one)));
            __m128 s = Select(_mm_cmplt_ps(Abs(d), tol), _mm_setzero_ps(), _mm_div_ps(delta, d));
            s = Select(_mm_cmpge_ps(max, tol), s, _mm_setzero_ps());
            s = Clamp01(_mm_mul_ps(s, factor));
            const __m128 l = Clamp01(_mm_add_ps(l0, light));
            __m128 h = _mm_add_ps(hue, offset);
            h = Select(_mm_cmpge_ps(h, c360), _mm_sub_ps(h, c360), h);
            const __m128 chroma = _mm_mul_ps(_mm_sub_ps(one, Abs(_mm_sub_ps(_mm_mul_ps(_mm_set1_ps(2.0f), l), one))), s);
            __m128 y = _mm_div_ps(h, c60);
            y = Select(_mm_cmpge_ps(y, _mm_set1_ps(4.0f)), _mm_sub_ps(y, _mm_set1_ps(4.0f)),
                       Select(_mm_cmpge_ps(y, _mm_set1_ps(2.0f)), _mm_sub_ps(y, _mm_set1_ps(2.0f)), y));
            const __m128 x = _mm_mul_ps(_mm_sub_ps(one, Abs(_mm_sub_ps(y, one))), chroma);
            const __m128 m = _mm_sub_ps(l, _mm_mul_ps(chroma, _mm_set1_ps(0.5f)));
            const __m128 s1 = _mm_cmplt_ps(h, c60), s2 = _mm_cmplt_ps(h, _mm_set1_ps(120.0f)), s3 = _mm_cmplt_ps(h, _mm_set1_ps(180.0f));
            const __m128 s4 = _mm_cmplt_ps(h, _mm_set1_ps(240.0f)), s5 = _mm_cmplt_ps(h, _mm_set1_ps(300.0f)), z = _mm_setzero_ps();
            const __m128 r1 = Select(s1, chroma, Select(s2, x, Select(s4, z, Select(s5, x, chroma))));
            const __m128 g1 = Select(s1, x, Select(s3, chroma, Select(s4, x, z)));
            const __m128 b1 = Select(s2, z, Select(s3, x, Select(s5, chroma, x)));
            auto channel = [&](__m128 part) {
                const __m128 v = _mm_mul_ps(_mm_add_ps(m, part), _mm_set1_ps(255.0f));
                return _mm_cvttps_epi32(_mm_min_ps(_mm_max_ps(v, z), _mm_set1_ps(255.0f)));
            };
            const __m128i rgb = _mm_or_si128(channel(r1), _mm_or_si128(_mm_slli_epi32(channel(g1), 8), _mm_slli_epi32(channel(b1), 16)));
            const __m128i alpha = _mm_and_si128(w, _mm_set1_epi32(int(0xFF000000u)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(&out[i]), _mm_or_si128(rgb, alpha));
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}

void CrossingLoop(benchmark::State& state) {
    std::vector<uint8_t> inside(10000);
    const size_t n = kPentagon.size();
    for (auto _ : state) {
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x) {
                bool c = false;
                for (size_t i = 0, j = n - 1; i < n; j = i++) {
                    const float xi = float(kPentagon[i].x), yi = float(kPentagon[i].y), xj = float(kPentagon[j].x), yj = float(kPentagon[j].y);
                    if ((yi > float(y)) != (yj > float(y)) && float(x) < (xj - xi) * (float(y) - yi) / (yj - yi) + xi) c = !c;
                }
                inside[size_t(y * 100 + x)] = c;
            }
        benchmark::DoNotOptimize(inside.data());
        benchmark::ClobberMemory();
    }
}

// For each pixel the smallest squared distance to 99 whole-number points
// (float is exact here: every square is below 2^24), four points a vector.
void Nearest99(benchmark::State& state) {
    std::mt19937 rng(5);
    alignas(16) float xs[100], ys[100];
    for (int k = 0; k < 100; ++k) xs[k] = float(rng() % 40), ys[k] = float(rng() % 40);
    xs[99] = ys[99] = 1e6f;  // padding lane, never nearest
    std::vector<float> best(10000);
    for (auto _ : state) {
        for (int p = 0; p < 10000; ++p) {
            const __m128 px = _mm_set1_ps(float(p % 10 + 10)), py = _mm_set1_ps(float(p / 1000 + 10));
            __m128 smallest = _mm_set1_ps(1e30f);
            for (int k = 0; k < 100; k += 4) {
                const __m128 dx = _mm_sub_ps(_mm_load_ps(xs + k), px), dy = _mm_sub_ps(_mm_load_ps(ys + k), py);
                smallest = _mm_min_ps(smallest, _mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy)));
            }
            smallest = _mm_min_ps(smallest, _mm_shuffle_ps(smallest, smallest, _MM_SHUFFLE(1, 0, 3, 2)));
            smallest = _mm_min_ps(smallest, _mm_shuffle_ps(smallest, smallest, _MM_SHUFFLE(2, 3, 0, 1)));
            best[size_t(p)] = _mm_cvtss_f32(smallest);
        }
        benchmark::DoNotOptimize(best.data());
        benchmark::ClobberMemory();
    }
}

// ---- kernels outside instructions ----

void Composite(benchmark::State& state) {
    SelectableRaster raster(100, 100);
    raster.CreateLayer();
    for (uint32_t layer = 0; layer < 2; ++layer) {
        const std::vector<Color> pixels = VariedPixels(layer + 1);
        raster.SelectLayer(layer);
        raster.LoadWorkingCanvas();
        for (int32_t i = 0; i < 10000; ++i) raster.SetPixel(i, pixels[size_t(i)]);
        raster.CommitWorkingCanvas();
    }
    for (auto _ : state) {
        raster.Composite();
        benchmark::DoNotOptimize(raster.CompositeCanvas().data());
    }
}

void PointTest(benchmark::State& state) {
    std::vector<uint8_t> inside(10000);
    for (auto _ : state) {
        PolygonTester tester(kPentagon);
        std::fill(inside.begin(), inside.end(), uint8_t(0));
        for (int32_t y = 0; y < 100; ++y) tester.MarkRow(y, 0, 99, inside.data() + y * 100);
        benchmark::DoNotOptimize(inside.data());
        benchmark::ClobberMemory();
    }
}

const bool kRegistered = [] {
    RegisterYardstick("blend SSE 10,000 pixels", BlendSse);
    RegisterYardstick("HSL SSE 10,000 pixels", HslSse);
    RegisterYardstick("crossing loop 10,000 points", CrossingLoop);
    RegisterYardstick("nearest of 99 points SSE", Nearest99);
    const char* blend = "blend SSE 10,000 pixels";
    RegisterKernel("BlendOver: composite 2 layers", blend, Composite);
    RegisterKernel("Fill", blend, Apply(Fill(), false));
    RegisterKernel("Fill, half selected", blend, Apply(Fill(), true));
    RegisterKernel("HSL Modify", "HSL SSE 10,000 pixels", Apply(Hsl(), false));
    RegisterKernel("HSL Modify, half selected", "HSL SSE 10,000 pixels", Apply(Hsl(), true));
    RegisterKernel("Crystallize size 10 density 10", "nearest of 99 points SSE", Apply(Crystals(), false));
    RegisterKernel("polygon point test 10,000 pixels", "crossing loop 10,000 points", PointTest);
    return true;
}();

}  // namespace
