#!/usr/bin/env bash
# The build is installed with `cmake --install --prefix` into a folder that
# is not the configured prefix; the order-entry demo is then built from the
# installed pieces only (dsgn32, the pkg-config file, the copybooks, the
# libraries) and run headless through its main path.
#   run.sh BUILD_DIR SANITIZE(0|1)
set -u
build=$(cd "$1" && pwd)
sanitize=${2:-0}
src=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$src/../../.." && pwd)
work="$build/cobol-tests/e2e_install_files"
prefix="$work/prefix"
rm -rf "$work" && mkdir -p "$work/cb"
fail() { echo "e2e_install: $*"; for f in "$work"/*.err; do echo "--- $f"; cat "$f"; done; exit 1; }

cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>"$work/install.err" || fail "install failed"
export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
libs=$(pkg-config --libs korvexan 2>"$work/pkgconfig.err") || fail "pkg-config knows no korvexan"
copybooks=$(pkg-config --variable=copybookdir korvexan)
libdir=$(pkg-config --variable=libdir korvexan)
[ "$(cd "$copybooks" && pwd)" = "$prefix/share/korvexan/copybooks" ] || fail "copybookdir is $copybooks"
[ "$(cd "$libdir" && pwd)" = "$prefix/lib" ] || fail "libdir is $libdir"
[ -f "$copybooks/KVINIT.CPY" ] || fail "no KVINIT.CPY in $copybooks"

dsgn="$prefix/bin/dsgn32"
"$dsgn" --import "$root/examples/orders/ORDMAIN.pnl" --library "$work/ORDERS.PNL" 2>"$work/import1.err" &&
  "$dsgn" --import "$root/examples/orders/ORDPICK.pnl" --library "$work/ORDERS.PNL" 2>"$work/import2.err" ||
  fail "import failed"
"$dsgn" --all --library "$work/ORDERS.PNL" --out "$work/cb" 2>"$work/generate.err" || fail "generate failed"

cd "$work" || exit 1
# cobc takes the linker flags of pkg-config as one -Q argument.
cobc -x -o orders "$root/examples/orders/ORDERS.cob" -I "$copybooks" -I cb \
  -Q "$libs -Wl,-rpath,$libdir" 2>cobc.err || fail "cobc failed"
# A sanitizer build's libraries bring the sanitizer runtime into the link,
# and the linker warns about the temporary-name functions it holds.
grep -v "libasan.so[.0-9]*: warning: the use of" cobc.err >cobc.warnings
[ -s cobc.warnings ] && fail "cobc warned"
if [ "$sanitize" = 1 ]; then
  export LD_PRELOAD="$(gcc -print-file-name=libasan.so) $(gcc -print-file-name=libubsan.so)"
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=0
fi
KORVEXAN_DISPLAY=headless KORVEXAN_INPUT="$root/tests/e2e/engine/orders.in" \
  KORVEXAN_SCREEN="$work/screen.txt" ./orders >orders.out 2>run.err || fail "the demo exited $?"
unset LD_PRELOAD
cmp -s orders.out "$root/tests/e2e/engine/orders.out" || fail "demo output differs: $(cat orders.out)"
echo "e2e_install: passed"
