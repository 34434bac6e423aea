// HSL Modify with the shared RGB-to-HSL conversion, and Crystallize.
#include <cfloat>
#include <cmath>
#include <limits>
#include <set>

#include "functions/crystallize.h"
#include "functions/filter_test_support.h"
#include "functions/hsl_modify.h"
#include "functions/set_seed.h"
#include "functions/gradient.h"
#include "raster/hsl.h"

namespace {

class HslModifyTest : public CoreTest {
protected:
    static Color Modify(Color c, float hue, uint32_t saturation = 100, int32_t light = 0) {
        auto f = MakeDefault<HSLModifyRasterFunction>(
            {{"Hue_Offset", F32(hue)}, {"Saturation_Multi", U32(saturation)}, {"Light_Offset", I32(light)}});
        return ApplyToPicture(*f, PixelBuffer(10000, c))[4321];
    }
};

TEST_F(HslModifyTest, RgbToHslOfKnownColours) {
    const HslColor red = RgbToHsl(Color(255, 0, 0, 9));
    EXPECT_EQ(red.h, 0.0f);  // 360 wraps to 0
    EXPECT_EQ(red.s, 1.0f);
    EXPECT_EQ(red.l, 0.5f);
    EXPECT_FLOAT_EQ(RgbToHsl(Color(0, 255, 0, 255)).h, 120.0f);
    EXPECT_FLOAT_EQ(RgbToHsl(Color(0, 0, 255, 255)).h, 240.0f);
    EXPECT_FLOAT_EQ(RgbToHsl(Color(255, 0, 255, 255)).h, 300.0f);  // red tested before blue
    EXPECT_FLOAT_EQ(RgbToHsl(Color(255, 255, 0, 255)).h, 60.0f);
    const HslColor orange = RgbToHsl(Color(255, 128, 0, 255));
    EXPECT_NEAR(orange.h, 30.1176f, 1e-3f);
    const HslColor grey = RgbToHsl(Color(77, 77, 77, 255));
    EXPECT_EQ(grey.h, 0.0f);
    EXPECT_EQ(grey.s, 0.0f);
    EXPECT_EQ(RgbToHsl(Color(0, 0, 0, 255)).s, 0.0f);
    EXPECT_EQ(RgbToHsl(kOpaqueWhite).s, 0.0f);  // 1 - |2L - 1| = 0
    const HslColor dark = RgbToHsl(Color(40, 10, 20, 255));
    EXPECT_NEAR(dark.s, 30.0f / 50.0f, 1e-6f);
    EXPECT_NEAR(dark.h, 340.0f, 1e-3f);
}

TEST_F(HslModifyTest, IdentityKeepsPureColoursAndLosesAtMostOneUnit) {
    for (Color c : {Color(255, 0, 0, 255), Color(0, 255, 0, 255), Color(0, 0, 255, 255), Color(0, 0, 0, 255),
                    kOpaqueWhite, Color(128, 128, 128, 255), Color(77, 77, 77, 10), Color(255, 255, 0, 255),
                    Color(0, 255, 255, 255), Color(255, 0, 255, 0)})
        EXPECT_EQ(Modify(c, 0.0f), c) << std::hex << c.Word();
    // Other colours come back equal or one lower per channel (truncation).
    const PixelBuffer picture = RandomPicture(11);
    auto f = MakeDefault<HSLModifyRasterFunction>();
    const PixelBuffer out = ApplyToPicture(*f, picture);
    for (size_t i = 0; i < out.size(); ++i) {
        for (int k = 0; k < 3; ++k) {
            const int before = (&picture[i].r)[k], after = (&out[i].r)[k];
            ASSERT_TRUE(after == before || after == before - 1)
                << "pixel " << i << " channel " << k << ": " << before << " -> " << after;
        }
    }
}

TEST_F(HslModifyTest, HueSaturationAndLightness) {
    EXPECT_EQ(Modify(Color(255, 0, 0, 255), 120.0f), Color(0, 255, 0, 255));
    EXPECT_EQ(Modify(Color(255, 0, 0, 255), -120.0f), Color(0, 0, 255, 255));
    EXPECT_EQ(Modify(Color(0, 0, 255, 200), 120.0f), Color(255, 0, 0, 200));
    // Offsets beyond +-360 wrap.
    for (float hue : {480.0f, -600.0f, 840.0f, 120.0f + 360.0f * 1000.0f})
        EXPECT_EQ(Modify(Color(255, 0, 0, 255), hue), Color(0, 255, 0, 255)) << hue;

    const PixelBuffer picture = RandomPicture(12);
    auto grey = MakeDefault<HSLModifyRasterFunction>({{"Saturation_Multi", U32(0)}});
    auto white = MakeDefault<HSLModifyRasterFunction>({{"Light_Offset", I32(100)}, {"Hue_Offset", F32(33.0f)}});
    auto black = MakeDefault<HSLModifyRasterFunction>({{"Light_Offset", I32(-100)}, {"Saturation_Multi", U32(200)}});
    const PixelBuffer greyOut = ApplyToPicture(*grey, picture);
    const PixelBuffer whiteOut = ApplyToPicture(*white, picture);
    const PixelBuffer blackOut = ApplyToPicture(*black, picture);
    for (size_t i = 0; i < picture.size(); ++i) {
        const uint8_t level = uint8_t(int(RgbToHsl(picture[i]).l * 255.0f));
        ASSERT_EQ(greyOut[i], Color(level, level, level, picture[i].a)) << i;
        ASSERT_EQ(whiteOut[i], Color(255, 255, 255, picture[i].a)) << i;
        ASSERT_EQ(blackOut[i], Color(0, 0, 0, picture[i].a)) << i;
    }
    // Saturation is clamped to 1: doubling a saturated colour keeps it.
    EXPECT_EQ(Modify(Color(255, 0, 0, 255), 0.0f, 200), Color(255, 0, 0, 255));
}

TEST_F(HslModifyTest, ValuesOnlyAFileCanHold) {
    const Color c(30, 140, 90, 77);
    for (float hue : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                      -std::numeric_limits<float>::infinity()})
        EXPECT_EQ(Modify(c, hue), Modify(c, 0.0f));
    EXPECT_EQ(Modify(c, FLT_MAX).a, 77);
    EXPECT_EQ(Modify(c, 0.0f, 0xFFFFFFFFu), Modify(c, 0.0f, 1000000));  // saturation clamps to 1
    EXPECT_EQ(Modify(c, 0.0f, 100, std::numeric_limits<int32_t>::min()), Color(0, 0, 0, 77));
    EXPECT_EQ(Modify(c, 0.0f, 100, std::numeric_limits<int32_t>::max()), Color(255, 255, 255, 77));
}

// ---- Crystallize --------------------------------------------------------------

struct CrystalSettings {
    int32_t size;
    uint32_t density;
    float sx, sy;
};

std::unique_ptr<AbstractRasterFunction> MakeCrystallize(const CrystalSettings& s) {
    return MakeDefault<CrystallizeRasterFunction>({{"Crystal_Size", I32(s.size)},
                                                   {"Crystal_Density", U32(s.density)},
                                                   {"Crystal_Density_SpreadX", F32(s.sx)},
                                                   {"Crystal_Density_SpreadY", F32(s.sy)}});
}

// An independent reading of the crystallise rules for editor values: seeds
// and extra points from a generator seeded like parameterRng(), nearest point
// of the 3 x 3 cells, single-precision distances, earlier candidate on a tie.
PixelBuffer ExpectedCrystals(const PixelBuffer& picture, uint32_t seed, const CrystalSettings& s) {
    std::mt19937 rng(seed);
    auto unit = [&] { return float(uint32_t(rng())) / 4294967296.0f; };
    const float size = float(s.size);
    rng.discard(uint64_t(s.size));
    const int g = std::max(int(100.0f / size), 1) + 2;
    struct Point {
        long x, y;
    };
    std::vector<std::vector<Point>> points(size_t(g * g));
    std::vector<Color> colours(size_t(g * g));
    for (int j = 0; j < g; ++j) {
        for (int i = 0; i < g; ++i) {
            const float r1 = unit(), r2 = unit();
            const float x = ((float(i - 1) * size + size / 2) + (r1 * size - size / 2));
            const float y = ((float(j - 1) * size + size / 2) + (r2 * size - size / 2));
            auto& list = points[size_t(j * g + i)];
            list.push_back({std::lround(x), std::lround(y)});
            const long cx = std::clamp(list[0].x, 0L, 99L), cy = std::clamp(list[0].y, 0L, 99L);
            colours[size_t(j * g + i)] = picture[size_t(cy * 100 + cx)];
            for (uint32_t k = 0; k < s.density; ++k) {
                const float r3 = unit(), r4 = unit();
                list.push_back({std::lround(x + (r3 * s.sx - s.sx / 2)), std::lround(y + (r4 * s.sy - s.sy / 2))});
            }
        }
    }
    PixelBuffer out(10000);
    for (int py = 0; py < 100; ++py) {
        for (int px = 0; px < 100; ++px) {
            const int ci = int(float(px) / size) + 1, cj = int(float(py) / size) + 1;
            float best = FLT_MAX;
            for (int dj = -1; dj <= 1; ++dj) {
                for (int di = -1; di <= 1; ++di) {
                    const size_t cell = size_t(std::clamp(cj + dj, 0, g - 1) * g + std::clamp(ci + di, 0, g - 1));
                    for (const Point& q : points[cell]) {
                        const float d = float(std::sqrt(double(q.x - px) * double(q.x - px) + double(q.y - py) * double(q.y - py)));
                        if (d < best) {
                            best = d;
                            out[size_t(py * 100 + px)] = colours[cell];
                        }
                    }
                }
            }
        }
    }
    return out;
}

class CrystallizeTest : public CoreTest {
protected:
    static PixelBuffer Crystallize(const PixelBuffer& picture, uint32_t seed, const CrystalSettings& s,
                                   const std::vector<RasterPolygon>& selection = {}) {
        auto raster = RasterWith(picture, selection);
        ReseedParameterRng(seed);
        return ApplyTo(*raster, *MakeCrystallize(s));
    }
    // The next output of parameterRng(), to count what an application drew.
    static uint32_t NextOutput() { return uint32_t(parameterRng()()); }
    static uint32_t OutputAfter(uint32_t seed, uint64_t draws) {
        std::mt19937 rng(seed);
        rng.discard(draws);
        return uint32_t(rng());
    }
};

TEST_F(CrystallizeTest, MatchesIndependentReading) {
    const PixelBuffer picture = RandomPicture(21);
    for (const CrystalSettings& s : {CrystalSettings{10, 0, 0, 0}, CrystalSettings{10, 3, 30, 12},
                                     CrystalSettings{7, 10, 30, 30}, CrystalSettings{2, 1, 5, 0},
                                     CrystalSettings{100, 2, 60, 90}, CrystalSettings{33, 0, 0, 0}}) {
        for (uint32_t seed : {0u, 99u}) {
            ASSERT_TRUE(ImagesEqual(Crystallize(picture, seed, s), ExpectedCrystals(picture, seed, s), 100, 100))
                << "size " << s.size << " density " << s.density << " spreads " << s.sx << "," << s.sy << " seed " << seed;
        }
    }
}

// A fixed-seed sweep over editor values: sizes 2..100, densities 0..10,
// spreads up to 300 (points far outside their cells, ties between crystals).
TEST_F(CrystallizeTest, MatchesIndependentReadingOverRandomSettings) {
    std::mt19937 rng(1206);
    const PixelBuffer picture = RandomPicture(5);
    for (int round = 0; round < 40; ++round) {
        const CrystalSettings s{int32_t(2 + rng() % 99), uint32_t(rng() % 11), float(rng() % 301),
                                float(rng() % 4 == 0 ? 0 : rng() % 301)};
        const uint32_t seed = uint32_t(rng());
        ASSERT_TRUE(ImagesEqual(Crystallize(picture, seed, s), ExpectedCrystals(picture, seed, s), 100, 100))
            << "round " << round << " size " << s.size << " density " << s.density << " spreads " << s.sx << ","
            << s.sy << " seed " << seed;
    }
}

TEST_F(CrystallizeTest, DensityZeroIsFlatJitteredCells) {
    const PixelBuffer picture = RandomPicture(22);
    const PixelBuffer out = Crystallize(picture, 5, {10, 0, 0, 0});
    // Each crystal is a flat colour taken from the picture, at most one per
    // cell of the 12 x 12 grid, and every colour still present came from it.
    std::set<uint32_t> source, result;
    for (Color c : picture) source.insert(c.Word());
    for (Color c : out) result.insert(c.Word());
    EXPECT_LE(result.size(), 144u);
    EXPECT_GT(result.size(), 40u);
    for (uint32_t w : result) EXPECT_TRUE(source.count(w)) << std::hex << w;
    // Extra points without spread fall on their seeds: same image as the plain
    // Voronoi of the seeds drawn between them.
    EXPECT_EQ(Crystallize(picture, 5, {10, 4, 0, 0}), ExpectedCrystals(picture, 5, {10, 4, 0, 0}));
}

TEST_F(CrystallizeTest, TransparentCrystalsAndDeterminism) {
    PixelBuffer picture(10000, kTransparentBlack);
    for (uint32_t i = 0; i < 10000; ++i)
        if ((i % 100) < 50) picture[i] = Color(10, 200, 30, 255);
    const PixelBuffer out = Crystallize(picture, 8, {10, 0, 0, 0});
    EXPECT_GT(CountPixels(out, kTransparentBlack), 3000u);
    EXPECT_GT(CountPixels(out, Color(10, 200, 30, 255)), 3000u);
    EXPECT_EQ(Crystallize(picture, 8, {10, 0, 0, 0}), out);
    EXPECT_NE(Crystallize(picture, 9, {10, 0, 0, 0}), out);

    // Through the generation: Set Seed makes the texture repeat.
    auto queue = [](uint64_t seed) {
        return Queue(Make<SetSeedRasterFunction>({{"Seed", U64(seed)}}),
                     Make<GradientRasterFunction>({{"Color1_Red", U8(255)}, {"Color1_Green", U8(0)}, {"Color1_Blue", U8(0)},
                                                   {"Color1_Alpha", U8(255)}, {"Point2_X", I32(99)}, {"Point2_Y", I32(70)},
                                                   {"Color2_Red", U8(0)}, {"Color2_Green", U8(0)}, {"Color2_Blue", U8(255)},
                                                   {"Color2_Alpha", U8(255)}}),
                     MakeCrystallize({8, 2, 10, 10}));
    };
    const PixelBuffer first = Render(queue(3))->CompositeCanvas();
    EXPECT_EQ(Render(queue(3))->CompositeCanvas(), first);
    EXPECT_NE(Render(queue(4))->CompositeCanvas(), first);
}

TEST_F(CrystallizeTest, DrawsTheAdvanceThenTwoPerPoint) {
    const PixelBuffer picture = RandomPicture(23);
    struct Case {
        CrystalSettings s;
        uint64_t grid;
    };
    for (const Case& c : {Case{{10, 0, 0, 0}, 12}, Case{{10, 3, 4, 4}, 12}, Case{{7, 2, 0, 0}, 16},
                          Case{{100, 0, 0, 0}, 3}, Case{{2, 10, 1, 1}, 52}, Case{{11, 0, 0, 0}, 11}}) {
        Crystallize(picture, 41, c.s);
        EXPECT_EQ(NextOutput(), OutputAfter(41, uint64_t(c.s.size) + 2 * c.grid * c.grid * (1 + c.s.density)))
            << "size " << c.s.size;
    }
    // A different size means a different advance, hence different jitter, even
    // where the grid is the same (100 / 34 and 100 / 40 both give 4 cells).
    EXPECT_NE(Crystallize(picture, 41, {34, 0, 0, 0}), Crystallize(picture, 41, {34 + 6, 0, 0, 0}));
}

TEST_F(CrystallizeTest, ValuesOnlyAFileCanHold) {
    const PixelBuffer picture = RandomPicture(24);
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    // No cell size: unchanged, nothing drawn.
    for (int32_t size : {0, -1, std::numeric_limits<int32_t>::min()}) {
        EXPECT_EQ(Crystallize(picture, 41, {size, 3, 5, 5}), picture) << size;
        EXPECT_EQ(NextOutput(), OutputAfter(41, 0));
    }
    // A size of 1 is literal.
    EXPECT_EQ(Crystallize(picture, 41, {1, 0, 0, 0}), ExpectedCrystals(picture, 41, {1, 0, 0, 0}));
    // Cells beyond the raster's reach read as the reach; density beyond the slider as 10.
    EXPECT_EQ(Crystallize(picture, 41, {std::numeric_limits<int32_t>::max(), 1, 3, 3}),
              Crystallize(picture, 41, {100, 1, 3, 3}));
    EXPECT_EQ(NextOutput(), OutputAfter(41, 100 + 2 * 9 * 2));
    EXPECT_EQ(Crystallize(picture, 41, {10, 0xFFFFFFFFu, 8, 8}), Crystallize(picture, 41, {10, 10, 8, 8}));
    // Spreads without a size, or too large to land near a pixel, leave the
    // extra points no nearer than their seeds.
    const PixelBuffer still = Crystallize(picture, 41, {10, 3, 0, 0});
    for (float spread : {nan, inf, -inf, FLT_MAX, -FLT_MAX, 1e20f}) {
        EXPECT_EQ(Crystallize(picture, 41, {10, 3, spread, spread}), still) << spread;
        EXPECT_EQ(Crystallize(picture, 41, {10, 3, spread, 0.0f}), still) << spread;
    }
}

}  // namespace
