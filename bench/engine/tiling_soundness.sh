#!/bin/bash
# every problem answered NO, tiling (both orientations) forced alone, loops off
while read p; do
  out=$(nice /work/bin/final/tessivar-prove "/work/shared/tpdb/$p" --only tiling,reverse --timeout 8 | head -1)
  printf '%s\t%s\n' "$p" "$out"
done < /tmp/no36.txt
