#!/usr/bin/env bash
# Starts the fake archive in its own process and runs the batch benchmark against it:
# bench/archive/run_batch.sh [BUILD_DIR] [FOLDERS] [STEP_MS]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build-bench}"
count="${2:-1000}"
step="${3:-1}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DLUMIVEX_BENCH=ON -DLUMIVEX_TESTS=ON -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target bench_archive_batch fake_archive
docs="$(mktemp -d)"
trap 'kill "$fake" 2>/dev/null || true; rm -rf "$docs"' EXIT
port=$((20000 + RANDOM % 20000))
"$build/bin/fake_archive" "$docs" "$port" "$((port + 1))" >/dev/null &
fake=$!
sleep 1
"$build/bin/bench_archive_batch" "$((port + 1))" "$count" "$step"
