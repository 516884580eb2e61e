#!/usr/bin/env bash
# Makes the 500-page and the 100,000-page fax documents once, builds and runs the open benchmark
# on them:
#   bench/open/run.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build-bench}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMIVEX_BENCH=ON -DLUMIVEX_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target bench_open -j"$(nproc)"
fax="${TMPDIR:-/tmp}/lumivex-bench/fax-500.tif"
mkdir -p "$(dirname "$fax")"
[ -f "$fax" ] || "$root/bench/open/make_fax_document.sh" "$fax" 500
"$build/bin/bench_open" "$fax"
long="${TMPDIR:-/tmp}/lumivex-bench/fax-100000.tif"
[ -f "$long" ] || "$build/bin/bench_open" --make "$long" 100000 "$fax"
echo
"$build/bin/bench_open" --long "$long"
