#!/usr/bin/env bash
# A real COBOL panel program on the tty display in tmux: the engine's test
# program ENGTEST (tests/e2e/engine) compiled by cobc against the built
# libraries, its ENTRY panel filled in with keys and the mouse, ended with
# F3; what the program DISPLAYs while the screen is in use appears after
# the terminal is given back.
# Usage: tty_cobol_test.sh BUILD_DIR SOURCE_DIR SANITIZE(0|1)
set -u
build=$(cd "${1:?build dir}" && pwd)
src=$(cd "${2:?source dir}" && pwd)
sanitize=${3:-0}
work=$(mktemp -d)
sock="kvttycob-$$"
tm() { tmux -L "$sock" -f /dev/null "$@"; }
cleanup() { tm kill-server >/dev/null 2>&1; rm -rf "$work"; }
trap cleanup EXIT

if ! cobc -x -o "$work/engtest" -I "$src/appside/copybooks" -I "$src/tests/e2e/engine/panels" \
    "$src/tests/e2e/engine/ENGTEST.cob" -L "$build/lib" -Q -Wl,--no-as-needed -lkorvexan \
    -lcellview -Q "-Wl,-rpath,$build/lib" 2>"$work/cobc.log"; then
  echo "cobc failed"; cat "$work/cobc.log"; exit 1
fi
term=xterm-256color
for t in tmux-256color screen-256color; do
  if infocmp "$t" >/dev/null 2>&1; then term=$t; break; fi
done
preload=""
if [ "$sanitize" = 1 ]; then
  # The COBOL program is not instrumented: the sanitizer runtimes go first.
  preload="LD_PRELOAD='$(gcc -print-file-name=libasan.so) $(gcc -print-file-name=libubsan.so)' ASAN_OPTIONS=detect_leaks=0"
fi

passed=0
failed=0
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
pane() { tm capture-pane -p -t t; }
wait_pane() {
  for _ in $(seq 50); do
    pane | grep -qF -- "$1" && return 0
    sleep 0.1
  done
  return 1
}
check() { if wait_pane "$1"; then passed=$((passed + 1)); else fail "pane lacks '$1':"$'\n'"$(pane)"; fi; }

cd "$work" || exit 1
tm new-session -d -s t -x 80 -y 27 \
  "env $preload TERM=$term KORVEXAN_DISPLAY=tty KORVEXAN_LOGDIR='$work' ./engtest; echo EXITED=\$?; stty -a; sleep 60"
# The panel with the menu bar above it and the status bar below.
if ! wait_pane "                             Order Entry"; then
  echo "FAIL: the panel did not show:"; pane; echo "0 passed, 1 failed"; exit 1
fi
check " Name              Ada"
check "F1=Help  F3=Exit  F10=Select                                              001-01"
check "  File  Edit  View  Function keys  Help"
check "│OVR  │Caps │Num"
# Keys: replace the name, type the code (upper-cased by its field).
tm send-keys -t t C-End
tm send-keys -t t -l "Grace Hopper"
tm send-keys -t t Tab
tm send-keys -t t -l "ab12"
tm send-keys -t t Tab
check " Name              Grace Hopper"
check " Code              AB12"
# The mouse: a click on the Quantity field (panel row 5, the sixth
# terminal row below the menu bar: SGR row 6)
# puts the cursor there; typing goes into that field.
tm send-keys -t t -l $'\e[<0;21;6M\e[<0;21;6m'
sleep 0.3
tm send-keys -t t C-End
tm send-keys -t t -l "42"
tm send-keys -t t Tab
check " Quantity          00042"
# Enter returns to the program, which calls the panel again; F3 ends it.
tm send-keys -t t Enter
sleep 0.5
tm send-keys -t t F3
check "EXITED=0"
check "exit     13 field"
check "data [Grace Hopper   AB12 00042"
check "exit     61 field"
flags=$(tm display -p -t t '#{alternate_on} #{mouse_any_flag} #{cursor_flag}')
if [ "$flags" = "0 0 1" ]; then passed=$((passed + 1)); else fail "terminal modes not restored: $flags"; fi
if pane | grep -q " icanon"; then passed=$((passed + 1)); else fail "canonical mode not restored"; fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
