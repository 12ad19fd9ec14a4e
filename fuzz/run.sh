#!/usr/bin/env bash
# Fuzzes one target for a fixed time and says how it went.
#
# usage: fuzz/run.sh TARGET SEEDS SECONDS [WORKDIR] [LIBFUZZER-OPTIONS...]
#   TARGET   a fuzz target of a tree configured with -DTESSIVAR_FUZZ=ON
#   SEEDS    its seed corpus (fuzz/corpus/SOURCE); it is only read
#   WORKDIR  where the inputs found, the log and any crashing input go
#            (default: a new temporary folder); a later run goes on from
#            the inputs an earlier one left there
# Exit status 0 when the time ran out without a finding; otherwise the
# target's status, with the end of the log and the saved input.
set -uo pipefail
target="${1:?usage: run.sh TARGET SEEDS SECONDS [WORKDIR] [OPTIONS...]}"
seeds="$(cd "${2:?}" && pwd)" || exit 2
seconds="${3:?}"
work="${4:-$(mktemp -d /tmp/tessivar-fuzz-run-XXXXXX)}"
shift $(( $# < 4 ? $# : 4 ))
mkdir -p "$work/corpus" "$work/findings"
work="$(cd "$work" && pwd)"
target="$(cd "$(dirname "$target")" && pwd)/$(basename "$target")"
log="$work/log"

# -close_fd_mask=3: the readers' own output is dropped; sanitizer reports
# still reach the log. A single input may take 10 s and 2 GB at most.
"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -close_fd_mask=3 \
  -print_final_stats=1 -artifact_prefix="$work/findings/" "$@" \
  "$work/corpus" "$seeds" > "$log" 2>&1
status=$?

name="$(basename "$target")"
executions="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
coverage="$(grep -o 'cov: [0-9]*' "$log" | tail -1)"
features="$(grep -o 'ft: [0-9]*' "$log" | tail -1)"
inputs="$(find "$work/corpus" -type f | wc -l)"
echo "$name: ${seconds}s, ${executions:-?} executions, ${coverage:-cov: ?} edges, ${features:-ft: ?} features, $inputs new inputs; log $log"
if [ "$status" -ne 0 ]; then
  if [ -n "$(ls -A "$work/findings")" ]; then
    echo "$name: FINDING (exit status $status), input saved in $work/findings:"
    ls "$work/findings"
  else
    echo "$name: FAILED (exit status $status)"
  fi
  tail -n 40 "$log"
fi
exit "$status"
