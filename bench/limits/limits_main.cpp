// bench_limits: every registered yardstick and kernel, then a table of each
// kernel's median beside its yardstick's and the ratio (and, for kernels
// paired run by run with their yardstick, the median of those ratios).
//   bench_limits [--benchmark_repetitions=9] [--benchmark_filter=...]
#include <algorithm>
#include <cstdio>
#include <map>
#include <utility>
#include <vector>

#include "yardstick_registry.h"

namespace {

struct Registry {
    std::vector<std::pair<std::string, std::string>> kernels;  // kernel, yardstick
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

// Collects every run's time per iteration (CPU time, or the wall-clock or
// manual time of cases registered so; nanoseconds) by name.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                times[run.run_name.function_name].push_back(
                    (run.run_name.time_type.empty() ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime()) *
                    ToNanoseconds(run.time_unit));
                const auto pairedRatio = run.counters.find("vs_paired");
                if (pairedRatio != run.counters.end()) paired[run.run_name.function_name].push_back(pairedRatio->second);
            }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, std::vector<double>> times;
    std::map<std::string, std::vector<double>> paired;  // ratios to runs paired with each iteration

private:
    static double ToNanoseconds(benchmark::TimeUnit unit) {
        switch (unit) {
            case benchmark::kNanosecond: return 1.0;
            case benchmark::kMicrosecond: return 1e3;
            case benchmark::kMillisecond: return 1e6;
            default: return 1e9;
        }
    }
};

}  // namespace

double Median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2.0;
}

benchmark::internal::Benchmark* RegisterYardstick(const std::string& name, BenchBody body) {
    return benchmark::RegisterBenchmark(("yardstick/" + name).c_str(), body)->Unit(benchmark::kMicrosecond);
}

benchmark::internal::Benchmark* RegisterKernel(const std::string& name, const std::string& yardstick, BenchBody body) {
    TheRegistry().kernels.emplace_back(name, yardstick);
    return benchmark::RegisterBenchmark(("kernel/" + name).c_str(), body)->Unit(benchmark::kMicrosecond);
}

void RegisterWallClockYardstick(const std::string& name, BenchBody body) {
    RegisterYardstick(name, std::move(body))->UseRealTime();
}

void RegisterWallClockKernel(const std::string& name, const std::string& yardstick, BenchBody body) {
    RegisterKernel(name, yardstick, std::move(body))->UseRealTime();
}

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%-44s %12s   %-34s %12s %7s\n", "kernel", "median us", "yardstick", "median us", "ratio");
    for (const auto& [kernel, yardstick] : TheRegistry().kernels) {
        const auto k = reporter.times.find("kernel/" + kernel), y = reporter.times.find("yardstick/" + yardstick);
        if (k == reporter.times.end()) continue;  // filtered out
        const double km = Median(k->second) / 1e3;
        const double ym = y == reporter.times.end() ? 0.0 : Median(y->second) / 1e3;
        std::printf("%-44s %12.2f   %-34s %12.2f %7.2f", kernel.c_str(), km, yardstick.c_str(), ym,
                    ym > 0 ? km / ym : 0.0);
        const auto p = reporter.paired.find("kernel/" + kernel);
        if (p != reporter.paired.end()) std::printf("   paired %5.2f", Median(p->second));
        std::printf("\n");
    }
    benchmark::Shutdown();
    return 0;
}
