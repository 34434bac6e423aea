#!/usr/bin/env bash
# Runs every test: installs what is missing, builds, then runs the unit and
# end-to-end tests through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
# Includes only look down the layers of src/.
python3 scripts/check_layers.py

# The editor's threads (generation hand-off, seed gallery renderer) once
# more under ThreadSanitizer, in a build directory of their own.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_TSAN=ON -DORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan --target editor_thread_tests -j"$(nproc)" >/dev/null
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" build-tsan/tests/editor/editor_thread_tests --gtest_brief=1

# Hostile project files: libFuzzer with ASan and UBSan over the loader and
# the generation of what it loads (own build directory, about a minute).
bash scripts/fuzz.sh 60

ctest --test-dir build --output-on-failure -j"$(nproc)"
