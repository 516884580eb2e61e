#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: scripts/test.sh
# The whole suite runs on the normal build; the suites that parse outside input run again under
# AddressSanitizer and UndefinedBehaviorSanitizer.
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
  if [ ! -f "$san/build.ninja" ]; then
    CCACHE_BASEDIR="$root" cmake -S "$root" -B "$san" -G Ninja -DLUMIVEX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" >/dev/null
  fi
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
  cmake --build "$san" -j"$jobs" --target sanitize-suite
  (cd "$san" && ctest --output-on-failure -j"$jobs" -L sanitize --timeout 600)
fi
