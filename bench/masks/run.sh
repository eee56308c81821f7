#!/usr/bin/env bash
# Runs both sides of the mask benchmark and prints the rates side by side:
# ns per value and million values per second for SCRMASK and for GnuCOBOL,
# and how many times faster SCRMASK is.
#   bench/masks/run.sh <bench_masks> <mask_bench_cobol>
set -euo pipefail
ours=$("$1")
theirs=$(LC_ALL=C "$2")
printf '%-7s %-8s %12s %10s %12s %10s %7s\n' mask direction "SCRMASK ns" "M/s" "GnuCOBOL ns" "M/s" ratio
paste <(echo "$ours") <(echo "$theirs") | while read -r m d ns mps _pic _d cns cmps; do
  ratio=$(awk -v a="$cns" -v b="$ns" 'BEGIN { printf "%.2f", a / b }')
  printf '%-7s %-8s %12s %10s %12s %10s %6sx\n' "$m" "$d" "$ns" "$mps" "$cns" "$cmps" "$ratio"
done
