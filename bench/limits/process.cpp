// Whole headless runs as processes: `tavelin -o OUT EXAMPLE 1` for every
// bundled example, beside the bare stb program (bench/bare_png.c) that only
// writes a 100 x 100 PNG. Each run is timed by the CPU time of the child
// (user + system, from wait4), start-up, loading and exit included. Let the
// programs alternate (--benchmark_enable_random_interleaving=true):
//   bench_limits --benchmark_filter='process|tavelin' --benchmark_repetitions=15
//                --benchmark_enable_random_interleaving=true
// TAVELIN names another tavelin to time.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
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

void TimeProcess(benchmark::State& state, const std::vector<std::string>& args) {
    for (auto _ : state) {
        const double seconds = ChildCpuSeconds(args);
        if (seconds < 0) {
            state.SkipWithError(("failed: " + args[0]).c_str());
            break;
        }
        state.SetIterationTime(seconds);
    }
}

std::string Tavelin() {
    const char* set = std::getenv("TAVELIN");
    return set != nullptr ? set : ORVANE_TAVELIN;
}

bool RegisterAll() {
    RegisterYardstick("bare stb PNG process", [](benchmark::State& state) {
        TimeProcess(state, {ORVANE_BARE_PNG, Scratch() + "/bare.png"});
    })->UseManualTime();
    std::vector<fs::path> examples;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(fs::path(ORVANE_SOURCE_DIR) / "examples", error))
        if (entry.path().extension() == ".pcg") examples.push_back(entry.path());
    std::sort(examples.begin(), examples.end());
    for (const fs::path& example : examples) {
        const std::string name = example.stem().string();
        RegisterKernel("tavelin " + name, "bare stb PNG process", [name, example](benchmark::State& state) {
            TimeProcess(state, {Tavelin(), "-o", Scratch() + "/" + name + ".png", example.string(), "1"});
        })->UseManualTime();
    }
    return true;
}

const bool kRegistered = RegisterAll();

}  // namespace
