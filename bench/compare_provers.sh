#!/usr/bin/env bash
# Runs several provers side by side on one sample of the problem database, in
# one queue, so that every prover meets the same load: each (problem, prover)
# pair is one job of GNU parallel, pairs of one problem next to each other.
# Writes OUT/results.tsv (problem, prover, verdict, seconds) and prints, per
# prover, the YES and NO counts and the median seconds to a definite answer,
# then the problems some prover proved and another did not.
set -euo pipefail

usage() {
  cat <<'USAGE'
usage: bench/compare_provers.sh OUT [options]
  --provers "LIST"  tessivar-run --prover values (default "classic engine both"),
                    or names given by --variant
  --variant "NAME=ARGS"
                    a prover NAME run as tessivar-run ARGS (e.g. "engine-nodp=--prover
                    engine --engine DIR/prove-without-pairs"); may be repeated
  --every N         every N-th .srs of the database by sorted path (default 4)
  --family NAME     all problems of one family instead
  --sample FILE     the problems listed in FILE instead (a path a line; the part from
                    "tpdb/" on is taken under the database folder)
  --certificates    keep each engine answer's certificate and check it with tessivar-check
  --timeout S       limit per problem and prover (default 60)
  --jobs N          jobs at a time (default 2)
  --extra "ARGS"    more arguments for tessivar-run (e.g. "--engine PATH")
  --build DIR       the programs to run (default build; copy them elsewhere to rebuild meanwhile)
USAGE
}

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$source_dir/build tpdb=$source_dir/../shared/tpdb
provers="classic engine both" every=4 family="" sample="" certificates=0 timeout=60 jobs=2 extra="" variants=()
[ $# -ge 1 ] || { usage >&2; exit 2; }
case $1 in -h|--help) usage; exit 0 ;; esac
out=$1; shift
while [ $# -gt 0 ]; do
  case $1 in
    --provers) provers=$2; shift 2 ;;
    --every) every=$2; shift 2 ;;
    --family) family=$2; shift 2 ;;
    --sample) sample=$2; shift 2 ;;
    --certificates) certificates=1; shift ;;
    --timeout) timeout=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    --extra) extra=$2; shift 2 ;;
    --variant) variants+=("$2"); shift 2 ;;
    --build) build=$(cd "$2" && pwd); shift 2 ;;
    -h|--help) usage; exit 0 ;;
    *) echo "compare_provers.sh: unknown option $1" >&2; usage >&2; exit 2 ;;
  esac
done

mkdir -p "$out/proofs"
# Each variant as "NAME<tab>ARGS", looked up by the jobs.
: >"$out/variants.tsv"
for v in "${variants[@]+"${variants[@]}"}"; do
  printf '%s\t%s\n' "${v%%=*}" "${v#*=}" >>"$out/variants.tsv"
done
if [ -n "$sample" ]; then
  sed 's|.*tpdb/||' "$sample" | awk -v t="$tpdb" '{ print t "/" $0 }' >"$out/sample.txt.new"
  mv "$out/sample.txt.new" "$out/sample.txt"
elif [ -n "$family" ]; then
  find "$tpdb/$family" -name '*.srs' | LC_ALL=C sort >"$out/sample.txt"
else
  find "$tpdb" -name '*.srs' | LC_ALL=C sort | awk -v n="$every" '(NR - 1) % n == 0' >"$out/sample.txt"
fi
echo "$(wc -l <"$out/sample.txt") problems, provers: $provers, $timeout s each, $jobs at a time, commit $(git -C "$source_dir" rev-parse --short HEAD)" | tee "$out/setup.txt"
sed 's/^/variant: /' "$out/variants.tsv" | tee -a "$out/setup.txt"

# One job: prints "problem prover verdict seconds"; the proof is kept.
run_one() {
  local problem=$1 prover=$2 name start end verdict args
  name=$(echo "${problem#"$tpdb"/}" | tr '/' '_')
  args=$(awk -F '\t' -v p="$prover" '$1 == p { print $2 }' "$out/variants.tsv")
  [ -n "$args" ] || args="--prover $prover"
  local keep=()
  [ "$certificates" = 0 ] || keep=(--certificate "$out/certificates/$name.$prover.json")
  start=$(date +%s.%N)
  # shellcheck disable=SC2086
  "$build/tessivar-run" "$problem" $args --timeout "$timeout" $extra "${keep[@]+"${keep[@]}"}" \
    >"$out/proofs/$name.$prover.txt" 2>"$out/proofs/$name.$prover.err" || true
  end=$(date +%s.%N)
  verdict=$(head -n 1 "$out/proofs/$name.$prover.txt")
  [ -n "$verdict" ] || verdict=ERROR
  printf '%s\t%s\t%s\t%.2f\n' "${problem#"$tpdb"/}" "$prover" "$verdict" "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')"
}
export -f run_one
export build tpdb out timeout extra certificates
mkdir -p "$out/certificates"

# shellcheck disable=SC2086
parallel -j "$jobs" --line-buffer run_one {1} {2} :::: "$out/sample.txt" ::: $provers >"$out/results.tsv"

if [ "$certificates" = 1 ]; then
  held=0 failed=0
  while IFS=$'\t' read -r problem prover verdict seconds; do
    name=$(echo "$problem" | tr '/' '_')
    cert=$out/certificates/$name.$prover.json
    [ -s "$cert" ] || continue
    if "$build/tessivar-check" "$cert" "$tpdb/$problem" >/dev/null 2>&1; then
      held=$((held + 1))
    else
      failed=$((failed + 1))
      echo "certificate does not hold: $cert"
    fi
  done <"$out/results.tsv"
  echo "certificates checked by tessivar-check: $held hold, $failed do not" | tee "$out/certificates.txt"
fi

python3 - "$out/results.tsv" $provers <<'PY' | tee "$out/summary.txt"
import statistics, sys
path, provers = sys.argv[1], sys.argv[2:]
rows = [line.rstrip("\n").split("\t") for line in open(path) if line.strip()]
by = {}
for problem, prover, verdict, seconds in rows:
    by.setdefault(prover, {})[problem] = (verdict, float(seconds))
print(f"{'prover':10} {'YES':>5} {'NO':>5} {'MAYBE':>6} {'ERROR':>6} {'median s to YES':>16} {'median s to NO':>15}")
for p in provers:
    r = by.get(p, {})
    count = lambda v: sum(1 for x in r.values() if x[0] == v)
    med = lambda v: statistics.median([x[1] for x in r.values() if x[0] == v]) if count(v) else float("nan")
    print(f"{p:10} {count('YES'):5} {count('NO'):5} {count('MAYBE'):6} {count('ERROR'):6} {med('YES'):16.2f} {med('NO'):15.2f}")
for a in provers:
    for b in provers:
        if a == b: continue
        lost = sorted(k for k, v in by.get(a, {}).items() if v[0] in ("YES", "NO") and by.get(b, {}).get(k, ("", 0))[0] != v[0])
        if lost:
            print(f"answered by {a}, not by {b}: {len(lost)}: " + " ".join(lost))
contradictions = [k for k in by.get(provers[0], {}) if len({by[p][k][0] for p in provers if k in by.get(p, {})} & {"YES", "NO"}) > 1]
print("contradicting answers:", len(contradictions), " ".join(contradictions))
PY
