#!/usr/bin/env bash
# Serves a 200 MB document from the fake archive (its own process) and downloads it with a plain
# socket read and through the network window: bench/archive/run.sh [BUILD_DIR] [MEGABYTES]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build-bench}"
mb="${2:-200}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DLUMIVEX_BENCH=ON -DLUMIVEX_TESTS=ON -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target bench_archive_download fake_archive annolyx
docs="$(mktemp -d)"
trap 'kill "$fake" 2>/dev/null || true; rm -rf "$docs"' EXIT
head -c "$((mb * 1024 * 1024))" /dev/urandom > "$docs/BIG.BIN"
port=$((20000 + RANDOM % 20000))
"$build/bin/fake_archive" "$docs" "$port" "$((port + 1))" >/dev/null &
fake=$!
sleep 1
"$build/bin/bench_archive_download" "$port" BIG
