#!/usr/bin/env bash
# Builds the libFuzzer targets in their own build folder and runs each for a
# bounded time.  Fails when a target finds a crash, a sanitizer report or a
# broken invariant (the input that did it is kept in the work folder).
#   fuzz/run.sh [seconds per target, default 60] [build folder, default build-fuzz]
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-60}
dir=${2:-build-fuzz}
jobs=${KV_JOBS:-$(nproc)}

CC=${CC:-clang} CXX=${CXX:-clang++} cmake -S . -B "$dir" -DKV_FUZZ=ON -DKV_TESTS=OFF -DKV_QT=OFF \
  -DKV_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$dir" -j "$jobs" --target fuzz_targets

export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
passed=0 failed=0
while read -r name seeds; do
  [ -z "$name" ] && continue
  work="$dir/fuzz-work/$name"
  mkdir -p "$work/corpus"
  echo "fuzz: $name for ${secs}s"
  if "$dir/bin/$name" -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus" ${seeds:+"$seeds"} \
       >"$work/log" 2>&1; then
    tail -n 12 "$work/log" | grep -E '^(stat::number_of_executed_units|Done)' || true
    passed=$((passed + 1))
  else
    echo "fuzz: $name FAILED"; tail -n 60 "$work/log"
    failed=$((failed + 1))
  fi
done <"$dir/fuzz_targets.txt"
echo "fuzz: $passed passed, $failed failed"
[ "$failed" = 0 ]
