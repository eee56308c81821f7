#!/usr/bin/env bash
# Runs a command with DISPLAY set to a private Xvfb server of its own, and
# stops the server afterwards:  xvfb_run.sh COMMAND [ARGS...]
set -euo pipefail
for n in $(seq 90 140); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
done
Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X$n" ] && break
  sleep 0.05
done
DISPLAY=":$n" "$@"
