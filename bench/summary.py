#!/usr/bin/env python3
"""Figures from the lines of bench/run.py.

usage: bench/summary.py RUN.tsv [LARGE_BYTES] [UNDECIDED_OUT]
Prints per configuration the decided count, median and total time; the
front end against the z3 program on the benchmarks both decide; the front
end's own share of the time (parse, translate, model, check, print) against
z3's (context, setup, solve); answers that contradict each other; and writes
the benchmarks that no configuration decides to UNDECIDED_OUT.
"""
import collections
import statistics
import sys

OWN = ("parse", "translate", "model", "check", "print")
Z3 = ("z3-context", "z3-setup", "solve")


def main():
    path = sys.argv[1]
    large = int(sys.argv[2]) if len(sys.argv) > 2 else 1_000_000
    runs = collections.defaultdict(dict)  # bench -> config -> (answer, secs, stats)
    size = {}
    for line in open(path):
        f = line.rstrip("\n").split("\t")
        # The prover makes no attempt of dimension 1 in normal or arctic mode.
        if len(f) < 5 or f[0].endswith(("__normal__1.smt", "__arctic__1.smt")):
            continue
        words = [w for w in f[5].split() if w != "stopped"] if len(f) > 5 else []
        stats = dict(zip(words[::2], map(float, words[1::2])))
        runs[f[0]][f[2]] = (f[3], float(f[4]), stats)
        size[f[0]] = int(f[1])
    configs = sorted({c for r in runs.values() for c in r})
    common = [b for b in runs if all(c in runs[b] for c in configs)]
    print(f"{len(common)} benchmarks run in every configuration ({len(runs)} in all)")
    decided = lambda a: a in ("sat", "unsat")
    print(f"{'config':14} {'decided':>7} {'sat':>5} {'unsat':>5} {'median s':>9} {'total s':>8}")
    for c in configs:
        rs = [runs[b][c] for b in common]
        ok = [r for r in rs if decided(r[0])]
        med = statistics.median([r[1] for r in ok]) if ok else float("nan")
        print(f"{c:14} {len(ok):7} {sum(r[0] == 'sat' for r in ok):5} {sum(r[0] == 'unsat' for r in ok):5}"
              f" {med:9.3f} {sum(r[1] for r in ok):8.1f}")
    # Pairwise: each front configuration against the z3 program.
    if "z3bin" in configs:
        for c in configs:
            if c == "z3bin":
                continue
            both = [b for b in common if decided(runs[b][c][0]) and decided(runs[b]["z3bin"][0])]
            if not both:
                continue
            mc = statistics.median(runs[b][c][1] for b in both)
            mz = statistics.median(runs[b]["z3bin"][1] for b in both)
            only_c = sum(decided(runs[b][c][0]) and not decided(runs[b]["z3bin"][0]) for b in common)
            only_z = sum(decided(runs[b]["z3bin"][0]) and not decided(runs[b][c][0]) for b in common)
            print(f"{c} vs z3bin on {len(both)} both decide: median {mc:.3f} s vs {mz:.3f} s;"
                  f" only {c}: {only_c}, only z3bin: {only_z}")
    # Contradictions are faults somewhere.
    for b in runs:
        answers = {runs[b][c][0] for c in runs[b]} & {"sat", "unsat"}
        if len(answers) > 1:
            print("CONTRADICTION", b, {c: runs[b][c][0] for c in runs[b]})
    # The front end's own share.
    for c in configs:
        if c == "z3bin":
            continue
        for label, pick in (("large decided", lambda b: size[b] >= large and decided(runs[b][c][0])),
                            ("all decided", lambda b: decided(runs[b][c][0])),
                            ("large, any answer", lambda b: size[b] >= large)):
            sel = [runs[b][c][2] for b in runs if c in runs[b] and pick(b) and runs[b][c][2]]
            if not sel:
                continue
            own = [sum(s.get(k, 0) for k in OWN) for s in sel]
            z3 = [sum(s.get(k, 0) for k in Z3) for s in sel]
            shares = [o / (o + z) for o, z in zip(own, z3) if o + z > 0]
            print(f"{c} own share, {label} ({len(sel)}): total {100 * sum(own) / (sum(own) + sum(z3)):.1f} %,"
                  f" median {100 * statistics.median(shares):.1f} %, max {100 * max(shares):.1f} %;"
                  f" own {sum(own):.2f} s, z3 {sum(z3):.2f} s")
    if len(sys.argv) > 3:
        with open(sys.argv[3], "w") as out:
            out.write(f"# Benchmarks that no configuration of {path.split('/')[-1]} decided"
                      f" ({', '.join(configs)}).\n"
                      "# Remake one with: bench/gen_benchmark.py TPDB/FAMILY/PROBLEM.srs MODE DIMENSION 0\n"
                      "# benchmark\tmode\tdimension\tbytes\n")
            for b in sorted(runs, key=lambda b: size[b]):
                if not any(decided(runs[b][c][0]) for c in runs[b]):
                    parts = b[:-4].split("__")
                    out.write(f"{parts[0]}/{parts[1]}\t{parts[2]}\t{parts[3]}\t{size[b]}\n")


if __name__ == "__main__":
    main()
