#!/usr/bin/env bash
# Starts the fake archive in its own process and runs one archive benchmark against it:
#   bench/archive/run.sh download [BUILD_DIR] [MEGABYTES]   serves a document of that size (200 MB)
#       and downloads it with a plain socket read and through the network window;
#   bench/archive/run.sh batch [BUILD_DIR] [FOLDERS] [STEP_MS]   verifies and archives that many
#       batch folders (1,000), the exchange stepping every STEP_MS (1).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
what="${1:?download or batch}"
build="${2:-$root/build-bench}"
case "$what" in
  download) targets=(bench_archive_download fake_archive annolyx) ;;
  batch) targets=(bench_archive_batch fake_archive) ;;
  *) echo "unknown benchmark: $what" >&2; exit 2 ;;
esac
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DLUMIVEX_BENCH=ON -DLUMIVEX_TESTS=ON -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target "${targets[@]}"
docs="$(mktemp -d)"
trap 'kill "$fake" 2>/dev/null || true; rm -rf "$docs"' EXIT
if [ "$what" = download ]; then
  head -c "$((${3:-200} * 1024 * 1024))" /dev/urandom > "$docs/BIG.BIN"
fi
port=$((20000 + RANDOM % 20000))
"$build/bin/fake_archive" "$docs" "$port" "$((port + 1))" >/dev/null &
fake=$!
sleep 1
if [ "$what" = download ]; then
  "$build/bin/bench_archive_download" "$port" BIG
else
  "$build/bin/bench_archive_batch" "$((port + 1))" "${3:-1000}" "${4:-1}"
fi
