#!/usr/bin/env bash
# Builds and runs the imaging benchmarks side by side, then the memory measure of opening a
# 200-page A4 colour TIFF as thumbnails: bench/imaging/run.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build-bench}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMIVEX_BENCH=ON -DLUMIVEX_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target bench_imaging bench_edits -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
"$build/bin/bench_imaging" --benchmark_counters_tabular=true
"$build/bin/bench_edits"
colour="${TMPDIR:-/tmp}/lumivex-bench/colour-200.tif"
mkdir -p "$(dirname "$colour")"
[ -f "$colour" ] || "$build/bin/bench_imaging" --make-colour-tiff "$colour" 200
"$build/bin/bench_imaging" --open-thumbs "$colour"
