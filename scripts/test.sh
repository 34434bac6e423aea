#!/usr/bin/env bash
# Runs every test: installs what is missing, builds, then runs the unit and
# end-to-end tests through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
ctest --test-dir build --output-on-failure -j"$(nproc)"
