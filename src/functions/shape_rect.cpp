#include "functions/shape_rect.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <vector>

#include "functions/shape_geometry.h"
#include "raster/selectable_raster.h"
#include "functions/render_scale.h"

const ParamLayout& ShapeRectRasterFunction::Layout() {
    static const ParamLayout layout{
        {"Color1_Red", kColorChannel}, {"Color1_Green", kColorChannel}, {"Color1_Blue", kColorChannel},
        {"Color1_Alpha", kColorChannel}, {"Separator", kSeparator},      {"Point1_X", kPosition},
        {"Point1_Y", kPosition},         {"Space", kSpace},              {"Point2_X", kPosition},
        {"Point2_Y", kPosition},         {"Separator", kSeparator},      {"Infill_Shape", kToggle},
        {"Line_Thickness", kSize},
    };
    return layout;
}

namespace {

// The rectangle's lines and bounds, each bound formed as the test writes it.
struct RectSides {
    float p1x, p1y, p2x, p2y, h;
    float left, right, bottom, top;                      // minX - h, h + maxX, ...
    float innerLeft, innerRight, innerBottom, innerTop;  // minX - half, maxX + half, ...
    bool infill;
};

// A pixel is painted where it lies on a side, centred on the lines through
// the corners with square corners and both corners included, or with infill
// in the interior:
//   horizontal  |y - p1y| <= h or |y - p2y| <= h,  and left <= x <= right
//   vertical    |x - p1x| <= h or |x - p2x| <= h,  and bottom <= y <= top
//   interior    innerLeft <= x <= innerRight,      and innerBottom <= y <= innerTop
// Each test of x alone holds on one range of columns: float(x), and
// float(x) - p rounded, never decrease as x grows, and |d| <= h is
// -h <= d && d <= h. So a row's painted pixels are the union of the column
// ranges whose row tests hold, found once by searching the tests
// themselves, and every pixel gets the verdict the per-pixel tests give it.

// Columns begin .. end - 1.
struct Columns {
    uint32_t begin, end;
};

// The first column below width from which holds(float(x)) is true (width if
// none); holds is false up to some column and true from it on.
template <typename Holds>
uint32_t FirstColumn(uint32_t width, Holds holds) {
    uint32_t lo = 0, hi = width;
    while (lo < hi) {
        const uint32_t mid = lo + (hi - lo) / 2;
        if (holds(float(mid)))
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

Columns Between(float low, float high, uint32_t width) {
    const uint32_t begin = FirstColumn(width, [&](float x) { return low <= x; });
    const uint32_t end = FirstColumn(width, [&](float x) { return !(x <= high); });
    return {begin, std::max(begin, end)};
}

// |x - centre| <= h.
Columns Near(float centre, float h, uint32_t width) {
    const uint32_t begin = FirstColumn(width, [&](float x) { return -h <= x - centre; });
    const uint32_t end = FirstColumn(width, [&](float x) { return !(x - centre <= h); });
    return {begin, std::max(begin, end)};
}

// Up to four disjoint column ranges in ascending order.
struct RowSpans {
    Columns span[4];
    size_t count = 0;
};

RowSpans Merged(std::initializer_list<Columns> ranges) {
    Columns sorted[4];
    size_t n = 0;
    for (const Columns c : ranges) {  // inserted in order of their first columns
        if (c.begin >= c.end) continue;
        size_t k = n++;
        for (; k > 0 && sorted[k - 1].begin > c.begin; --k) sorted[k] = sorted[k - 1];
        sorted[k] = c;
    }
    RowSpans out;
    for (size_t k = 0; k < n; ++k) {
        if (out.count > 0 && sorted[k].begin <= out.span[out.count - 1].end)
            out.span[out.count - 1].end = std::max(out.span[out.count - 1].end, sorted[k].end);
        else
            out.span[out.count++] = sorted[k];
    }
    return out;
}

// The first position from `at` on whose index is at least target, in an
// ascending list: doubling steps from `at`, then a binary search.
size_t Seek(const uint32_t* list, size_t size, size_t at, uint32_t target) {
    size_t lo = at, hi = at, step = 1;
    while (hi < size && list[hi] < target) {
        lo = hi + 1;
        hi += step;
        step *= 2;
    }
    return size_t(std::lower_bound(list + lo, list + std::min(hi, size), target) - list);
}

// Lists into painted (room for every selected index) the selected indices
// of the painted pixels, ascending; returns how many.
size_t ListPainted(const RectSides& r, const std::vector<uint32_t>& selected, uint32_t width, uint32_t height,
                   uint32_t* painted) {
    const Columns across = Between(r.left, r.right, width), inner = Between(r.innerLeft, r.innerRight, width);
    const Columns side1 = Near(r.p1x, r.h, width), side2 = Near(r.p2x, r.h, width);
    // The spans of a row by which of its tests hold: horizontal 1, vertical 2, interior 4.
    RowSpans spans[8];
    for (int k = 1; k < 8; ++k) {
        const Columns none{0, 0};
        spans[k] = Merged({k & 1 ? across : none, k & 2 ? side1 : none, k & 2 ? side2 : none, k & 4 ? inner : none});
    }
    const uint32_t* list = selected.data();
    const size_t size = selected.size();
    const bool all = size == size_t(width) * height;  // then position i holds index i
    size_t count = 0, at = 0;
    for (uint32_t row = 0; row < height && at < size; ++row) {
        const float y = float(row);
        const bool horizontal = std::fabs(y - r.p1y) <= r.h || std::fabs(y - r.p2y) <= r.h;
        const bool vertical = r.bottom <= y && y <= r.top;
        const bool interior = r.infill && r.innerBottom <= y && y <= r.innerTop;
        const RowSpans& s = spans[int(horizontal) | int(vertical) << 1 | int(interior) << 2];
        const uint32_t rowStart = row * width;
        for (size_t k = 0; k < s.count; ++k) {
            const uint32_t first = rowStart + s.span[k].begin, last = rowStart + s.span[k].end;
            const size_t from = all ? first : Seek(list, size, at, first);
            at = all ? last : Seek(list, size, from, last);
            std::copy(list + from, list + at, painted + count);
            count += at - from;
        }
    }
    return count;
}

}  // namespace

void ShapeRectRasterFunction::Apply(SelectableRaster& raster, const AbstractRasterFunction& function) {
    const Color colour = ReadShapeColor(function);
    const RenderScale scale(raster);
    const int32_t y1 = function.GetValue("Point1_Y").AsInt32();
    const int32_t x1 = function.GetValue("Point1_X").AsInt32();
    const int32_t y2 = function.GetValue("Point2_Y").AsInt32();
    const int32_t x2 = function.GetValue("Point2_X").AsInt32();
    const float thickness = float(scale.Length(function.GetValue("Line_Thickness").AsUInt32()));
    const bool infill = function.GetValue("Infill_Shape").AsInt32() != 0;
    const float h = thickness * 0.5f;
    const float p1x = scale.Point(x1), p1y = scale.Point(y1), p2x = scale.Point(x2), p2y = scale.Point(y2);
    const float minX = std::min(p1x, p2x), maxX = std::max(p1x, p2x);
    const float minY = std::min(p1y, p2y), maxY = std::max(p1y, p2y);
    // The interior holds the corners' pixels: the inclusive range of design
    // pixels reaches the outer pixels of the corner blocks.
    const float half = scale.HalfBlock();

    const RectSides sides{p1x, p1y, p2x, p2y, h, minX - h, h + maxX, minY - h, h + maxY,
                          minX - half, maxX + half, minY - half, maxY + half, infill};
    const std::vector<uint32_t>& selected = raster.SelectedIndices();
    const std::unique_ptr<uint32_t[]> paintedList = PaintedBuffer(selected.size());
    uint32_t* const painted = paintedList.get();
    const size_t count = ListPainted(sides, selected, raster.Width(), raster.Height(), painted);
    raster.BlendColourAt(painted, count, colour);
}
