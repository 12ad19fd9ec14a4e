#!/usr/bin/env bash
# Collects the solver benchmarks of the prover's matrix attempts for a sample
# of the problem database: every STEP-th problem by path, the three modes,
# dimensions 1 to 3, entry bound MXR for dimensions 2 and 3.
#
# usage: bench/collect.sh OUTDIR [STEP] [MXR] [PROVER]
#   Without PROVER the benchmarks come from bench/gen_benchmark.py (the same
#   bytes as the prover's, checked on 77 attempts of 11 problems). With the
#   path of a built prover, the prover itself writes them: it runs once per
#   problem and enabled attempt with a solver script that keeps "frm" and
#   answers "unsat", so every attempt of the first pass is collected.
# Files are named FAMILY__PROBLEM__MODE__DIM.smt. Problems beyond the
# prover's capacities (1000 rules, 49 symbols a side, 100 symbols) are left out.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="${1:?usage: collect.sh OUTDIR [STEP] [MXR] [PROVER]}"
step="${2:-8}"
mxr="${3:-0}"
prover="${4:-}"
db="$here/../../shared/tpdb"
[ -d "$db" ] || db="/work/shared/tpdb"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

fits() {  # the prover's capacities
  python3 - "$1" <<'EOF'
import sys
t = open(sys.argv[1]).read()
body = t[t.index("S") + 1:]
rules = [p for p in body.rstrip().rstrip(")").split(",") if "->" in p]
syms = set()
ok = 0 < len(rules) <= 1000
for r in rules:
    l, rr = r.split("->", 1)
    ok = ok and len(l.split()) <= 49 and len(rr.split()) <= 49
    syms.update(l.split() + rr.split())
sys.exit(0 if ok and len(syms) <= 100 else 1)
EOF
}

n=0
find "$db" -name '*.srs' | sort | awk -v s="$step" 'NR % s == 1' | while read -r p; do
  fits "$p" || { echo "skipped (capacity): $p" >&2; continue; }
  fam="$(basename "$(dirname "$p")")"
  name="$(basename "$p" .srs)"
  if [ -z "$prover" ]; then
    # The attempts of the prover's pass: dimension 1 only in tropical mode.
    for md in tropical__1 tropical__2 arctic__2 normal__2 tropical__3 arctic__3 normal__3; do
      python3 "$here/gen_benchmark.py" "$p" "${md%__*}" "${md#*__}" "$mxr" > "$out/${fam}__${name}__${md}.smt"
    done
  else
    # The prover's first pass, with a solver that saves each benchmark.
    tmp="$(mktemp -d)"
    cat > "$tmp/keep.sh" <<EOF
#!/bin/sh
n=\$(ls "$tmp"/got.* 2>/dev/null | wc -l)
cp frm "$tmp/got.\$n"
echo unsat
EOF
    chmod +x "$tmp/keep.sh"
    printf '%s\n0\n%s\n3\n3\n0\n3\n' "$tmp/keep.sh" "$mxr" > "$tmp/param"
    (cd "$tmp" && timeout 120 "$prover" < "$p" > /dev/null 2>&1) || true
    # The first pass makes these attempts in this order.
    i=0
    for md in tropical__1 tropical__2 arctic__2 normal__2 tropical__3 arctic__3 normal__3; do
      [ -f "$tmp/got.$i" ] && mv "$tmp/got.$i" "$out/${fam}__${name}__${md}.smt"
      i=$((i + 1))
    done
    rm -rf "$tmp"
  fi
done
ls "$out" | wc -l
