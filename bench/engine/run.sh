#!/usr/bin/env bash
# Runs tessivar-prove over a sample of the problem database, two problems at
# a time, and keeps each problem's verdict, time and certificate check.
#   bench/engine/run.sh OUT [--every N] [--family NAME] [--timeout S] [--jobs N] [--build DIR]
# OUT/results.tsv: path, verdict, seconds, certificate check; OUT/summary.txt.
set -euo pipefail
out=$1; shift
src=$(cd "$(dirname "$0")/../.." && pwd)
tpdb=$src/../shared/tpdb build=$src/build every=4 family="" limit=10 jobs=2
while [ $# -gt 0 ]; do
  case $1 in
    --every) every=$2; shift 2 ;;
    --family) family=$2; shift 2 ;;
    --timeout) limit=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --tpdb) tpdb=$2; shift 2 ;;
    *) echo "run.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
mkdir -p "$out/certificates" "$out/logs"
if [ -n "$family" ]; then
  find "$tpdb/$family" -name '*.srs' | LC_ALL=C sort >"$out/sample.txt"
else
  find "$tpdb" -name '*.srs' | LC_ALL=C sort | awk -v n="$every" '(NR - 1) % n == 0' >"$out/sample.txt"
fi
one() {
  local f=$1 build=$2 out=$3 limit=$4
  local name; name=$(echo "$f" | awk -F/ '{print $(NF-1) "_" $NF}')
  local start end verdict check="-"
  start=$(date +%s.%N)
  verdict=$("$build/tessivar-prove" "$f" --timeout "$limit" --verbose --certificate "$out/certificates/$name.json" \
            2>"$out/logs/$name.log" | head -1) || verdict=ERROR
  end=$(date +%s.%N)
  if [ "$verdict" = YES ] || [ "$verdict" = NO ]; then
    check=$("$build/tessivar-check" "$out/certificates/$name.json" "$f" | head -1 | tr ' ' _) || true
  fi
  printf '%s\t%s\t%.2f\t%s\n' "$f" "$verdict" "$(echo "$end - $start" | bc)" "$check"
}
export -f one
xargs -P "$jobs" -I{} bash -c 'one "$@"' _ {} "$build" "$out" "$limit" <"$out/sample.txt" | LC_ALL=C sort >"$out/results.tsv"
{
  echo "problems: $(wc -l <"$out/sample.txt")  timeout: $limit s  jobs: $jobs  commit: $(git -C "$src" rev-parse --short HEAD)"
  awk -F'\t' '{n[$2]++} END {for (v in n) print v, n[v]}' "$out/results.tsv" | sort
  echo "certificates not holding: $(awk -F'\t' '($2=="YES"||$2=="NO") && $4!="certificate_holds"' "$out/results.tsv" | wc -l)"
} | tee "$out/summary.txt"
