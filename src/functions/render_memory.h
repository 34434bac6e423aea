#pragma once
// How much memory a render needs, known before it starts, and how much the
// machine lets it have: renders at large sizes are refused up front instead
// of failing half way.
#include <cstdint>
#include <optional>
#include <string>

#include "instructions/abstract_raster_function.h"

// The renderable sizes: N x N pixels.
constexpr uint32_t kMinRenderSize = 16;
constexpr uint32_t kMaxRenderSize = 8192;

// An upper bound of the bytes one render of `queue` at size x size takes:
// the layers in use and the three canvases, the selected-pixel list, the
// largest working buffers of its instructions (blur planes, crystal grids,
// synthesis planes and heaps) and the encoded picture. Parameters are taken
// at the far end of their random ranges.
uint64_t RenderMemoryBytes(const InstructionList& queue, uint32_t size);

// The default limit: half the machine's memory, or of the control group's
// memory limit when that is lower.
uint64_t DefaultMemoryLimit();

// "512M", "2G", "1.5G", "100000000" (bytes; K, M, G, T in powers of 1024).
std::optional<uint64_t> ParseByteSize(const std::string& text);

// "1.5 GiB", "300 MiB".
std::string ByteSizeText(uint64_t bytes);
