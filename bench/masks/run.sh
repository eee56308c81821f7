#!/usr/bin/env bash
# Runs both sides of the mask benchmark and prints the rates side by side:
# ns per value and million values per second for SCRMASK and for GnuCOBOL,
# and how many times faster SCRMASK is.  The two programs run alternately
# (KV_BENCH_ROUNDS times, default 3) and each figure is the best seen, so
# that a busy machine slows neither side unfairly.
#   bench/masks/run.sh <bench_masks> <mask_bench_cobol>
set -euo pipefail
rounds=${KV_BENCH_ROUNDS:-3}
ours=$(mktemp) theirs=$(mktemp)
trap 'rm -f "$ours" "$theirs"' EXIT
for _ in $(seq "$rounds"); do
  "$1" 2>/dev/null >>"$ours"
  LC_ALL=C "$2" >>"$theirs"
done
best() {  # key = first two fields; keeps the smallest ns per value
  awk '{ k = $1 " " $2; if (!(k in b) || $3 < b[k]) b[k] = $3; if (!(k in o)) { o[k] = n++ } }
       END { for (k in o) print o[k], k, b[k] }' "$1" | sort -n | cut -d' ' -f2-
}
printf '%-7s %-8s %12s %8s %12s %8s %7s\n' mask direction "SCRMASK ns" "M/s" "GnuCOBOL ns" "M/s" ratio
paste -d' ' <(best "$ours") <(best "$theirs") | while read -r m d ns pic cd cns; do
  awk -v m="$m" -v d="$d" -v a="$ns" -v b="$cns" -v pic="$pic" 'BEGIN {
    printf "%-7s %-8s %12.1f %8.2f %12.1f %8.2f %6.2fx   (%s)\n", m, d, a, 1000 / a, b, 1000 / b, b / a, pic }'
done
