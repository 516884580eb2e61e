#!/usr/bin/env bash
# Configures and builds one configuration: scripts/build.sh [BUILD_DIR] [extra cmake arguments...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
shift || true
# Clones in other folders (CI) reuse the compiler cache.
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja "$@" >/dev/null
fi
cmake --build "$build" -j"$(nproc)"
