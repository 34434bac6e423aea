// Blurs: pixel sets of the offsets, the alpha-weighted average's rules, edge
// clamping, the values only a project file can hold, and the fast apply
// routines against plain literal versions over a fixed-seed sweep.
#include <cmath>
#include <limits>
#include <set>

#include "functions/fragmentation_blur.h"
#include "functions/gaussian_blur.h"
#include "functions/motion_blur.h"
#include "functions/filter_test_support.h"

namespace {

using OffsetSet = std::set<std::pair<int32_t, int32_t>>;

// ---- plain literal versions: one clamped read per sample -------------------

Color LiteralAverage(const SelectableRaster& raster, int32_t x, int32_t y,
                     const std::vector<std::pair<int32_t, int32_t>>& offsets, const std::vector<float>& weights) {
    float r = 0, g = 0, b = 0, w = 0;
    for (size_t k = 0; k < offsets.size(); ++k) {
        const Color c = raster.GetPixelAt(x + offsets[k].first, y + offsets[k].second, false);
        const float a = float(c.a) / 255.0f;
        r += float(c.r) / 255.0f * a * weights[k];
        g += float(c.g) / 255.0f * a * weights[k];
        b += float(c.b) / 255.0f * a * weights[k];
        w += a * weights[k];
    }
    if (w == 0.0f) return kTransparentBlack;
    auto channel = [](float v) { return uint8_t(int(v)); };
    return Color(channel(r / w * 255.0f), channel(g / w * 255.0f), channel(b / w * 255.0f), channel(w * 255.0f));
}

void LiteralMotionBlur(SelectableRaster& raster, float angle, uint32_t distance) {
    const float rad = angle * 0.017453292f;
    const float s = std::sin(rad), c = std::cos(rad);
    OffsetSet set;
    for (int i = 0; i < int(2.0f * float(distance)); ++i) {
        const float t = float(i) * 0.5f;
        set.emplace(int32_t(std::round(-t * s)), int32_t(std::round(t * c)));
        set.emplace(int32_t(std::round(t * s)), int32_t(std::round(-t * c)));
    }
    const std::vector<std::pair<int32_t, int32_t>> offsets(set.begin(), set.end());
    const std::vector<float> weights(offsets.size(), 1.0f / float(offsets.size()));
    for (const uint32_t i : std::vector<uint32_t>(raster.SelectedIndices())) {
        const auto p = raster.IndexToPoint(i);
        raster.SetPixelAt(int32_t(p.x), int32_t(p.y), LiteralAverage(raster, int32_t(p.x), int32_t(p.y), offsets, weights));
    }
}

void LiteralGaussianBlur(SelectableRaster& raster, int32_t d) {
    std::vector<float> kernel;
    float sum = 0.0f;
    for (int32_t o = -d; o <= d; ++o) {
        kernel.push_back(std::exp(-0.5f * ((float(o) / float(d)) * (float(o) / float(d)))));
        sum += kernel.back();
    }
    for (float& k : kernel) k = k / sum;
    std::vector<std::pair<int32_t, int32_t>> vertical, horizontal;
    for (int32_t o = -d; o <= d; ++o) {
        vertical.emplace_back(0, o);
        horizontal.emplace_back(o, 0);
    }
    for (int32_t y = 0; y < int32_t(raster.Height()); ++y)
        for (int32_t x = 0; x < int32_t(raster.Width()); ++x)
            raster.SetPixelAt(x, y, LiteralAverage(raster, x, y, vertical, kernel));
    raster.BeginPass();
    for (const uint32_t i : std::vector<uint32_t>(raster.SelectedIndices())) {
        const auto p = raster.IndexToPoint(i);
        raster.SetPixelAt(int32_t(p.x), int32_t(p.y), LiteralAverage(raster, int32_t(p.x), int32_t(p.y), horizontal, kernel));
    }
}

void LiteralFragmentationBlur(SelectableRaster& raster, uint32_t fragments, uint32_t distance, float phi) {
    std::vector<std::pair<int32_t, int32_t>> offsets;
    const float step = 360.0f / float(fragments);
    for (uint32_t k = 0; k < fragments; ++k) {
        const float alpha = (float(k) * step + phi) * 0.017453292f;
        offsets.emplace_back(int32_t(std::round(-float(distance) * std::sin(alpha))),
                             int32_t(std::round(float(distance) * std::cos(alpha))));
    }
    const std::vector<float> weights(fragments, 1.0f / float(fragments));
    for (const uint32_t i : std::vector<uint32_t>(raster.SelectedIndices())) {
        const auto p = raster.IndexToPoint(i);
        raster.SetPixelAt(int32_t(p.x), int32_t(p.y), LiteralAverage(raster, int32_t(p.x), int32_t(p.y), offsets, weights));
    }
}

// ---- fixtures ---------------------------------------------------------------

PixelBuffer Blur(const AbstractRasterFunction& f, const PixelBuffer& picture) { return ApplyToPicture(f, picture); }

const std::vector<std::vector<RasterPolygon>> kSelections{
    {},
    {{{12, 7}, {12, 81}, {64, 81}, {64, 7}}},
    {{{5, 90}, {95, 60}, {40, 3}}},
};

class BlurTest : public CoreTest {};

// ---- offsets ----------------------------------------------------------------

TEST_F(BlurTest, MotionBlurOffsetSets) {
    EXPECT_EQ(MotionBlurOffsets(0.0f, 1), (OffsetSet{{0, -1}, {0, 0}, {0, 1}}));
    EXPECT_EQ(MotionBlurOffsets(45.0f, 1), (OffsetSet{{0, 0}}));
    // 90 degrees is exactly horizontal, halves rounding away from zero.
    EXPECT_EQ(MotionBlurOffsets(90.0f, 2), (OffsetSet{{-2, 0}, {-1, 0}, {0, 0}, {1, 0}, {2, 0}}));
    const OffsetSet diagonal = MotionBlurOffsets(45.0f, 3);
    EXPECT_EQ(diagonal, (OffsetSet{{-2, 2}, {-1, 1}, {0, 0}, {1, -1}, {2, -2}}));
}

TEST_F(BlurTest, FragmentationOffsetsAreAListAroundThePixel) {
    using List = std::vector<std::pair<int32_t, int32_t>>;
    EXPECT_EQ(FragmentationOffsets(4, 5, 0.0f), (List{{0, 5}, {-5, 0}, {0, -5}, {5, 0}}));
    // Coinciding offsets stay separate entries.
    EXPECT_EQ(FragmentationOffsets(3, 0, 10.0f), (List{{0, 0}, {0, 0}, {0, 0}}));
}

TEST_F(BlurTest, GaussianKernelIsNormalisedAndSymmetric) {
    const std::vector<float> k = GaussianKernel(10);
    ASSERT_EQ(k.size(), 21u);
    for (size_t o = 0; o < 10; ++o) EXPECT_EQ(k[o], k[20 - o]);
    EXPECT_GT(k[10], k[9]);
    // exp(-0.5) at the reach.
    EXPECT_NEAR(k[0] / k[10], std::exp(-0.5f), 1e-6f);
}

// ---- the average -----------------------------------------------------------

TEST_F(BlurTest, UniformRegionNeverRises) {
    PixelBuffer picture(10000, Color(200, 100, 51, 180));
    const InstructionList blurs = Queue(MakeDefault<MotionBlurRasterFunction>({{"Distance", U32(7)}, {"Angle", F32(30.0f)}}),
                                        MakeDefault<GaussianBlurRasterFunction>({{"Distance", U32(6)}}),
                                        MakeDefault<FragmentationBlurRasterFunction>({{"Fragments", U32(5)}, {"Distance", U32(4)}}));
    for (const auto& blur : blurs) {
        for (const Color c : Blur(*blur, picture)) {
            ASSERT_LE(c.r, 200);
            ASSERT_GE(c.r, 198);
            ASSERT_LE(c.g, 100);
            ASSERT_GE(c.g, 98);
            ASSERT_LE(c.b, 51);
            ASSERT_GE(c.b, 49);
            ASSERT_LE(c.a, 180);
            ASSERT_GE(c.a, 178);
        }
    }
}

TEST_F(BlurTest, TransparentNeighboursAddNoColour) {
    // Opaque red columns x < 50 on a transparent rest.
    PixelBuffer picture(10000, kTransparentBlack);
    for (uint32_t i = 0; i < 10000; ++i)
        if (i % 100 < 50) picture[i] = Color(255, 0, 0, 255);
    const InstructionList blurs = Queue(MakeDefault<MotionBlurRasterFunction>({{"Distance", U32(3)}, {"Angle", F32(90.0f)}}),
                                        MakeDefault<GaussianBlurRasterFunction>({{"Distance", U32(3)}}),
                                        MakeDefault<FragmentationBlurRasterFunction>({{"Fragments", U32(4)}, {"Distance", U32(2)}}));
    for (const auto& blur : blurs) {
        const PixelBuffer out = Blur(*blur, picture);
        const Color edge = out[50 * 100 + 50];  // transparent pixel next to the red
        EXPECT_EQ(edge.r, 255) << blur->GetName();
        EXPECT_EQ(edge.g, 0);
        EXPECT_EQ(edge.b, 0);
        EXPECT_GT(edge.a, 0);
        EXPECT_LT(edge.a, 255);
        EXPECT_EQ(out[50 * 100 + 90], kTransparentBlack) << "every sample transparent";
    }
}

TEST_F(BlurTest, EdgesRepeatTheirPixels) {
    // Red left column, white elsewhere. Horizontal motion blur at x = 0 with
    // offsets -3 .. 3: four samples clamp to the red column (not wrapped to
    // white, not transparent), so green is 3/7 of 255.
    PixelBuffer picture(10000, kOpaqueWhite);
    for (uint32_t y = 0; y < 100; ++y) picture[y * 100] = Color(255, 0, 0, 255);
    auto blur = MakeDefault<MotionBlurRasterFunction>({{"Distance", U32(3)}, {"Angle", F32(90.0f)}});
    const Color c = Blur(*blur, picture)[40 * 100];
    EXPECT_EQ(c.r, 255);
    EXPECT_EQ(c.a, 255);
    EXPECT_GE(c.g, 108);
    EXPECT_LE(c.g, 109);
    EXPECT_EQ(c.g, c.b);
    // The vertical blur along the red column keeps it red.
    auto vertical = MakeDefault<MotionBlurRasterFunction>({{"Distance", U32(3)}});
    EXPECT_EQ(Blur(*vertical, picture)[0], Color(255, 0, 0, 255));
}

// ---- fast routines against the literal versions ---------------------------

TEST_F(BlurTest, MotionBlurMatchesLiteralVersion) {
    for (uint32_t seed : {1u, 2u}) {
        const PixelBuffer picture = RandomPicture(seed);
        for (const auto& selection : kSelections) {
            for (float angle : {0.0f, 45.0f, 90.0f, 30.0f, -73.5f, 200.0f}) {
                for (uint32_t d : {1u, 2u, 5u, 10u, 37u, 100u}) {
                    auto f = MakeDefault<MotionBlurRasterFunction>({{"Angle", F32(angle)}, {"Distance", U32(d)}});
                    auto raster = RasterWith(picture, selection);
                    const PixelBuffer fast = ApplyTo(*raster, *f);
                    raster->LoadWorkingCanvas();
                    LiteralMotionBlur(*raster, angle, d);
                    ASSERT_TRUE(ImagesEqual(fast, raster->WorkingCanvas(), 100, 100))
                        << "seed " << seed << " angle " << angle << " distance " << d << " polygons " << selection.size();
                }
            }
        }
    }
}

TEST_F(BlurTest, GaussianBlurMatchesLiteralVersion) {
    for (uint32_t seed : {3u, 4u}) {
        const PixelBuffer picture = RandomPicture(seed);
        for (const auto& selection : kSelections) {
            for (uint32_t d : {1u, 2u, 5u, 10u, 33u, 100u}) {
                auto f = MakeDefault<GaussianBlurRasterFunction>({{"Distance", U32(d)}});
                auto raster = RasterWith(picture, selection);
                const PixelBuffer fast = ApplyTo(*raster, *f);
                raster->LoadWorkingCanvas();
                LiteralGaussianBlur(*raster, int32_t(d));
                ASSERT_TRUE(ImagesEqual(fast, raster->WorkingCanvas(), 100, 100))
                    << "seed " << seed << " distance " << d << " polygons " << selection.size();
            }
        }
    }
}

TEST_F(BlurTest, FragmentationBlurMatchesLiteralVersion) {
    for (uint32_t seed : {5u, 6u}) {
        const PixelBuffer picture = RandomPicture(seed);
        for (const auto& selection : kSelections) {
            for (uint32_t fragments : {1u, 2u, 3u, 7u, 100u}) {
                for (uint32_t d : {1u, 5u, 20u, 150u}) {
                    for (float phi : {0.0f, 17.3f, -400.0f}) {
                        auto f = MakeDefault<FragmentationBlurRasterFunction>(
                            {{"Fragments", U32(fragments)}, {"Distance", U32(d)}, {"Rotational_Offset", F32(phi)}});
                        auto raster = RasterWith(picture, selection);
                        const PixelBuffer fast = ApplyTo(*raster, *f);
                        raster->LoadWorkingCanvas();
                        LiteralFragmentationBlur(*raster, fragments, d, phi);
                        ASSERT_TRUE(ImagesEqual(fast, raster->WorkingCanvas(), 100, 100))
                            << "seed " << seed << " fragments " << fragments << " distance " << d << " phi " << phi;
                    }
                }
            }
        }
    }
}

// ---- values only a project file can hold ----------------------------------

TEST_F(BlurTest, DegenerateValuesGiveTheChosenResults) {
    const PixelBuffer picture = RandomPicture(7);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const uint32_t huge = 0xFFFFFFFFu;
    // Zero distance or no fragments: unchanged.
    EXPECT_EQ(Blur(*MakeDefault<MotionBlurRasterFunction>({{"Distance", U32(0)}}), picture), picture);
    EXPECT_EQ(Blur(*MakeDefault<GaussianBlurRasterFunction>({{"Distance", U32(0)}}), picture), picture);
    EXPECT_EQ(Blur(*MakeDefault<FragmentationBlurRasterFunction>({{"Distance", U32(0)}}), picture), picture);
    EXPECT_EQ(Blur(*MakeDefault<FragmentationBlurRasterFunction>({{"Fragments", U32(0)}}), picture), picture);
    // Beyond the raster's reach: read as the reach.
    EXPECT_EQ(Blur(*MakeDefault<MotionBlurRasterFunction>({{"Distance", U32(huge)}, {"Angle", F32(20.0f)}}), picture),
              Blur(*MakeDefault<MotionBlurRasterFunction>({{"Distance", U32(100)}, {"Angle", F32(20.0f)}}), picture));
    EXPECT_EQ(Blur(*MakeDefault<GaussianBlurRasterFunction>({{"Distance", U32(huge)}}), picture),
              Blur(*MakeDefault<GaussianBlurRasterFunction>({{"Distance", U32(100)}}), picture));
    EXPECT_EQ(Blur(*MakeDefault<FragmentationBlurRasterFunction>({{"Fragments", U32(huge)}}), picture),
              Blur(*MakeDefault<FragmentationBlurRasterFunction>({{"Fragments", U32(1000)}}), picture));
    // A huge fragmentation distance samples the edges; it must simply work.
    const PixelBuffer far =
        Blur(*MakeDefault<FragmentationBlurRasterFunction>({{"Fragments", U32(6)}, {"Distance", U32(huge)}}), picture);
    EXPECT_NE(far, picture);
    // Angles without a direction are read as 0.
    for (float bad : {nan, inf, -inf}) {
        EXPECT_EQ(Blur(*MakeDefault<MotionBlurRasterFunction>({{"Distance", U32(4)}, {"Angle", F32(bad)}}), picture),
                  Blur(*MakeDefault<MotionBlurRasterFunction>({{"Distance", U32(4)}}), picture));
        EXPECT_EQ(Blur(*MakeDefault<FragmentationBlurRasterFunction>({{"Distance", U32(4)}, {"Rotational_Offset", F32(bad)}}),
                       picture),
                  Blur(*MakeDefault<FragmentationBlurRasterFunction>({{"Distance", U32(4)}}), picture));
    }
    // A huge finite angle is still an angle.
    EXPECT_NE(Blur(*MakeDefault<MotionBlurRasterFunction>({{"Distance", U32(4)}, {"Angle", F32(3e38f)}}), picture),
              picture);
}

}  // namespace
