#include "functions/gradient.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "raster/selectable_raster.h"
#include "functions/render_scale.h"

const ParamLayout& GradientRasterFunction::Layout() {
    static const ParamLayout layout{
        {"Color1_Red", kColorChannel}, {"Color1_Green", kColorChannel}, {"Color1_Blue", kColorChannel},
        {"Color1_Alpha", kColorChannel}, {"Space", kSpace},             {"Point1_X", kPosition},
        {"Point1_Y", kPosition},         {"Separator", kSeparator},     {"Color2_Red", kColorChannel},
        {"Color2_Green", kColorChannel}, {"Color2_Blue", kColorChannel}, {"Color2_Alpha", kColorChannel},
        {"Space", kSpace},               {"Point2_X", kPosition},       {"Point2_Y", kPosition},
    };
    return layout;
}

namespace {

uint8_t TruncateChannel(float v) { return uint8_t(int(v)); }

}  // namespace

void GradientRasterFunction::Apply(SelectableRaster& raster, const AbstractRasterFunction& function) {
    Color c1, c2;
    c1.a = function.GetValue("Color1_Alpha").AsUInt8();
    c1.b = function.GetValue("Color1_Blue").AsUInt8();
    c1.g = function.GetValue("Color1_Green").AsUInt8();
    c1.r = function.GetValue("Color1_Red").AsUInt8();
    c2.a = function.GetValue("Color2_Alpha").AsUInt8();
    c2.b = function.GetValue("Color2_Blue").AsUInt8();
    c2.g = function.GetValue("Color2_Green").AsUInt8();
    c2.r = function.GetValue("Color2_Red").AsUInt8();
    const RenderScale scale(raster);
    const float p1y = scale.Point(function.GetValue("Point1_Y").AsInt32());
    const float p1x = scale.Point(function.GetValue("Point1_X").AsInt32());
    float p2y = scale.Point(function.GetValue("Point2_Y").AsInt32());
    const float p2x = scale.Point(function.GetValue("Point2_X").AsInt32());
    // The nudge that gives coinciding points a direction is a length too.
    if (p1x == p2x && p1y == p2y) p2y = p2y + scale.Length(0.001f);

    const float dx = p2x - p1x;
    const float dy = p2y - p1y;
    const float l2 = dx * dx + dy * dy;
    const float length = std::sqrt(l2);
    const float a1 = float(c1.a) / 255.0f;
    const float a2 = float(c2.a) / 255.0f;

    // The gradient's colours are worked out a block of pixels at a time and
    // blended together.
    const std::vector<uint32_t>& selected = raster.SelectedIndices();
    constexpr size_t kBlock = 64;
    Color over[kBlock];
    for (size_t start = 0; start < selected.size(); start += kBlock) {
        const size_t n = std::min(kBlock, selected.size() - start);
        for (size_t j = 0; j < n; ++j) {
            const uint32_t i = selected[start + j];
            const SelectableRaster::Point point = raster.IndexToPoint(i);
            const float x = float(point.x), y = float(point.y);

            // t is 0 at P2 and 1 at P1; the distance from the line plays no part.
            const float t = (dx * (p2x - x) + dy * (p2y - y)) / l2;
            const float vx = dx * t;
            const float vy = dy * t;
            const float s = std::sqrt(vx * vx + vy * vy) / length;
            float f = s > 0.0f ? s : 0.0f;
            if (!(f < 1.0f)) f = 1.0f;
            if (dx * vx + dy * vy < 0.0f) f = 0.0f;
            float w = 1.0f - f;
            if (w < 0.0f) w = 0.0f;
            if (w > 1.0f) w = 1.0f;

            // Premultiplied mix: a transparent end adds transparency, not colour.
            const float b2 = a2 * w;
            const float b1 = (1.0f - w) * a1;
            const float alpha = b1 + b2;
            Color q = kTransparentBlack;
            if (alpha != 0.0f) {
                auto channel = [&](uint8_t k1, uint8_t k2) {
                    return TruncateChannel((float(k1) / 255.0f * b1 + float(k2) / 255.0f * b2) / alpha * 255.0f);
                };
                q = Color(channel(c1.r, c2.r), channel(c1.g, c2.g), channel(c1.b, c2.b), TruncateChannel(alpha * 255.0f));
            }
            over[j] = q;
        }
        raster.BlendAt(selected.data() + start, n, over);
    }
}
