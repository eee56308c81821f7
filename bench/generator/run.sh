#!/usr/bin/env bash
# Times the generation of every copybook of a 1,000-panel library:
#   bench/generator/run.sh [BUILD_DIR] [PANELS] [FIELDS]
set -eu
build=${1:-build}
panels=${2:-1000}
fields=${3:-40}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bin/bench_generator_library" "$work/BENCH.PNL" "$panels" "$fields"
mkdir "$work/out"
echo "command: dsgn32 --all --library BENCH.PNL --out out --quiet"
for i in 1 2 3; do
  start=$(date +%s.%N)
  "$build/bin/dsgn32" --all --library "$work/BENCH.PNL" --out "$work/out" --quiet
  end=$(date +%s.%N)
  echo "run $i: $(echo "$end - $start" | bc) s, $(ls "$work/out" | wc -l) copybooks"
done
