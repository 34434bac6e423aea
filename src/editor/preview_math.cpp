#include "editor/preview_math.h"

#include <algorithm>

#include <cmath>

namespace {
constexpr float kNear = 0.001f;
constexpr float kFar = 1000.0f;
constexpr float kHalfFieldOfView = 45.0f;  // taken as radians
constexpr float kPreviewScale = 19.0f;
}  // namespace

Mat4 Identity() {
    Mat4 m{};
    m[0] = m[5] = m[10] = m[15] = 1.0f;
    return m;
}

Mat4 Multiply(const Mat4& a, const Mat4& b) {
    Mat4 r{};
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a[k * 4 + row] * b[column * 4 + k];
            r[column * 4 + row] = sum;
        }
    }
    return r;
}

Mat4 Translate(Vec3 t) {
    Mat4 m = Identity();
    m[12] = t.x;
    m[13] = t.y;
    m[14] = t.z;
    return m;
}

Mat4 Scale(Vec3 s) {
    Mat4 m = Identity();
    m[0] = s.x;
    m[5] = s.y;
    m[10] = s.z;
    return m;
}

Mat4 RotationMatrix(Quaternion q) {
    const float xx = q.x * q.x, yy = q.y * q.y, zz = q.z * q.z;
    const float xy = q.x * q.y, xz = q.x * q.z, yz = q.y * q.z;
    const float wx = q.w * q.x, wy = q.w * q.y, wz = q.w * q.z;
    Mat4 m = Identity();
    m[0] = 1.0f - 2.0f * (yy + zz);
    m[1] = 2.0f * (xy + wz);
    m[2] = 2.0f * (xz - wy);
    m[4] = 2.0f * (xy - wz);
    m[5] = 1.0f - 2.0f * (xx + zz);
    m[6] = 2.0f * (yz + wx);
    m[8] = 2.0f * (xz + wy);
    m[9] = 2.0f * (yz - wx);
    m[10] = 1.0f - 2.0f * (xx + yy);
    return m;
}

Mat4 ModelMatrix(const QuadTransform& transform) {
    return Multiply(Multiply(Translate(transform.position), RotationMatrix(transform.rotation)),
                    Scale(transform.scale));
}

Mat4 PreviewProjection(float aspect) {
    const float f = 1.0f / std::tan(kHalfFieldOfView);
    Mat4 m{};
    m[0] = f / aspect;
    m[5] = f;
    m[10] = -(kFar + kNear) / (kFar - kNear);
    m[11] = -1.0f;
    m[14] = -2.0f * kFar * kNear / (kFar - kNear);
    return m;
}

Mat4 PreviewView() { return Translate({0.0f, 0.0f, -5.0f}); }

Mat4 PreviewModel(const QuadTransform& transform) {
    return Multiply(ModelMatrix(transform), Scale({kPreviewScale, kPreviewScale, 1.0f}));
}

std::array<float, 4> Transform(const Mat4& m, float x, float y, float z) {
    std::array<float, 4> r{};
    for (int row = 0; row < 4; ++row) r[row] = m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
    return r;
}

void PreviewLook::ZoomAbout(float x, float y, float factor) {
    const float zoomed = std::min(64.0f, std::max(0.125f, zoom * factor));
    const float applied = zoomed / zoom;
    panX = x - (x - panX) * applied;
    panY = y - (y - panY) * applied;
    zoom = zoomed;
}

Mat4 LookMatrix(const PreviewLook& look, bool tiled) {
    // (x, y, z, w) -> (s x + panX w, s y + panY w, z, w): after the divide,
    // s times the position plus the pan.
    const float s = tiled ? look.zoom / 3.0f : look.zoom;
    Mat4 m = Identity();
    m[0] = s;
    m[5] = s;
    m[12] = look.panX;
    m[13] = look.panY;
    return m;
}

Mat4 TileModel(const QuadTransform& transform, int column, int row) {
    return Multiply(Translate({float(column) * kPreviewScale, float(row) * kPreviewScale, 0.0f}),
                    PreviewModel(transform));
}
