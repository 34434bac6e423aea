// The preview square's matrices: where the square lands in the viewport.
#include "editor/preview_math.h"

#include <gtest/gtest.h>

TEST(PreviewMath, TheSquareSpansTheShareThatTheTangentOf45RadiansGives) {
    // model = translate(0, 0, -1) x scale(19, 19, 1)
    EXPECT_EQ(Transform(PreviewModel(QuadTransform{}), 0.5f, -0.5f, 2.0f), (std::array<float, 4>{9.5f, -9.5f, 1, 1}));
    for (float aspect : {1.25f, 1.0f, 1000.0f}) {
        const Mat4 p = PreviewProjection(aspect);
        EXPECT_NEAR(p[5], 0.6173696f, 1e-6f);  // 1 / tan(45 rad); 45 degrees would give 1
        // The vertex shader negates y: vertex (-0.5, -0.5) lands at the top left, between near and far.
        const auto clip = Transform(Multiply(Multiply(p, PreviewView()), PreviewModel({})), -0.5f, 0.5f, 0);
        EXPECT_NEAR(clip[0] / clip[3], -0.97750f / aspect, 1e-4f) << aspect;
        EXPECT_NEAR(clip[1] / clip[3], 0.97750f, 1e-4f) << aspect;
        EXPECT_NEAR(clip[2] / clip[3], 0.0f, 1.0f) << aspect;
    }
}

TEST(PreviewMath, ALookZoomsAboutItsPointWithinItsLimitsAndTilesAreWholeSquaresApart) {
    PreviewLook look;
    EXPECT_EQ(LookMatrix(look, false), Identity());
    const auto seen = [&](float x, float y, bool tiled = false) {
        const auto c = Transform(LookMatrix(look, tiled), x, y, 0.0f);
        return std::array<float, 2>{c[0] / c[3], c[1] / c[3]};
    };
    look.ZoomAbout(0.5f, -0.25f, 2.0f), look.Pan(0.1f, 0.0f);
    EXPECT_NEAR(seen(0.5f, -0.25f)[0], 0.6f, 1e-6f) << "the zoom kept (0.5, -0.25) in place, then the pan moved it";
    EXPECT_NEAR(seen(0.5f, -0.25f)[1], -0.25f, 1e-6f);
    EXPECT_NEAR(seen(0.0f, 0.0f)[0], 0.1f - 0.5f, 1e-6f) << "twice as large";
    // The point under the cursor stays there.
    const std::array<float, 2> before = seen(0.1f, 0.2f);
    look.ZoomAbout(before[0], before[1], 1.25f);
    EXPECT_NEAR(seen(0.1f, 0.2f)[0], before[0], 1e-5f);
    EXPECT_NEAR(seen(0.1f, 0.2f)[1], before[1], 1e-5f);
    for (int i = 0; i < 40; ++i) look.ZoomAbout(0.0f, 0.0f, 2.0f);
    EXPECT_EQ(look.zoom, 64.0f);
    for (int i = 0; i < 40; ++i) look.ZoomAbout(0.0f, 0.0f, 0.5f);
    EXPECT_EQ(look.zoom, 0.125f);
    look.Reset();
    EXPECT_TRUE(look.IsDefault());
    EXPECT_NEAR(seen(0.9f, -0.6f, true)[0], 0.3f, 1e-6f) << "tiled: three squares across";
    EXPECT_EQ(Transform(TileModel({}, 1, -1), 0.0f, 0.0f, 0.0f), (std::array<float, 4>{19.0f, -19.0f, -1.0f, 1.0f}));
}
