#!/usr/bin/env python3
"""Summarises the output of tessivar-match-bounds-bench (a results.tsv)."""
import statistics
import sys
from collections import Counter


def main(path):
    rows = [line.rstrip("\n").split("\t") for line in open(path) if line.strip()]
    verdicts = {}
    for r in rows:
        verdicts.setdefault(r[1], Counter())[r[2]] += 1
    problems = {r[0] for r in rows}
    found = [r for r in rows if r[2] == "found"]
    either = {r[0] for r in found}
    print(f"{len(problems)} problems, {len(rows)} runs")
    for way, c in sorted(verdicts.items()):
        print(f"  {way}: " + ", ".join(f"{k} {v}" for k, v in sorted(c.items())))
    print(f"found either way: {len(either)} problems")
    if found:
        heights = Counter(int(r[4]) for r in found)
        print("heights of the automata found: " + ", ".join(f"{h}: {n}" for h, n in sorted(heights.items())))
        states = [int(r[5]) for r in found]
        transitions = [int(r[6]) for r in found]
        seconds = [float(r[3]) for r in found]
        checks = [float(r[7]) for r in found]
        print(f"states: median {statistics.median(states):g}, max {max(states)}; "
              f"transitions: median {statistics.median(transitions):g}, max {max(transitions)}")
        print(f"seconds to find: median {statistics.median(seconds):.3f}, max {max(seconds):.3f}; "
              f"second check: max {max(checks):.3f}")
    all_seconds = [float(r[3]) for r in rows]
    print(f"seconds of all runs: median {statistics.median(all_seconds):.3f}")
    wrong = [r for r in rows if r[2] == "WRONG"]
    print(f"WRONG: {len(wrong)}")


if __name__ == "__main__":
    main(sys.argv[1])
