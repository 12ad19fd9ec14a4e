#!/usr/bin/env python3
"""Runs tessivar-smt's back ends side by side on a folder of benchmarks.

usage: bench/sat_compare.py run BENCHDIR OUT.tsv [-t SECONDS] [-w WIDTH] [--only LIST] BACKEND...
       bench/sat_compare.py summary OUT.tsv... [-t SECONDS]
  BACKEND: sat, z3 or auto (tessivar-smt --backend ...).
  run: one line per benchmark and back end, appended to OUT.tsv; pairs
       already there (same limit and width) are skipped, so a run can be
       resumed. Benchmarks go smallest first.
       --only LIST: a file with benchmark names, one a line (a subset).
  summary: per back end and limit, the benchmarks decided, the median and
       total time on those that both the back end and z3 decide, answers
       that contradict each other, and the time split (bounds,
       bit-blasting, SAT) of the ten largest benchmarks. With several
       files, a later line replaces an earlier one of the same benchmark,
       back end and limit (a partial re-run).
Columns: benchmark, bytes, backend, limit, width, answer, seconds, phase times.
"""
import argparse
import collections
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
FRONT = os.environ.get("TESSIVAR_SMT", os.path.join(HERE, "..", "build", "tessivar-smt"))


def run_one(path, backend, limit, width):
    cmd = [FRONT, "--stats", "--backend", backend, "-w", str(width), "-t", f"{limit:g}", "-m", path]
    start = time.monotonic()
    try:
        r = subprocess.run(cmd, capture_output=True, text=True, timeout=limit + 30)
        out, err = r.stdout, r.stderr
    except subprocess.TimeoutExpired:
        out, err = "", ""
    secs = time.monotonic() - start
    answer = (out.splitlines() or ["none"])[0].split(" ")[0]
    stats = ""
    for line in err.splitlines():
        if line.startswith("stats:"):
            stats = line[6:].strip()
    return answer, secs, stats


def cmd_run(a):
    done = set()
    if os.path.exists(a.out):
        for line in open(a.out):
            f = line.rstrip("\n").split("\t")
            if len(f) >= 5:
                done.add((f[0], f[2], f[3], f[4]))
    names = sorted(os.listdir(a.dir), key=lambda n: os.path.getsize(os.path.join(a.dir, n)))
    if a.only:
        keep = {l.strip() for l in open(a.only) if l.strip()}
        names = [n for n in names if n in keep]
    with open(a.out, "a") as out:
        for n in names:
            path = os.path.join(a.dir, n)
            for be in a.backends:
                key = (n, be, f"{a.t:g}", str(a.w))
                if key in done:
                    continue
                answer, secs, stats = run_one(path, be, a.t, a.w)
                out.write("\t".join([n, str(os.path.getsize(path)), be, f"{a.t:g}", str(a.w), answer,
                                     f"{secs:.3f}", stats]) + "\n")
                out.flush()
                print(f"{n} {be} {answer} {secs:.2f}", file=sys.stderr)


def phases(stats):
    w = [x for x in stats.split() if x != "stopped"]
    return dict(zip(w[::2], map(float, w[1::2])))


def cmd_summary(a):
    runs = collections.defaultdict(dict)  # (limit) -> bench -> backend -> (answer, secs, stats)
    size = {}
    lines = [line for path in a.out for line in open(path)]
    for line in lines:
        f = line.rstrip("\n").split("\t")
        if len(f) < 7:
            continue
        size[f[0]] = int(f[1])
        runs[f[3]][f[0]] = runs[f[3]].get(f[0], {})
        runs[f[3]][f[0]][f[2]] = (f[5], float(f[6]), f[7] if len(f) > 7 else "")
    for limit in sorted(runs, key=float):
        if a.t and float(limit) != a.t:
            continue
        table = runs[limit]
        backends = sorted({be for r in table.values() for be in r})
        print(f"== limit {limit} s, {len(table)} benchmarks")
        for be in backends:
            ans = [r[be][0] for r in table.values() if be in r]
            dec = sum(x in ("sat", "unsat") for x in ans)
            print(f"  {be:5} ran {len(ans):4}  decided {dec:4}  (sat {ans.count('sat')}, unsat {ans.count('unsat')})")
        # Contradictions between back ends.
        for b, r in sorted(table.items()):
            got = {r[be][0] for be in r if r[be][0] in ("sat", "unsat")}
            if len(got) > 1:
                print(f"  CONTRADICTION {b}: " + " ".join(f"{be}={r[be][0]}" for be in r))
        for be in backends:
            if be == "z3":
                continue
            both = [r for r in table.values()
                    if be in r and "z3" in r and r[be][0] in ("sat", "unsat") and r["z3"][0] in ("sat", "unsat")]
            if not both:
                continue
            t_be = [r[be][1] for r in both]
            t_z3 = [r["z3"][1] for r in both]
            ratio = statistics.median(z / max(x, 1e-9) for x, z in zip(t_be, t_z3))
            print(f"  {be} vs z3 on {len(both)} both decide: median {statistics.median(t_be):.3f} s vs "
                  f"{statistics.median(t_z3):.3f} s ({statistics.median(t_z3) / max(statistics.median(t_be), 1e-9):.1f}x; "
                  f"median of the per-benchmark ratios {ratio:.1f}x), total {sum(t_be):.2f} s vs {sum(t_z3):.2f} s")
        # Time split of the ten largest, from the SAT back end's phases.
        for be in ("sat", "auto"):
            rows = sorted((b for b in table if be in table[b]), key=lambda b: -size[b])[:10]
            if not rows:
                continue
            print(f"  ten largest, {be}: bytes answer total parse bounds bitblast sat")
            for b in rows:
                ans, secs, st = table[b][be]
                p = phases(st)
                print(f"    {b[:60]:60} {size[b]:9} {ans:7} {secs:7.2f} " +
                      " ".join(f"{p.get(k, 0):7.3f}" for k in ("parse", "bounds", "bitblast", "sat")))
            break
    cumulative(runs)


def cumulative(runs):
    """Per back end: benchmarks decided within each limit, counting a
    benchmark decided at a shorter limit as decided at every longer one
    (longer runs are usually made only for the rest)."""
    limits = sorted(runs, key=float)
    if len(limits) < 2:
        return
    print("== decided within each limit (shorter runs count for longer limits)")
    backends = sorted({be for t in runs.values() for r in t.values() for be in r})
    for be in backends:
        got, line = set(), []
        for limit in limits:
            got |= {b for b, r in runs[limit].items() if be in r and r[be][0] in ("sat", "unsat")}
            line.append(f"{limit} s: {len(got)}")
        print(f"  {be:5} " + ", ".join(line))


def main():
    ap = argparse.ArgumentParser()
    sub = ap.add_subparsers(dest="cmd", required=True)
    r = sub.add_parser("run")
    r.add_argument("dir")
    r.add_argument("out")
    r.add_argument("-t", type=float, default=10)
    r.add_argument("-w", type=int, default=6)
    r.add_argument("--only")
    r.add_argument("backends", nargs="+", choices=["sat", "z3", "auto"])
    s = sub.add_parser("summary")
    s.add_argument("out", nargs="+")
    s.add_argument("-t", type=float, default=0)
    a = ap.parse_args()
    cmd_run(a) if a.cmd == "run" else cmd_summary(a)


if __name__ == "__main__":
    main()
