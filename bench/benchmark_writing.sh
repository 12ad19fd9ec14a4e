#!/bin/sh
# How fast the prover writes the benchmarks of its matrix attempts: runs the
# whole schedule (dimensions 1 to 3, all three modes) on the given problems
# with a stand-in solver that answers "unsat" at once, and prints per problem
# the megabytes written and the prover's total time.
# Usage: bench/benchmark_writing.sh [build/tessivar] [problem.srs ...]
set -e
prover=$(realpath "${1:-build/tessivar}")
[ $# -gt 0 ] && shift
[ $# -eq 0 ] && set -- ../shared/tpdb/ICFP_2010/130161.srs ../shared/tpdb/ICFP_2010/107193.srs \
  ../shared/tpdb/Waldmann_06_SRS/sym-1.srs
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf 'wc -c < "$2" >> sizes\necho unsat\n' > "$dir/unsat-solver.sh"
printf 'sh ./unsat-solver.sh\n0\n0\n3\n3\n0\n3\n' > "$dir/param"
printf '%-45s %8s %10s %8s\n' problem attempts MB seconds
for p in "$@"; do
  rm -f "$dir/sizes"
  input=$(realpath "$p")
  start=$(date +%s.%N)
  (cd "$dir" && "$prover" < "$input" > /dev/null)
  end=$(date +%s.%N)
  awk -v p="$p" -v s="$start" -v e="$end" \
    '{ n++; b += $1 } END { printf "%-45s %8d %10.1f %8.2f\n", p, n, b / 1e6, e - s }' "$dir/sizes"
done
