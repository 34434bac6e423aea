#!/usr/bin/env python3
"""Fails when an include in src/ crosses a layer the wrong way.

Layers, each depending only on those before it:
    raster <- instructions <- functions <- project <- {family, app, editor}
family, app and editor each stand on the core and never include one another.
    scripts/check_layers.py [ROOT]
"""
import os
import re
import sys

ORDER = ["raster", "instructions", "functions", "project"]
TOP = ["family", "app", "editor"]
INCLUDE = re.compile(r'^\s*#\s*include\s*"([A-Za-z_]+)/')


def allowed(own, other):
    if own == other:
        return True
    if other in TOP:
        return False
    rank = {name: i for i, name in enumerate(ORDER)}
    return rank[other] < rank.get(own, len(ORDER))


def main():
    src = os.path.join(sys.argv[1] if len(sys.argv) > 1 else ".", "src")
    layers = sorted(os.listdir(src))
    unknown = [d for d in layers if os.path.isdir(os.path.join(src, d)) and d not in ORDER + TOP]
    problems = ["src/%s/ is not a known layer" % d for d in unknown]
    for layer in ORDER + TOP:
        for folder, _, names in os.walk(os.path.join(src, layer)):
            for name in sorted(names):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(folder, name)
                with open(path, encoding="utf-8") as f:
                    for number, line in enumerate(f, 1):
                        match = INCLUDE.match(line)
                        if match and match.group(1) in ORDER + TOP and not allowed(layer, match.group(1)):
                            problems.append("%s:%d: %s includes %s/" % (os.path.relpath(path, src), number,
                                                                          layer, match.group(1)))
    for problem in problems:
        print("layer check: " + problem, file=sys.stderr)
    if not problems:
        print("layer check: every include in src/ looks down")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
