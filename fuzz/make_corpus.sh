#!/usr/bin/env bash
# Makes the seed corpora of the fuzz targets (fuzz/corpus/SOURCE) from the
# shared problems, the benchmarks the prover writes for them and the answers
# the solver front end gives. Run it after a release build; its output is
# kept in the repository, so it is run again only to renew the seeds.
#
# usage: fuzz/make_corpus.sh [BUILD] [PROBLEMS]
#   (default: build, and $TESSIVAR_TPDB or else ../shared/tpdb beside the
#   repository; the certificates come from the problems in tests/tpdb/)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-$here/../build}" && pwd)"
db="${2:-${TESSIVAR_TPDB:-$here/../../shared/tpdb}}"
[ -d "$db" ] || { echo "no problem database at $db" >&2; exit 2; }
corpus="$here/corpus"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
rm -rf "$corpus"
mkdir -p "$corpus"/{system_reader,system_text,model_reader,smt_parser,xml_reader,certificate_reader}

# Certificates of the engine's proofs (YES and NO) of the problems the tests keep.
for p in "$here"/../tests/tpdb/*/*.srs "$here"/../examples/*.srs; do
  key="$(realpath --relative-to="$here/.." "$p" | sed 's|^tests/tpdb/||; s|/|_|g; s|\.srs$||')"
  "$build/tessivar-prove" --timeout 10 --certificate "$corpus/certificate_reader/$key" "$p" > /dev/null 2>&1 || true
done

# A sample of the problems: every 7th by path among those below 400 bytes.
mapfile -t problems < <(cd "$db" && for f in */*.srs; do
  [ "$(wc -c < "$f")" -lt 400 ] && echo "$f"; done | awk 'NR % 7 == 1')

# The prover's attempts in the order of a pass in which all fail; "unsat"
# to each makes every enabled attempt run. Mode: 0 normal, 1 tropical, 2 arctic.
attempts=("1 1" "1 2" "2 2" "0 2" "1 3" "2 3" "0 3")
mxr=3
cat > "$work/keep.sh" <<KEEP
n=\$(ls "$work/benchmarks" | wc -l)
cp frm "$work/benchmarks/\$(printf %02d \$n)"
echo unsat
KEEP

for p in "${problems[@]}"; do
  key="$(echo "$p" | tr '/' '_' | sed 's/\.srs$//')"
  cp "$db/$p" "$corpus/system_reader/$key"
  cp "$db/$p" "$corpus/system_text/$key"
  xml="$db/${p%.srs}.xml"
  if [ -f "$xml" ] && [ "$(wc -c < "$xml")" -lt 2500 ]; then cp "$xml" "$corpus/xml_reader/$key"; fi
  rm -rf "$work/run" "$work/benchmarks"
  mkdir -p "$work/run" "$work/benchmarks"
  printf 'sh %s\n0\n%s\n3\n3\n0\n3\n' "$work/keep.sh" "$mxr" > "$work/run/param"
  (cd "$work/run" && "$build/tessivar" < "$db/$p" > /dev/null) || continue
  for i in "${!attempts[@]}"; do
    bench="$work/benchmarks/$(printf %02d "$i")"
    [ -f "$bench" ] || continue
    [ "$(wc -c < "$bench")" -lt 40000 ] || continue
    read -r mode dim <<< "${attempts[$i]}"
    [ "$(wc -c < "$bench")" -lt 4000 ] && cp "$bench" "$corpus/smt_parser/${key}_$i"
    answer="$("$build/tessivar-smt" -t 1 -m "$bench" 2> /dev/null || true)"
    # One byte of mode and dimension, one of the bound, the system, NUL, the answer.
    { printf "\\x$(printf %02x $((mode + 3 * (dim - 1))))\\x$(printf %02x $mxr)"
      cat "$db/$p"; printf '\0'; printf '%s\n' "$answer"; } > "$corpus/model_reader/${key}_$i"
  done
done
du -sh "$corpus"/*
