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
