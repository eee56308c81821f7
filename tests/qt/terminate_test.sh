#!/usr/bin/env bash
# A program of the runtime showing the desktop window ends promptly when it
# is terminated (SIGTERM), however often that catches it inside Qt:
#   terminate_test.sh PROGRAM [RUNS] [SANITIZED]     (DISPLAY must be set)
# SANITIZED 1: the runtime is built with the sanitizers, which must come
# first in the (uninstrumented) COBOL program.
set -uo pipefail
program=$1
runs=${2:-5}
if [ "${3:-0}" = 1 ]; then
  export LD_PRELOAD="$(gcc -print-file-name=libasan.so) $(gcc -print-file-name=libubsan.so)"
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
for i in $(seq "$runs"); do
  rm -f painted
  KORVEXAN_DISPLAY=qt KORVEXAN_FIRST_PAINT_FILE="$work/painted" "$program" >/dev/null 2>&1 </dev/null &
  pid=$!
  for _ in $(seq 200); do [ -s painted ] && break; sleep 0.02; done
  # Vary the moment a little, so that the signal lands in different places.
  sleep "0.0$((i % 10))"
  kill -TERM "$pid"
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid"
    echo "run $i: still running 5 s after SIGTERM"
    exit 1
  fi
  wait "$pid" 2>/dev/null
done
echo "$runs runs ended after SIGTERM"
