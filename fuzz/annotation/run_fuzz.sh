#!/usr/bin/env bash
# Builds one of the engine's fuzz targets with clang (libFuzzer + AddressSanitizer + UBSan) in the
# annotation fuzz build folder (build-fuzz-annotation) and runs it:
#   fuzz/annotation/run_fuzz.sh layer_stream|engine_block|compound_file [SECONDS] [BUILD_DIR]
# The corpus grows in BUILD_DIR/corpus-TARGET; findings land in BUILD_DIR/findings-TARGET (for the
# layer stream: BUILD_DIR/corpus and BUILD_DIR/findings).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
target="${1:?layer_stream, engine_block or compound_file}"
seconds="${2:-600}"
build="${3:-$root/build-fuzz-annotation}"
suffix="-$target"
unwind=""
case "$target" in
  # Seeds: an empty layer, one holding a rectangle, an ellipse and a group, one layer of each
  # other kind and one of every kind together; the same layers saved whole and as compound files.
  layer_stream) seeds="$root/fuzz/annotation/seeds"; max_len=4096; suffix="" ;;
  engine_block) seeds="$root/fuzz/annotation/seeds_engine"; max_len=8192 ;;
  # Whole stacks (slower) let the suppressions see frames of the compound-file library, which is
  # built without frame pointers.
  compound_file) seeds="$root/fuzz/annotation/seeds_compound"; max_len=16384; unwind=":fast_unwind_on_malloc=0" ;;
  *) echo "unknown target: $target" >&2; exit 2 ;;
esac
# Undefined behaviour is a finding like any other: it stops the run instead of being reported and
# passed over.
flags="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g -O1"
"$root/fuzz/need_clang.sh"
# shellcheck source=../sanitizer_options.sh
. "$root/fuzz/sanitizer_options.sh"
# Only the engine's objects and the platform library are built, through the compiler cache.
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
if [ ! -f "$build/build.ninja" ]; then
  launcher=""; command -v ccache >/dev/null && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DLUMIVEX_TESTS=OFF -DCMAKE_BUILD_TYPE=Debug $launcher \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target annolyx_objects lumivex_platform
mapfile -t objects < <(find "$build/annotation/CMakeFiles/annolyx_objects.dir" -name '*.o' ! -name 'entry.cpp.o')
qt="$(pkg-config --cflags --libs Qt6Widgets Qt6Gui Qt6Core)"
# shellcheck disable=SC2086
clang++ -std=c++20 -fPIC $flags -fsanitize=fuzzer -DQT_NO_KEYWORDS -I"$root" \
  "$root/fuzz/annotation/${target}_fuzz.cpp" "${objects[@]}" \
  -L"$build/bin" -llumivexplatform -Wl,-rpath,"$build/bin" $qt -o "$build/${target}_fuzz"

corpus="$build/corpus$suffix"
findings="$build/findings$suffix"
mkdir -p "$corpus" "$findings"
if [ -z "$(ls -A "$corpus")" ] && [ -d "$seeds" ]; then cp "$seeds"/* "$corpus/"; fi
export LSAN_OPTIONS="$LSAN_OPTIONS$unwind"
QT_QPA_PLATFORM=offscreen "$build/${target}_fuzz" "$corpus" -artifact_prefix="$findings/" \
  -max_total_time="$seconds" -max_len="$max_len" -rss_limit_mb=2048 -print_final_stats=1
