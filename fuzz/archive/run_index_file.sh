#!/usr/bin/env bash
# Builds the batch index file fuzz target with clang (libFuzzer + AddressSanitizer + UBSan) and runs
# it: fuzz/archive/run_index_file.sh [SECONDS] [WORK_DIR]. The corpus grows in WORK_DIR/corpus;
# findings land in WORK_DIR/findings.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
seconds="${1:-600}"
work="${2:-$root/build-fuzz-index-file}"
flags="-fsanitize=address,undefined,fuzzer -fno-omit-frame-pointer -g -O1"
if ! echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
    clang++ -x c++ -fsanitize=fuzzer - -o /dev/null 2>/dev/null; then
  sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get install -y --no-install-recommends clang libclang-rt-14-dev
fi
mkdir -p "$work/corpus" "$work/findings"
qt="$(pkg-config --cflags --libs Qt6Core)"
# shellcheck disable=SC2086
clang++ -std=c++20 -fPIC $flags -DQT_NO_KEYWORDS -I"$root" "$root/fuzz/archive/index_file_fuzz.cpp" \
  "$root/archive/batch_folder.cpp" "$root/archive/archive_protocol.cpp" "$root/archive/mod_encryption.cpp" \
  "$root/platform/text/ansi.cpp" $qt -o "$work/index_file_fuzz"
# Seeds: a file as Save Batch writes it, one with LF lines, a short one and a long one.
if [ -z "$(ls -A "$work/corpus")" ]; then
  printf 'REINDEX\r\nINV7\r\nSMITH\r\n2026\r\n' > "$work/corpus/written"
  printf 'REINDEX\nA\n\n\n' > "$work/corpus/lf"
  printf 'REINDEX\r\nA' > "$work/corpus/short"
  printf 'REINDEX\r\nA\r\nB\r\nC\r\nD\r\nE\r\nF\r\n' > "$work/corpus/long"
fi
"$work/index_file_fuzz" "$work/corpus" -artifact_prefix="$work/findings/" -max_total_time="$seconds" -max_len=256 \
  -rss_limit_mb=2048 -print_final_stats=1
