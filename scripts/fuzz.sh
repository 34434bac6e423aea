#!/usr/bin/env bash
# Fuzzes the project-file loader and the generation of what it loads, with
# clang's libFuzzer under AddressSanitizer and UndefinedBehaviorSanitizer.
#   scripts/fuzz.sh [seconds]     (default 60)
# First every hostile project the target writes itself (each instruction
# class with the extreme values of every width) runs once; then the fuzzer
# mutates, from the example projects, for the given time. The build lives in
# build-fuzz/; findings are written to build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

cmake -S tests/fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build build-fuzz -j"$(nproc)" >/dev/null

rm -rf build-fuzz/corpus build-fuzz/hostile && mkdir -p build-fuzz/corpus build-fuzz/hostile build-fuzz/findings
cp examples/*.pcg build-fuzz/corpus/
ORVANE_HOSTILE_CORPUS=build-fuzz/hostile build-fuzz/project_fuzz

export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
flags=(-timeout=10 -rss_limit_mb=2048 -max_len=16384 -close_fd_mask=3
       -artifact_prefix=build-fuzz/findings/)
# A finding prints its report (the stack, the input's file) before failing.
fuzz() {
  local log=build-fuzz/last.log status=0
  build-fuzz/project_fuzz "$@" "${flags[@]}" >"$log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    grep -v -E "# Uses:|^#[0-9]+[[:space:]]+(NEW|REDUCE|pulse|RELOAD)" "$log" | tail -n 80
    return "$status"
  fi
  tail -n 3 "$log"
}
fuzz build-fuzz/hostile -runs=0
echo "fuzz: $(ls build-fuzz/hostile | wc -l) hostile projects ran cleanly"
fuzz build-fuzz/corpus -max_total_time="$seconds" -print_final_stats=1
echo "fuzz: no crash, hang, leak or undefined behaviour in ${seconds} s"
