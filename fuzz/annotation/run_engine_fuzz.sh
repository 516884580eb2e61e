#!/usr/bin/env bash
# Builds one of the engine's container fuzz targets with clang (libFuzzer + AddressSanitizer +
# UBSan, undefined behaviour stopping the run) and runs it:
#   fuzz/annotation/run_engine_fuzz.sh engine_block|compound_file [SECONDS] [BUILD_DIR]
# The corpus grows in BUILD_DIR/corpus-TARGET; findings land in BUILD_DIR/findings-TARGET.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
target="${1:?engine_block or compound_file}"
seconds="${2:-600}"
build="${3:-$root/build-fuzz-annotation}"
case "$target" in
  engine_block) seeds="$root/fuzz/annotation/seeds_engine"; max_len=8192 ;;
  compound_file) seeds="$root/fuzz/annotation/seeds_compound"; max_len=16384 ;;
  *) echo "unknown target: $target" >&2; exit 2 ;;
esac
flags="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g -O1"
# clang and its libFuzzer runtime are needed only here, not by the build or the tests.
if ! echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
    clang++ -x c++ -fsanitize=fuzzer - -o /dev/null 2>/dev/null; then
  sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get install -y --no-install-recommends clang libclang-rt-14-dev
fi
export UBSAN_OPTIONS="halt_on_error=1:abort_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
export ASAN_OPTIONS="abort_on_error=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
# Full stacks for the leak check: the libraries without frame pointers would hide the frame that
# the suppressions name.
export LSAN_OPTIONS="suppressions=$root/fuzz/annotation/lsan.supp:fast_unwind_on_malloc=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DLUMIVEX_TESTS=OFF -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
fi
cmake --build "$build" --target annolyx_objects lumivex_platform
mapfile -t objects < <(find "$build/annotation/CMakeFiles/annolyx_objects.dir" -name '*.o' ! -name 'entry.cpp.o')
qt="$(pkg-config --cflags --libs Qt6Widgets Qt6Gui Qt6Core)"
# shellcheck disable=SC2086
clang++ -std=c++20 -fPIC $flags -fsanitize=fuzzer -DQT_NO_KEYWORDS -I"$root" \
  "$root/fuzz/annotation/${target}_fuzz.cpp" "${objects[@]}" \
  -L"$build/bin" -llumivexplatform -Wl,-rpath,"$build/bin" $qt -o "$build/${target}_fuzz"

corpus="$build/corpus-$target"
findings="$build/findings-$target"
mkdir -p "$corpus" "$findings"
if [ -z "$(ls -A "$corpus")" ]; then cp "$seeds"/* "$corpus/"; fi
QT_QPA_PLATFORM=offscreen "$build/${target}_fuzz" "$corpus" -artifact_prefix="$findings/" \
  -max_total_time="$seconds" -max_len="$max_len" -rss_limit_mb=2048 -print_final_stats=1
