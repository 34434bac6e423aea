// Synthesize Texture's heavy case (donor 100 x 100, patch 10, overlap 4, cut
// and transfer on) with its candidate search shared by two threads, judged
// against the same case on one. Wall-clock times: the helper's work counts.
#include "../synthesis_scene.h"
#include "yardstick_registry.h"

namespace {

const bool kRegistered =
    (RegisterWallClockYardstick("synthesis heavy 1 thread", [](benchmark::State& s) { RunQuilt(s, 100, 1); }),
     RegisterWallClockKernel("synthesis heavy 2 threads", "synthesis heavy 1 thread",
                             [](benchmark::State& s) { RunQuilt(s, 100, 2); }),
     true);

}  // namespace
