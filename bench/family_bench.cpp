// Members per second: tavelin-family against a shell loop of tavelin runs,
// for every bundled example without Synthesize Texture, in the same run.
//   bench_family --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
// The two executables are found beside this program's build folder
// (../src/app/tavelin, ../src/family/tavelin-family) unless TAVELIN and
// TAVELIN_FAMILY name them; ORVANE_EXAMPLES may name another folder of projects.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "project/project_file.h"
#include "quiet_child.h"
namespace fs = std::filesystem;

namespace {

constexpr int kLoopMembers = 20;     // tavelin runs per shell loop
constexpr int kFamilyMembers = 200;  // members per tavelin-family run

std::string tavelinPath, familyPath, scratch;

std::string Executable(const char* variable, const std::string& relative) {
    if (const char* set = std::getenv(variable)) return set;
    return (fs::read_symlink("/proc/self/exe").parent_path().parent_path() / relative).string();
}

// Runs argv with standard output and error discarded; returns the exit status.
int Run(const std::vector<std::string>& args) { return RunQuietly(args).status; }

void TavelinLoop(benchmark::State& state, const std::string& project) {
    // tavelin writes beside itself: a private copy keeps the build folder clean.
    const std::string copy = scratch + "/tavelin";
    const std::string script = "for i in $(seq 1 " + std::to_string(kLoopMembers) + "); do '" + copy + "' '" + project +
                               "' $i > /dev/null || exit 1; cp '" + scratch + "/pcgOutput.png' '" + scratch +
                               "/member-'$i.png; done";
    for (auto _ : state)
        if (Run({"/bin/sh", "-c", script}) != 0) state.SkipWithError("tavelin failed");
    state.SetItemsProcessed(state.iterations() * kLoopMembers);
}

void FamilyRun(benchmark::State& state, const std::string& project) {
    const std::string out = scratch + "/family";
    const std::string seeds = "1-" + std::to_string(kFamilyMembers);
    for (auto _ : state) {
        if (Run({familyPath, project, "--seeds", seeds, "--out", out, "--quiet"}) != 0)
            state.SkipWithError("tavelin-family failed");
        state.PauseTiming();
        fs::remove_all(out);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kFamilyMembers);
}

bool UsesSynthesis(const std::string& path) {
    std::deque<int32_t> noSeeds;
    InstructionList queue;
    if (!ReadProjectFile(path, noSeeds, queue)) return true;
    for (const auto& instruction : queue)
        if (instruction->GetTypeId() == 19) return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    tavelinPath = Executable("TAVELIN", "src/app/tavelin");
    familyPath = Executable("TAVELIN_FAMILY", "src/family/tavelin-family");
    char pattern[] = "/tmp/family_bench.XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return 1;
    scratch = pattern;
    fs::copy_file(tavelinPath, scratch + "/tavelin");

    std::vector<fs::path> examples;
    const char* examplesVariable = std::getenv("ORVANE_EXAMPLES");
    const fs::path folder = examplesVariable ? fs::path(examplesVariable) : fs::path(ORVANE_SOURCE_DIR) / "examples";
    if (fs::exists(folder))
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().extension() == ".pcg" && !UsesSynthesis(entry.path().string()))
                examples.push_back(entry.path());
    std::sort(examples.begin(), examples.end());
    if (examples.empty()) std::fprintf(stderr, "no example project without Synthesize Texture in %s\n", folder.c_str());
    for (const fs::path& example : examples) {
        const std::string name = example.stem().string();
        benchmark::RegisterBenchmark(("TavelinLoop/" + name).c_str(), TavelinLoop, example.string())
            ->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark(("Family/" + name).c_str(), FamilyRun, example.string())
            ->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(scratch);
    return 0;
}
