#!/usr/bin/env bash
# Compiles one COBOL test program against the project's libraries, runs it
# on the headless display and compares exit status, standard output and
# standard error with what the test expects.  Used by kv_cobol_test().
set -u

name= build= program= input= expect_out= expect_err= expect_log= expect_err_lines= exit_want=0 link=shared sanitize=0
sources=() modules=() copies=() envs=()
while [ $# -gt 0 ]; do
  case "$1" in
    --name) name=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --program) program=$2; shift 2 ;;
    --source) sources+=("$2"); shift 2 ;;
    --module) modules+=("$2"); shift 2 ;;
    --copy) copies+=("$2"); shift 2 ;;
    --env) envs+=("$2"); shift 2 ;;
    --input) input=$2; shift 2 ;;
    --expect-out) expect_out=$2; shift 2 ;;
    --expect-err) expect_err=$2; shift 2 ;;
    --expect-log) expect_log=$2; shift 2 ;;
    --expect-err-lines) expect_err_lines=$2; shift 2 ;;
    --exit) exit_want=$2; shift 2 ;;
    --link) link=$2; shift 2 ;;
    --sanitize) sanitize=$2; shift 2 ;;
    *) echo "cobol_test: unknown argument $1" >&2; exit 2 ;;
  esac
done

work="$build/cobol-tests/$name"
rm -rf "$work" && mkdir -p "$work"
lib="$build/lib"
src_dir=$(pwd)

copyflags=()
for c in "${copies[@]}"; do copyflags+=(-I "$src_dir/$c"); done
copyflags+=(-I "$build/copybooks" -I "$src_dir")

# Replacement modules and user exits are separate cobc modules on the
# test's COB_LIBRARY_PATH.
for m in "${modules[@]}"; do
  if ! cobc -m -o "$work/$(basename "${m%.*}").so" "${copyflags[@]}" "$src_dir/$m" 2>"$work/cobc-module.log"; then
    echo "cobol_test: cobc -m failed for $m"; cat "$work/cobc-module.log"; exit 1
  fi
done

srcs=("$src_dir/$program")
for s in "${sources[@]}"; do srcs+=("$src_dir/$s"); done
if [ "$link" = static ]; then
  # KORVEXAN is reached by a dynamic CALL: keep the whole archive.
  libs=(-Q "-Wl,--whole-archive,$lib/libkorvexan.a,--no-whole-archive"
        -L"$lib" -Q -Wl,--no-as-needed -lcellview -Q "-Wl,-rpath,$lib" -lstdc++ -ldl)
else
  libs=(-L"$lib" -Q -Wl,--no-as-needed -lkorvexan -lcellview -Q "-Wl,-rpath,$lib")
fi
# ASan-instrumented objects linked statically need the sanitizer runtimes
# at link time too.
if [ "$link" = static ] && [ "$sanitize" = 1 ]; then
  libs+=(-Q -fsanitize=address,undefined)
fi
if ! cobc -x -o "$work/prog" "${copyflags[@]}" "${srcs[@]}" "${libs[@]}" 2>"$work/cobc.log"; then
  echo "cobol_test: cobc failed"; cat "$work/cobc.log"; exit 1
fi

export KORVEXAN_DISPLAY=headless
export KORVEXAN_LOGDIR="$work"
export KORVEXAN_SCREEN="$work/screen.txt"
export COB_LIBRARY_PATH="$work"
export LC_ALL=C
unset CELLVIEW IBMC KORVEXAN
if [ -n "$input" ]; then export KORVEXAN_INPUT="$src_dir/$input"; else unset KORVEXAN_INPUT; fi
for e in "${envs[@]}"; do export "$e"; done
if [ "$sanitize" = 1 ]; then
  # The COBOL program itself is not instrumented: the sanitizer runtimes
  # must come first in the process.
  export LD_PRELOAD="$(gcc -print-file-name=libasan.so) $(gcc -print-file-name=libubsan.so)"
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=0
fi

# KV_TEST_WRAPPER runs the program under a tool (e.g. valgrind with
# --log-file and --error-exitcode, so that its findings fail the test).
(cd "$work" && ${KV_TEST_WRAPPER:-} ./prog) >"$work/stdout" 2>"$work/stderr"
status=$?
unset LD_PRELOAD

subst() {
  local info="$build/generated/kv/build_info.h"
  local date time timel rev
  date=$(sed -n 's/#define KV_BUILD_DATE "\(.*\)"/\1/p' "$info")
  time=$(sed -n 's/#define KV_BUILD_TIME "\(.*\)"/\1/p' "$info")
  timel=$(sed -n 's/#define KV_BUILD_TIME_LONG "\(.*\)"/\1/p' "$info")
  rev=$(sed -n 's/#define KV_REVISION "\(.*\)"/\1/p' "$info")
  sed -e "s/@BUILD_DATE@/$date/g" -e "s/@BUILD_TIME_LONG@/$timel/g" \
      -e "s/@BUILD_TIME@/$time/g" -e "s/@REVISION@/$rev/g" "$1"
}

fail=0
if [ "$status" != "$exit_want" ]; then
  echo "cobol_test $name: exit status $status, expected $exit_want"; fail=1
fi
if [ -n "$expect_out" ]; then
  subst "$src_dir/$expect_out" >"$work/expected.out"
  if ! diff -u "$work/expected.out" "$work/stdout"; then
    echo "cobol_test $name: standard output differs"; fail=1
  fi
fi
if [ -n "$expect_err" ]; then
  subst "$src_dir/$expect_err" >"$work/expected.err"
  if ! diff -u "$work/expected.err" "$work/stderr"; then
    echo "cobol_test $name: standard error differs"; fail=1
  fi
fi
# Log expectations: "+ text" must appear in KORVEXAN.LOG, "- text" must not.
if [ -n "$expect_log" ]; then
  while IFS= read -r line || [ -n "$line" ]; do
    want=${line:0:1}; text=${line:2}
    [ -z "$text" ] && continue
    if [ "$want" = "+" ] && ! grep -qF -- "$text" "$work/KORVEXAN.LOG" 2>/dev/null; then
      echo "cobol_test $name: log lacks: $text"; fail=1
    elif [ "$want" = "-" ] && grep -qF -- "$text" "$work/KORVEXAN.LOG" 2>/dev/null; then
      echo "cobol_test $name: log holds: $text"; fail=1
    fi
  done < <(subst "$src_dir/$expect_log")
fi
# Standard error expectations: "+ text" must appear, "- text" must not,
# "= N text" must appear exactly N times.
if [ -n "$expect_err_lines" ]; then
  while IFS= read -r line || [ -n "$line" ]; do
    want=${line:0:1}; text=${line:2}
    [ -z "$text" ] && continue
    if [ "$want" = "+" ] && ! grep -qF -- "$text" "$work/stderr"; then
      echo "cobol_test $name: standard error lacks: $text"; fail=1
    elif [ "$want" = "-" ] && grep -qF -- "$text" "$work/stderr"; then
      echo "cobol_test $name: standard error holds: $text"; fail=1
    elif [ "$want" = "=" ]; then
      count=${text%% *}; text=${text#* }
      got=$(grep -cF -- "$text" "$work/stderr")
      if [ "$got" != "$count" ]; then
        echo "cobol_test $name: standard error holds $got times, not $count: $text"; fail=1
      fi
    fi
  done < <(subst "$src_dir/$expect_err_lines")
fi
if [ $fail != 0 ]; then
  echo "--- stdout"; cat "$work/stdout"; echo "--- stderr"; cat "$work/stderr"
fi
exit $fail
