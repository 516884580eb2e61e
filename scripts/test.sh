#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: scripts/test.sh
# The whole suite runs on the normal build, every fuzz target runs briefly, then the suite runs
# again built with AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer
# (LUMIVEX_SKIP_SANITIZE=1 leaves that pass out).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"
jobs="$(nproc)"
export QT_QPA_PLATFORM=offscreen

# No debug information in the test build: it halves compile and link time on small machines.
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-O1
(cd "$root/build" && ctest --output-on-failure -j"$jobs" --timeout 300)

# Every fuzz target is built with clang, AddressSanitizer and UndefinedBehaviorSanitizer in its own
# folder (only what the targets need, through the compiler cache) and runs a few seconds on its
# seeds, halting on the first report: a target that no longer builds, or a seed that now fails,
# fails the run (LUMIVEX_SKIP_FUZZ=1 leaves this step out).
if [ "${LUMIVEX_SKIP_FUZZ:-0}" != 1 ]; then
  "$root/fuzz/run_all.sh" "${LUMIVEX_FUZZ_SECONDS:-5}"
fi

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
