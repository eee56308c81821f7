#!/usr/bin/env bash
# The tty display in a real terminal: tmux runs the driver program, keys
# and mouse reports are sent to it, the pane and the driver's event log
# are read back.  Usage: tty_tmux_test.sh PATH/TO/tty_driver
set -u
driver=${1:?usage: tty_tmux_test.sh tty_driver}
work=$(mktemp -d)
sock="kvtty-$$"
tm() { tmux -L "$sock" -f /dev/null "$@"; }
cleanup() { tm kill-server >/dev/null 2>&1; rm -rf "$work"; }
trap cleanup EXIT

term=xterm-256color
for t in tmux-256color screen-256color; do
  if infocmp "$t" >/dev/null 2>&1; then term=$t; break; fi
done

passed=0
failed=0
current=""
fail() { echo "FAIL [$current]: $*"; failed=$((failed + 1)); case_ok=0; }
begin() { current=$1; case_ok=1; }
finish() { if [ "$case_ok" = 1 ]; then echo "ok   [$current]"; passed=$((passed + 1)); fi; tm kill-server >/dev/null 2>&1; sleep 0.2; }

log="$work/events.log"

# start [driver arguments...]: a fresh server with an 80x27 pane.
start() {
  rm -f "$log"
  tm kill-server >/dev/null 2>&1
  # A server that is still going away can refuse the new session: retry.
  for _ in 1 2 3 4 5; do
    sleep 0.2
    tm new-session -d -s t -x "${cols:-80}" -y "${rows:-27}" \
      "env TERM=$term KORVEXAN_DISPLAY=tty ${env_extra:-} '$driver' '$log' $* ${redirect:-}; echo EXITED=\$?; stty -a; sleep 60" \
      >/dev/null 2>&1 && break
  done
  wait_log "^READY display=tty" || { fail "driver did not start: $(cat "$log" 2>/dev/null)"; return 1; }
  sleep 0.3
}

# wait_log PATTERN: the event log holds a line matching it (5 s at most).
wait_log() {
  for _ in $(seq 50); do
    grep -q -- "$1" "$log" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

# wait_pane TEXT: the pane shows TEXT (5 s at most).
wait_pane() {
  for _ in $(seq 50); do
    tm capture-pane -p -t t | grep -qF -- "$1" && return 0
    sleep 0.1
  done
  return 1
}

pane() { tm capture-pane -p -t t; }
keys() { for k in "$@"; do tm send-keys -t t "$k"; sleep 0.08; done; }
raw() { tm send-keys -t t -l "$1"; sleep 0.08; }
expect_log() { wait_log "$1" || fail "no event '$1'; log: $(tr '\n' ';' <"$log")"; }
expect_pane() { wait_pane "$1" || fail "pane lacks '$1':"$'\n'"$(pane)"; }

# The terminal is given back: normal screen, no mouse reports, a visible
# cursor, cooked mode with echo.
expect_restored() {
  expect_pane "EXITED=$1"
  local flags
  flags=$(tm display -p -t t '#{alternate_on} #{mouse_any_flag} #{mouse_button_flag} #{mouse_sgr_flag} #{cursor_flag}')
  [ "$flags" = "0 0 0 0 1" ] || fail "terminal modes not restored: $flags"
  pane | grep -q -- " icanon" || fail "canonical mode not restored"
  pane | grep -q -- " echo " || fail "echo not restored"
  # A sanitizer build reports its findings after the terminal is restored.
  pane | grep -q "Sanitizer" && fail "sanitizer report:"$'\n'"$(pane)"
  return 0
}

# ---------------------------------------------------------------------------
begin "screen: code page as Unicode, colours with bright backgrounds, bars"
start && {
  expect_pane "╔════════╗"
  expect_pane "║ Box │☺ ║"
  [ "$(pane | sed -n 1p)" = "  File  Edit  View  Function keys  Alt-keys  Help" ] || fail "menu bar: $(pane | sed -n 1p)"
  pane | sed -n 27p | grep -q "OVR  │Caps │Num" || fail "status bar: $(pane | sed -n 27p)"
  colours=$(tm capture-pane -e -p -t t | sed -n 8p)
  # Background 9 (light blue) and 12 (light red) are bright backgrounds.
  echo "$colours" | grep -qF $'\e[104m9' || fail "no bright blue background: $(echo "$colours" | cat -v)"
  echo "$colours" | grep -qF $'\e[101mC' || fail "no bright red background"
  echo "$colours" | grep -qF $'\e[41m4' || fail "colour 4 is not red"
  title=$(tm display -p -t t '#{pane_title}')
  [ "$title" = "tty driver" ] || fail "window title not the terminal's: '$title'"
}
finish

begin "output to a file: the controlling terminal shows the panel"
redirect="</dev/null >'$work/out.txt' 2>&1"
start && {
  expect_pane "╔════════╗"
  keys F2
  expect_log "KEY ch=0 ext=60 scan=60"
  keys q
  expect_log "^EXIT"
  expect_restored 0
  pane | grep -q "driver finished" && fail "program output reached the terminal"
  grep -q "driver finished" "$work/out.txt" || fail "program output not in its file: $(cat "$work/out.txt")"
}
redirect=""
finish

begin "modified function keys and cursor keys (Alt-key handling DOS)"
start alt=1 && {
  keys F1 S-F1 C-F5 M-F3 F12 S-F12 C-F12 C-Right Home C-PageDown BTab M-x KPEnter Enter
  for want in "ext=59 scan=59" "ext=84 scan=59" "ext=98 scan=63" "ext=106 scan=61" \
              "ext=134 scan=88" "ext=136 scan=88" "ext=138 scan=88" "ext=116 scan=77" \
              "ext=71 scan=71" "ext=118 scan=81" "ext=15 scan=15" "ext=45 scan=45"; do
    expect_log "KEY ch=0 $want\$"
  done
  expect_log "KEY ch=13 ext=0 scan=224"
  expect_log "KEY ch=13 ext=0 scan=28"
  # Typed characters and an unknown sequence between them.
  raw "xy"$'\e[99y'"z"
  expect_pane "Field:  xyz"
}
finish

begin "mouse: press, double click, drag, button 2, menu row label"
start && {
  raw $'\e[<0;12;11M\e[<0;12;11m'
  expect_log "MOUSE row=10 col=12 ch=0 ext=15 in=1 sim=0"
  raw $'\e[<0;12;11M\e[<0;12;11m'
  expect_log "MOUSE row=10 col=12 ch=0 ext=48 in=1 sim=0"
  sleep 0.6
  raw $'\e[<0;15;11M\e[<32;16;11M\e[<32;17;11M\e[<0;17;11m'
  expect_log "MOUSE row=10 col=15 ch=0 ext=15"
  expect_log "MOUSE row=10 col=16 ch=0 ext=0"
  expect_log "MOUSE row=10 col=17 ch=0 ext=0"
  raw $'\e[<2;40;15M\e[<2;40;15m'
  expect_log "MOUSE row=14 col=40 ch=0 ext=60 in=0"
  raw $'\e[<2;40;15M\e[<2;40;15m\e[<2;40;15M'
  expect_log "MOUSE row=14 col=40 ch=0 ext=22"
  raw $'\e[<0;11;26M\e[<0;11;26m'
  expect_log "MOUSE row=25 col=11 ch=0 ext=61 in=0 sim=1"
}
finish

begin "menu bar: Alt+letter, keys, the mouse (Alt-key handling Windows)"
start alt=0 && {
  keys M-u
  expect_pane "│ Help  F1 │"
  keys Down Enter
  expect_log "KEY ch=0 ext=61 scan=254"
  sleep 0.3
  pane | grep -qF "│ Help  F1 │" && fail "popup still open"
  raw $'\e[<0;4;1M\e[<0;4;1m'
  expect_pane "│ Exit          Alt+F4 │"
  keys Escape
  sleep 0.3
  pane | grep -qF "Alt+F4" && fail "popup not closed by Esc"
  keys M-x F10
  expect_pane "Print Screen"
  keys Escape
  # Alt+F4 asks to close, as on a desktop.
  keys M-F4
  expect_pane "Do you really want to quit?"
  keys n
  sleep 0.3
  pane | grep -q "Do you really want" && fail "question not withdrawn"
  grep -q "^QUIT" "$log" && fail "quit after answering No"
}
finish

begin "message box waits for acknowledgement, screen redrawn after"
start && {
  keys b
  expect_pane "Korvexan Internal Error!"
  expect_pane "Test box text"
  expect_pane "Second line"
  sleep 0.3
  grep -q "BOX result" "$log" && fail "box did not wait"
  keys x
  sleep 0.3
  grep -q "BOX result" "$log" && fail "box taken by a key that is not its answer"
  keys Enter
  expect_log "BOX result=1"
  sleep 0.2
  pane | grep -q "Test box text" && fail "box left on the screen"
  expect_pane "0  1  2  3  4  5  6  7  8  9  A  B  C  D  E  F"
  keys s
  expect_pane " Status message text"
}
finish

begin "close key asks Yes/No; No goes on, Yes quits"
start alt=1 close=107 && {
  keys M-F4
  expect_pane "Do you really want to quit?"
  keys n
  sleep 0.3
  pane | grep -q "Do you really want" && fail "question not withdrawn"
  keys M-F4
  expect_pane "Do you really want to quit?"
  keys y
  expect_log "^QUIT"
  expect_restored 0
}
finish

begin "restore on abort: box acknowledged, message kept, terminal restored"
start && {
  keys a
  expect_pane "aborted in panel TTYPANEL"
  keys Enter
  expect_restored 16
  pane | grep -q "aborted in panel TTYPANEL Reason = 0003" || fail "abort message not on the terminal afterwards"
}
finish

begin "restore on SIGTERM, SIGHUP and a crash (SIGSEGV)"
for sig in TERM HUP SEGV; do
  # A sanitizer build would report the crash signal as its own finding.
  env_extra=""
  [ "$sig" = SEGV ] && env_extra="ASAN_OPTIONS=handle_segv=0"
  start && {
    pid=$(sed -n 's/.*pid=//p' "$log")
    kill -"$sig" "$pid"
    case $sig in TERM) expect_restored 143 ;; HUP) expect_restored 129 ;; SEGV) expect_restored 139 ;; esac
  }
done
env_extra=""
finish

begin "SIGTSTP gives the terminal back; fg takes it again"
# Job control needs an interactive shell in the pane.
rm -f "$log"
tm kill-server >/dev/null 2>&1
sleep 0.3
tm new-session -d -s t -x 80 -y 27 "env TERM=$term bash --norc --noprofile -i" >/dev/null 2>&1
sleep 0.5
tm send-keys -t t "KORVEXAN_DISPLAY=tty '$driver' '$log'" Enter
if wait_log "^READY display=tty"; then
  sleep 0.3
  pid=$(sed -n 's/.*pid=//p' "$log")
  kill -TSTP "$pid"
  expect_pane "Stopped"
  flags=$(tm display -p -t t '#{alternate_on} #{mouse_any_flag} #{cursor_flag}')
  [ "$flags" = "0 0 1" ] || fail "terminal not given back while stopped: $flags"
  tm send-keys -t t "fg" Enter
  expect_pane "╔════════╗"
  flags=$(tm display -p -t t '#{alternate_on} #{mouse_sgr_flag}')
  [ "$flags" = "1 1" ] || fail "screen not taken again: $flags"
  keys F2
  expect_log "KEY ch=0 ext=60 scan=60"
  keys q
  expect_log "^EXIT"
  expect_pane "driver finished"
  flags=$(tm display -p -t t '#{alternate_on} #{mouse_any_flag} #{cursor_flag}')
  [ "$flags" = "0 0 1" ] || fail "terminal modes not restored: $flags"
else
  fail "driver did not start"
fi
finish

begin "resize redraws; a small terminal shows what fits and says so"
start && {
  tm resize-window -t t -x 60 -y 20
  expect_pane "Terminal 20x60 < screen 25x80"
  expect_pane "╔════════╗"
  tm resize-window -t t -x 80 -y 27
  expect_pane "  File  Edit  View"
  expect_pane "F1=Help  F3=Exit  AX=Exit  1=Menu"
  keys q
  expect_restored 0
}
finish

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
