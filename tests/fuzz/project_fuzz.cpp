// libFuzzer target: arbitrary bytes as a project file. Decoding must never
// crash, hang or leak; what decodes must encode to bytes that decode to the
// same queue; and the queue must generate without undefined behaviour.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include "functions/function_catalogue.h"
#include "functions/render_memory.h"
#include "instructions/generate.h"
#include "instructions/parameter_rng.h"
#include "project/project_file_format.h"
#include "raster/selectable_raster.h"

namespace {

// Payloads at the edges of every width: zero, all ones, the signed limits
// of 32 and 64 bits, infinities, NaN and 2^31 as floats, +-100, 10000.
const uint64_t kHostilePayloads[] = {
    0x0000000000000000ull, 0xFFFFFFFFFFFFFFFFull, 0x7FFFFFFFFFFFFFFFull, 0x8000000000000000ull,
    0xFFFFFFFF7FFFFFFFull, 0xFFFFFFFF80000000ull, 0x000000007FFFFFFFull, 0xFFFFFFFF7F800000ull,
    0xFFFFFFFFFF800000ull, 0xFFFFFFFF7FC00000ull, 0xFFFFFFFF4F000000ull, 0xFFFFFFFF00000064ull,
    0xFFFFFFFFFFFFFF9Cull, 0xFFFFFFFF00002710ull,
};

void WriteCase(const std::string& folder, const std::string& name, InstructionList queue) {
    const std::string bytes = EncodeProject(queue);
    if (std::FILE* file = std::fopen((folder + "/" + name + ".pcg").c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
}

// One project per instruction class and hostile payload: every parameter
// at that payload; every parameter randomised with both offsets at it; and
// each parameter alone at it.
void WriteHostileCorpus(const std::string& folder) {
    int n = 0;
    for (const AbstractRasterFunction* prototype : functionCatalogue()) {
        for (const uint64_t payload : kHostilePayloads) {
            InstructionList all, randomised;
            all.push_back(prototype->Clone());
            randomised.push_back(prototype->Clone());
            for (const auto& [name, record] : prototype->Parameters()) {
                ParamRecord r = record;
                r.value.SetPayload(payload);
                all[0]->SetRecord(name, r);
                r = record;
                r.randomized = true;
                r.offsetMin.SetPayload(payload);
                r.offsetMax.SetPayload(payload);
                randomised[0]->SetRecord(name, r);

                InstructionList alone;
                alone.push_back(prototype->Clone());
                r = record;
                r.value.SetPayload(payload);
                alone[0]->SetRecord(name, r);
                WriteCase(folder, "hostile_" + std::to_string(n++), std::move(alone));
            }
            WriteCase(folder, "hostile_" + std::to_string(n++), std::move(all));
            WriteCase(folder, "hostile_" + std::to_string(n++), std::move(randomised));
        }
    }
}

}  // namespace

// With ORVANE_HOSTILE_CORPUS=<folder> the target writes the hostile seed
// corpus into the folder and exits instead of fuzzing.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (const char* folder = std::getenv("ORVANE_HOSTILE_CORPUS")) {
        WriteHostileCorpus(folder);
        std::exit(0);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Seeds as a batch run would inject them, extremes included.
    std::deque<int32_t> seeds{7, -3, INT32_MAX, INT32_MIN};
    InstructionList queue;
    MemoryByteSource source(data, size);
    if (!DecodeProject(source, seeds, queue)) return 0;

    const std::string bytes = EncodeProject(queue);
    std::deque<int32_t> none;
    InstructionList again;
    MemoryByteSource back(bytes.data(), bytes.size());
    if (!DecodeProject(back, none, again) || EncodeProject(again) != bytes) std::abort();

    // Samples per pixel of its blurs at a side: a Gaussian's two passes and
    // a motion line grow with Distance, read as it is up to the blurs' reach
    // (at least 1000, ten times the side; these rasters keep the scale 1),
    // a fragmentation ring with its Fragments. Randomised values may reach
    // the bounds.
    double perPixel = 0;
    std::vector<double> distances;
    bool synthesis = false;
    for (const auto& f : queue) {
        const uint32_t type = f->GetTypeId();
        synthesis = synthesis || type == 19;
        if (type < 9 || type > 11) continue;
        if (type == 11)
            perPixel += f->GetRecord("Fragments").randomized ? 1000.0
                        : std::min(1.0 * f->GetRawValue("Fragments").AsUInt32(), 1000.0);
        else
            distances.push_back(f->GetRecord("Distance").randomized ? 1e10 : 1.0 * f->GetRawValue("Distance").AsUInt32());
    }
    // Within 2e7 samples a render stays well inside the time limit under the
    // sanitizers on a loaded machine.
    auto tooSlow = [&](uint32_t side) {
        double samples = perPixel;
        for (const double d : distances) samples += 4 * std::min(d, std::max(1000.0, 10.0 * side)) + 2;
        return samples * side * side > 2e7;
    };
    // Each render also stops at the first instruction that starts after two
    // seconds: a file of many heavy instructions (texture synthesis takes
    // seconds under the sanitizers) is slow but finite, which is no finding.
    auto started = std::chrono::steady_clock::now();
    const GenerateProgress withinTime = [&started](size_t, size_t) {
        return std::chrono::steady_clock::now() - started < std::chrono::seconds(2);
    };

    // At 100 x 100 (smaller when its blurs would take too long there).
    static SelectableRaster raster(100, 100);
    uint32_t first = 100;
    while (first > 4 && tooSlow(first)) first /= 2;
    ReseedParameterRng(0);
    if (first == 100) {
        Generate(raster, queue, withinTime);
    } else {
        SelectableRaster small(first, first);
        Generate(small, queue, withinTime);
    }
    // And at a size from 16 to 512 that the input picks, within the memory a
    // render there needs (a few projects hold 1024 layers); smaller when its
    // blurs' samples would take too long. Synthesis's search grows faster
    // than the pixel count: one heavy search is seconds at 100 x 100 under
    // the sanitizers, minutes at 512.
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
    uint32_t side = 16 + hash % 497;
    while (side > 4 && tooSlow(side)) side /= 2;
    if (synthesis) side = std::min(side, 64u);
    if (RenderMemoryBytes(queue, side) > (uint64_t(512) << 20)) return 0;
    SelectableRaster sized(side, side);
    ReseedParameterRng(0);
    started = std::chrono::steady_clock::now();
    Generate(sized, queue, withinTime);
    return 0;
}
