#!/usr/bin/env bash
# The runs that choose tessivar-run's default Mxr and the solver front end's
# limit per call: tessivar-batch on a fixed sample of the problem database
# (every fourth problem by path), once per combination, then the chosen
# combination once more with a longer limit. Prints the tables it makes and
# keeps them, with every run's results.csv and proofs, under --out.
set -euo pipefail

usage() {
  cat <<'EOF'
usage: bench/defaults.sh [options]
  --build DIR      build folder with tessivar-batch, tessivar-run, tessivar-smt (default build)
  --tpdb DIR       the problem database (default ../shared/tpdb beside the source)
  --out DIR        where the runs and tables go (default bench-defaults)
  --every N        sample every N-th problem by path (default 4)
  --first N        keep only the first N problems of the sample (a quick trial)
  --jobs N         problems at a time (default 2)
  --timeout S      limit per problem for the grid (default 30)
  --mxr "LIST"     Mxr values of the grid (default "0 3 7")
  --calls "LIST"   the front end's limits per call in seconds (default "2 5 10")
  --solver CMD     the solver command before " -t N" (default BUILD/tessivar-smt);
                   for instance "/abs/build/tessivar-smt --backend z3"
  --final "M T"    after the grid, run Mxr M with limit per call T at --final-timeout
  --final-timeout S  (default 60)
  --redo           run again combinations whose results.csv exists (default: reuse them)
EOF
}

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$source_dir/build tpdb=$source_dir/../shared/tpdb out=bench-defaults
every=4 first="" jobs=2 limit=30 mxrs="0 3 7" calls="2 5 10" solver="" final="" final_limit=60 redo=0
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$2; shift 2 ;;
    --tpdb) tpdb=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --every) every=$2; shift 2 ;;
    --first) first=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    --timeout) limit=$2; shift 2 ;;
    --mxr) mxrs=$2; shift 2 ;;
    --calls) calls=$2; shift 2 ;;
    --solver) solver=$2; shift 2 ;;
    --final) final=$2; shift 2 ;;
    --final-timeout) final_limit=$2; shift 2 ;;
    --redo) redo=1; shift ;;
    -h|--help) usage; exit 0 ;;
    *) echo "defaults.sh: unknown option $1" >&2; usage >&2; exit 2 ;;
  esac
done
build=$(readlink -f "$build")
tpdb=$(readlink -f "$tpdb")
[ -x "$build/tessivar-batch" ] || { echo "defaults.sh: no tessivar-batch in $build" >&2; exit 1; }
[ -n "$solver" ] || solver=$build/tessivar-smt
mkdir -p "$out"
out=$(readlink -f "$out")

# The sample: every N-th .srs by path (each has its .xml twin, not run twice).
find "$tpdb" -name '*.srs' | LC_ALL=C sort | awk -v n="$every" '(NR - 1) % n == 0' >"$out/sample.txt"
if [ -n "$first" ]; then head -n "$first" "$out/sample.txt" >"$out/sample.tmp"; mv "$out/sample.tmp" "$out/sample.txt"; fi
mapfile -t sample <"$out/sample.txt"
echo "sample: ${#sample[@]} problems of $tpdb (every $every-th by path), list in $out/sample.txt"

# One run of tessivar-batch with Mxr $1, limit per call $2 s, limit per problem $3 s.
run() {
  local mxr=$1 t=$2 lim=$3 name=$4
  local dir=$out/$name
  if [ "$redo" -eq 0 ] && [ -s "$dir/batch/results.csv" ] && [ -f "$dir/done" ]; then
    echo "$name: reusing $dir/batch/results.csv"
    return
  fi
  mkdir -p "$dir"
  # Solver, Verbose, Mxr, then Trdim, Ardim, Mb, Mpdim: every method, dimensions 3.
  printf '%s -t %s\n0\n%s\n3\n3\n1\n3\n' "$solver" "$t" "$mxr" >"$dir/param"
  echo "$name: Mxr $mxr, $t s per solver call, $lim s per problem, $jobs at a time"
  rm -f "$dir/done"
  "$build/tessivar-batch" -j "$jobs" --timeout "$lim" --prover classic --param "$dir/param" \
    --out "$dir/batch" --force "${sample[@]}" >"$dir/batch.log"
  touch "$dir/done"
}

# One line of figures for a run: YES, timeouts, errors, median and total seconds.
figures() {
  tail -n +2 "$1/batch/results.csv" | awk -F, '
    { s = $(NF - 3); t[++n] = s + 0; total += s
      if ($(NF - 5) == "YES") yes++; if ($NF == "timeout") timeouts++; if ($NF == "error") errors++ }
    END {
      for (i = 2; i <= n; i++) { x = t[i]; for (j = i - 1; j >= 1 && t[j] > x; j--) t[j + 1] = t[j]; t[j + 1] = x }
      median = n == 0 ? 0 : (n % 2 ? t[(n + 1) / 2] : (t[n / 2] + t[n / 2 + 1]) / 2)
      printf "%5d %5d %8d %6d %9.2f %9.1f\n", n, yes, timeouts, errors, median, total }'
}

# YES per family, one column per run.
families() {
  local header="family" r
  for r in "$@"; do header="$header,$r"; done
  {
    echo "$header"
    for r in "$@"; do
      tail -n +2 "$out/$r/batch/results.csv" | awk -F, -v r="$r" '
        { p = $1; gsub(/"/, "", p); n = split(p, d, "/"); fam = n > 1 ? d[n - 1] : "."
          print fam "," r "," ($(NF - 5) == "YES") }'
    done
  } | awk -F, -v runs="$*" '
    NR == 1 { print; next }
    { if (!($1 in seen)) { seen[$1] = 1; fams[++nf] = $1 }; yes[$1, $2] += $3; tot[$1, $2]++ }
    END {
      nr = split(runs, r, " ")
      for (i = 2; i <= nf; i++) { x = fams[i]; for (j = i - 1; j >= 1 && fams[j] > x; j--) fams[j + 1] = fams[j]; fams[j + 1] = x }
      for (i = 1; i <= nf; i++) {
        l = fams[i]
        for (k = 1; k <= nr; k++) l = l "," yes[fams[i], r[k]] + 0 "/" tot[fams[i], r[k]] + 0
        print l
      }
    }' | column -t -s,
}

done_runs=()
for m in $mxrs; do
  for t in $calls; do
    run "$m" "$t" "$limit" "mxr$m-t$t"
    done_runs+=("mxr$m-t$t")
  done
done

{
  echo "Grid: ${#sample[@]} problems, $limit s per problem, $jobs at a time"
  printf '%-12s %5s %5s %8s %6s %9s %9s\n' run problems YES timeouts errors "median s" "total s"
  for r in "${done_runs[@]}"; do printf '%-12s %s\n' "$r" "$(figures "$out/$r")"; done
  echo
  echo "YES per family (YES/problems):"
  families "${done_runs[@]}"
} | tee "$out/table.txt"

if [ -n "$final" ]; then
  read -r fm ft <<<"$final"
  name="final-mxr$fm-t$ft-$final_limit"s
  run "$fm" "$ft" "$final_limit" "$name"
  {
    echo
    echo "Chosen defaults Mxr $fm, $ft s per solver call, at $final_limit s per problem:"
    printf '%-22s %5s %5s %8s %6s %9s %9s\n' run problems YES timeouts errors "median s" "total s"
    printf '%-22s %s\n' "$name" "$(figures "$out/$name")"
    echo
    cat "$out/$name/summary.txt"
  } | tee -a "$out/table.txt"
fi
echo "tables in $out/table.txt"
