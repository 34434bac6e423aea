#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "functions/synthesis_search.h"
#include "functions/synthesize_texture.h"
#include "support/test_support.h"

namespace {

// ---- the instruction as written: slow, literal, every colour converted anew ----------

uint32_t U(uint32_t n) {  // rejection on the generator's 32-bit outputs
    for (uint32_t r; n > 1;)
        if (r = uint32_t(parameterRng()()), r / n < 4294967295u / n || 4294967295u % n == n - 1) return r % n;
    return 0;
}

// Colour distance, or the lightness distance alone.
float Dist(Color a, Color b, bool lightOnly = false) {
    const HslColor x = RgbToHsl(a), y = RgbToHsl(b);
    const float h = x.h / 36.0f - y.h / 36.0f, s = 10.0f * x.s - 10.0f * y.s, l = 10.0f * x.l - 10.0f * y.l;
    return lightOnly ? l * l : (0.5f * (s * s) + h * h) + 1.2f * (l * l);
}

// Min-heap on error: push sifts up while the parent is strictly larger; pop takes the last element
// out, sends the hole to a leaf through the smaller child (the right one on equal errors) and sifts
// the last element up from there.
struct Cand { double e; int64_t x, y; };
void SiftUp(std::vector<Cand>& a, size_t i, Cand c) {
    for (; i > 0 && a[(i - 1) / 2].e > c.e; i = (i - 1) / 2) a[i] = a[(i - 1) / 2];
    a[i] = c;
}
void Push(std::vector<Cand>& a, Cand c) { a.push_back(c), SiftUp(a, a.size() - 1, c); }
void Pop(std::vector<Cand>& a) {
    size_t i = 0, n = a.size() - 1;
    for (size_t c; (c = 2 * i + 1) < n; i = c) a[i] = a[c += c + 1 < n && a[c + 1].e <= a[c].e];
    SiftUp(a, i, a.back()), a.pop_back();
}

// The instruction step by step. byClass: the k-th smallest error is taken at its first candidate in
// scan order instead, as the ranking by class documents it.
void LiteralApply(SelectableRaster& r, const AbstractRasterFunction& f, bool byClass) {
    const uint32_t layer = uint32_t(f.GetValue("Donor_Layer").AsUInt64());
    const int64_t p1y = f.GetValue("Donor_Select_Point1_Y").AsInt32(), p1x = f.GetValue("Donor_Select_Point1X").AsInt32();
    const int64_t p2y = f.GetValue("Donor_Select_Point2_Y").AsInt32(), p2x = f.GetValue("Donor_Select_Point2_X").AsInt32();
    const int64_t overlap = f.GetValue("Quilt_Overlap").AsInt32(), size = f.GetValue("Quilt_Size").AsUInt32();
    const bool cut = f.GetValue("Cut_Edge").AsUInt8() != 0, transfer = f.GetValue("Transfer_Texture").AsUInt8() != 0;
    const int64_t DW = std::llabs(p2x - p1x), DH = std::llabs(p2y - p1y), x0 = std::min(p1x, p2x), y0 = std::min(p1y, p2y);
    const uint32_t remembered = r.CurrentLayerIndex();
    r.SelectLayer(layer);
    std::vector<Color> donor;
    for (int64_t y = y0; y < y0 + DH; ++y)
        for (int64_t x = x0; x < x0 + DW; ++x) donor.push_back(r.GetPixelAt(int32_t(x), int32_t(y), false));
    r.SelectLayer(remembered);
    const auto D = [&](int64_t x, int64_t y) { return donor[size_t(y * DW + x)]; };
    const int64_t S = size > DW || size > DH ? std::min(DH, DW) : size;
    if (S == 0) return;
    const int64_t O = std::min(S / 2, overlap), T = std::max<int64_t>(S - O, 1);
    for (int64_t PY = 0; PY < r.Height(); PY += T) {
        for (int64_t PX = 0; PX < r.Width(); PX += T) {
            // Strips hold the working canvas (the patches laid so far), the transfer target the layer's earlier content.
            const auto At = [&](int64_t i, int64_t j, bool working) { return r.GetPixelAt(int32_t(PX + i), int32_t(PY + j), working); };
            Cand pick{0.0, 0, 0};  // the donor position (pick.x, pick.y)
            if (PX == 0 && PY == 0) {
                pick.x = U(uint32_t(DW - S + 1)), pick.y = U(uint32_t(DH - S + 1));
            } else if (S < DW && S < DH) {
                // The column strip, the row strip and the transfer target: width, height, present, strip.
                const std::tuple<int64_t, int64_t, bool, bool> parts[3] = {{O, S, PX > 0, true}, {S, O, PY > 0, true}, {S, S, transfer, false}};
                std::vector<Cand> heap, scan;
                for (int64_t y = 0; y < DH - S; ++y)
                    for (int64_t x = 0; x < DW - S; ++x) {
                        double e = 0.0;
                        for (const auto& [w, h, present, strip] : parts)
                            for (int64_t j = 0; present && j < h; ++j)
                                for (int64_t i = 0; i < w; ++i) e += Dist(D(x + i, y + j), At(i, j, strip), !strip);
                        Push(heap, {e, x, y}), scan.push_back({e, x, y});
                    }
                const uint32_t k = 1 + U(5);
                for (uint32_t n = 1; n < k && heap.size() > 1; ++n) Pop(heap);
                pick = byClass ? *std::find_if(scan.begin(), scan.end(), [&](const Cand& c) { return c.e == heap[0].e; }) : heap[0];
            }
            // Edge cuts, each line on its own: the smallest distance, the larger index on equal ones.
            std::vector<std::pair<float, int64_t>> colCut(S), rowCut(S);
            for (int64_t line = 0; line < S; ++line)
                for (int64_t n = 0; n < O; ++n) {
                    const float c = Dist(D(pick.x + n, pick.y + line), At(n, line, true)), w = Dist(D(pick.x + line, pick.y + n), At(line, n, true));
                    if (n == 0 || c <= colCut[line].first) colCut[line] = {c, n};
                    if (n == 0 || w <= rowCut[line].first) rowCut[line] = {w, n};
                }
            for (int64_t j = 0; j < S; ++j)
                for (int64_t i = 0; i < S; ++i)
                    if (!(cut && PX > 0 && i < colCut[j].second) && !(cut && PY > 0 && j < rowCut[i].second))
                        r.SetPixelAt(int32_t(PX + i), int32_t(PY + j), D(pick.x + i, pick.y + j));
        }
    }
    r.BeginPass();
    for (const uint32_t index : r.SelectedIndices()) r.SetPixel(int32_t(index), r.GetPixel(int32_t(index)));
}

// ---- scenes, instructions, runs --------------------------------------------------------

Color RandomColor(std::mt19937& rng) { return Color::FromWord(uint32_t(rng()) | 0x80000000u); }

// Layers of kind 0 flat, 1 two colours (many equal errors), 2 noise, 3 stripes; kind < 0 draws one per layer.
struct Scene { uint32_t w, h, layers, current; int kind; std::vector<RasterPolygon> selection; };

// The scene painted from `seed`, after f (when given) ran as the generation loop runs it from generator
// seed `seed`: the product with heap limits that reach the given ranking and the given split of the
// search between threads, or the literal rule.
std::unique_ptr<SelectableRaster> RunScene(const Scene& s, uint32_t seed, const AbstractRasterFunction* f, int ranking = 0, bool literal = false,
                                           const SynthesisSplit& split = {}) {
    std::mt19937 rng(seed);
    auto r = std::make_unique<SelectableRaster>(s.w, s.h);
    r->BeginGeneration();
    for (uint32_t l = 0; l < s.layers; r->CommitWorkingCanvas(), ++l) {
        if (l > 0) r->CreateLayer();
        const int k = s.kind < 0 ? int(rng() % 4) : s.kind;
        const Color flat = RandomColor(rng), other = RandomColor(rng);
        // Layer l selected and its working canvas loaded, then painted.
        for (uint32_t i = (r->SelectLayer(l), r->LoadWorkingCanvas(), 0); i < s.w * s.h; ++i)
            r->SetPixel(int32_t(i), k == 0 ? flat : k == 1 ? (rng() % 2 ? flat : other) : k == 2 ? RandomColor(rng)
                                  : Color::FromWord(0xFF000000u | (i % s.w * 37 % 256) | (i / s.w * 11 % 256) << 8 | i % 3 * 100 << 16));
    }
    r->SelectLayer(s.current), r->LoadWorkingCanvas(), r->AddSelectionPolygons(s.selection), ReseedParameterRng(seed);
    const SynthesisHeapLimits limits[3] = {{}, {0, 0, ~uint64_t(0)}, {0, 0, 0}};  // exact heap, sparse heap, by class
    if (f) literal ? LiteralApply(*r, *f, ranking == 2) : SynthesizeTexture(*r, *f, limits[ranking], split);
    r->CommitWorkingCanvas();
    return r;
}

// The parameters in the order the instruction reads them.
enum { kLayer, kY1, kX1, kY2, kX2, kOverlap, kSize, kCut, kTransfer };
const char* const kNames[9] = {"Donor_Layer", "Donor_Select_Point1_Y", "Donor_Select_Point1X", "Donor_Select_Point2_Y",
                               "Donor_Select_Point2_X", "Quilt_Overlap", "Quilt_Size", "Cut_Edge", "Transfer_Texture"};
using Quilt = std::array<int64_t, 9>;

// The instruction with these values, bit i of `randomised` randomising parameter i by -2 .. 3; the
// values are added to the failure message.
std::unique_ptr<AbstractRasterFunction> Make(const Quilt& v, uint32_t randomised, std::string& what) {
    auto f = MakeDefault<SynthesizeTextureRasterFunction>();
    for (int i = 0; i < 9; ++i) {
        f->SetValue(kNames[i], i == kLayer ? U64(uint64_t(v[i])) : i == kOverlap || i == kSize ? U32(uint32_t(v[i])) : I32(int32_t(v[i])));
        if (randomised >> i & 1) Randomise(*f, kNames[i], I32(-2), I32(3));
        what += std::string(i ? ", " : "") + kNames[i] + " " + std::to_string(v[i]) + (randomised >> i & 1 ? " randomised" : "");
    }
    return f;
}

// ---- the search pieces against their plain rules ------------------------------------

TEST(SynthesisSearch, DrawAndKernelFollowThePlainRules) {
    std::mt19937 rng(17);
    for (uint32_t round = 0; round < 600; ++round) {
        const uint32_t n = std::array<uint32_t, 6>{2, 5, 7, 2147483649u, 3000000000u, 4294967295u}[round % 6],
                       drawn = (ReseedParameterRng(round), DrawUniformInt(n));
        ReseedParameterRng(round);
        ASSERT_EQ(drawn, U(n)) << "U(" << n << ") from generator seed " << round;
        // Kernel: candidates 0 .. count - 1 of 8 padded rows (every lane count and tail), the
        // terms' colours taken from the rows, a third of which are one colour.
        const uint32_t count = 1 + round % 40, stride = count + 20 + kScoreBlock;
        const Color flat = RandomColor(rng);
        std::vector<Color> plane(stride * 8);
        std::vector<float> hsl[3];
        for (Color& c : plane) {
            const HslTerms t = MakeHslTerms(c = rng() % 3 ? RandomColor(rng) : flat);
            hsl[0].push_back(t.h36), hsl[1].push_back(t.s10), hsl[2].push_back(t.l10);
        }
        std::vector<ColourTerm> colour;
        std::vector<LightTerm> light;
        std::vector<double> expected(count), errors(count);
        for (int lightOnly = 0; lightOnly < 2; ++lightOnly)  // colour terms first, then lightness terms
            for (uint32_t terms = rng() % 30; terms > 0; --terms) {
                const int32_t offset = int32_t(rng() % 20 + stride * (rng() % 8)), at = int32_t(rng() % plane.size());
                lightOnly ? light.push_back({offset, hsl[2][at]}) : colour.push_back({offset, hsl[0][at], hsl[1][at], hsl[2][at]});
                for (uint32_t k = 0; k < count; ++k) expected[k] += Dist(plane[k + size_t(offset)], plane[at], lightOnly);
            }
        // No bound, or one of the errors: those above it may come out as infinity, the others exact.
        const double bound = round % 3 ? expected[rng() % count] : std::numeric_limits<double>::infinity();
        ScoreCandidates(hsl[0].data(), hsl[1].data(), hsl[2].data(), count, colour.data(), colour.size(), light.data(), light.size(), errors.data(), bound);
        for (uint32_t k = 0; k < count; ++k)
            ASSERT_TRUE(errors[k] == expected[k] || (std::isinf(errors[k]) && expected[k] > bound))
                << "round " << round << ", candidate " << k << " of " << count << ": " << errors[k] << " for " << expected[k] << ", bound " << bound;
    }
}

// ---- the instruction against the literal rule ------------------------------------------

TEST(SynthesizeTexture, MatchesTheLiteralRuleOnRandomSettings) {
    std::mt19937 rng(20240611);
    for (uint32_t index = 0; index < 1500; ++index) {
        Scene s{6 + uint32_t(rng() % 30), 6 + uint32_t(rng() % 30), 1 + uint32_t(rng() % 3), 0, -1, {}};
        const int32_t x = int32_t(rng() % s.w), y = int32_t(rng() % s.h), x2 = x + 1 + int32_t(rng() % s.w), y2 = y + 1 + int32_t(rng() % s.h);
        s.current = rng() % s.layers, s.selection.assign(rng() % 4 == 0, {{x, y}, {x, y2}, {x2, y2}, {x2, y}});
        Quilt q{std::array<int64_t, 4>{0, 1, 5, (int64_t(1) << 32) + 1}[rng() % 4], 0, 0, 0, 0, 0, int64_t(rng() % 8 ? 1 + rng() % 14 : rng() % 2 * 100),
                int64_t(rng() % 2), int64_t(rng() % 2)};  // layer, size, cut, transfer
        const int64_t reach = rng() % 4 ? 4 : 300;  // corners near the raster or far outside it
        q[kX1] = int64_t(rng() % (s.w + 2 * reach)) - reach, q[kY1] = int64_t(rng() % (s.h + 2 * reach)) - reach;
        // Donors mostly wider and higher than the patch; else square, thin or any width (often exactly S wide).
        const int64_t shape = rng() % 8, dh = std::min<int64_t>(q[kSize] + 1 + rng() % 16, 30);
        const int64_t dw = shape == 0 ? dh : shape == 1 ? 1 + rng() % 2 : shape == 2 ? 1 + rng() % 30 : std::min<int64_t>(q[kSize] + 1 + rng() % 16, 30);
        q[kX2] = q[kX1] + (rng() % 2 ? dw : -dw), q[kY2] = q[kY1] + (rng() % 2 ? dh : -dh);
        q[kOverlap] = rng() % 4 ? int64_t(rng() % 6) : std::array<int64_t, 4>{-3, -1, 100, INT32_MIN}[rng() % 4];
        std::string what = "case " + std::to_string(index) + " of sweep seed 20240611 (generator seed = case), "
                           + std::array<const char*, 3>{"exact heap", "sparse heap", "ranking by class"}[index % 3] + ", raster " + std::to_string(s.w) + " x "
                           + std::to_string(s.h) + ", " + std::to_string(s.layers) + " layers, current " + std::to_string(s.current) + (s.selection.empty() ? "" : ", a rectangle selected") + ": ";
        const auto f = Make(q, rng() % 3 ? 0 : uint32_t(rng() % 512 & rng() % 512), what);
        // One thread, or more sharing blocks of one row, of three rows, or of a sixteenth of them.
        const SynthesisSplit split = std::array<SynthesisSplit, 4>{{{1, 0, 0}, {2, 1, 0}, {2, 3, 0}, {3, 0, 0}}}[index % 4];
        what += ", " + std::to_string(split.threads) + " threads, blocks of " + (split.blockRows ? std::to_string(split.blockRows) : "1/16 of the") + " rows";
        const auto product = RunScene(s, index, f.get(), int(index % 3), false, split);
        const std::mt19937 state = parameterRng();
        const auto literal = RunScene(s, index, f.get(), int(index % 3), true);
        ASSERT_EQ(product->CurrentLayerIndex(), s.current) << what;
        for (uint32_t l = 0; l < s.layers; ++l) ASSERT_TRUE(ImagesEqual(product->Layer(l), literal->Layer(l), s.w, s.h)) << "layer " << l << ", " << what;
        ASSERT_TRUE(parameterRng() == state) << "different draws, " << what;
    }
}

TEST(SynthesizeTexture, EdgeCasesFollowTheRule) {
    const int64_t lo = INT32_MIN, hi = INT32_MAX;
    // step > 0: each selected pixel (x, y) becomes the donor layer's pixel (x0 + x mod step, y0 + y mod
    // step), clamped, where (x0, y0) is the donor region's origin; when the first patch is drawn, only
    // where x or y >= step. step 0: nothing changes; step -1: only runs. Same seed, same result.
    struct Row { const char* what; Quilt q; int64_t step; bool drawn; std::vector<RasterPolygon> selection; };
    const Row rows[] = {
        {"default parameters", {0, 0, 0, 0, 0, 4, 10}, 0, false, {}},
        {"donor of exactly S x S, corners swapped, layer 1, overlap 100 capped at S / 2", {1, 20, 27, 27, 20, 100, 9, 0, 1}, 4, false, {}},
        {"patch size 1: overlap 0, step 1, later patches from the donor origin", {0, 2, 3, 7, 4, 4, 1}, 1, true, {}},
        {"donor exactly S wide, in a selection", {0, 2, 4, 25, 10, 2, 6}, 4, true, {{{10, 5}, {10, 25}, {31, 25}, {31, 5}}}},
        {"2^32 - 1 wide donor: one patch of the clamped corner", {0, lo, lo, hi, hi, 4, 0xFFFFFFFFll, 1, 1}, 0xFFFFFFFFll - 4, false, {}},
        {"every candidate far outside, ranked by class, donor layer beyond the last", {-1, lo, lo, hi, hi, -7, 10, 1, 1}, -1, true, {}},
        {"far-reaching region, exact heap", {0, -300, -300, 400, 400, 4, 20, 1, 0}, -1, true, {}},
    };
    for (uint32_t index = 0; index < std::size(rows); ++index) {
        const Row& row = rows[index];
        const Scene scene{40, 30, 2, 0, 2, row.selection};
        std::string what = std::string(row.what) + ": ";
        const auto f = Make(row.q, 0, what);
        const auto before = RunScene(scene, index, nullptr), a = RunScene(scene, index, f.get());
        EXPECT_TRUE(row.drawn || parameterRng() == std::mt19937(index)) << what << ": drew";
        EXPECT_TRUE(ImagesEqual(a->Layer(0), RunScene(scene, index, f.get())->Layer(0), 40, 30)) << what << ": differs when run again from seed " << index;
        const PixelBuffer& donor = before->Layer(uint32_t(row.q[kLayer]) > 0 ? 1 : 0);
        PixelBuffer expected = before->Layer(0);  // outside the selection, unchanged
        for (const uint32_t i : a->SelectedIndices()) {
            const int64_t x = i % 40, y = i / 40, s = row.step;
            if (s < 0 || (s > 0 && row.drawn && x < s && y < s)) expected[i] = a->Layer(0)[i];  // not predicted
            else if (s > 0) expected[i] = donor[size_t(std::clamp(std::min(row.q[kY1], row.q[kY2]) + y % s, int64_t(0), int64_t(29)) * 40
                                                     + std::clamp(std::min(row.q[kX1], row.q[kX2]) + x % s, int64_t(0), int64_t(39)))];
        }
        EXPECT_TRUE(ImagesEqual(a->Layer(0), expected, 40, 30)) << what;
    }
}

}  // namespace
