#!/usr/bin/env bash
# Whole-process wall time of a headless render, against ImageMagick drawing
# the same picture, in one hyperfine run; prints the medians.
#   bench/startup_bench.sh [path/to/tavelin] [runs]
# Also times the render with the editor's window and graphics libraries
# preloaded, which is what a tavelin linked against them would pay.
set -euo pipefail
cd "$(dirname "$0")/.."
tavelin="$(readlink -f "${1:-build/src/app/tavelin}")"
runs="${2:-200}"
convert_bin=/usr/bin/convert
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

gl_libs=""
for lib in libglfw.so.3 libGLEW.so.2.2 libGL.so.1; do
  path="$(ldconfig -p | awk -v l="$lib" '$1 == l && !found { print $NF; found = 1 }')"
  [ -n "$path" ] && gl_libs="${gl_libs:+$gl_libs:}$path"
done

commands=(
  "$tavelin examples/default.pcg 1"
  "$convert_bin -size 100x100 xc:white -fill red -draw 'rectangle 0,0 49,99' -fill blue -draw 'polygon 25,28 61,82 80,14' $out/out.png"
)
names=(tavelin imagemagick)
if [ -n "$gl_libs" ]; then
  commands+=("env LD_PRELOAD=$gl_libs $tavelin examples/default.pcg 1")
  names+=("tavelin+graphics-libs")
  commands+=("env $tavelin examples/default.pcg 1")
  names+=("tavelin-through-env")
fi

args=()
for i in "${!commands[@]}"; do args+=(-n "${names[$i]}" "${commands[$i]}"); done
hyperfine -N --warmup 20 --runs "$runs" --export-json "$out/times.json" "${args[@]}" >/dev/null 2>&1 || \
  hyperfine --warmup 20 --runs "$runs" --export-json "$out/times.json" "${args[@]}" >/dev/null

python3 - "$out/times.json" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
by_name = {r["command"]: r for r in results}
for r in results:
    print(f'{r["command"]:<24} median {r["median"] * 1000:7.2f} ms   (mean {r["mean"] * 1000:.2f}, min {r["min"] * 1000:.2f})')
t, im = by_name["tavelin"]["median"], by_name["imagemagick"]["median"]
print(f"tavelin / imagemagick = {t / im:.3f}")
PY
