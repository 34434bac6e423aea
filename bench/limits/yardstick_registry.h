#pragma once
// Kernels measured beside machine-limit yardsticks in one run of one
// program (bench_limits), which prints each kernel's median with its
// yardstick's and their ratio. Each area registers its cases from its own
// file with static registrars:
//   static const bool kRegistered = (RegisterYardstick("copy 40 KB", CopyLoop),
//                                    RegisterKernel("BlendOver", "blend SSE", BlendLoop), true);
#include <benchmark/benchmark.h>

#include <functional>
#include <string>
#include <vector>

using BenchBody = std::function<void(benchmark::State&)>;

// A yardstick: the bare loop a kernel is judged against.
benchmark::internal::Benchmark* RegisterYardstick(const std::string& name, BenchBody body);
// A kernel and the yardstick it is judged against (a yardstick's name).
benchmark::internal::Benchmark* RegisterKernel(const std::string& name, const std::string& yardstick, BenchBody body);
// Both return the benchmark for further settings; one that uses manual time
// (->UseManualTime(), state.SetIterationTime) is tabled by that time instead
// of the CPU time of this process.
// A yardstick and a kernel timed by the wall clock rather than the calling thread's CPU
// time: for cases that put helper threads to work.
void RegisterWallClockYardstick(const std::string& name, BenchBody body);
void RegisterWallClockKernel(const std::string& name, const std::string& yardstick, BenchBody body);

// The median of the values (the mean of the middle two for an even count; 0 for none).
double Median(std::vector<double> v);
