#include "functions/crystallize.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <vector>

#include "functions/filter_support.h"
#include "instructions/parameter_rng.h"
#include "raster/selectable_raster.h"
#include "functions/render_scale.h"

const ParamLayout& CrystallizeRasterFunction::Layout() {
    static const ParamLayout layout{
        {"Crystal_Size", kCellSize},
        {"Separator", kSeparator},
        {"Crystal_Density", kDensity},
        {"Crystal_Density_SpreadX", kSpread},
        {"Crystal_Density_SpreadY", kSpread},
    };
    return layout;
}

namespace {

// Whole-number point positions, held as doubles so that the integer
// differences are formed exactly and without conversions in the search. An
// extra point thrown far by a huge spread saturates at 2^40, far beyond any
// raster, where it can never be the nearest.
struct CrystalPoint {
    double x, y;
};

struct Crystal {
    Color colour;
    size_t firstPoint;  // seed point, then the extra points, in `points`
    size_t pointCount;
};

// A spread from a project file that is infinite or NaN scatters nowhere: read
// as 0, so its extra points fall on the seed and change nothing.
float FiniteSpread(float v) { return std::isfinite(v) ? v : 0.0f; }

// The colour of the first candidate whose distance, sqrt in double narrowed
// to float, is smallest: what visiting them in order and keeping only a
// strictly smaller float gives. Coordinates are whole numbers, so near
// candidates have exact whole squared distances; below 2^22 the narrowed
// root is strictly increasing in them, so the first candidate with the
// smallest square is the answer without any root. Otherwise (every point
// far away) the candidates are visited literally.
Color NearestColour(const std::vector<double>& xs, const std::vector<double>& ys,
                    const std::vector<Color>& colours, double px, double py, std::vector<double>& squares) {
    const size_t count = xs.size();
    double smallest = HUGE_VAL;
    for (size_t k = 0; k < count; ++k) {
        const double ex = xs[k] - px;  // exact: whole numbers below 2^41
        const double ey = ys[k] - py;
        const double squared = ex * ex + ey * ey;
        squares[k] = squared;
        smallest = squared < smallest ? squared : smallest;
    }
    if (smallest < 4194304.0) {
        for (size_t k = 0; k < count; ++k)
            if (squares[k] == smallest) return colours[k];
    }
    float best = FLT_MAX;
    Color colour = kTransparentBlack;
    for (size_t k = 0; k < count; ++k) {
        const float distance = float(std::sqrt(squares[k]));
        if (distance < best) {
            best = distance;
            colour = colours[k];
        }
    }
    return colour;
}

// The same search for candidates whose coordinates, and the pixel's, lie
// within +-(2^14 - 1): then every squared distance is a whole number below
// 2^31, exactly the double above. Each candidate's square (capped at
// 2^24 - 1, which only ever raises squares above the 2^22 that matters) is
// packed above its position, so the smallest key names the smallest square
// and, among equal ones, the first candidate; a single min over the keys,
// several candidates a vector, finds it.
constexpr int32_t kSmallCoordinate = (1 << 14) - 1;
constexpr size_t kMaxPackedCandidates = 128;

__attribute__((target_clones("avx2", "default"))) int32_t SmallestKey(const int32_t* __restrict xs,
                                                                      const int32_t* __restrict ys, size_t count,
                                                                      int32_t px, int32_t py) {
    int32_t smallest = INT32_MAX;
    const int32_t n = int32_t(count);  // at most kMaxPackedCandidates
    for (int32_t k = 0; k < n; ++k) {
        const int32_t ex = xs[k] - px;
        const int32_t ey = ys[k] - py;
        int32_t squared = ex * ex + ey * ey;
        squared = squared < (1 << 24) - 1 ? squared : (1 << 24) - 1;
        const int32_t key = squared << 7 | k;
        smallest = key < smallest ? key : smallest;
    }
    return smallest;
}

// The crystals of the g x g cells starting one cell before the raster, row
// by row: each seed uniformly within its cell, coloured from the layer under
// it, and its extra points scattered around the unrounded seed position.
struct CrystalGrid {
    int32_t g = 0;
    std::vector<Crystal> crystals;
    std::vector<CrystalPoint> points;
};

CrystalGrid SeedCrystals(const SelectableRaster& raster, float size, int32_t g, uint32_t density, float sx,
                         float sy) {
    CrystalGrid grid;
    grid.g = g;
    grid.crystals.reserve(size_t(g) * size_t(g));
    grid.points.reserve(size_t(g) * size_t(g) * (density + 1));
    for (int32_t j = 0; j < g; ++j) {
        for (int32_t i = 0; i < g; ++i) {
            const float r1 = DrawUnitFloat();
            const float r2 = DrawUnitFloat();
            const float x = (float(i - 1) * size + size / 2.0f) + (r1 * size - size / 2.0f);
            const float y = (float(j - 1) * size + size / 2.0f) + (r2 * size - size / 2.0f);
            const int64_t seedX = NearestSaturated(x), seedY = NearestSaturated(y);
            Crystal crystal;
            crystal.firstPoint = grid.points.size();
            crystal.pointCount = 1 + density;
            // Seeds lie within a cell of the raster, so they fit 32 bits.
            crystal.colour = raster.GetPixelAt(int32_t(seedX), int32_t(seedY), false);
            grid.points.push_back({double(seedX), double(seedY)});
            for (uint32_t k = 0; k < density; ++k) {
                const float r3 = DrawUnitFloat();
                const float r4 = DrawUnitFloat();
                grid.points.push_back({double(NearestSaturated(x + (r3 * sx - sx / 2.0f))),
                                       double(NearestSaturated(y + (r4 * sy - sy / 2.0f)))});
            }
            grid.crystals.push_back(crystal);
        }
    }
    return grid;
}

// Every selected pixel takes the colour of the nearest point among the
// crystals of the 3 x 3 cells around its own; only a strictly smaller
// single-precision distance replaces the best, so the earlier candidate wins
// a tie. Pixels of one cell share their candidates, gathered once in visit order.
void ColourSelection(SelectableRaster& raster, const CrystalGrid& grid, float size) {
    const int32_t g = grid.g;
    // The candidates of cell (ci, cj) in visit order: the crystals of its
    // 3 x 3 neighbours, rows from the bottom, each from the left.
    auto visit = [&](int32_t ci, int32_t cj, auto&& take) {
        for (int32_t dj = -1; dj <= 1; ++dj) {
            const int32_t cellY = std::clamp(cj + dj, int32_t(0), g - 1);
            for (int32_t di = -1; di <= 1; ++di) {
                const int32_t cellX = std::clamp(ci + di, int32_t(0), g - 1);
                const Crystal& crystal = grid.crystals[size_t(cellY) * size_t(g) + size_t(cellX)];
                for (size_t k = 0; k < crystal.pointCount; ++k)
                    take(grid.points[crystal.firstPoint + k], crystal.colour);
            }
        }
    };

    // Every cell of the current row of cells with its candidates packed as
    // 32-bit numbers (when they all fit), laid one after another and reused
    // by the `size` rows of pixels that share them.
    const size_t perCell = grid.crystals.empty() ? 0 : 9 * grid.crystals[0].pointCount;
    const bool smallRaster = raster.Width() <= uint32_t(kSmallCoordinate) && raster.Height() <= uint32_t(kSmallCoordinate);
    const bool usePacked = smallRaster && perCell <= kMaxPackedCandidates;
    std::vector<int32_t> rowXs, rowYs;
    std::vector<Color> rowColours;
    std::vector<uint8_t> rowPacked;
    int32_t rowJ = -1;

    std::vector<double> xs, ys, squares;
    std::vector<Color> colours;
    int32_t gatheredI = -1, gatheredJ = -1;
    for (const uint32_t index : raster.SelectedIndices()) {
        const SelectableRaster::Point p = raster.IndexToPoint(index);
        const int32_t ci = int32_t(float(p.x) / size) + 1;
        const int32_t cj = int32_t(float(p.y) / size) + 1;
        if (usePacked && cj != rowJ) {
            rowJ = cj;
            rowXs.clear();
            rowYs.clear();
            rowColours.clear();
            rowPacked.assign(size_t(g), 1);
            for (int32_t cell = 0; cell < g; ++cell)
                visit(cell, cj, [&](const CrystalPoint& q, Color colour) {
                    const bool fits = std::fabs(q.x) <= kSmallCoordinate && std::fabs(q.y) <= kSmallCoordinate;
                    rowPacked[size_t(cell)] &= uint8_t(fits);
                    rowXs.push_back(fits ? int32_t(q.x) : 0);
                    rowYs.push_back(fits ? int32_t(q.y) : 0);
                    rowColours.push_back(colour);
                });
        }
        if (usePacked && ci < g && rowPacked[size_t(ci)]) {
            const size_t first = size_t(ci) * perCell;
            const int32_t key = SmallestKey(rowXs.data() + first, rowYs.data() + first, perCell, int32_t(p.x), int32_t(p.y));
            if ((key >> 7) < 4194304) {
                raster.SetPixel(int32_t(index), rowColours[first + size_t(key & 127)]);
                continue;
            }
        }
        if (ci != gatheredI || cj != gatheredJ) {
            gatheredI = ci;
            gatheredJ = cj;
            xs.clear();
            ys.clear();
            colours.clear();
            visit(ci, cj, [&](const CrystalPoint& q, Color colour) {
                xs.push_back(q.x);
                ys.push_back(q.y);
                colours.push_back(colour);
            });
            squares.resize(xs.size());
        }
        raster.SetPixel(int32_t(index), NearestColour(xs, ys, colours, p.x, p.y, squares));
    }
}

}  // namespace

void CrystallizeRasterFunction::Apply(SelectableRaster& raster, const AbstractRasterFunction& function) {
    const RenderScale scale(raster);
    const int32_t designCell = function.GetValue("Crystal_Size").AsInt32();
    uint32_t density = function.GetValue("Crystal_Density").AsUInt32();
    const float sx = scale.Length(FiniteSpread(function.GetValue("Crystal_Density_SpreadX").AsFloat()));
    const float sy = scale.Length(FiniteSpread(function.GetValue("Crystal_Density_SpreadY").AsFloat()));
    // A cell of no size (or a negative one) makes no crystals: the pixels stay.
    if (designCell < 1) return;
    // A cell wider than the raster's reach is read as that reach: the grid is
    // then 3 x 3 cells whatever the size, and the generator advance stays
    // bounded. The advance is the design canvas's (reach 100), so that every
    // size draws the same outputs; a cell scaled below a pixel is one pixel.
    const int32_t cellSize = std::min(std::max(scale.Coordinate(designCell), 1), int32_t(FilterReach(raster)));
    density = std::min(density, kMaxDensity);

    const float size = float(cellSize);
    const int32_t n = int32_t(float(raster.Width()) / size);
    DiscardParameterDraws(uint64_t(std::min(designCell, int32_t(RenderScale::kDesignSide))));
    const int32_t g = std::max(n, int32_t(1)) + 2;
    ColourSelection(raster, SeedCrystals(raster, size, g, density, sx, sy), size);
}
