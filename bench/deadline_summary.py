#!/usr/bin/env python3
"""Summarises a results.tsv of bench/deadline_memory.sh, one line per prover:
answers, the median time to YES, how late the latest verdict and exit came
after the limit, and the median and largest peak memory.

usage: deadline_summary.py RESULTS.tsv LIMIT_SECONDS [PROVER ...]
(all provers of the file, in their first order, when none is given)."""
import statistics
import sys


def summarise(rows, limit, name):
    mine = [r for r in rows if r[1] == name]
    count = lambda v: sum(r[2] == v for r in mine)
    yes = [float(r[3]) for r in mine if r[2] == "YES"]
    # Older runs have no column for the verdict's time: exit time only.
    verdict_late = max(float(r[3]) - limit for r in mine)
    exit_late = max(float(r[-2]) - limit for r in mine)
    peaks = [int(r[-1]) / 1024 for r in mine]
    median_yes = f"{statistics.median(yes):.2f}" if yes else "-"
    other = len(mine) - count("YES") - count("NO") - count("MAYBE")
    return (f"{name}: {len(mine)} runs, YES {count('YES')}, NO {count('NO')}, MAYBE {count('MAYBE')}, "
            f"other {other}, median s to YES {median_yes}, latest verdict {verdict_late:+.2f} s and exit "
            f"{exit_late:+.2f} s past the limit, peak MB median {statistics.median(peaks):.0f} max {max(peaks):.0f}")


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    rows = [line.rstrip("\n").split("\t") for line in open(sys.argv[1]) if line.strip()]
    names = sys.argv[3:] or list(dict.fromkeys(r[1] for r in rows))
    for name in names:
        print(summarise(rows, float(sys.argv[2]), name))


if __name__ == "__main__":
    main()
