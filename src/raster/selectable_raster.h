#pragma once
// The document an instruction queue paints: a fixed grid of RGBA pixels in
// one or more layers, plus the canvases one instruction works with and a
// polygon selection.
//
// Inside one instruction: committed reads (GetPixel, GetPixelAt with
// fromWorking = false) see the current layer as it was before the
// instruction, or the previous pass's result after BeginPass; every write goes
// to the working canvas, which the generation loop copies back afterwards.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "raster/color.h"
#include "raster/polygon.h"
#include "raster/rgba_image.h"

using PixelBuffer = std::vector<Color>;

class SelectableRaster {
public:
    // A 1 x 1 placeholder raster: one opaque white pixel, nothing selected.
    SelectableRaster();
    // A width x height raster, reset: layer 0 opaque white, everything selected.
    SelectableRaster(uint32_t width, uint32_t height);

    SelectableRaster(const SelectableRaster&) = delete;
    SelectableRaster& operator=(const SelectableRaster&) = delete;
    SelectableRaster(SelectableRaster&&) = default;
    SelectableRaster& operator=(SelectableRaster&&) = default;

    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    uint32_t PixelCount() const { return width_ * height_; }
    uint32_t CurrentLayerIndex() const { return currentLayer_; }
    uint32_t LayerCount() const { return layerCount_; }

    // Layer 0 opaque white, other layers transparent black, canvases opaque
    // white, everything selected, changed flag set. Leaves the current layer
    // index, layer count and pass counter alone.
    void Reset();

    void ClearSelection();
    void AddSelectionPolygons(const std::vector<RasterPolygon>& polygons);
    const std::vector<RasterPolygon>& SelectionPolygons() const { return polygons_; }
    // The selected pixels in ascending index order, listed when first asked
    // for after the selection changed (so only on the raster's own thread).
    // Callers must not change the selection while they iterate it.
    const std::vector<uint32_t>& SelectedIndices() const {
        if (selectionStale_) ListSelection();
        return selected_;
    }
    // Known without listing when no polygon narrows the selection.
    bool AllSelected() const {
        if (selectionStale_ && polygons_.empty()) return true;
        return SelectedIndices().size() == PixelCount();
    }

    struct Point {
        uint32_t x, y;
    };
    Point IndexToPoint(uint32_t index) const { return {index % width_, index / width_}; }

    // Committed read by index; out of range prints "Index out of bounds." and
    // returns opaque white.
    Color GetPixel(int32_t index) const {
        if (index < 0 || uint32_t(index) >= PixelCount()) return OutOfBoundsRead();
        return CommittedBuffer()[uint32_t(index)];
    }
    // Read by position, clamped to the nearest edge pixel outside the raster.
    Color GetPixelAt(int32_t x, int32_t y, bool fromWorking) const {
        const uint32_t cx = ClampCoordinate(x, width_);
        const uint32_t cy = ClampCoordinate(y, height_);
        const PixelBuffer& source = fromWorking ? working_ : CommittedBuffer();
        return source[cy * width_ + cx];
    }
    // Writes the working canvas; out of range prints "Index out of bounds."
    // and writes nothing.
    void SetPixel(int32_t index, Color c) {
        if (index < 0 || uint32_t(index) >= PixelCount()) {
            ReportOutOfBounds();
            return;
        }
        working_[uint32_t(index)] = c;
    }
    // Writes the working canvas; positions outside the raster are dropped silently.
    void SetPixelAt(int32_t x, int32_t y, Color c) {
        if (x < 0 || y < 0 || uint32_t(x) >= width_ || uint32_t(y) >= height_) return;
        working_[uint32_t(y) * width_ + uint32_t(x)] = c;
    }

    // For each listed index (distinct, ascending, each below PixelCount()):
    // working pixel := BlendOver(committed pixel, colour), several pixels at a
    // time; BlendAt lays over[j] over the pixel of indices[j].
    void BlendColourAt(const uint32_t* indices, size_t count, Color colour);
    void BlendAt(const uint32_t* indices, size_t count, const Color* over);
    void BlendColourAt(const std::vector<uint32_t>& indices, Color colour) {
        BlendColourAt(indices.data(), indices.size(), colour);
    }
    // Every selected working pixel := BlendOver(committed pixel, colour); a
    // whole selection is blended as one run, without listing it.
    void BlendColourOverSelection(Color colour);

    // Appends a transparent layer (reusing a spare buffer when there is one).
    // The current layer and the working canvas do not change. Beyond
    // kMaxLayers layers it does nothing, so that a hostile project cannot
    // exhaust memory.
    void CreateLayer();
    static constexpr uint32_t kMaxLayers = 1024;
    // Current layer := min(layer, layer count - 1). Does not reload the working canvas.
    void SelectLayer(uint32_t layer);
    // Working canvas := current layer; pass counter := 0.
    void LoadWorkingCanvas();
    // Snapshot := working canvas; working canvas := current layer; pass counter + 1.
    // Later committed reads see the snapshot.
    void BeginPass();

    // Used by the generation loop.
    // Reset, current layer 0, layer count 1. Until Composite() or
    // AbandonGeneration(), a new layer may take the composite canvas's
    // buffer, so nothing may read the composite canvas in between.
    void BeginGeneration();
    void AbandonGeneration();         // a generation stopped: the composite canvas white again
    // Current layer := working canvas; pass counter := 0. The working canvas
    // is left undefined until the next LoadWorkingCanvas.
    void CommitWorkingCanvas();
    void Composite();                 // flatten the layers in use into the composite canvas
    void MarkChanged() { changed_ = true; }

    const PixelBuffer& CompositeCanvas() const { return composite_; }
    // The composite canvas as a picture: raster row height - 1 becomes the top row.
    RgbaImage CompositeImage() const;
    // The same picture read where it lies, valid until the composite changes.
    RgbaRows CompositeRows() const {
        const auto* bottom = reinterpret_cast<const uint8_t*>(composite_.data());
        const ptrdiff_t rowBytes = ptrdiff_t(width_) * ptrdiff_t(sizeof(Color));
        return RgbaRows(bottom + rowBytes * (ptrdiff_t(height_) - 1), -rowBytes, width_, height_);
    }
    const PixelBuffer& Layer(uint32_t index) const { return layers_[index]; }
    const PixelBuffer& WorkingCanvas() const { return working_; }
    // Working pixel i := pixels[i] for every selected index i; `pixels`
    // holds PixelCount() colours.
    void SetSelectedPixels(const Color* pixels) {
        Color* to = working_.data();
        if (AllSelected()) {
            std::copy(pixels, pixels + PixelCount(), to);
            return;
        }
        const std::vector<uint32_t>& selected = SelectedIndices();
        for (const uint32_t* i = selected.data(), *end = i + selected.size(); i != end; ++i) to[*i] = pixels[*i];
    }
    // The working canvas itself when every pixel is selected (null
    // otherwise): an instruction that computes every selected pixel from
    // committed reads may write it there instead of through SetSelectedPixels.
    Color* WorkingCanvasIfAllSelected() {
        return AllSelected() ? working_.data() : nullptr;
    }
    uint32_t LayerBufferCount() const { return uint32_t(layers_.size()); }
    uint32_t PassCounter() const { return passCounter_; }

    bool IsChanged() const { return changed_; }
    void ClearChanged() { changed_ = false; }

    // How many design pixels one of this raster's pixels is worth the
    // inverse of: lengths read from parameters are multiplied by it (1 unless
    // the raster renders a picture at another size than its design).
    double Scale() const { return scale_; }
    void SetScale(double scale) { scale_ = scale; }

    // How many threads an instruction may use on this raster (at least 1).
    // Instructions split their work only where every pixel comes out as one
    // thread makes it; callers that run renders side by side keep 1.
    uint32_t Threads() const { return threads_; }
    void SetThreads(uint32_t threads) { threads_ = threads == 0 ? 1 : threads; }

private:
    const PixelBuffer& CommittedBuffer() const {
        return passCounter_ != 0 ? snapshot_ : layers_[currentLayer_];
    }
    static uint32_t ClampCoordinate(int32_t v, uint32_t size) {
        if (v < 0) return 0;
        if (uint32_t(v) >= size) return size - 1;
        return uint32_t(v);
    }
    void ListSelection() const;
    static Color OutOfBoundsRead();
    static void ReportOutOfBounds();

    uint32_t width_ = 1;
    uint32_t height_ = 1;
    uint32_t currentLayer_ = 0;
    uint32_t layerCount_ = 1;
    std::vector<PixelBuffer> layers_;
    PixelBuffer working_;
    PixelBuffer snapshot_;  // allocated by the first pass that needs it
    PixelBuffer composite_;
    uint32_t passCounter_ = 0;
    std::vector<RasterPolygon> polygons_;
    // The selected indices, valid unless selectionStale_.
    mutable std::vector<uint32_t> selected_;
    mutable bool selectionStale_ = false;
    bool changed_ = false;
    bool compositeLendable_ = false;  // from BeginGeneration until Composite
    uint32_t threads_ = 1;
    double scale_ = 1.0;
};
