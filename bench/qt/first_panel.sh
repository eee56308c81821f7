#!/usr/bin/env bash
# Time from process start to the first panel on the screen of the desktop
# window, for any program of the runtime (a cobc-built application):
#   bench/qt/first_panel.sh [-n RUNS] PROGRAM [ARGS...]
# Needs a display (DISPLAY, e.g. under Xvfb).  The Qt display writes the
# wall-clock time of its first paint that shows text in the main window to
# KORVEXAN_FIRST_PAINT_FILE; the start is taken just before the program is
# started.  The program is stopped once it has painted.  Prints each run
# and the median, in milliseconds.
set -euo pipefail
runs=5
if [ "${1:-}" = -n ]; then runs=$2; shift 2; fi
[ $# -ge 1 ] || { echo "usage: $0 [-n RUNS] PROGRAM [ARGS...]" >&2; exit 2; }
mark=$(mktemp)
trap 'rm -f "$mark"' EXIT
times=()
for i in $(seq "$runs"); do
  rm -f "$mark"
  start=$(date +%s%N)
  KORVEXAN_DISPLAY=qt KORVEXAN_FIRST_PAINT_FILE="$mark" "$@" >/dev/null 2>&1 </dev/null &
  pid=$!
  for _ in $(seq 1000); do
    [ -s "$mark" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.01
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  if [ ! -s "$mark" ]; then echo "run $i: no panel was painted" >&2; exit 1; fi
  ms=$(( ($(cat "$mark") - start) / 1000000 ))
  echo "run $i: $ms ms"
  times+=("$ms")
done
printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { print "median: " a[int((NR + 1) / 2)] " ms" }'
