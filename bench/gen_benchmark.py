#!/usr/bin/env python3
"""Writes the benchmark that the prover writes for one matrix attempt.

usage: gen_benchmark.py SYSTEM.srs MODE DIM [MXR] > FILE.smt
  MODE: normal | tropical | arctic;  DIM: 1..3;  MXR: entry bound for
  DIM >= 2 (default 0: unbounded), DIM 1 always uses 10.

Used to collect solver benchmarks before the prover itself can write them;
the text follows the prover's benchmark writer line by line.
"""
import sys


def read_system(path):
    text = open(path).read()
    body = text[text.index("S") + 1:]  # header up to the first "S"
    body = body[:body.rindex(")")] if ")" in body else body
    names, rules = {}, []

    def nr(name):
        if name not in names:
            names[name] = len(names) + 1
        return names[name]

    for part in body.split(","):
        if "->" not in part:
            continue
        lhs, rhs = part.split("->", 1)
        rules.append(([nr(n) for n in lhs.split()], [nr(n) for n in rhs.split()]))
    return len(names), rules


def write(nsym, rules, mode, d, mxr):
    out = []
    w = out.append
    normal = mode == "normal"
    bound = 10 if d == 1 else mxr
    w("(benchmark test.smt\n:logic QF_UFLIA\n:extrafuns ((A Int Int Int Int))\n:extrapreds ((D Int))\n")
    w(":extrapreds ((B Int Int Int Int))\n" if normal else ":extrapreds ((I Int Int Int))\n")
    w(":formula (and\n(or\n")
    for r in range(1, len(rules) + 1):
        w(f"(D {r})\n")
    w(")\n")
    for s in range(1, nsym + 1):
        w(f"(< 0 (A {s} 1 1))\n" if normal else f"(not (I {s} 1 1))\n")
    idx = [(s, j, k) for s in range(1, nsym + 1) for j in range(1, d + 1) for k in range(1, d + 1)]
    if normal:
        for s, j, k in idx:
            w(f"(= (A {s} {j} {k}) (+ (ite (B {s} {j} {k} 0) 1 0 ) (ite (B {s} {j} {k} 1) 2 0) (ite (B {s} {j} {k} 2) 4 0)))\n")
    for s, j, k in idx:
        w(f"(<= 0 (A {s} {j} {k}))\n")
    if bound >= 1:
        for s, j, k in idx:
            w(f"(>= {bound} (A {s} {j} {k}))\n")

    def mul(x, y, z):
        for i in range(1, d + 1):
            for j in range(1, d + 1):
                if normal:
                    w(f" (= (A {z} {i} {j}) (+ \n")
                    for k in range(1, d + 1):
                        w(f"(ite (B {y} {k} {j} 0) (A {x} {i} {k}) 0)\n")
                        w(f"(ite (B {y} {k} {j} 1) (* 2 (A {x} {i} {k})) 0)\n")
                        w(f"(ite (B {y} {k} {j} 2) (* 4 (A {x} {i} {k})) 0)\n")
                    w("))\n")
                else:
                    w("(or\n")
                    for k in range(1, d + 1):
                        w(f"(and (= (A {z} {i} {j}) (+ (A {x} {i} {k}) (A {y} {k} {j})))"
                          f" (not (I {z} {i} {j})) (not (I {x} {i} {k})) (not (I {y} {k} {j})))"
                          f" (and (I {z} {i} {j}) (I {x} {i} {k}))"
                          f" (and (I {z} {i} {j}) (I {y} {k} {j}))\n")
                    w(")\n")
                    cmp = "<=" if mode == "tropical" else ">="
                    for k in range(1, d + 1):
                        w(f"(or (and (not (I {z} {i} {j})) (not (I {x} {i} {k})) (not (I {y} {k} {j}))\n"
                          f"({cmp} (A {z} {i} {j}) (+ (A {x} {i} {k}) (A {y} {k} {j})))) (I {x} {i} {k}) (I {y} {k} {j}))\n")

    def identity(m):
        for a in range(1, d + 1):
            for b in range(1, d + 1):
                if normal:
                    w(f" (= {1 if a == b else 0} (A {m} {a} {b}))\n")
                elif a == b:
                    w(f" (= 0 (A {m} {a} {b})) (not (I {m} {a} {b}))\n")
                else:
                    w(f" (I {m} {a} {b})\n")

    counter = nsym

    def side(syms):
        nonlocal counter
        if not syms:
            counter += 1
            identity(counter)
            return counter
        if len(syms) == 1:
            return syms[0]
        for p in range(1, len(syms)):
            counter += 1
            mul(syms[0] if p == 1 else counter - 1, syms[p], counter)
        return counter

    for r, (lhs, rhs) in enumerate(rules, 1):
        L = side(lhs)
        R = side(rhs)
        w(f"; rule {r}\n")
        if normal:
            w(f"(iff (D {r}) (> (A {L} 1 1)  (A {R} 1 1)))\n")
            for i in range(1, d + 1):
                for j in range(1, d + 1):
                    w(f"(>= (A {L} {i} {j})  (A {R} {i} {j}))\n")
        else:
            X = L if mode == "tropical" else R
            for i in range(1, d + 1):
                for j in range(1, d + 1):
                    w(f"(or (not (D {r})) (I {X} {i} {j}) (and (not (I {L} {i} {j})) (not (I {R} {i} {j})) (> (A\n"
                      f"{L} {i} {j})  (A {R} {i} {j}))))\n")
                    w(f"(or (D {r}) (I {X} {i} {j}) (and (not (I {L} {i} {j})) (not (I {R} {i} {j})) (>= (A\n"
                      f"{L} {i} {j})  (A {R} {i} {j}))))\n")
    w("))\n")
    return "".join(out)


def main():
    if len(sys.argv) not in (4, 5) or sys.argv[2] not in ("normal", "tropical", "arctic"):
        sys.exit(__doc__)
    nsym, rules = read_system(sys.argv[1])
    d = int(sys.argv[3])
    mxr = int(sys.argv[4]) if len(sys.argv) == 5 else 0
    sys.stdout.write(write(nsym, rules, sys.argv[2], d, mxr))


if __name__ == "__main__":
    main()
