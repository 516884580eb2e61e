#!/usr/bin/env bash
# Builds the imaging fuzz targets with clang in their own folder: fuzz/imaging/build.sh [BUILD_DIR]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../../build-fuzz-imaging}"
"$here/../need_clang.sh"
# Clones in other folders (CI) reuse the compiler cache.
export CCACHE_BASEDIR="$(cd "$here/../.." && pwd)" CCACHE_NOHASHDIR=1
if [ ! -f "$build/build.ninja" ]; then
  launcher=""; command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
  CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $launcher >/dev/null
fi
cmake --build "$build" -j"$(nproc)"
