#!/usr/bin/env bash
# Builds the project from scratch in a build folder and runs every test.
#   tools/test.sh                 normal build in build/
#   KV_SANITIZE=ON tools/test.sh  AddressSanitizer + UBSan build in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."
sanitize=${KV_SANITIZE:-OFF}
if [ "$sanitize" = ON ]; then dir=${KV_BUILD_DIR:-build-asan}; else dir=${KV_BUILD_DIR:-build}; fi
jobs=${KV_JOBS:-$(nproc)}
cmake -S . -B "$dir" -DKV_SANITIZE="$sanitize" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$dir" -j "$jobs"
# The sanitizer runtimes report leaks of libcob and ncurses at exit that
# are not ours; memory errors and undefined behaviour still fail the run.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$dir" --output-on-failure -j "$jobs" ${KV_CTEST_ARGS:-}
