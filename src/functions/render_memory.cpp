#include "functions/render_memory.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "functions/create_layer.h"
#include "functions/crystallize.h"
#include "functions/fragmentation_blur.h"
#include "functions/gaussian_blur.h"
#include "functions/motion_blur.h"
#include "functions/synthesize_texture.h"
#include "raster/selectable_raster.h"

namespace {

// The largest and smallest value a read of the parameter can give: the
// stored one, moved by its offsets when randomised (as a signed 32-bit
// number; an empty or missing value reads as 0).
double Largest(const AbstractRasterFunction& f, const char* name) {
    const ParamRecord r = f.GetRecord(name);
    const double v = r.value.AsInt32();
    return r.randomized ? v + std::max(0, std::max(r.offsetMin.AsInt32(), r.offsetMax.AsInt32())) : v;
}
double Smallest(const AbstractRasterFunction& f, const char* name) {
    const ParamRecord r = f.GetRecord(name);
    const double v = r.value.AsInt32();
    return r.randomized ? v + std::min(0, std::min(r.offsetMin.AsInt32(), r.offsetMax.AsInt32())) : v;
}

// The working bytes of one instruction at the given size (scale = size / 100).
double InstructionBytes(const AbstractRasterFunction& f, double side, double scale) {
    const double pixels = side * side;
    const uint32_t type = f.GetTypeId();
    if (type == GaussianBlurRasterFunction::kTypeId || type == MotionBlurRasterFunction::kTypeId ||
        type == FragmentationBlurRasterFunction::kTypeId) {
        // Four float planes padded by the reach, and four float sums.
        const double margin = std::min(std::max(0.0, Largest(f, "Distance")) * scale + 1, std::max(side, 100.0));
        return 16 * (side + 2 * margin) * (side + 2 * margin) + 16 * pixels;
    }
    if (type == CrystallizeRasterFunction::kTypeId) {
        const double cell = std::max(1.0, std::round(std::max(1.0, Smallest(f, "Crystal_Size")) * scale));
        const double cells = (side / cell + 3) * (side / cell + 3);
        return cells * (32 + 16 * (1 + CrystallizeRasterFunction::kMaxDensity));
    }
    if (type == SynthesizeTextureRasterFunction::kTypeId) {
        // A copy of the donor layer, three term planes and the errors over
        // at most the raster plus two patches a side, the ranking heap.
        const double patch = std::min(std::max(0.0, Largest(f, "Quilt_Size")) * scale, 2 * side);
        const double plane = (side + 2 * patch + 32) * (side + 2 * patch + 32);
        return 4 * pixels + 20 * plane + 16.0 * double(SynthesisHeapLimits{}.candidates);
    }
    return 0;
}

// A value from a file like /proc/meminfo or memory.max; 0 when missing or "max".
uint64_t ReadNumber(const char* path) {
    std::FILE* f = std::fopen(path, "r");
    if (f == nullptr) return 0;
    unsigned long long v = 0;
    const bool ok = std::fscanf(f, "%llu", &v) == 1;
    std::fclose(f);
    return ok ? v : 0;
}

}  // namespace

uint64_t RenderMemoryBytes(const InstructionList& queue, uint32_t size) {
    const double side = size, pixels = side * side, scale = side / 100.0;
    double layers = 1, largest = 0;
    for (const auto& instruction : queue) {
        if (instruction->GetTypeId() == CreateLayerRasterFunction::kTypeId) layers = std::min(layers + 1, double(SelectableRaster::kMaxLayers));
        largest = std::max(largest, InstructionBytes(*instruction, side, scale));
    }
    // Canvases (layers, working, snapshot, composite) and the selected-pixel
    // list; the picture, its filtered rows and its compressed bytes.
    const double raster = (layers + 3) * 4 * pixels + 4 * pixels;
    const double picture = 3 * 4 * pixels + (1 << 20);
    return uint64_t(raster + largest + picture);
}

uint64_t DefaultMemoryLimit() {
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGESIZE);
    uint64_t memory = pages > 0 && pageSize > 0 ? uint64_t(pages) * uint64_t(pageSize) : uint64_t(1) << 32;
    const uint64_t group = ReadNumber("/sys/fs/cgroup/memory.max");
    if (group > 0) memory = std::min(memory, group);
    return memory / 2;
}

std::optional<uint64_t> ParseByteSize(const std::string& text) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || !(v >= 0) || !std::isfinite(v)) return std::nullopt;
    const std::string unit = end;
    double factor = 1;
    if (unit == "K" || unit == "k" || unit == "KiB") factor = 1024.0;
    else if (unit == "M" || unit == "MiB") factor = 1024.0 * 1024;
    else if (unit == "G" || unit == "GiB") factor = 1024.0 * 1024 * 1024;
    else if (unit == "T" || unit == "TiB") factor = 1024.0 * 1024 * 1024 * 1024;
    else if (!unit.empty()) return std::nullopt;
    if (v * factor >= 18e18) return std::nullopt;
    return uint64_t(v * factor);
}

std::string ByteSizeText(uint64_t bytes) {
    char buffer[32];
    if (bytes >= (uint64_t(1) << 30))
        std::snprintf(buffer, sizeof buffer, "%.1f GiB", double(bytes) / double(uint64_t(1) << 30));
    else
        std::snprintf(buffer, sizeof buffer, "%.0f MiB", double(bytes) / double(1 << 20));
    return buffer;
}
