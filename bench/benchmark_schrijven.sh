#!/bin/sh
# How fast the prover writes the benchmarks of its matrix attempts: runs the
# whole schedule (dimensions 1 to 3, all three modes) on the given problems
# with a stand-in solver that answers "unsat" at once, and prints per problem
# the megabytes written and the prover's total time.
# Usage: bench/benchmark_schrijven.sh [build/tessivar] [problem.srs ...]
set -e
prover=$(realpath "${1:-build/tessivar}")
[ $# -gt 0 ] && shift
[ $# -eq 0 ] && set -- ../shared/tpdb/ICFP_2010/130161.srs ../shared/tpdb/ICFP_2010/107193.srs \
  ../shared/tpdb/Waldmann_06_SRS/sym-1.srs
map=$(mktemp -d)
trap 'rm -rf "$map"' EXIT
printf 'wc -c < "$2" >> grootte\necho unsat\n' > "$map/nep.sh"
printf 'sh ./nep.sh\n0\n0\n3\n3\n0\n3\n' > "$map/param"
printf '%-45s %8s %10s %8s\n' problem attempts MB seconds
for p in "$@"; do
  rm -f "$map/grootte"
  invoer=$(realpath "$p")
  start=$(date +%s.%N)
  (cd "$map" && "$prover" < "$invoer" > /dev/null)
  eind=$(date +%s.%N)
  awk -v p="$p" -v s="$start" -v e="$eind" \
    '{ n++; b += $1 } END { printf "%-45s %8d %10.1f %8.2f\n", p, n, b / 1e6, e - s }' "$map/grootte"
done
