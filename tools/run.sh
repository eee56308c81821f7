#!/usr/bin/env bash
# Builds what is needed and runs the product's main program, the order-entry
# demo, on the best display available (a terminal when run from one).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${KV_BUILD_DIR:-build}
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$dir" -j "$(nproc)" >/dev/null
exec "$dir/bin/orders" "$@"
