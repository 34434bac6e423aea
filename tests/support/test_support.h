#pragma once
// Shared helpers for the tests: a known generator, instruction builders and
// the one image comparison helper.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>

#include "instructions/abstract_raster_function.h"
#include "functions/render_scale.h"
#include "instructions/generate.h"
#include "instructions/parameter_rng.h"
#include "raster/selectable_raster.h"

// Starts every test with this thread's generator in a known state.
class CoreTest : public ::testing::Test {
protected:
    void SetUp() override { ReseedParameterRng(5489u); }
};

using Params = std::initializer_list<std::pair<const char*, ParamValue>>;

// A directly constructed instruction (empty map) given the listed values.
template <class T>
std::unique_ptr<AbstractRasterFunction> Make(Params params = {}) {
    auto instruction = std::make_unique<T>();
    for (const auto& [name, value] : params) instruction->SetValue(name, value);
    return instruction;
}

// A clone of the class's prototype (every parameter at its default) with the
// listed values replaced.
template <class T>
std::unique_ptr<AbstractRasterFunction> MakeDefault(Params params = {}) {
    auto instruction = T::Prototype().Clone();
    for (const auto& [name, value] : params) instruction->SetValue(name, value);
    return instruction;
}

inline ParamValue I32(int32_t v) { return ParamValue(v); }
inline ParamValue U8(uint8_t v) { return ParamValue(v); }
inline ParamValue U32(uint32_t v) { return ParamValue(v); }
inline ParamValue U64(uint64_t v) { return ParamValue(v); }
inline ParamValue F32(float v) { return ParamValue(v); }

// Marks a parameter randomised with the given offsets.
inline void Randomise(AbstractRasterFunction& f, const std::string& name, ParamValue lo, ParamValue hi) {
    f.SetRecord(name, ParamRecord{f.GetRawValue(name), true, lo, hi});
}

// Builds a queue from instructions.
template <class... T>
InstructionList Queue(T&&... instructions) {
    InstructionList queue;
    (queue.push_back(std::forward<T>(instructions)), ...);
    return queue;
}

// A raster (100 x 100 unless told otherwise) generated from the queue.
inline std::unique_ptr<SelectableRaster> Render(const InstructionList& queue, uint32_t width = 100, uint32_t height = 100) {
    auto raster = std::make_unique<SelectableRaster>(width, height);
    Generate(*raster, queue);
    return raster;
}

// The queue rendered at size x size, lengths scaled by size / 100.
inline std::unique_ptr<SelectableRaster> RenderAt(const InstructionList& queue, uint32_t size) {
    auto raster = std::make_unique<SelectableRaster>(RenderScale::Raster(size));
    Generate(*raster, queue);
    return raster;
}

struct ImageDiff {
    size_t differing = 0;           // pixels that differ in any channel
    int maxChannelDiff = 0;         // largest absolute channel difference
    long firstX = -1, firstY = -1;  // first differing pixel, raster coordinates
    bool sizeMismatch = false;
    bool Same() const { return !sizeMismatch && differing == 0; }
};
// Compares two pixel buffers of width x height; with diffPath set and a
// difference found, writes a PNG marking the differing pixels in red.
ImageDiff CompareImages(const PixelBuffer& a, const PixelBuffer& b, uint32_t width, uint32_t height,
                        const std::string& diffPath = "");
// Success, or a message naming the count, the largest channel difference and
// the first differing pixel with both colours.
::testing::AssertionResult ImagesEqual(const PixelBuffer& a, const PixelBuffer& b, uint32_t width,
                                       uint32_t height);

// Number of pixels of the buffer equal to c.
inline size_t CountPixels(const PixelBuffer& buffer, Color c) {
    return size_t(std::count(buffer.begin(), buffer.end(), c));
}

// A small asymmetric test picture: a red "F" on blue, odd size, for catching
// flipped rows, transpositions and channel swaps.
PixelBuffer MakeFPicture(uint32_t width, uint32_t height);
