#include "raster/selectable_raster.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <numeric>

#include "raster/console.h"

SelectableRaster::SelectableRaster()
    : layers_(1, PixelBuffer(1, kOpaqueWhite)),
      working_(1, kOpaqueWhite),
      snapshot_(1, kOpaqueWhite),
      composite_(1, kOpaqueWhite) {}

SelectableRaster::SelectableRaster(uint32_t width, uint32_t height)
    : width_(width),
      height_(height),
      layers_(1, PixelBuffer(size_t(width) * height, kOpaqueWhite)),
      working_(size_t(width) * height, kOpaqueWhite),
      composite_(size_t(width) * height, kOpaqueWhite) {
    Reset();
}

namespace {

void FillBytes(PixelBuffer& buffer, unsigned char byte) {
    if (buffer.empty()) return;  // the snapshot before any pass: no storage to pass to memset
    std::memset(static_cast<void*>(buffer.data()), byte, buffer.size() * sizeof(Color));
}

}  // namespace

void SelectableRaster::Reset() {
    // Either canvas may have been handed on by the last generation.
    if (working_.size() != PixelCount()) working_.assign(PixelCount(), kOpaqueWhite);
    if (composite_.size() != PixelCount()) composite_.assign(PixelCount(), kOpaqueWhite);
    FillBytes(layers_[0], 0xFF);
    for (size_t i = 1; i < layers_.size(); ++i) FillBytes(layers_[i], 0x00);
    FillBytes(working_, 0xFF);
    FillBytes(snapshot_, 0xFF);
    FillBytes(composite_, 0xFF);
    ClearSelection();
    changed_ = true;
}

void SelectableRaster::ClearSelection() {
    polygons_.clear();
    selectionStale_ = true;
}

void SelectableRaster::AddSelectionPolygons(const std::vector<RasterPolygon>& polygons) {
    polygons_.insert(polygons_.end(), polygons.begin(), polygons.end());
    selectionStale_ = true;
}

namespace {

// out[k] := first + k for k < count, eight at a time where the machine can.
__attribute__((target_clones("avx2", "default"))) void ListRun(uint32_t first, uint32_t count, uint32_t* out) {
    for (uint32_t k = 0; k < count; ++k) out[k] = first + k;
}

}  // namespace

void SelectableRaster::ListSelection() const {
    selectionStale_ = false;
    const uint32_t count = PixelCount();
    if (polygons_.empty()) {
        selected_.resize(count);
        std::iota(selected_.begin(), selected_.end(), 0u);
        return;
    }
    // A pixel is selected when any polygon contains it (listed once, in
    // index order). A pixel outside a polygon's bounding box is never inside
    // it, so rows outside every box are skipped. Each row's members come as
    // runs, polygon by polygon, joined where they meet or overlap; the runs
    // are collected first, so that the list is sized once and written once.
    std::vector<PolygonTester> testers;
    testers.reserve(polygons_.size());
    int64_t firstRow = INT64_MAX, lastRow = INT64_MIN;
    for (const RasterPolygon& polygon : polygons_) {
        testers.emplace_back(polygon);
        if (testers.back().Empty()) continue;
        firstRow = std::min<int64_t>(firstRow, testers.back().Bounds().minY);
        lastRow = std::max<int64_t>(lastRow, testers.back().Bounds().maxY);
    }
    firstRow = std::max<int64_t>(firstRow, 0);
    lastRow = std::min<int64_t>(lastRow, int64_t(height_) - 1);
    if (firstRow > lastRow || width_ == 0) {
        selected_.clear();
        return;
    }

    struct Run {
        uint32_t first, count;
    };
    std::vector<Run> runs;
    std::vector<PolygonTester::Span> row;
    size_t total = 0;
    const int32_t lastX = int32_t(std::min<uint32_t>(width_ - 1, INT32_MAX));
    for (int64_t y = firstRow; y <= lastRow; ++y) {
        row.clear();
        size_t sources = 0;
        for (PolygonTester& tester : testers) {
            if (tester.Empty() || y < tester.Bounds().minY || y > tester.Bounds().maxY) continue;
            const size_t before = row.size();
            tester.AddRowSpans(int32_t(y), 0, lastX, row);
            sources += row.size() > before;
        }
        if (sources > 1) {  // join the polygons' runs
            std::sort(row.begin(), row.end(), [](const auto& a, const auto& b) { return a.from < b.from; });
            size_t kept = 0;
            for (const PolygonTester::Span& s : row) {
                if (kept > 0 && s.from <= row[kept - 1].to)
                    row[kept - 1].to = std::max(row[kept - 1].to, s.to);
                else
                    row[kept++] = s;
            }
            row.resize(kept);
        }
        const uint32_t rowStart = uint32_t(y) * width_;
        for (const PolygonTester::Span& s : row) {
            runs.push_back({rowStart + uint32_t(s.from), uint32_t(s.to - s.from)});
            total += runs.back().count;
        }
    }
    // Shrinking or keeping the size writes nothing; every entry is written below.
    selected_.resize(total);
    uint32_t* out = selected_.data();
    for (const Run run : runs) {
        ListRun(run.first, run.count, out);
        out += run.count;
    }
}

namespace {

// Runs of at least this many consecutive indices are blended where they lie;
// shorter stretches are gathered into blocks first.
constexpr size_t kDirectRun = 16;

// Calls run(first, count, at) for each stretch of consecutive indices of at
// least kDirectRun (pixels first .. first + count - 1, list positions at ..)
// and gather(block of list positions) for the others, in blocks of up to
// kBlock, all in list order. Every pixel is blended on its own, so the
// grouping does not change any result.
constexpr size_t kBlock = 64;
template <typename Run, typename Gather>
void ForEachStretch(const uint32_t* indices, size_t count, Run run, Gather gather) {
    size_t at[kBlock];
    size_t n = 0;
    auto flush = [&] {
        if (n > 0) gather(at, n);
        n = 0;
    };
    for (size_t i = 0; i < count;) {
        size_t j = i + 1;
        while (j < count && indices[j] == indices[j - 1] + 1) ++j;
        if (j - i >= kDirectRun) {
            flush();
            run(indices[i], j - i, i);
        } else {
            for (size_t k = i; k < j; ++k) {
                if (n == kBlock) flush();
                at[n++] = k;
            }
        }
        i = j;
    }
    flush();
}

}  // namespace

void SelectableRaster::BlendColourAt(const uint32_t* indices, size_t count, Color colour) {
    const PixelBuffer& committed = CommittedBuffer();
    ForEachStretch(
        indices, count,
        [&](uint32_t first, size_t n, size_t) { BlendColourOverPixels(&committed[first], colour, &working_[first], n); },
        [&](const size_t* at, size_t n) {
            Color under[kBlock], blended[kBlock];
            for (size_t j = 0; j < n; ++j) under[j] = committed[indices[at[j]]];
            BlendColourOverPixels(under, colour, blended, n);
            for (size_t j = 0; j < n; ++j) working_[indices[at[j]]] = blended[j];
        });
}

void SelectableRaster::BlendColourOverSelection(Color colour) {
    if (AllSelected()) {
        BlendColourOverPixels(CommittedBuffer().data(), colour, working_.data(), PixelCount());
        return;
    }
    BlendColourAt(SelectedIndices(), colour);
}

void SelectableRaster::BlendAt(const uint32_t* indices, size_t count, const Color* over) {
    const PixelBuffer& committed = CommittedBuffer();
    ForEachStretch(
        indices, count,
        [&](uint32_t first, size_t n, size_t at) { BlendOverPixels(&committed[first], over + at, &working_[first], n); },
        [&](const size_t* at, size_t n) {
            Color under[kBlock], top[kBlock], blended[kBlock];
            for (size_t j = 0; j < n; ++j) under[j] = committed[indices[at[j]]], top[j] = over[at[j]];
            BlendOverPixels(under, top, blended, n);
            for (size_t j = 0; j < n; ++j) working_[indices[at[j]]] = blended[j];
        });
}

void SelectableRaster::CreateLayer() {
    if (layerCount_ >= kMaxLayers) return;
    if (layerCount_ >= layers_.size()) {
        if (compositeLendable_ && composite_.size() == PixelCount()) {
            // The composite canvas is not read again before Composite(),
            // which takes the then idle working canvas instead: a render of
            // two layers touches no more memory than one of a single layer.
            FillBytes(composite_, 0x00);
            layers_.push_back(std::move(composite_));
            composite_ = PixelBuffer();
            compositeLendable_ = false;
        } else {
            layers_.emplace_back(size_t(width_) * height_, kTransparentBlack);
        }
    }
    ++layerCount_;
}

void SelectableRaster::SelectLayer(uint32_t layer) {
    currentLayer_ = std::min(layer, layerCount_ - 1);
}

void SelectableRaster::LoadWorkingCanvas() {
    working_ = layers_[currentLayer_];
    passCounter_ = 0;
}

void SelectableRaster::BeginPass() {
    snapshot_ = working_;
    working_ = layers_[currentLayer_];
    ++passCounter_;
}

void SelectableRaster::BeginGeneration() {
    Reset();
    currentLayer_ = 0;
    layerCount_ = 1;
    compositeLendable_ = true;
}

void SelectableRaster::AbandonGeneration() {
    compositeLendable_ = false;
    if (composite_.size() != PixelCount()) composite_.assign(PixelCount(), kOpaqueWhite);
}

void SelectableRaster::CommitWorkingCanvas() {
    // The working canvas is reloaded before it is read again, so handing its
    // buffer to the layer is as good as a copy.
    std::swap(layers_[currentLayer_], working_);
    passCounter_ = 0;
    changed_ = true;
}

void SelectableRaster::Composite() {
    compositeLendable_ = false;
    // Lent to a layer: the working canvas, idle after the last commit, takes its place.
    if (composite_.size() != PixelCount()) std::swap(composite_, working_);
    composite_ = layers_[0];
    for (uint32_t layer = 1; layer < layerCount_; ++layer) {
        const PixelBuffer& source = layers_[layer];
        BlendOverPixels(composite_.data(), source.data(), composite_.data(), composite_.size());
    }
}

void SelectableRaster::ReportOutOfBounds() { PrintErrorLine("Index out of bounds."); }

Color SelectableRaster::OutOfBoundsRead() {
    ReportOutOfBounds();
    return kOpaqueWhite;
}

RgbaImage SelectableRaster::CompositeImage() const {
    RgbaImage image(width_, height_);
    const RgbaRows rows = CompositeRows();
    const size_t rowBytes = size_t(width_) * sizeof(Color);  // R, G, B, A: a Color's bytes in order
    for (uint32_t y = 0; y < height_; ++y) std::memcpy(image.pixels.data() + y * rowBytes, rows.Row(y), rowBytes);
    return image;
}
