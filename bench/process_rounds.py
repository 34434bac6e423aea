#!/usr/bin/env python3
"""Whole-process CPU time of `tavelin -o OUT EXAMPLE 1` beside the bare stb
program (bench/bare_png.c), side by side: every round runs the bare program
and each tavelin on each example once, in a shuffled order, so that all of
them see the same drift of this machine's speed. Prints each one's median
CPU time (user + system of the child) and its ratio to the bare program's;
with a second tavelin (another build), also the second's ratio to the first.

  bench/process_rounds.py [--rounds N] [--build DIR] [--other TAVELIN] [EXAMPLE.pcg ...]

Defaults: 300 rounds, build/, every bundled example.
"""
import argparse
import glob
import os
import random
import shutil
import statistics
import tempfile

here = os.path.dirname(os.path.abspath(__file__))
parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
parser.add_argument("--rounds", type=int, default=300)
parser.add_argument("--build", default=os.path.join(here, "..", "build"))
parser.add_argument("--other", help="a second tavelin to time beside the build's")
parser.add_argument("examples", nargs="*")
options = parser.parse_args()
examples = options.examples or sorted(glob.glob(os.path.join(here, "..", "examples", "*.pcg")))
tavelins = [os.path.join(options.build, "src", "app", "tavelin")] + ([options.other] if options.other else [])
scratch = tempfile.mkdtemp(prefix="process_rounds.")
devnull = os.open(os.devnull, os.O_WRONLY)


def cpu_microseconds(argv):
    pid = os.posix_spawn(argv[0], argv, os.environ,
                         file_actions=[(os.POSIX_SPAWN_DUP2, devnull, 1), (os.POSIX_SPAWN_DUP2, devnull, 2)])
    _, status, usage = os.wait4(pid, 0)
    if status != 0:
        raise SystemExit("failed: " + " ".join(argv))
    return (usage.ru_utime + usage.ru_stime) * 1e6


runs = {("bare", ""): [os.path.join(options.build, "bench", "bench_bare_png"), os.path.join(scratch, "bare.png")]}
for t, tavelin in enumerate(tavelins):
    for example in examples:
        name = os.path.basename(example)[:-4]
        runs[(name, t)] = [tavelin, "-o", os.path.join(scratch, "%s.%d.png" % (name, t)), example, "1"]
times = {key: [] for key in runs}
try:
    for _ in range(options.rounds):
        order = list(runs)
        random.shuffle(order)
        for key in order:
            times[key].append(cpu_microseconds(runs[key]))
finally:
    shutil.rmtree(scratch, ignore_errors=True)

bare = statistics.median(times[("bare", "")])
print("bare stb PNG program %9.1f us" % bare)
for example in examples:
    name = os.path.basename(example)[:-4]
    medians = [statistics.median(times[(name, t)]) for t in range(len(tavelins))]
    line = "%-20s" % name + "".join(" %9.1f us %5.2f x bare" % (m, m / bare) for m in medians)
    if len(medians) == 2:
        line += "   second / first %.3f" % (medians[1] / medians[0])
    print(line)
