#pragma once
// The preview square's matrices, computed without any graphics library.
// Matrices are 4 x 4 floats, column-major: element [column][row] is m[column * 4 + row].
#include <array>

using Mat4 = std::array<float, 16>;

struct Vec3 {
    float x, y, z;
};
struct Quaternion {
    float x, y, z, w;
};

// The quad's placement: model = translate(position) x rotation x scale(scale).
struct QuadTransform {
    Vec3 position{0.0f, 0.0f, -1.0f};
    Vec3 scale{1.0f, 1.0f, 1.0f};
    Quaternion rotation{0.0f, 0.0f, 0.0f, 0.0f};
};

Mat4 Identity();
Mat4 Multiply(const Mat4& a, const Mat4& b);  // a x b
Mat4 Translate(Vec3 t);
Mat4 Scale(Vec3 s);
// The standard rotation matrix of a quaternion, without normalising it: the
// all-zero quaternion gives the identity.
Mat4 RotationMatrix(Quaternion q);
Mat4 ModelMatrix(const QuadTransform& transform);

// Right-handed OpenGL perspective with near 0.001 and far 1000. Its vertical
// scale is 1 / tan(45) with the angle in radians (1 / 1.6197752 = 0.6173696):
// the field of view of 90 was handed to a routine that expects radians.
Mat4 PreviewProjection(float aspect);
// translate(0, 0, -5).
Mat4 PreviewView();
// The quad's model matrix x scale(19, 19, 1): a square 19 units wide.
Mat4 PreviewModel(const QuadTransform& transform);

// m x (x, y, z, 1) -> (x, y, z, w) before the perspective divide.
std::array<float, 4> Transform(const Mat4& m, float x, float y, float z);

// The user's look at the preview, applied after projection in the preview's
// -1 .. 1 coordinates: a zoom, then a pan. The default look changes nothing.
struct PreviewLook {
    float zoom = 1.0f;
    float panX = 0.0f;
    float panY = 0.0f;

    bool IsDefault() const { return zoom == 1.0f && panX == 0.0f && panY == 0.0f; }
    // Zooms by `factor` keeping the point (x, y) where it is; the zoom stays
    // within 1/8 .. 64.
    void ZoomAbout(float x, float y, float factor);
    void Pan(float dx, float dy) { panX += dx, panY += dy; }
    void Reset() { *this = PreviewLook{}; }
};

// The matrix that applies `look` to clip coordinates; `tiled` shows three
// squares across at zoom 1.
Mat4 LookMatrix(const PreviewLook& look, bool tiled);
// The square's model matrix moved by whole squares (a tile of the 3 x 3).
Mat4 TileModel(const QuadTransform& transform, int column, int row);
