#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: scripts/test.sh
# The whole suite runs on the normal build, then again built with AddressSanitizer,
# UndefinedBehaviorSanitizer and LeakSanitizer (LUMIVEX_SKIP_SANITIZE=1 leaves that pass out).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"
jobs="$(nproc)"
export QT_QPA_PLATFORM=offscreen

# No debug information in the test build: it halves compile and link time on small machines.
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-O1
(cd "$root/build" && ctest --output-on-failure -j"$jobs" --timeout 300)

if [ "${LUMIVEX_SKIP_SANITIZE:-0}" != 1 ]; then
  san="$root/build-sanitize"
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
  # -O1 without debug information, at a fraction of the build time of a debug build: undefined
  # behaviour is still reported with its file and line, memory faults with the functions involved.
  cmake -S "$root" -B "$san" -G Ninja -DLUMIVEX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG=-O1 -DCMAKE_C_FLAGS_DEBUG=-O1 >/dev/null
  cmake --build "$san" -j"$jobs"
  # shellcheck source=../fuzz/sanitizer_options.sh
  . "$root/fuzz/sanitizer_options.sh"
  (cd "$san" && ctest --output-on-failure -j"$jobs" --timeout 600)
fi
