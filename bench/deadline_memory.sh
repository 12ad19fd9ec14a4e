#!/usr/bin/env bash
# Runs engine programs directly (not through tessivar-run, which stops them
# at the limit) on a list of problems, in one queue, and records for each run
# the verdict, the wall seconds to exit and the peak resident memory, so that
# the time a verdict comes after the deadline and the memory a run takes can be
# compared side by side. Only a run that ignores its limit by 60 s is stopped
# from outside, and is then recorded as "killed". With --certificates each
# answer's certificate is checked after its run, outside the time measured.
set -euo pipefail

usage() {
  cat <<'USAGE'
usage: bench/deadline_memory.sh OUT --timeout S --sample FILE --prover NAME=COMMAND ...
  --prover NAME=COMMAND  an engine to run as COMMAND PROBLEM --timeout S (may be repeated)
  --sample FILE          the problems, a path a line
  --timeout S            the limit given to every run
  --jobs N               runs at a time (default 2)
  --certificates CHECKER also keep each run's certificate and check it with CHECKER
                         (a tessivar-check program)
Writes OUT/results.tsv: problem, prover, verdict, seconds to the verdict, seconds to
exit, peak KB.
USAGE
}

[ $# -ge 1 ] || { usage >&2; exit 2; }
case $1 in -h|--help) usage; exit 0 ;; esac
out=$1; shift
timeout="" sample="" jobs=2 provers=() checker=""
while [ $# -gt 0 ]; do
  case $1 in
    --timeout) timeout=$2; shift 2 ;;
    --sample) sample=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    --prover) provers+=("$2"); shift 2 ;;
    --certificates) checker=$2; shift 2 ;;
    -h|--help) usage; exit 0 ;;
    *) echo "deadline_memory.sh: unknown option $1" >&2; usage >&2; exit 2 ;;
  esac
done
[ -n "$timeout" ] && [ -n "$sample" ] && [ ${#provers[@]} -gt 0 ] || { usage >&2; exit 2; }

mkdir -p "$out/logs"
cp "$sample" "$out/sample.txt"
: >"$out/provers.tsv"
for p in "${provers[@]}"; do printf '%s\t%s\n' "${p%%=*}" "${p#*=}" >>"$out/provers.tsv"; done
echo "$(wc -l <"$out/sample.txt") problems, $timeout s each, $jobs at a time" | tee "$out/setup.txt"
sed 's/^/prover: /' "$out/provers.tsv" | tee -a "$out/setup.txt"

run_one() {
  local problem=$1 name=$2 command log verdict seconds peak keep=()
  command=$(awk -F '\t' -v p="$name" '$1 == p { print $2 }' "$out/provers.tsv")
  log="$out/logs/$(echo "$problem" | sed 's|.*tpdb/||; s|/|_|g').$name"
  [ -z "$checker" ] || keep=(--certificate "$log.json")
  start=$(date +%s.%N)
  # The moment the first line arrives is when the verdict was given; the
  # program may take longer to exit.
  # shellcheck disable=SC2086
  /usr/bin/time -f '%e %M' -o "$log.time" \
    timeout -s KILL $((timeout + 60)) $command "$problem" --timeout "$timeout" "${keep[@]+"${keep[@]}"}" 2>"$log.err" \
    | { IFS= read -r first || true; date +%s.%N >"$log.first"; printf '%s\n' "$first"; cat; } >"$log.out" || true
  verdict=$(head -n 1 "$log.out")
  grep -q 'Command terminated by signal 9' "$log.time" && verdict=killed
  read -r seconds peak < <(tail -n 1 "$log.time")
  if [ -n "$checker" ] && [ -e "$log.json" ]; then
    printf '%s\t%s\n' "$(basename "$log.json")" "$("$checker" "$log.json" "$problem" 2>&1 | head -n 1)" >"$log.check"
  fi
  given=$(echo "$(cat "$log.first") - $start" | bc)
  printf '%s\t%s\t%s\t%.2f\t%s\t%s\n' "$problem" "$name" "${verdict:-none}" "$given" "$seconds" "$peak"
}
export -f run_one
export out timeout checker

names=$(cut -f 1 "$out/provers.tsv")
# shellcheck disable=SC2086
parallel --jobs "$jobs" --line-buffer run_one {1} {2} :::: "$out/sample.txt" ::: $names \
  | tee "$out/results.tsv"

if [ -n "$checker" ]; then
  cat "$out"/logs/*.check 2>/dev/null >"$out/certificates.txt" || true
  echo "certificates: $(wc -l <"$out/certificates.txt"), holding: $(grep -c 'certificate holds' "$out/certificates.txt" || true)" \
    | tee -a "$out/setup.txt"
fi

# Per prover: answers, the latest verdict and exit after the limit, peak memory.
# shellcheck disable=SC2086
python3 "$(dirname "$0")/deadline_summary.py" "$out/results.tsv" "$timeout" $names | tee "$out/summary.txt"
