// What undo tracking costs the frame loop: the per-frame comparison of the
// live queue with the last step (every frame), and recording a step (once
// per settled edit), for the default queue and for long queues of catalogue
// instructions with every parameter present.
#include <benchmark/benchmark.h>

#include <string>

#include "editor/undo_history.h"
#include "functions/default_queues.h"
#include "functions/function_catalogue.h"

namespace {

InstructionList LongQueue(int64_t length) {
    if (length <= 5) return MakeDefaultQueue();
    InstructionList queue;
    const auto& catalogue = functionCatalogue();
    for (int64_t i = 0; i < length; ++i) queue.push_back(catalogue[size_t(i) % catalogue.size()]->Clone());
    return queue;
}

void BM_CompareUnchanged(benchmark::State& state) {
    const InstructionList queue = LongQueue(state.range(0));
    UndoHistory history;
    history.Reset(queue);
    for (auto _ : state) benchmark::DoNotOptimize(history.Compare(queue));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CompareUnchanged)->Arg(5)->Arg(100)->Arg(2000);

void BM_CommitStep(benchmark::State& state) {
    InstructionList queue = LongQueue(state.range(0));
    UndoHistory history;
    history.Reset(queue);
    AbstractRasterFunction& last = *queue.back();
    const std::string name = last.Parameters().begin()->first;
    for (auto _ : state) {
        ParamRecord record = last.GetRecord(name);  // an edit of the last row: its randomised flag
        record.randomized = !record.randomized;
        last.SetRecord(name, record);
        if (!history.Commit(queue, {}, {})) state.SkipWithError("no step recorded");
    }
}
BENCHMARK(BM_CommitStep)->Arg(5)->Arg(100)->Arg(2000);

}  // namespace

BENCHMARK_MAIN();
