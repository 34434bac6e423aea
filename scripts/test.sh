#!/usr/bin/env bash
# Runs every test: installs what is missing, builds, then runs the unit and
# end-to-end tests through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
# The editor's generation hand-off between its two threads, once more under
# ThreadSanitizer (its own build directory; only that test and the core).
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_TSAN=ON -DORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan --target generation_handoff_tests -j"$(nproc)" >/dev/null
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" build-tsan/tests/app/generation_handoff_tests --gtest_brief=1
# The seed gallery's renderer thread beside a main generation, likewise.
cmake --build build-tsan --target seed_gallery_tests -j"$(nproc)" >/dev/null
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" build-tsan/tests/app/seed_gallery_tests --gtest_brief=1

# Hostile project files: libFuzzer with ASan and UBSan over the loader and
# the generation of what it loads (own build directory, about a minute).
bash scripts/fuzz.sh 60

ctest --test-dir build --output-on-failure -j"$(nproc)"
