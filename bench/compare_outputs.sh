#!/usr/bin/env bash
# Runs two builds of the prover on the same problems with the same solver
# answers and checks that they behave the same byte for byte: standard output,
# standard error, exit status, the result file "srs" and the sequence of
# benchmarks each run wrote. Meant for changes that must not change
# behaviour (renames, moves, clean-ups).
#
# The solver is replaced by a script that looks the benchmark up by its
# SHA-256 in a folder of recorded answers and prints the answer found there,
# or "unknown" for a benchmark never recorded; so no answer depends on time.
# With --record SOLVER the answers are first recorded by running the BEFORE
# prover with the real solver command (e.g. "build/tessivar-smt -t 2"); the
# recorded folder can then be kept and reused with --answers.
#
# usage: bench/compare_outputs.sh [--answers DIR] [--record "SOLVER CMD"]
#                                 [--timeout S] [--jobs N] [--keep DIR]
#                                 BEFORE AFTER [PROBLEM-OR-FOLDER...]
#   BEFORE, AFTER  the two prover executables
#   PROBLEM...     .srs problems or folders of them (default ../shared/tpdb)
#   --answers DIR  the recorded answers (default: a temporary folder)
#   --record CMD   record answers with CMD before comparing
#   --timeout S    limit per problem and run (default 60); a run that hits it
#                  is reported as a difference, since its output is cut short
#   --jobs N       problems at a time (default 2)
#   --keep DIR     keep every run's folder under DIR (default: removed)
# Exit status 0 when every problem behaves the same, 1 otherwise.
set -euo pipefail

usage() { sed -n '/^# usage:/,/^# Exit status/s/^# \{0,1\}//p' "$0"; }

source_dir=$(cd "$(dirname "$0")/.." && pwd)
answers="" record="" limit=60 jobs=2 keep=""
while [ $# -gt 0 ]; do
  case $1 in
    --answers) answers=${2:?--answers needs a folder}; shift 2 ;;
    --record) record=${2:?--record needs a solver command}; shift 2 ;;
    --timeout) limit=${2:?--timeout needs seconds}; shift 2 ;;
    --jobs) jobs=${2:?--jobs needs a number}; shift 2 ;;
    --keep) keep=${2:?--keep needs a folder}; shift 2 ;;
    -h|--help) usage; exit 0 ;;
    -*) echo "compare_outputs.sh: unknown option $1" >&2; usage >&2; exit 2 ;;
    *) break ;;
  esac
done
[ $# -ge 2 ] || { usage >&2; exit 2; }
before=$(readlink -f "$1") after=$(readlink -f "$2")
shift 2
[ $# -gt 0 ] || set -- "$source_dir/../shared/tpdb"
for p in "$before" "$after"; do
  [ -x "$p" ] || { echo "compare_outputs.sh: no executable $p" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/compare-outputs-XXXXXX")
trap 'rm -rf "$work"' EXIT
[ -n "$answers" ] || answers=$work/answers
mkdir -p "$answers"
answers=$(readlink -f "$answers")
if [ -n "$keep" ]; then mkdir -p "$keep"; keep=$(readlink -f "$keep"); fi

# Absolute paths: each run changes into a folder of its own.
for p in "$@"; do
  [ -e "$p" ] || { echo "compare_outputs.sh: no such problem or folder: $p" >&2; exit 2; }
  find "$(readlink -f "$p")" -name '*.srs' -type f
done | LC_ALL=C sort >"$work/problems"
total=$(wc -l <"$work/problems")
[ "$total" -gt 0 ] || { echo "compare_outputs.sh: no .srs problems found" >&2; exit 2; }

# The stand-in solver: called by the prover as "SOLVER -m frm" with its
# standard output going to "r". Logs the benchmark's hash in the run folder.
cat >"$work/replay.sh" <<EOF
#!/bin/sh
hash=\$(sha256sum < "\$2" | cut -c1-64)
if [ -f "$answers/\$hash" ]; then
  echo "\$hash recorded" >> benchmarks.log
  cat "$answers/\$hash"
else
  echo "\$hash unknown" >> benchmarks.log
  echo unknown
fi
EOF
# The recorder: asks the real solver and keeps its answer under the hash.
cat >"$work/record.sh" <<EOF
#!/bin/sh
hash=\$(sha256sum < "\$2" | cut -c1-64)
if [ ! -f "$answers/\$hash" ]; then
  $record -m "\$2" > "$answers/\$hash.\$\$.tmp" 2>/dev/null
  mv "$answers/\$hash.\$\$.tmp" "$answers/\$hash"
fi
cat "$answers/\$hash"
EOF
chmod +x "$work/replay.sh" "$work/record.sh"

# One run: prover $1, solver script $2, problem $3, folder $4.
run_one() {
  local prover=$1 solver=$2 problem=$3 dir=$4
  mkdir -p "$dir"
  # Solver, Verbose on (failed attempts are reported too), Mxr 3, then
  # Trdim, Ardim, Mb, Mpdim: every method, dimensions up to 3.
  printf 'sh %s\n1\n3\n3\n3\n1\n3\n' "$solver" >"$dir/param"
  local status=0
  (cd "$dir" && timeout -k 1 "$limit" "$prover" <"$problem" >stdout 2>stderr) || status=$?
  echo "$status" >"$dir/status"
  rm -f "$dir/frm" "$dir/r"
}

# Compares the two runs of one problem; prints "same NAME BENCHMARKS ANSWERED"
# or "differs NAME: WHAT".
compare_one() {
  local problem=$1 index=$2
  local name=${problem#"$source_dir/"}
  local dir=$work/runs/$index
  if [ -n "$record" ]; then run_one "$before" "$work/record.sh" "$problem" "$dir/record"; fi
  run_one "$before" "$work/replay.sh" "$problem" "$dir/before"
  run_one "$after" "$work/replay.sh" "$problem" "$dir/after"
  local what="" f
  for f in status stdout stderr srs benchmarks.log; do
    if [ -e "$dir/before/$f" ] || [ -e "$dir/after/$f" ]; then
      cmp -s "$dir/before/$f" "$dir/after/$f" || what="$what $f"
    fi
  done
  case "$(cat "$dir/before/status") $(cat "$dir/after/status")" in
    124\ *|137\ *|*\ 124|*\ 137) what="$what timeout" ;;
  esac
  local log=$dir/before/benchmarks.log benchmarks=0 answered=0
  if [ -f "$log" ]; then
    benchmarks=$(wc -l <"$log")
    answered=$(grep -c ' recorded$' "$log" || true)
  fi
  if [ -n "$keep" ]; then mkdir -p "$keep/$index"; cp -r "$dir"/. "$keep/$index/"; echo "$name" >"$keep/$index/problem"; fi
  rm -rf "$dir"
  if [ -z "$what" ]; then echo "same $name $benchmarks $answered"; else echo "differs $name:$what"; fi
}
export -f run_one compare_one
export before after work record keep limit source_dir

mkdir -p "$work/runs"
start=$(date +%s)
awk '{ print NR; print }' "$work/problems" |
  xargs -P "$jobs" -d '\n' -n 2 bash -c 'compare_one "$2" "$1"' _ >"$work/results"
LC_ALL=C sort -k2 "$work/results" -o "$work/results"
same=$(grep -c '^same ' "$work/results" || true)
recorded=$(find "$answers" -type f ! -name '*.tmp' | wc -l)
grep -v '^same ' "$work/results" || true
read -r benchmarks answered < <(awk '$1 == "same" { b += $3; a += $4 } END { print b + 0, a + 0 }' "$work/results")
echo "$same of $total problems behave the same: $benchmarks benchmarks, $answered of them" \
  "answered from the $recorded recorded answers; $(($(date +%s) - start)) s"
[ "$same" -eq "$total" ]
