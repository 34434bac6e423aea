#!/usr/bin/env bash
# Renders every example project headless into docs/examples/<name>.png (the
# pictures the README shows).
#   scripts/render_examples.sh [path/to/tavelin]
set -euo pipefail
cd "$(dirname "$0")/.."
tavelin="${1:-build/src/app/tavelin}"
out_dir="$(dirname "$(readlink -f "$tavelin")")"
mkdir -p docs/examples
for project in examples/*.pcg; do
  name="$(basename "$project" .pcg)"
  "$tavelin" "$project" >/dev/null
  cp "$out_dir/pcgOutput.png" "docs/examples/$name.png"
  echo "docs/examples/$name.png"
done
