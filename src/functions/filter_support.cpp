#include "functions/filter_support.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <thread>

#include "raster/selectable_raster.h"

uint32_t FilterReach(const SelectableRaster& raster) {
    return std::max({100u, raster.Width(), raster.Height()});
}

uint32_t BlurReach(const SelectableRaster& raster) {
    return uint32_t(std::max<uint64_t>(1000, 10 * uint64_t(std::max(raster.Width(), raster.Height()))));
}

BlurScratch& blurScratch() {
    thread_local BlurScratch scratch;
    return scratch;
}

const Color* CommittedPixels(const SelectableRaster& raster, std::vector<Color>& copy) {
    if (raster.PassCounter() == 0) return raster.Layer(raster.CurrentLayerIndex()).data();
    copy.resize(raster.PixelCount());
    for (uint32_t i = 0; i < raster.PixelCount(); ++i) copy[i] = raster.GetPixel(int32_t(i));
    return copy.data();
}

// The vector helpers below are inlined into their callers; their ABI with
// and without AVX is never crossed.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

// Eight pixels side by side. Every operation on these works lane by lane in
// single precision, exactly as on one float (no fused multiply-add: the
// build keeps contraction off and no clone enables FMA).
constexpr uint32_t kLanes = 8;
typedef float Floats __attribute__((vector_size(32)));
typedef int32_t Ints __attribute__((vector_size(32)));

__attribute__((always_inline)) inline Floats LoadFloats(const float* from) {
    Floats v;
    std::memcpy(&v, from, sizeof v);
    return v;
}
__attribute__((always_inline)) inline void StoreFloats(float* to, Floats v) { std::memcpy(to, &v, sizeof v); }
// mask ? a : b, lane by lane (mask lanes all ones or zero).
__attribute__((always_inline)) inline Floats Select(Ints mask, Floats a, Floats b) { return Floats((mask & Ints(a)) | (~mask & Ints(b))); }
// c / 255.0f, lane by lane. (The division is cheaper here than the exact
// detour through double: a conversion each way costs more than it.)
__attribute__((always_inline)) inline Floats Unit(Ints c) { return __builtin_convertvector(c, Floats) / 255.0f; }
// Whether every lane of the mask is set.
__attribute__((always_inline)) inline bool AllLanes(Ints mask) {
    uint64_t quads[4];
    std::memcpy(quads, &mask, sizeof quads);
    return (quads[0] & quads[1] & quads[2] & quads[3]) == ~uint64_t(0);
}
inline uint32_t RoundUpToLanes(uint32_t n) { return (n + kLanes - 1) / kLanes * kLanes; }

// The source planes of the image's rows top .. bottom: row y of a plane
// holds `margin` copies of the row's first pixel, its width pixels, then
// copies of its last pixel up to `stride`; a clamped read at (x + dx, y + dy)
// is plane[(row(y + dy) - top) * stride + margin + x + dx] for |dx| <=
// margin, rows clamped to the image (height rows), which must give a row
// from top to bottom.
struct Planes {
    uint32_t width, height, margin, stride, top, bottom;
    float *r, *g, *b, *a;
    size_t Start(uint32_t y) const { return size_t(y - top) * stride; }
    size_t Row(uint32_t y) const { return Start(y) + margin; }
};

Planes MakePlanes(FloatStorage& storage, uint32_t width, uint32_t height, uint32_t margin, uint32_t top,
                  uint32_t bottom) {
    Planes p{width, height, margin, margin + RoundUpToLanes(width) + margin, top, bottom,
             nullptr, nullptr, nullptr, nullptr};
    const size_t planeSize = size_t(p.stride) * (bottom - top + 1);
    storage.resize(4 * planeSize);
    p.r = storage.data(), p.g = p.r + planeSize, p.b = p.g + planeSize, p.a = p.b + planeSize;
    return p;
}

// Four channels of eight pixels, whole numbers 0 .. 255.
struct Channels {
    Ints r, g, b, a;
};

// The pixels prepared as Weigh() does it, into the planes' row y from x on.
__attribute__((always_inline)) inline void StoreWeighed(const Planes& p, uint32_t y, uint32_t x, const Channels& c) {
    const size_t at = p.Row(y) + x;
    const Floats alpha = Unit(c.a);
    StoreFloats(p.r + at, Unit(c.r) * alpha);
    StoreFloats(p.g + at, Unit(c.g) * alpha);
    StoreFloats(p.b + at, Unit(c.b) * alpha);
    StoreFloats(p.a + at, alpha);
}

// The row's border: copies of its first and last pixel.
void FillBorder(const Planes& p, uint32_t y) {
    for (float* plane : {p.r, p.g, p.b, p.a}) {
        float* line = plane + p.Start(y);
        std::fill(line, line + p.margin, line[p.margin]);
        std::fill(line + p.margin + p.width, line + p.stride, line[p.margin + p.width - 1]);
    }
}

// ResolveAverage of eight sums, lane by lane: the channels of the results.
__attribute__((always_inline)) inline Channels ResolveLanes(Floats r, Floats g, Floats b, Floats w) {
    auto channel = [](Floats v) {  // TruncateToChannel
        v = Select(v > 0.0f, v, Floats{} + 0.0f);
        v = Select(v >= 255.0f, Floats{} + 255.0f, v);
        return __builtin_convertvector(v, Ints);
    };
    const Ints some = ~(w == 0.0f);  // W = 0 gives 0x00000000
    const Floats divisor = Select(some, w, Floats{} + 1.0f);
    return {channel(r / divisor * 255.0f) & some, channel(g / divisor * 255.0f) & some,
            channel(b / divisor * 255.0f) & some, channel(w * 255.0f) & some};
}

// The planes' rows of the image (width x height pixels, row by row).
__attribute__((target_clones("avx2", "default"))) void LoadPlanes(const Color* pixels, const Planes& p) {
    for (uint32_t y = p.top; y <= p.bottom; ++y) {
        const Color* row = pixels + size_t(y) * p.width;
        for (uint32_t x = 0; x < p.width; x += kLanes) {
            Ints words = {};  // lanes past the row's end are overwritten by its border
            if (x + kLanes <= p.width)
                std::memcpy(&words, row + x, sizeof words);
            else
                std::memcpy(&words, row + x, sizeof(Color) * (p.width - x));
            StoreWeighed(p, y, x, {words & 255, (words >> 8) & 255, (words >> 16) & 255, (words >> 24) & 255});
        }
        FillBorder(p, y);
    }
}

// Where the averages go: pixels (indexed as the image), or, prepared for
// averaging again, the same rows of other planes.
struct Output {
    Color* pixels;
    const Planes* planes;
};

// The averages of eight pixels of row y from x on, from their sums.
__attribute__((always_inline)) inline void Emit(const Output& out, uint32_t width, uint32_t y, uint32_t x, Floats r,
                                                Floats g, Floats b, Floats w) {
    const Channels c = ResolveLanes(r, g, b, w);
    if (out.planes) {  // lanes past the row's end are overwritten by its border
        StoreWeighed(*out.planes, y, x, c);
        return;
    }
    const Ints words = c.r | c.g << 8 | c.b << 16 | c.a << 24;
    Color* to = out.pixels + size_t(y) * width + x;
    if (x + kLanes <= width)
        std::memcpy(static_cast<void*>(to), &words, sizeof words);
    else if (x < width)
        std::memcpy(static_cast<void*>(to), &words, sizeof(Color) * (width - x));
}

// Rows from .. to: every lane keeps its pixel's four sums in registers and
// adds one product per tap, in tap order, then resolves them. The columns
// are done in tiles whose source rows for every tap stay in cache.
__attribute__((target_clones("avx2", "default"))) void AverageRows(const Planes& p, const std::vector<BlurTap>& taps,
                                                                     const Output& out, uint32_t from, uint32_t to) {
    int64_t reachY = 0;
    for (const BlurTap& tap : taps) reachY = std::max<int64_t>(reachY, std::abs(int64_t(tap.dy)));
    reachY = std::min<int64_t>(reachY, p.height);
    const uint32_t columns = RoundUpToLanes(p.width);
    // A tile's source rows (up to 2 reachY + 1 of four planes) fit in about 1 MiB.
    const uint32_t tile = RoundUpToLanes(uint32_t(std::clamp<int64_t>((int64_t(1) << 16) / (2 * reachY + 1), 64, columns)));
    std::vector<size_t> start(taps.size());
    for (uint32_t x0 = 0; x0 < columns; x0 += tile) {
        const uint32_t x1 = std::min(columns, x0 + tile);
        for (uint32_t y = from; y <= to; ++y) {
            for (size_t t = 0; t < taps.size(); ++t) {
                const int64_t row = std::clamp<int64_t>(int64_t(y) + taps[t].dy, 0, int64_t(p.height) - 1);
                start[t] = p.Start(uint32_t(row)) + size_t(int64_t(p.margin) + taps[t].dx);
            }
            uint32_t x = x0;
            // Sixteen pixels at a time: twice the independent sums in flight.
            for (; x + 2 * kLanes <= x1; x += 2 * kLanes) {
                Floats r = {}, g = {}, b = {}, w = {}, r2 = {}, g2 = {}, b2 = {}, w2 = {};
                for (size_t t = 0; t < taps.size(); ++t) {
                    const size_t at = start[t] + x;
                    const float weight = taps[t].weight;
                    r += LoadFloats(p.r + at) * weight;
                    r2 += LoadFloats(p.r + at + kLanes) * weight;
                    g += LoadFloats(p.g + at) * weight;
                    g2 += LoadFloats(p.g + at + kLanes) * weight;
                    b += LoadFloats(p.b + at) * weight;
                    b2 += LoadFloats(p.b + at + kLanes) * weight;
                    w += LoadFloats(p.a + at) * weight;
                    w2 += LoadFloats(p.a + at + kLanes) * weight;
                }
                Emit(out, p.width, y, x, r, g, b, w);
                Emit(out, p.width, y, x + kLanes, r2, g2, b2, w2);
            }
            for (; x < x1; x += kLanes) {
                Floats r = {}, g = {}, b = {}, w = {};
                for (size_t t = 0; t < taps.size(); ++t) {
                    const size_t at = start[t] + x;
                    const float weight = taps[t].weight;
                    r += LoadFloats(p.r + at) * weight;
                    g += LoadFloats(p.g + at) * weight;
                    b += LoadFloats(p.b + at) * weight;
                    w += LoadFloats(p.a + at) * weight;
                }
                Emit(out, p.width, y, x, r, g, b, w);
            }
        }
    }
    if (out.planes)
        for (uint32_t y = from; y <= to; ++y) FillBorder(*out.planes, y);
}

// The average of one sample of weight 1, eight pixels at a time: each
// channel is (c / 255 * a) / a * 255 truncated, a = A / 255, as ResolveLanes
// makes it of the prepared sample (a product by 1 and a sum from 0 change
// nothing). Two of its steps are left out because they never act: a * 255
// truncates back to A for every A, and the channels' quotients stay within
// 0 .. 255, so that the clamps pass them unchanged (the sweep over every
// colour value and opacity holds this to the scalar rule).
__attribute__((always_inline)) inline Ints AverageOfOne(Ints words) {
    const Ints alpha = (words >> 24) & 255;
    const Ints some = alpha != 0;  // W = 0 gives 0x00000000
    const Floats a = Unit(alpha);
    const Floats divisor = Select(some, a, Floats{} + 1.0f);
    auto channel = [&](Ints c) { return __builtin_convertvector(Unit(c) * a / divisor * 255.0f, Ints); };
    return (channel(words & 255) | channel((words >> 8) & 255) << 8 | channel((words >> 16) & 255) << 16 | alpha << 24) & some;
}

// Rows from .. to of the average of the single sample `tap` (weight 1) of
// the width x height image `pixels`. Eight opaque pixels come back as they
// are and eight transparent ones as 0x00000000, as AverageOfOne gives them;
// eight pixels that read the same colours as the eight above them copy their
// results.
__attribute__((target_clones("avx2", "default"))) void AverageOneRows(const Color* pixels, uint32_t width,
                                                                        uint32_t height, BlurTap tap, Color* out,
                                                                        uint32_t from, uint32_t to) {
    auto sourceRow = [&](int64_t y) {
        return pixels + size_t(std::clamp<int64_t>(y + tap.dy, 0, int64_t(height) - 1)) * width;
    };
    for (uint32_t y = from; y <= to; ++y) {
        const Color* source = sourceRow(y);
        const Color* above = y > from ? sourceRow(int64_t(y) - 1) : nullptr;  // read for the row above
        Color* line = out + size_t(y) * width;
        for (uint32_t x = 0; x < width; x += kLanes) {
            const uint32_t count = std::min(kLanes, width - x);
            Ints words = {};
            if (count == kLanes && int64_t(x) + tap.dx >= 0 && int64_t(x) + tap.dx + kLanes <= width) {
                std::memcpy(&words, source + int64_t(x) + tap.dx, sizeof words);
                if (above != nullptr) {
                    Ints before;
                    std::memcpy(&before, above + int64_t(x) + tap.dx, sizeof before);
                    if (AllLanes(before == words)) {
                        std::memcpy(static_cast<void*>(line + x), line + x - width, sizeof(Color) * kLanes);
                        continue;
                    }
                }
            } else {
                for (uint32_t lane = 0; lane < count; ++lane)
                    words[lane] = int32_t(source[std::clamp<int64_t>(int64_t(x + lane) + tap.dx, 0, width - 1)].Word());
            }
            const Ints alpha = words & int32_t(0xFF000000u);
            Ints result;
            if (AllLanes(alpha == int32_t(0xFF000000u)))
                result = words;
            else if (AllLanes(alpha == 0))
                result = Ints{};
            else
                result = AverageOfOne(words);
            if (count == kLanes)
                std::memcpy(static_cast<void*>(line + x), &result, sizeof result);
            else
                std::memcpy(static_cast<void*>(line + x), &result, sizeof(Color) * count);
        }
    }
}

// An offset past the image's side reads the edge pixel from every position,
// as does an offset of exactly the side: the taps are cut there. Returns
// the largest |dx|.
uint32_t CutTaps(std::vector<BlurTap>& taps, uint32_t width, uint32_t height) {
    uint32_t margin = 0;
    for (BlurTap& tap : taps) {
        tap.dx = std::clamp(tap.dx, -int32_t(width), int32_t(width));
        tap.dy = std::clamp(tap.dy, -int32_t(height), int32_t(height));
        margin = std::max(margin, uint32_t(std::abs(tap.dx)));
    }
    return margin;
}

// doRows(a, b) for the rows firstRow .. lastRow, split by rows over up to
// `threads` threads when there are `termsPerRow` terms or more.
template <typename DoRows>
void SplitRows(uint32_t firstRow, uint32_t lastRow, uint64_t termsPerRow, uint32_t threads, const DoRows& doRows) {
    const uint32_t rows = lastRow - firstRow + 1;
    // Threads pay only for a few million terms or more.
    const uint64_t work = uint64_t(rows) * termsPerRow;
    const uint32_t parts = uint32_t(std::min<uint64_t>({threads, rows, std::max<uint64_t>(1, work >> 22)}));
    std::vector<std::thread> helpers;
    for (uint32_t part = 1; part < parts; ++part) {
        const uint32_t a = firstRow + uint32_t(uint64_t(rows) * part / parts);
        const uint32_t b = firstRow + uint32_t(uint64_t(rows) * (part + 1) / parts) - 1;
        try {
            helpers.emplace_back([=, &doRows] { doRows(a, b); });
        } catch (const std::system_error&) {
            doRows(a, b);  // no thread to spare: this one does it
        }
    }
    doRows(firstRow, firstRow + uint32_t(rows / parts) - 1);
    for (std::thread& helper : helpers) helper.join();
}

// The rows of a band, and those its averages read: `reach` more on each side,
// within the image.
struct Band {
    uint32_t first, last, top, bottom;
};
// Rows are averaged in bands of this many rows or more (at least four times
// the rows that two bands both read), so that the planes stay small and in
// cache, and a picture's blur faults in few fresh pages.
uint32_t BandRows(uint32_t reach) { return uint32_t(std::max<uint64_t>(32, 8 * uint64_t(reach))); }

// doBand(band) for the rows from .. to in bands.
template <typename DoBand>
void ForEachBand(uint32_t from, uint32_t to, uint32_t height, uint32_t reach, const DoBand& doBand) {
    const uint32_t rows = BandRows(reach);
    for (uint32_t first = from;;) {
        const uint32_t last = uint32_t(std::min<uint64_t>(to, uint64_t(first) + rows - 1));
        doBand(Band{first, last, uint32_t(std::max<int64_t>(0, int64_t(first) - reach)),
                    uint32_t(std::min<int64_t>(int64_t(height) - 1, int64_t(last) + reach))});
        if (last == to) return;
        first = last + 1;
    }
}

uint32_t ReachY(const std::vector<BlurTap>& taps) {
    uint32_t reach = 0;
    for (const BlurTap& tap : taps) reach = std::max(reach, uint32_t(std::abs(tap.dy)));
    return reach;
}

}  // namespace

void AverageTaps(const Color* pixels, uint32_t width, uint32_t height, std::vector<BlurTap> taps,
                 uint32_t firstRow, uint32_t lastRow, uint32_t threads, Color* out) {
    lastRow = std::min(lastRow, height - 1);
    if (width == 0 || firstRow > lastRow) return;
    const uint32_t margin = CutTaps(taps, width, height);
    if (taps.size() == 1 && taps[0].weight == 1.0f) {  // a pixel-by-pixel function: no planes
        SplitRows(firstRow, lastRow, 8 * uint64_t(width), threads,
                  [&](uint32_t a, uint32_t b) { AverageOneRows(pixels, width, height, taps[0], out, a, b); });
        return;
    }
    const uint32_t reach = ReachY(taps);
    SplitRows(firstRow, lastRow, uint64_t(width) * taps.size(), threads, [&](uint32_t a, uint32_t b) {
        BlurScratch& scratch = blurScratch();  // this thread's
        ForEachBand(a, b, height, reach, [&](const Band& band) {
            const Planes p = MakePlanes(scratch.planes, width, height, margin, band.top, band.bottom);
            LoadPlanes(pixels, p);
            AverageRows(p, taps, {out, nullptr}, band.first, band.last);
        });
    });
}

void AverageTapsThenAlongRows(const Color* pixels, uint32_t width, uint32_t height, std::vector<BlurTap> first,
                              std::vector<BlurTap> second, uint32_t firstRow, uint32_t lastRow, uint32_t threads,
                              Color* out) {
    lastRow = std::min(lastRow, height - 1);
    if (width == 0 || firstRow > lastRow) return;
    const uint32_t margin = CutTaps(first, width, height), secondMargin = CutTaps(second, width, height);
    const uint32_t reach = ReachY(first);
    SplitRows(firstRow, lastRow, uint64_t(width) * (first.size() + second.size()), threads,
              [&](uint32_t a, uint32_t b) {
                  BlurScratch& scratch = blurScratch();  // this thread's
                  ForEachBand(a, b, height, reach, [&](const Band& band) {
                      const Planes p = MakePlanes(scratch.planes, width, height, margin, band.top, band.bottom);
                      LoadPlanes(pixels, p);
                      // The second taps stay in their row: the band's own rows of the first result.
                      const Planes q =
                          MakePlanes(scratch.between, width, height, secondMargin, band.first, band.last);
                      AverageRows(p, first, {nullptr, &q}, band.first, band.last);
                      AverageRows(q, second, {out, nullptr}, band.first, band.last);
                  });
              });
}

void AverageAtOffsets(SelectableRaster& raster, const SampleOffsets& offsets, float weight) {
    const std::vector<uint32_t>& selected = raster.SelectedIndices();
    if (selected.empty()) return;
    BlurScratch& scratch = blurScratch();
    const uint32_t width = raster.Width();
    std::vector<BlurTap> taps;
    taps.reserve(offsets.size());
    for (const auto& [dx, dy] : offsets) taps.push_back({dx, dy, weight});
    AverageIntoSelection(raster, [&](Color* out) {
        AverageTaps(CommittedPixels(raster, scratch.source), width, raster.Height(), taps, selected.front() / width,
                    selected.back() / width, raster.Threads(), out);
    });
}

void AverageIntoSelection(SelectableRaster& raster, const std::function<void(Color* out)>& average) {
    if (Color* const whole = raster.WorkingCanvasIfAllSelected()) {
        average(whole);
        return;
    }
    BlurScratch& scratch = blurScratch();
    scratch.result.resize(raster.PixelCount());
    average(scratch.result.data());
    raster.SetSelectedPixels(scratch.result.data());
}
