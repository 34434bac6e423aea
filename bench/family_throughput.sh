#!/usr/bin/env bash
# Members per second of tavelin-family against one tavelin process per
# member, on the same seeds in the same run: a shell loop (one process at a
# time) and GNU parallel running tavelin on as many cores as tavelin-family
# uses. Rounds alternate the three; prints each one's median rate and the
# family's ratios to the others.
#   bench/family_throughput.sh [BUILD_DIR] [MEMBERS] [ROUNDS] [EXAMPLE...]
# Defaults: build, 200 members (seeds 1-200), 5 rounds, tiles blurs crystals
# gradient_family. TAVELIN and TAVELIN_FAMILY may name other executables.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(readlink -f "${1:-build}")
members=${2:-200}
rounds=${3:-5}
shift $(($# < 3 ? $# : 3))
examples=("$@")
[ ${#examples[@]} -gt 0 ] || examples=(tiles blurs crystals gradient_family)
tavelin=$(readlink -f "${TAVELIN:-$build/src/app/tavelin}")
family=$(readlink -f "${TAVELIN_FAMILY:-$build/src/family/tavelin-family}")
cores=$(nproc)
scratch=$(mktemp -d /tmp/family_throughput.XXXXXX)
trap 'rm -rf "$scratch"' EXIT

now() { date +%s.%N; }
# Seconds one way takes to write every member into a fresh folder.
timed() {
  rm -rf "$scratch/out" && mkdir "$scratch/out"
  local start && start=$(now)
  "$@"
  echo "$(now) - $start" | bc -l
}
loop() {
  for seed in $(seq 1 "$members"); do "$tavelin" -o "$scratch/out/$seed.png" "$1" "$seed" >/dev/null; done
}
gnu_parallel() {
  seq 1 "$members" | /usr/bin/parallel -j "$cores" "$tavelin" -o "$scratch/out/{}.png" "$1" {} '>/dev/null'
}
fam() {
  "$family" "$1" --seeds "1-$members" --out "$scratch/out" --pattern '<seed>.png' --quiet
}

echo "members $members, rounds $rounds, cores $cores"
echo "tavelin $tavelin"
echo "tavelin-family $family"
for name in "${examples[@]}"; do
  project=examples/$name.pcg
  for round in $(seq 1 "$rounds"); do
    echo "loop $(timed loop "$project")"
    echo "parallel $(timed gnu_parallel "$project")"
    echo "family $(timed fam "$project")"
  done | python3 -c '
import statistics, sys
name, members = sys.argv[1], int(sys.argv[2])
times = {}
for line in sys.stdin:
    way, seconds = line.split()
    times.setdefault(way, []).append(float(seconds))
rate = {way: members / statistics.median(t) for way, t in times.items()}
print("%-16s loop %7.0f/s  parallel %7.0f/s  family %7.0f/s   family/loop %5.1fx  family/parallel %5.1fx" % (
    name, rate["loop"], rate["parallel"], rate["family"], rate["family"] / rate["loop"],
    rate["family"] / rate["parallel"]))
' "$name" "$members"
done
