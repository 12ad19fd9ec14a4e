#!/bin/bash
# Runs the match-bound search on every shared problem the engine answered NO
# in the runs rest-10s-final and ../runs/sample-60s-final, both ways round,
# and fails if it proves any of them terminating.
#   match_bounds_soundness.sh [BUILD_DIR] [TIMEOUT] [MAX_HEIGHT]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build}
timeout=${2:-10}
height=${3:-12}
tpdb=$here/../../../shared/tpdb
{
  awk -F'\t' '$2 == "NO" { sub("^/tmp/rest-tpdb/", "", $1); print $1 }' "$here/runs/rest-10s-final/results.tsv"
  awk -F'\t' '$2 == "engine" && $3 == "NO" { print $1 }' "$here/../runs/sample-60s-final/results.tsv"
} | sort -u | sed "s|^|$tpdb/|" > /tmp/match-bounds-no.txt
echo "$(wc -l < /tmp/match-bounds-no.txt) problems answered NO" >&2
out=$(xargs "$build/tessivar-match-bounds-bench" --timeout "$timeout" --max-height "$height" \
        --max-states 200000 --max-transitions 4000000 < /tmp/match-bounds-no.txt)
echo "$out"
if echo "$out" | awk -F'\t' '$3 == "found" || $3 == "WRONG"' | grep -q .; then
  echo "an automaton for a non-terminating system" >&2
  exit 1
fi
