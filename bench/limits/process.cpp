// Whole headless runs as processes: `tavelin -o OUT EXAMPLE 1` for every
// bundled example, beside the bare stb program (bench/bare_png.c) that only
// writes a 100 x 100 PNG. Each run is timed by the CPU time of the child
// (user + system, from wait4), start-up, loading and exit included. Let the
// programs alternate (--benchmark_enable_random_interleaving=true):
//   bench_limits --benchmark_filter='process|tavelin' --benchmark_repetitions=15
//                --benchmark_enable_random_interleaving=true
// Each tavelin run is also paired with a bare run just before it; the
// counter vs_paired is the median ratio of those pairs. TAVELIN names
// another tavelin to time.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "../quiet_child.h"
#include "yardstick_registry.h"

namespace {

namespace fs = std::filesystem;

const std::string& Scratch() {
    static const std::string folder = [] {
        char pattern[] = "/tmp/process_bench.XXXXXX";
        return std::string(::mkdtemp(pattern) != nullptr ? pattern : "/tmp");
    }();
    return folder;
}

// Runs argv with its output discarded; the child's CPU seconds, or -1 when
// it could not start or failed.
double ChildCpuSeconds(const std::vector<std::string>& args) {
    const ChildRun run = RunQuietly(args);
    return run.status == 0 ? run.cpuSeconds : -1;
}

// With `paired` given, each iteration runs that program first and the
// counter vs_paired is the median of the iterations' ratios: this machine's
// speed drifts over seconds, and runs side by side see the same drift.
void TimeProcess(benchmark::State& state, const std::vector<std::string>& args,
                 const std::vector<std::string>& paired = {}) {
    std::vector<double> ratios;
    for (auto _ : state) {
        const double before = paired.empty() ? 1.0 : ChildCpuSeconds(paired);
        const double seconds = ChildCpuSeconds(args);
        if (seconds < 0 || before < 0) {
            state.SkipWithError(("failed: " + (seconds < 0 ? args : paired)[0]).c_str());
            break;
        }
        state.SetIterationTime(seconds);
        if (!paired.empty() && before > 0) ratios.push_back(seconds / before);
    }
    if (!ratios.empty()) state.counters["vs_paired"] = Median(std::move(ratios));
}

std::vector<std::string> BareRun() { return {ORVANE_BARE_PNG, Scratch() + "/bare.png"}; }

std::string Tavelin() {
    const char* set = std::getenv("TAVELIN");
    return set != nullptr ? set : ORVANE_TAVELIN;
}

bool RegisterAll() {
    RegisterYardstick("bare stb PNG process", [](benchmark::State& state) {
        TimeProcess(state, BareRun());
    })->UseManualTime();
    std::vector<fs::path> examples;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(fs::path(ORVANE_SOURCE_DIR) / "examples", error))
        if (entry.path().extension() == ".pcg") examples.push_back(entry.path());
    std::sort(examples.begin(), examples.end());
    for (const fs::path& example : examples) {
        const std::string name = example.stem().string();
        RegisterKernel("tavelin " + name, "bare stb PNG process", [name, example](benchmark::State& state) {
            TimeProcess(state, {Tavelin(), "-o", Scratch() + "/" + name + ".png", example.string(), "1"}, BareRun());
        })->UseManualTime();
    }
    return true;
}

const bool kRegistered = RegisterAll();

}  // namespace
