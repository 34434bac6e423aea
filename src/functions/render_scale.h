#pragma once
// Renders at N x N pixels draw the 100 x 100 design canvas N/100 times
// larger. Every value of a geometric kind (Position, Size, CellSize, Spread,
// Overlap, PatchSize: lengths in pixels of the design canvas) is multiplied
// by N / 100 once it has been read (after randomisation and the kind's
// clamp): whole numbers rounded to nearest with halves away from zero and
// saturated to their type, floats in double and narrowed. Every other value
// is read as it is, and the generator gives the same outputs in the same
// order as at 100 x 100. At N = 100 every scaled read is its value unchanged.
#include <cmath>
#include <cstdint>

#include "raster/selectable_raster.h"

class RenderScale {
public:
    static constexpr uint32_t kDesignSide = 100;

    explicit RenderScale(const SelectableRaster& raster) : factor_(double(raster.Width()) / kDesignSide) {}

    double Factor() const { return factor_; }

    // A coordinate or signed length (Position, Overlap).
    int32_t Coordinate(int32_t v) const { return int32_t(Saturated(std::round(double(v) * factor_), INT32_MIN, INT32_MAX)); }
    // An unsigned length (Size, CellSize, PatchSize).
    uint32_t Length(uint32_t v) const { return uint32_t(Saturated(std::round(double(v) * factor_), 0, UINT32_MAX)); }
    // A length held as a float (Spread); NaN stays NaN.
    float Length(float v) const { return float(double(v) * factor_); }
    // The last pixel of an inclusive range of design pixels ending at `last`:
    // the far edge last + 1, scaled, less one, so that the range covers
    // exactly the matching block of pixels.
    int32_t LastPixel(int32_t last) const {
        return int32_t(Saturated(std::round((double(last) + 1.0) * factor_) - 1.0, INT32_MIN, INT32_MAX));
    }

private:
    static double Saturated(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }

    double factor_;
};
