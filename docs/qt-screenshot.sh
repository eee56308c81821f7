#!/usr/bin/env bash
# Takes the screenshot of the order-entry demo in the desktop window
# (docs/qt-window.png) on a private Xvfb server: a customer number typed,
# then F2 for the product window.  Needs Xvfb, xdotool and ImageMagick.
#   docs/qt-screenshot.sh [BUILD_DIR] [OUTPUT.png]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-docs/qt-window.png}
work=$(mktemp -d)
for n in $(seq 90 140); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
server=$!
app=
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null
  kill "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY=":$n"
sleep 0.5
(cd "$work" && KORVEXAN_DISPLAY=qt exec "$OLDPWD/$build/bin/orders" >/dev/null 2>&1) &
app=$!
win=
for _ in $(seq 100); do
  win=$(xdotool search --name "Korvexan Orders" 2>/dev/null | head -1) && [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || { echo "the demo's window did not appear" >&2; exit 1; }
sleep 0.5
xdotool windowfocus "$win"
xdotool type --delay 40 "1042"
xdotool key Tab
sleep 0.3
xdotool key F2
sleep 0.8
# The window sits at the origin; cut the screen to its size.
geometry=$(xdotool getwindowgeometry "$win" | awk '/Geometry/ { print $2 }')
import -window root -crop "${geometry}+0+0" +repage "$out"
echo "$out ($geometry)"
