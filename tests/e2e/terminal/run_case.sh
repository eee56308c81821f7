#!/usr/bin/env bash
# Runs the terminal driver on the headless display with one input script
# and compares exit status, standard output, standard error and the screen
# dump written at exit with the case's expected files.
set -u
driver=$1 src=$2 case=$3 work=$4
rm -rf "$work" && mkdir -p "$work"
export KORVEXAN_DISPLAY=headless KORVEXAN_SCREEN="$work/screen.txt" KORVEXAN_LOGDIR="$work" LC_ALL=C
unset CELLVIEW SCR_AMP SCR_VIO SCR_WC
if [ -f "$src/$case.in" ]; then export KORVEXAN_INPUT="$src/$case.in"; else unset KORVEXAN_INPUT; fi
(cd "$work" && "$driver") >"$work/stdout" 2>"$work/stderr"
status=$?
fail=0
want=$(cat "$src/$case.exit")
if [ "$status" != "$want" ]; then echo "exit status $status, expected $want"; fail=1; fi
for part in stdout stderr screen; do
  expected="$src/$case.$part"
  [ -f "$expected" ] || continue
  actual="$work/$part"; [ "$part" = screen ] && actual="$work/screen.txt"
  if ! diff -u "$expected" "$actual"; then echo "$part differs"; fail=1; fi
done
exit $fail
