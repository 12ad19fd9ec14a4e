#!/usr/bin/env python3
"""Times solvers on a folder of benchmarks and appends one line per run.

usage: bench/run.py BENCHDIR OUT.tsv [-t SECONDS] [-j JOBS] CONFIG...
  CONFIG: front:NAME    tessivar-smt, z3 back end with --z3-config NAME
                        (default, lia, tactic, pb)
          backend:NAME  tessivar-smt with --backend NAME (sat, auto, ...)
          z3bin         the z3 program on the --emit-smt2 translation
Columns: benchmark, bytes, config, answer, seconds, front-end phase times.
A benchmark already in OUT.tsv for a config is not run again.
"""
import argparse
import concurrent.futures as cf
import os
import subprocess
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
FRONT = os.path.join(HERE, "..", "build", "tessivar-smt")


def run_one(path, config, limit):
    start = time.monotonic()
    stats = ""
    if config == "z3bin":
        # The translation is part of the alternative's cost.
        with tempfile.NamedTemporaryFile("w", suffix=".smt2", delete=False) as f:
            tmp = f.name
        try:
            subprocess.run([FRONT, "--emit-smt2", "-m", path], stdout=open(tmp, "w"), check=True)
            r = subprocess.run(["z3", f"-T:{limit:g}", tmp], capture_output=True, text=True,
                               timeout=limit + 30)
        finally:
            os.unlink(tmp)
        first = (r.stdout.splitlines() or [""])[0]
        answer = first if first in ("sat", "unsat") else "unknown"
    else:
        kind, name = config.split(":", 1)
        pick = ["--backend", "z3", "--z3-config", name] if kind == "front" else ["--backend", name]
        r = subprocess.run([FRONT, "--stats", *pick, "-t", f"{limit:g}", "-m", path],
                           capture_output=True, text=True, timeout=limit + 30)
        answer = (r.stdout.splitlines() or ["none"])[0].split(" ")[0]
        for line in r.stderr.splitlines():
            if line.startswith("stats:"):
                stats = line[6:].strip()
    return answer, time.monotonic() - start, stats


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("dir")
    ap.add_argument("out")
    ap.add_argument("-t", type=float, default=10)
    ap.add_argument("-j", type=int, default=1)
    ap.add_argument("configs", nargs="+")
    a = ap.parse_args()
    done = set()
    if os.path.exists(a.out):
        for line in open(a.out):
            f = line.rstrip("\n").split("\t")
            done.add((f[0], f[2]))
    files = sorted(os.listdir(a.dir), key=lambda n: os.path.getsize(os.path.join(a.dir, n)))
    todo = [(n, c) for n in files if n.endswith(".smt") for c in a.configs if (n, c) not in done]
    with open(a.out, "a") as out, cf.ThreadPoolExecutor(a.j) as pool:
        futs = {pool.submit(run_one, os.path.join(a.dir, n), c, a.t): (n, c) for n, c in todo}
        for fut in cf.as_completed(futs):
            n, c = futs[fut]
            answer, secs, stats = fut.result()
            size = os.path.getsize(os.path.join(a.dir, n))
            out.write(f"{n}\t{size}\t{c}\t{answer}\t{secs:.3f}\t{stats}\n")
            out.flush()


if __name__ == "__main__":
    main()
