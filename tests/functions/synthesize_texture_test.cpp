#include <cstring>
#include <random>
#include <sstream>

#include "functions/synthesis_search.h"
#include "functions/synthesize_texture.h"
#include "functions/synthesize_texture_reference.h"
#include "instructions/function_catalogue.h"
#include "support/test_support.h"

namespace {

using Instruction = std::unique_ptr<AbstractRasterFunction>;

// ---- rasters that cannot hide mistakes --------------------------------------

enum class Texture { Flat, Palette, Noise, Stripes, Picture };

Color RandomColor(std::mt19937& rng) {
    const uint32_t w = uint32_t(rng());
    return Color(uint8_t(w), uint8_t(w >> 8), uint8_t(w >> 16), uint8_t(128 + (w >> 25)));
}

void PaintLayer(SelectableRaster& raster, Texture texture, std::mt19937& rng) {
    const uint32_t w = raster.Width(), h = raster.Height();
    const Color flat = RandomColor(rng);
    const std::vector<Color> palette{RandomColor(rng), RandomColor(rng), RandomColor(rng)};
    const PixelBuffer picture = MakeFPicture(w, h);
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            Color c = flat;
            switch (texture) {
            case Texture::Flat: break;
            case Texture::Palette: c = palette[rng() % palette.size()]; break;
            case Texture::Noise: c = RandomColor(rng); break;
            case Texture::Stripes: c = Color(uint8_t(x * 37), uint8_t(y * 11), uint8_t((x + y) % 3 * 100), 255); break;
            case Texture::Picture: c = picture[y * w + x]; break;
            }
            raster.SetPixel(int32_t(y * w + x), c);
        }
    }
}

// A raster of the given size with `layers` painted layers, `current` selected
// and its working canvas loaded, as the generation loop leaves it before an
// instruction runs.
std::unique_ptr<SelectableRaster> MakeRaster(uint32_t w, uint32_t h, uint32_t seed, uint32_t layers,
                                             uint32_t current, std::vector<Texture> textures,
                                             const std::vector<RasterPolygon>& selection = {}) {
    std::mt19937 rng(seed);
    auto raster = std::make_unique<SelectableRaster>(w, h);
    raster->BeginGeneration();
    for (uint32_t l = 0; l < layers; ++l) {
        if (l > 0) raster->CreateLayer();
        raster->SelectLayer(l);
        raster->LoadWorkingCanvas();
        PaintLayer(*raster, textures[l % textures.size()], rng);
        raster->CommitWorkingCanvas();
    }
    raster->SelectLayer(current);
    raster->LoadWorkingCanvas();
    if (!selection.empty()) raster->AddSelectionPolygons(selection);
    return raster;
}

// Runs one instruction the way Generate does, from a fixed generator state.
void RunOn(SelectableRaster& raster, const AbstractRasterFunction& f, bool literal, uint32_t rngSeed) {
    ReseedParameterRng(rngSeed);
    raster.LoadWorkingCanvas();
    if (literal)
        reference::Apply(raster, f);
    else
        f.GetFunction()(&raster, &f);
    raster.CommitWorkingCanvas();
}

::testing::AssertionResult SameLayers(const SelectableRaster& a, const SelectableRaster& b) {
    if (a.LayerCount() != b.LayerCount() || a.CurrentLayerIndex() != b.CurrentLayerIndex())
        return ::testing::AssertionFailure() << "layer count or current layer differs";
    for (uint32_t l = 0; l < a.LayerCount(); ++l) {
        auto same = ImagesEqual(a.Layer(l), b.Layer(l), a.Width(), a.Height());
        if (!same) return same << " (layer " << l << ")";
    }
    return ::testing::AssertionSuccess();
}

struct Quilt {
    uint64_t donorLayer = 0;
    int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int32_t overlap = 4;
    uint32_t size = 10;
    int32_t cut = 0, transfer = 0;

    Instruction Make() const {
        return MakeDefault<SynthesizeTextureRasterFunction>({
            {"Donor_Layer", U64(donorLayer)},
            {"Donor_Select_Point1X", I32(x1)},
            {"Donor_Select_Point1_Y", I32(y1)},
            {"Donor_Select_Point2_X", I32(x2)},
            {"Donor_Select_Point2_Y", I32(y2)},
            {"Quilt_Overlap", U32(uint32_t(overlap))},
            {"Quilt_Size", U32(size)},
            {"Cut_Edge", I32(cut)},
            {"Transfer_Texture", I32(transfer)},
        });
    }
    std::string Describe() const {
        std::ostringstream s;
        s << "layer " << donorLayer << " corners (" << x1 << ", " << y1 << ")-(" << x2 << ", " << y2
          << ") overlap " << overlap << " size " << size << " cut " << cut << " transfer " << transfer;
        return s.str();
    }
};

class SynthesizeTextureTest : public CoreTest {};

// ---- the class and its parameters ---------------------------------------------

TEST_F(SynthesizeTextureTest, IsCatalogueEntryNineteenWithItsParameterKeys) {
    const AbstractRasterFunction* prototype = functionCatalogue().at(19);
    EXPECT_EQ(prototype->GetTypeId(), 19u);
    EXPECT_EQ(prototype->GetName(), "Synthesize Texture");
    EXPECT_TRUE(prototype->HasParameter("Donor_Select_Point1X"));
    EXPECT_FALSE(prototype->HasParameter("Donor_Select_Point1_X"));
    EXPECT_EQ(prototype->GetRawValue("Quilt_Size").AsUInt32(), 10u);
    EXPECT_EQ(prototype->GetRawValue("Quilt_Overlap").AsUInt32(), 4u);
}

// ---- the draw and the heap ------------------------------------------------------

TEST_F(SynthesizeTextureTest, UniformDrawFollowsTheRejectionRule) {
    // 2^31 + 1 rejects almost half of all outputs; 2^32 - 1 and 5 rarely; 1 draws nothing.
    for (const uint32_t n : {1u, 2u, 5u, 7u, 2147483649u, 3000000000u, 4294967295u}) {
        ReseedParameterRng(n);
        std::vector<uint32_t> product;
        for (int i = 0; i < 200; ++i) product.push_back(DrawUniformInt(n));
        const std::mt19937 productState = parameterRng();
        ReseedParameterRng(n);
        for (int i = 0; i < 200; ++i) ASSERT_EQ(product[size_t(i)], reference::UniformDraw(n)) << "n " << n;
        EXPECT_TRUE(parameterRng() == productState) << "n " << n;
    }
    ReseedParameterRng(1);
    DrawUniformInt(1);
    std::mt19937 fresh(1);
    EXPECT_TRUE(parameterRng() == fresh);
}

TEST_F(SynthesizeTextureTest, HeapPopsEqualErrorsInTheFixedOrder) {
    std::mt19937 rng(3);
    for (int round = 0; round < 300; ++round) {
        const size_t n = 1 + rng() % 60;
        const uint32_t distinct = 1 + rng() % 4;  // few values: many exact ties
        CandidateHeap heap;
        heap.Reserve(n);
        reference::Heap plain;
        for (uint32_t i = 0; i < n; ++i) {
            const double e = double(rng() % distinct);
            heap.Push({e, i, uint32_t(round)});
            plain.Push({e, i, uint32_t(round)});
        }
        for (size_t pop = 0; pop < n; ++pop) {
            ASSERT_EQ(heap.Top().x, plain.a[0].x) << "round " << round << " pop " << pop;
            heap.Pop();
            plain.Pop();
        }
        EXPECT_TRUE(heap.Empty());
    }
}

TEST_F(SynthesizeTextureTest, ScoringKernelSumsEachCandidateInItsOwnOrder) {
    std::mt19937 rng(17);
    for (int round = 0; round < 100; ++round) {
        const uint32_t count = 1 + rng() % 40, stride = count + 20 + kScoreBlock, rows = 8;
        std::vector<Color> plane(size_t(stride) * rows);
        const Color flat = RandomColor(rng);
        for (Color& c : plane) c = rng() % 3 == 0 ? flat : RandomColor(rng);
        std::vector<float> h(plane.size()), s(plane.size()), l(plane.size());
        for (size_t i = 0; i < plane.size(); ++i) {
            const HslTerms t = MakeHslTerms(plane[i]);
            h[i] = t.h36, s[i] = t.s10, l[i] = t.l10;
        }
        std::vector<ColourTerm> colour;
        std::vector<LightTerm> light;
        std::vector<Color> colourOf, lightOf;
        for (uint32_t n = rng() % 30; n > 0; --n) {
            const Color c = rng() % 2 ? flat : RandomColor(rng);
            const HslTerms t = MakeHslTerms(c);
            colour.push_back({int32_t(rng() % 20 + stride * (rng() % rows)), t.h36, t.s10, t.l10});
            colourOf.push_back(c);
        }
        for (uint32_t n = rng() % 30; n > 0; --n) {
            const Color c = RandomColor(rng);
            light.push_back({int32_t(rng() % 20 + stride * (rng() % rows)), MakeHslTerms(c).l10});
            lightOf.push_back(c);
        }
        std::vector<double> errors(count);
        ScoreCandidates(h.data(), s.data(), l.data(), count, colour.data(), colour.size(), light.data(),
                        light.size(), errors.data());
        for (uint32_t c = 0; c < count; ++c) {
            double expected = 0.0;
            for (size_t t = 0; t < colour.size(); ++t)
                expected += reference::ColourDistance(plane[c + size_t(colour[t].offset)], colourOf[t]);
            for (size_t t = 0; t < light.size(); ++t)
                expected += reference::LightnessDistance(plane[c + size_t(light[t].offset)], lightOf[t]);
            ASSERT_EQ(std::memcmp(&errors[c], &expected, sizeof expected), 0)
                << "round " << round << " candidate " << c << ": " << errors[c] << " vs " << expected;
        }
    }
}

// ---- behaviours ---------------------------------------------------------------------

TEST_F(SynthesizeTextureTest, DefaultParametersChangeNothingAndDrawNothing) {
    auto raster = MakeRaster(100, 100, 1, 1, 0, {Texture::Noise});
    const PixelBuffer before = raster->Layer(0);
    const Instruction f = MakeDefault<SynthesizeTextureRasterFunction>();
    RunOn(*raster, *f, false, 77);
    EXPECT_TRUE(ImagesEqual(raster->Layer(0), before, 100, 100));
    EXPECT_TRUE(parameterRng() == std::mt19937(77));
}

TEST_F(SynthesizeTextureTest, DonorOfExactlyOnePatchTilesItWithoutDrawing) {
    // 7 x 7 donor at (20, 30) of layer 1, overlap 3: step 4, cut off, so the
    // last patch to cover (x, y) starts at (x - x mod 4, y - y mod 4).
    auto raster = MakeRaster(50, 40, 2, 2, 0, {Texture::Stripes, Texture::Noise});
    const PixelBuffer donorLayer = raster->Layer(1);
    Quilt s;
    s.donorLayer = 1;
    s.x1 = 27, s.y1 = 30, s.x2 = 20, s.y2 = 37;
    s.size = 9, s.overlap = 3, s.transfer = 1;
    RunOn(*raster, *s.Make(), false, 5);
    EXPECT_TRUE(parameterRng() == std::mt19937(5));
    for (uint32_t y = 0; y < 40; ++y)
        for (uint32_t x = 0; x < 50; ++x)
            ASSERT_EQ(raster->Layer(0)[y * 50 + x], donorLayer[(30 + y % 4) * 50 + 20 + x % 4]) << x << ", " << y;
    EXPECT_EQ(raster->CurrentLayerIndex(), 0u);
}

TEST_F(SynthesizeTextureTest, DonorExactlyOnePatchWideTakesLaterPatchesFromItsOrigin) {
    auto raster = MakeRaster(30, 30, 3, 1, 0, {Texture::Noise});
    const PixelBuffer layer = raster->Layer(0);
    Quilt s;
    s.x1 = 4, s.y1 = 2, s.x2 = 10, s.y2 = 25;  // 6 x 23, patch 6, overlap 2, step 4
    s.size = 6, s.overlap = 2;
    RunOn(*raster, *s.Make(), false, 11);
    for (uint32_t y = 0; y < 30; ++y)
        for (uint32_t x = 0; x < 30; ++x)
            if (x >= 4 || y >= 4) {
                ASSERT_EQ(raster->Layer(0)[y * 30 + x], layer[(2 + y % 4) * 30 + 4 + x % 4]) << x << ", " << y;
            }
}

TEST_F(SynthesizeTextureTest, RectangularSelectionConfinesTheResult) {
    const std::vector<RasterPolygon> rect{{{10, 5}, {10, 25}, {31, 25}, {31, 5}}};
    auto whole = MakeRaster(40, 30, 4, 1, 0, {Texture::Palette});
    auto part = MakeRaster(40, 30, 4, 1, 0, {Texture::Palette}, rect);
    const PixelBuffer before = part->Layer(0);
    Quilt s;
    s.x1 = 0, s.y1 = 0, s.x2 = 20, s.y2 = 18, s.size = 5, s.overlap = 2, s.cut = 1;
    RunOn(*whole, *s.Make(), false, 9);
    RunOn(*part, *s.Make(), false, 9);
    size_t changed = 0;
    for (uint32_t y = 0; y < 30; ++y) {
        for (uint32_t x = 0; x < 40; ++x) {
            const bool inside = x >= 10 && x < 31 && y >= 5 && y < 25;
            const Color expected = inside ? whole->Layer(0)[y * 40 + x] : before[y * 40 + x];
            ASSERT_EQ(part->Layer(0)[y * 40 + x], expected) << x << ", " << y;
            changed += part->Layer(0)[y * 40 + x] != before[y * 40 + x];
        }
    }
    EXPECT_GT(changed, 100u);
}

// ---- the product against the plain version ----------------------------------------------

struct RandomCase {
    uint32_t w, h, layers, current;
    std::vector<Texture> textures;
    std::vector<RasterPolygon> selection;
    Quilt setup;
    bool randomiseSize = false;
};

RandomCase MakeCase(std::mt19937& rng) {
    RandomCase c;
    c.w = 8 + rng() % 25;
    c.h = 8 + rng() % 25;
    c.layers = 1 + rng() % 3;
    c.current = rng() % c.layers;
    for (uint32_t l = 0; l < c.layers; ++l) c.textures.push_back(Texture(rng() % 5));
    if (rng() % 4 == 0) {
        const int32_t x = int32_t(rng() % c.w), y = int32_t(rng() % c.h);
        const int32_t x2 = x + 1 + int32_t(rng() % c.w), y2 = y + 1 + int32_t(rng() % c.h);
        c.selection = {{{x, y}, {x, y2}, {x2, y2}, {x2, y}}};
    }
    Quilt& s = c.setup;
    const uint64_t layers[] = {0, 1, 2, 7, (uint64_t(1) << 32) + 1};
    s.donorLayer = layers[rng() % 5];
    const int32_t reach = rng() % 5 == 0 ? 30 : 6;  // sometimes far outside the raster
    auto corner = [&](uint32_t side) { return int32_t(rng() % (side + 2 * reach)) - reach; };
    s.x1 = corner(c.w), s.x2 = corner(c.w), s.y1 = corner(c.h), s.y2 = corner(c.h);
    if (reach > 6) {  // keep the plain version's work small
        s.x2 = s.x1 + int32_t(rng() % 40), s.y2 = s.y1 + int32_t(rng() % 40);
    }
    const uint32_t width = uint32_t(std::abs(s.x2 - s.x1)), height = uint32_t(std::abs(s.y2 - s.y1));
    switch (rng() % 6) {
    case 0: s.size = 1; break;
    case 1: s.size = std::min(width, height); break;  // exactly S wide or high
    case 2: s.size = 1000000; break;
    default: s.size = 2 + rng() % 6; break;
    }
    if (rng() % 8 == 0) s.x2 = s.x1 + int32_t(std::min(s.size, 12u));  // exactly S wide
    if (rng() % 10 == 0) {  // exactly S x S
        s.size = 1 + rng() % 12;
        s.x2 = s.x1 - int32_t(s.size), s.y2 = s.y1 + int32_t(s.size);
    }
    const int32_t overlaps[] = {-2, 0, 1, 2, 3, 100, int32_t(s.size)};
    s.overlap = overlaps[rng() % 7];
    s.cut = int32_t(rng() % 2);
    s.transfer = int32_t(rng() % 2) * (rng() % 2 ? 1 : 5);
    c.randomiseSize = rng() % 6 == 0;
    return c;
}

void ExpectSameAsPlain(const RandomCase& c, uint32_t index) {
    auto fast = MakeRaster(c.w, c.h, index, c.layers, c.current, c.textures, c.selection);
    auto plain = MakeRaster(c.w, c.h, index, c.layers, c.current, c.textures, c.selection);
    Instruction f = c.setup.Make();
    if (c.randomiseSize) {
        Randomise(*f, "Quilt_Size", I32(-3), I32(4));
        Randomise(*f, "Donor_Select_Point1X", I32(-2), I32(2));
    }
    RunOn(*fast, *f, false, index);
    const std::mt19937 fastState = parameterRng();
    RunOn(*plain, *f, true, index);
    EXPECT_TRUE(SameLayers(*fast, *plain)) << "case " << index << ": raster " << c.w << " x " << c.h << ", "
                                           << c.setup.Describe() << (c.randomiseSize ? ", randomised" : "");
    EXPECT_TRUE(parameterRng() == fastState) << "case " << index << ": different draws";
}

TEST_F(SynthesizeTextureTest, MatchesThePlainVersionOnRandomCases) {
    std::mt19937 rng(20240611);
    for (uint32_t index = 0; index < 240; ++index) {
        const RandomCase c = MakeCase(rng);
        ExpectSameAsPlain(c, index);
        if (HasFailure()) break;
    }
}

TEST_F(SynthesizeTextureTest, SparseHeapMatchesThePlainVersion) {
    // Heap too big to build whole: only the errors up to the k-th smallest
    // are stored, ties and all, and the answer must not change.
    const SynthesisHeapLimits saved = synthesisHeapLimits();
    synthesisHeapLimits() = {0, 0, ~uint64_t(0)};
    std::mt19937 rng(7);
    for (uint32_t index = 0; index < 120; ++index) {
        ExpectSameAsPlain(MakeCase(rng), 2000 + index);
        if (HasFailure()) break;
    }
    synthesisHeapLimits() = saved;
}

TEST_F(SynthesizeTextureTest, ClassRankingMatchesTheHeapWhenErrorsDiffer) {
    // With the heap limits at 0 every search ranks by class; on noise with
    // transfer on no two classes tie, so the result must not change.
    const SynthesisHeapLimits saved = synthesisHeapLimits();
    synthesisHeapLimits() = {0, 0, 0};
    std::mt19937 rng(99);
    for (uint32_t index = 0; index < 30; ++index) {
        RandomCase c = MakeCase(rng);
        c.textures = {Texture::Noise};
        c.setup.transfer = 1;
        c.setup.size = std::max(c.setup.size, 3u);  // one-pixel lightness terms tie too often
        ExpectSameAsPlain(c, 1000 + index);
        if (HasFailure()) break;
    }
    synthesisHeapLimits() = saved;
}

// ---- values only a file can hold ------------------------------------------------------------

TEST_F(SynthesizeTextureTest, SurvivesExtremeFileValues) {
    auto raster = MakeRaster(100, 100, 6, 2, 1, {Texture::Noise, Texture::Palette});
    const int32_t lo = INT32_MIN, hi = INT32_MAX;
    const Quilt cases[] = {
        {0, lo, lo, hi, hi, 4, 0xFFFFFFFFu, 1, 1},             // 2^32 - 1 wide donor, one huge patch
        {0, lo, lo, hi, hi, -7, 10, 1, 1},                     // every candidate far outside: ranked by class
        {~uint64_t(0), -5000, -5000, 5000, 5000, 4, 10, 1, 1}, // a hundred million candidates
        {3, 0, 0, 100, 100, lo, 10, 1, 1},                     // overlap -2^31: one patch
        {3, 0, 0, 100, 100, -3, 6, 1, 0},                      // gaps between patches
        {0, -300, -300, 400, 400, 4, 20, 1, 0},                // far-reaching region, exact heap
        {1, 50, 50, 50, 50, 4, 10, 1, 1},                      // empty region
    };
    for (const Quilt& s : cases) {
        RunOn(*raster, *s.Make(), false, 1);
        EXPECT_EQ(raster->CurrentLayerIndex(), 1u) << s.Describe();
        EXPECT_EQ(raster->LayerCount(), 2u);
    }
}

TEST_F(SynthesizeTextureTest, NegativeOverlapLeavesGapsOfEarlierContent) {
    auto raster = MakeRaster(20, 20, 8, 1, 0, {Texture::Noise});
    const PixelBuffer before = raster->Layer(0);
    Quilt s;
    s.x1 = 0, s.y1 = 0, s.x2 = 12, s.y2 = 12, s.size = 4, s.overlap = -2;  // step 6
    RunOn(*raster, *s.Make(), false, 4);
    for (uint32_t y = 0; y < 20; ++y)
        for (uint32_t x = 0; x < 20; ++x)
            if (x % 6 >= 4 || y % 6 >= 4) {
                ASSERT_EQ(raster->Layer(0)[y * 20 + x], before[y * 20 + x]) << x << ", " << y;
            }
}

}  // namespace
