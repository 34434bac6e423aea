#pragma once
// Pictures and direct application for the filter and shape tests.
#include <random>

#include "support/test_support.h"

// Blocks of random colours, a quarter of them fully transparent and some
// opaque, with speckles, so that alpha weighting and edges matter.
inline PixelBuffer RandomPicture(uint32_t seed) {
    std::mt19937 rng(seed);
    PixelBuffer picture(10000);
    std::vector<Color> blocks(100);
    for (Color& c : blocks) {
        c = Color::FromWord(rng());
        if (rng() % 4 == 0) c = kTransparentBlack;
        else if (rng() % 3 == 0) c.a = 255;
    }
    for (uint32_t i = 0; i < 10000; ++i) {
        picture[i] = blocks[(i / 100 / 10) * 10 + (i % 100) / 10];
        if (rng() % 16 == 0) picture[i] = Color::FromWord(rng());
    }
    return picture;
}

// A 100 x 100 raster whose current layer holds the picture, with an optional
// selection and the working canvas loaded, as the generation loop leaves it.
inline std::unique_ptr<SelectableRaster> RasterWith(const PixelBuffer& picture,
                                                    const std::vector<RasterPolygon>& selection = {}) {
    auto raster = std::make_unique<SelectableRaster>(100, 100);
    raster->LoadWorkingCanvas();
    for (uint32_t i = 0; i < picture.size(); ++i) raster->SetPixel(int32_t(i), picture[i]);
    raster->CommitWorkingCanvas();
    if (!selection.empty()) raster->AddSelectionPolygons(selection);
    raster->LoadWorkingCanvas();
    return raster;
}

// Runs one instruction's apply routine on the raster; returns the working canvas.
inline PixelBuffer ApplyTo(SelectableRaster& raster, const AbstractRasterFunction& f) {
    raster.LoadWorkingCanvas();
    f.GetFunction()(&raster, &f);
    return raster.WorkingCanvas();
}

inline PixelBuffer ApplyToPicture(const AbstractRasterFunction& f, const PixelBuffer& picture) {
    auto raster = RasterWith(picture);
    return ApplyTo(*raster, f);
}
