#include "raster/selectable_raster.h"

#include <algorithm>
#include <cstdio>

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
      snapshot_(size_t(width) * height, kOpaqueWhite),
      composite_(size_t(width) * height, kOpaqueWhite) {
    Reset();
}

void SelectableRaster::Reset() {
    std::fill(layers_[0].begin(), layers_[0].end(), kOpaqueWhite);
    for (size_t i = 1; i < layers_.size(); ++i)
        std::fill(layers_[i].begin(), layers_[i].end(), kTransparentBlack);
    std::fill(working_.begin(), working_.end(), kOpaqueWhite);
    std::fill(snapshot_.begin(), snapshot_.end(), kOpaqueWhite);
    std::fill(composite_.begin(), composite_.end(), kOpaqueWhite);
    polygons_.clear();
    RebuildSelection();
    changed_ = true;
}

void SelectableRaster::ClearSelection() {
    polygons_.clear();
    RebuildSelection();
}

void SelectableRaster::AddSelectionPolygons(const std::vector<RasterPolygon>& polygons) {
    polygons_.insert(polygons_.end(), polygons.begin(), polygons.end());
    RebuildSelection();
}

void SelectableRaster::RebuildSelection() {
    selected_.clear();
    const uint32_t count = PixelCount();
    if (polygons_.empty()) {
        selected_.resize(count);
        for (uint32_t i = 0; i < count; ++i) selected_[i] = i;
        return;
    }
    // Every pixel is tested against the polygons in order and listed at the
    // first one that contains it. A pixel outside a polygon's bounding box is
    // never inside it, so rows and columns outside every box are skipped
    // without changing the outcome.
    std::vector<PolygonBounds> boxes;
    boxes.reserve(polygons_.size());
    for (const RasterPolygon& polygon : polygons_)
        boxes.push_back(polygon.empty() ? PolygonBounds{1, 0, 1, 0} : BoundsOf(polygon));

    std::vector<size_t> rowCandidates;
    for (uint32_t y = 0; y < height_; ++y) {
        rowCandidates.clear();
        const int64_t py = y;
        for (size_t p = 0; p < polygons_.size(); ++p)
            if (!polygons_[p].empty() && py >= boxes[p].minY && py <= boxes[p].maxY)
                rowCandidates.push_back(p);
        if (rowCandidates.empty()) continue;
        for (uint32_t x = 0; x < width_; ++x) {
            const int64_t px = x;
            for (size_t p : rowCandidates) {
                if (px < boxes[p].minX || px > boxes[p].maxX) continue;
                if (IsPointInPolygon(polygons_[p], int32_t(x), int32_t(y))) {
                    selected_.push_back(y * width_ + x);
                    break;
                }
            }
        }
    }
}

void SelectableRaster::CreateLayer() {
    if (layerCount_ >= kMaxLayers) return;
    if (layerCount_ >= layers_.size())
        layers_.emplace_back(size_t(width_) * height_, kTransparentBlack);
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
}

void SelectableRaster::CommitWorkingCanvas() {
    layers_[currentLayer_] = working_;
    passCounter_ = 0;
    changed_ = true;
}

void SelectableRaster::Composite() {
    composite_ = layers_[0];
    for (uint32_t layer = 1; layer < layerCount_; ++layer) {
        const PixelBuffer& source = layers_[layer];
        for (size_t i = 0; i < composite_.size(); ++i) composite_[i] = BlendOver(composite_[i], source[i]);
    }
}

void SelectableRaster::ReportOutOfBounds() {
    std::fputs("Index out of bounds.\n", stderr);
}

Color SelectableRaster::OutOfBoundsRead() {
    ReportOutOfBounds();
    return kOpaqueWhite;
}
