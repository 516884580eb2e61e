#!/usr/bin/env bash
# Builds the layer stream fuzz target with clang (libFuzzer + AddressSanitizer + UBSan) in its own
# build folder (build-fuzz-annotation) and runs it: fuzz/annotation/run_layer_stream_fuzz.sh [SECONDS] [BUILD_DIR]
# The corpus grows in BUILD_DIR/corpus; findings land in BUILD_DIR/findings.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
seconds="${1:-600}"
build="${2:-$root/build-fuzz-annotation}"
# Undefined behaviour is a finding like any other: it stops the run instead of being reported and
# passed over.
flags="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g -O1"
"$root/fuzz/need_clang.sh"
# shellcheck source=../sanitizer_options.sh
. "$root/fuzz/sanitizer_options.sh"
if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DLUMIVEX_TESTS=OFF -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
fi
cmake --build "$build" --target annolyx_objects lumivex_platform
mapfile -t objects < <(find "$build/annotation/CMakeFiles/annolyx_objects.dir" -name '*.o' ! -name 'entry.cpp.o')
qt="$(pkg-config --cflags --libs Qt6Widgets Qt6Gui Qt6Core)"
# shellcheck disable=SC2086
clang++ -std=c++20 -fPIC $flags -fsanitize=fuzzer -DQT_NO_KEYWORDS -I"$root" \
  "$root/fuzz/annotation/layer_stream_fuzz.cpp" "${objects[@]}" \
  -L"$build/bin" -llumivexplatform -Wl,-rpath,"$build/bin" $qt -o "$build/layer_stream_fuzz"

mkdir -p "$build/corpus" "$build/findings"
# Seeds: an empty layer, one holding a rectangle, an ellipse and a group, one layer of each other
# kind and one of every kind together.
if [ -z "$(ls -A "$build/corpus")" ] && [ -d "$root/fuzz/annotation/seeds" ]; then
  cp "$root"/fuzz/annotation/seeds/* "$build/corpus/"
fi
# Libraries outside the engine keep caches for the life of the process (see the suppressions).
export LSAN_OPTIONS="suppressions=$root/scripts/lsan-suppressions.txt:print_suppressions=0"
QT_QPA_PLATFORM=offscreen "$build/layer_stream_fuzz" "$build/corpus" -artifact_prefix="$build/findings/" \
  -max_total_time="$seconds" -max_len=4096 -rss_limit_mb=2048 -print_final_stats=1
