#!/usr/bin/env python3
"""Summary of tessivar-tiling-bench results (matrix runs): per family and
(orientation, width) how many problems were proved, directly or with the
dependency-pair path, and per matrix setting how many removals it made and
how many rules they took away.

usage: tiling_summary.py RESULTS.tsv ...
"""
import collections
import sys


def family(path):
    parts = path.split("/")
    return parts[-2] if len(parts) > 1 else "?"


def main(files):
    proved = collections.defaultdict(set)      # (family, orientation, k) -> problems
    tried = collections.defaultdict(set)
    any_proved = collections.defaultdict(set)  # family -> problems
    problems = collections.defaultdict(set)
    removals = collections.Counter()
    removed = collections.Counter()
    proving_settings = collections.defaultdict(set)  # setting -> problems whose proof used it
    for name in files:
        for line in open(name):
            f = line.rstrip("\n").split("\t")
            if len(f) < 9:
                continue
            fam, key = family(f[0]), (family(f[0]), f[1], f[2])
            problems[fam].add(f[0])
            tried[key].add(f[0])
            if f[6].startswith("proved"):
                proved[key].add(f[0])
                any_proved[fam].add(f[0])
            if f[8] != "-":
                for item in f[8].split(","):
                    setting, _, count = item.partition(":")
                    if setting == "retile":
                        continue
                    removals[setting] += 1
                    removed[setting] += int(count)
                    if f[6].startswith("proved"):
                        proving_settings[setting].add(f[0])
    for fam in sorted(problems):
        print(f"{fam}: {len(any_proved[fam])} of {len(problems[fam])} proved by some width and orientation")
        for key in sorted(k for k in tried if k[0] == fam):
            direct = sum(1 for p in proved[key])
            print(f"  {key[1]:8} k={key[2]:2}  proved {direct:3} of {len(tried[key])} tried")
    print("setting     removals  rules  in proofs")
    for s, n in removals.most_common():
        print(f"  {s:10} {n:8} {removed[s]:6} {len(proving_settings[s]):6}")


if __name__ == "__main__":
    main(sys.argv[1:])
