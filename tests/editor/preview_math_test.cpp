// The preview square's matrices: where the square lands in the viewport.
#include "app/editor/preview_math.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Normalised device coordinates of a quad vertex, y negated as the vertex shader does.
std::array<float, 2> DeviceCoordinates(const Mat4& projection, float x, float y) {
    const Mat4 mvp = Multiply(Multiply(projection, PreviewView()), PreviewModel(QuadTransform{}));
    const auto clip = Transform(mvp, x, -y, 0.0f);
    EXPECT_GT(clip[3], 0.0f) << "the square is behind the eye";
    EXPECT_LE(std::fabs(clip[2] / clip[3]), 1.0f) << "the square is clipped by near or far";
    return {clip[0] / clip[3], clip[1] / clip[3]};
}

}  // namespace

TEST(PreviewMath, ProjectionTakesTheTangentOf45Radians) {
    const Mat4 p = PreviewProjection(1000.0f / 800.0f);
    EXPECT_NEAR(p[5], 0.6173696f, 1e-6f);  // 1 / tan(45 rad); 45 degrees would give 1
    EXPECT_NEAR(p[0], 0.6173696f / 1.25f, 1e-6f);
    EXPECT_EQ(p[11], -1.0f);
    EXPECT_NEAR(p[10], -1000.001f / 999.999f, 1e-6f);
    EXPECT_NEAR(p[14], -2.0f * 1000.0f * 0.001f / 999.999f, 1e-7f);
    EXPECT_EQ(p[15], 0.0f);
}

TEST(PreviewMath, SquareSpansTheWrittenShareOfTheViewport) {
    for (float aspect : {1.25f, 1.0f, 800.0f / 600.0f, 1000.0f}) {
        const Mat4 p = PreviewProjection(aspect);
        // Vertex 2 (0.5, 0.5) carries v = 0, texture row 0 = raster row 0:
        // after the y negation it must land at the bottom right, and vertex 0
        // (v = 1, the top raster row) at the top left.
        const auto topLeft = DeviceCoordinates(p, -0.5f, -0.5f);
        const auto bottomRight = DeviceCoordinates(p, 0.5f, 0.5f);
        EXPECT_NEAR(topLeft[1], 0.97750f, 1e-4f) << aspect;  // 9.5 f / 6
        EXPECT_NEAR(bottomRight[1], -0.97750f, 1e-4f) << aspect;
        EXPECT_NEAR(topLeft[0], -0.97750f / aspect, 1e-4f) << aspect;
        EXPECT_NEAR(bottomRight[0], 0.97750f / aspect, 1e-4f) << aspect;
    }
}

TEST(PreviewMath, QuaternionRotationIsTheUnnormalisedStandardFormula) {
    EXPECT_EQ(RotationMatrix({0.0f, 0.0f, 0.0f, 0.0f}), Identity());
    const float h = std::sqrt(0.5f);  // a quarter turn about z
    const auto turned = Transform(RotationMatrix({0.0f, 0.0f, h, h}), 1.0f, 0.0f, 0.0f);
    EXPECT_NEAR(turned[0], 0.0f, 1e-6f);
    EXPECT_NEAR(turned[1], 1.0f, 1e-6f);
    // Translate, then rotate, then scale: the translation is not scaled.
    QuadTransform moved;
    moved.position = {1.0f, 2.0f, 3.0f};
    moved.scale = {2.0f, 2.0f, 2.0f};
    const auto corner = Transform(ModelMatrix(moved), 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(corner[0], 3.0f);
    EXPECT_EQ(corner[1], 4.0f);
    EXPECT_EQ(corner[2], 5.0f);
}
