#pragma once
#include "instructions/raster_function.h"

class SelectableRaster;

// Grows new texture over the current layer from a donor region of a layer:
// the raster is tiled with overlapping square patches cut from the donor, each
// later patch chosen (among the five best by HSL distance) to agree with the
// texture already laid in its overlaps, optionally also with the lightness of
// the layer's earlier content, and optionally trimmed along per-line
// minimum-error edges. Only the selected pixels take the result.
// Cost: per patch, every candidate position of the donor is scored over the
// overlap strips (and the patch when transferring). Patches per raster stay
// the same at any size, while candidates and strip pixels each grow with
// N^2: the search grows with N^4 (the scoring kernel is vectorised, stops
// scoring a candidate once its partial error rules it out, and shares each
// search between the raster's threads).
class SynthesizeTextureRasterFunction final : public RasterFunction<SynthesizeTextureRasterFunction> {
public:
    static constexpr const char* kName = "Synthesize Texture";
    static constexpr uint32_t kTypeId = 19;
    static const ParamLayout& Layout();
    static void Apply(SelectableRaster& raster, const AbstractRasterFunction& function);
};

// Donor regions far beyond the raster make millions of candidate positions.
// Up to these limits the ranking heap is exact; past them the candidates are
// ranked by class of identical patches (see the .cpp). The defaults keep 64
// MiB of candidates and under a second of heap work per instruction.
struct SynthesisHeapLimits {
    uint64_t candidates = uint64_t(1) << 22;    // heap size of one patch's search
    uint64_t pushes = uint64_t(1) << 28;        // heap pushes over all patches of one instruction
    uint64_t finitePushes = uint64_t(1) << 20;  // past those: pushes of errors <= the k-th smallest
};

// How each search's candidates are shared between threads: candidate rows
// are scored in blocks, any block on any thread, and each block's best are
// merged in block order, so the answer is the same for every split.
struct SynthesisSplit {
    uint32_t threads = 0;              // 0: the raster's Threads()
    uint32_t blockRows = 0;            // rows of candidate classes per block; 0: about a sixteenth of them
    uint64_t minWork = uint64_t(1) << 19;  // fewer distances per search than this: the calling thread alone
};

// The apply routine with the given limits (tests lower them to reach the
// other rankings on small inputs) and split.
void SynthesizeTexture(SelectableRaster& raster, const AbstractRasterFunction& function,
                       const SynthesisHeapLimits& limits, const SynthesisSplit& split = {});
