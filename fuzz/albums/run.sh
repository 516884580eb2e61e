#!/usr/bin/env bash
# Builds the album reader's fuzz target with clang (libFuzzer + AddressSanitizer + UBSan) and runs
# it: fuzz/albums/run.sh [SECONDS] [BUILD_DIR]. The corpus grows in BUILD_DIR/corpus; findings land
# in BUILD_DIR/findings.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
seconds="${1:-600}"
build="${2:-$root/build-fuzz-albums}"
# Undefined behaviour is a finding like any other: it stops the run instead of being reported and
# passed over.
flags="-fsanitize=address,undefined,fuzzer -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g -O1"
"$root/fuzz/need_clang.sh"
# shellcheck source=../sanitizer_options.sh
. "$root/fuzz/sanitizer_options.sh"
mkdir -p "$build/corpus" "$build/findings"
qt="$(pkg-config --cflags --libs Qt6Core)"
# shellcheck disable=SC2086
clang++ -std=c++20 -fPIC $flags -DQT_NO_KEYWORDS -I"$root" \
  "$root/fuzz/albums/album_reader_fuzz.cpp" "$root/albums/album_file.cpp" "$root/runtime/conversions.cpp" \
  "$root/runtime/errors.cpp" "$root/runtime/replacing_file.cpp" "$root/platform/text/ansi.cpp" "$root/platform/text/native_path.cpp" $qt -o "$build/album_reader_fuzz"
if [ -z "$(ls -A "$build/corpus")" ]; then
  printf '/scans/a.tif, 2, signed copy, filed\r\n/b.tif\n/c.tif, x, note' >"$build/corpus/seed1"
  printf '\xef\xbb\xbf/caf\xc3\xa9.jpg, 1, \r\n,,\r\n \t, 3 ,\r' >"$build/corpus/seed2"
  printf '/f\xe9\x80.tif, 1E3, A,B,C\n\n\n' >"$build/corpus/seed3"
fi
"$build/album_reader_fuzz" "$build/corpus" -artifact_prefix="$build/findings/" \
  -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 -print_final_stats=1
