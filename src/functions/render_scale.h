#pragma once
// Renders at N x N pixels draw the 100 x 100 design canvas N/100 times
// larger. Every value of a geometric kind (Position, Size, CellSize, Spread,
// Overlap, PatchSize: lengths in pixels of the design canvas) is multiplied
// by N / 100 once it has been read (after randomisation and the kind's
// clamp): whole numbers rounded to nearest with halves away from zero and
// saturated to their type, floats in double and narrowed. Every other value
// is read as it is, and the generator gives the same outputs in the same
// order as at 100 x 100. At N = 100 every scaled read is its value unchanged.
//
// Coordinates mean one of two things. Selection corners and donor regions
// are edges between pixels: x scales to x * N / 100, so a box of design
// pixels covers exactly the matching block. Points of drawn figures and of
// gradients are where design pixels are sampled: point x is the centre of
// its block, x * N / 100 + (N / 100 - 1) / 2, so that an axis-aligned figure
// of the design canvas paints exactly the matching blocks.
#include <cmath>
#include <cstdint>

#include "raster/selectable_raster.h"

class RenderScale {
public:
    static constexpr uint32_t kDesignSide = 100;

    explicit RenderScale(const SelectableRaster& raster) : factor_(raster.Scale()) {}

    double Factor() const { return factor_; }

    // A coordinate or signed length (Position, Overlap).
    int32_t Coordinate(int32_t v) const { return int32_t(Saturated(std::round(double(v) * factor_), INT32_MIN, INT32_MAX)); }
    // An unsigned length (Size, CellSize, PatchSize).
    uint32_t Length(uint32_t v) const { return uint32_t(Saturated(std::round(double(v) * factor_), 0, UINT32_MAX)); }
    // A point where design pixels are sampled, in single precision.
    float Point(int32_t v) const { return float(double(v) * factor_ + (factor_ - 1.0) * 0.5); }
    // The same point rounded to a whole pixel (for integer vertices).
    int32_t WholePoint(int32_t v) const {
        return int32_t(Saturated(std::round(double(v) * factor_ + (factor_ - 1.0) * 0.5), INT32_MIN, INT32_MAX));
    }
    // Half the width of a design pixel's block less a pixel: (N / 100 - 1) / 2.
    float HalfBlock() const { return float((factor_ - 1.0) * 0.5); }
    // A length held as a float (Spread); NaN stays NaN.
    float Length(float v) const { return float(double(v) * factor_); }

    // A raster for a render at size x size: everything selected, lengths
    // scaled by size / 100.
    static SelectableRaster Raster(uint32_t size) {
        SelectableRaster raster(size, size);
        raster.ClearSelection();
        raster.SetScale(double(size) / kDesignSide);
        return raster;
    }

private:
    static double Saturated(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }

    double factor_;
};
