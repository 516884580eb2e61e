#!/usr/bin/env bash
# Builds one of the archive client's fuzz targets with clang (libFuzzer + AddressSanitizer + UBSan)
# and runs it:
#   fuzz/archive/run.sh reply|index_file [SECONDS] [WORK_DIR]
# reply: the reply assembler and the reply readers; index_file: the batch index file reader. The
# corpus grows in WORK_DIR/corpus; findings land in WORK_DIR/findings.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
target="${1:?reply or index_file}"
seconds="${2:-600}"
case "$target" in
  reply)
    work="${3:-$root/build-fuzz-archive}"
    sources=("$root/archive/reply_assembler.cpp")
    max_len=512 ;;
  index_file)
    work="${3:-$root/build-fuzz-index-file}"
    sources=("$root/archive/batch_folder.cpp" "$root/platform/text/ansi.cpp" "$root/platform/text/lines.cpp")
    max_len=256 ;;
  *) echo "unknown target: $target" >&2; exit 2 ;;
esac
sources+=("$root/archive/archive_protocol.cpp" "$root/archive/mod_encryption.cpp")
# Undefined behaviour is a finding like any other: it stops the run instead of being reported and
# passed over.
flags="-fsanitize=address,undefined,fuzzer -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g -O1"
"$root/fuzz/need_clang.sh"
# shellcheck source=../sanitizer_options.sh
. "$root/fuzz/sanitizer_options.sh"
mkdir -p "$work/corpus" "$work/findings"
qt="$(pkg-config --cflags --libs Qt6Core)"
# shellcheck disable=SC2086
clang++ -std=c++20 -fPIC $flags -DQT_NO_KEYWORDS -I"$root" "$root/fuzz/archive/${target}_fuzz.cpp" "${sources[@]}" \
  $qt -o "$work/${target}_fuzz"
if [ -z "$(ls -A "$work/corpus")" ]; then
  if [ "$target" = reply ]; then
    # One of each reply, and two back to back.
    i=0
    for r in "LOGIN OK - ACHVIEW,ACHUPD" "INDEX DETAILS - Name,20,Date,10" "LOGIN INVALID" "ACK: FILE LOCKED - MARY" \
        "ACK: NUM PATHS - 2:A1,P1,Q1,A2,P2,Q2" "ACK: INDICES, BYTES - A,P,Q,42" "LOGOUT COMPLETEDUNLOCK COMPLETED" \
        "ARCH: PLEASE CONFIRM - A,B,C" "ARCH: PLEASE PROCEEDARCH: TRANSFER COMPLETED" "ACK: PATH NOT FOUND "; do
      printf '\003%s' "$r" > "$work/corpus/seed$i"; i=$((i + 1))
    done
  else
    # A file as Save Batch writes it, one with LF lines, a short one and a long one.
    printf 'REINDEX\r\nINV7\r\nSMITH\r\n2026\r\n' > "$work/corpus/written"
    printf 'REINDEX\nA\n\n\n' > "$work/corpus/lf"
    printf 'REINDEX\r\nA' > "$work/corpus/short"
    printf 'REINDEX\r\nA\r\nB\r\nC\r\nD\r\nE\r\nF\r\n' > "$work/corpus/long"
  fi
fi
"$work/${target}_fuzz" "$work/corpus" -artifact_prefix="$work/findings/" -max_total_time="$seconds" \
  -max_len="$max_len" -rss_limit_mb=2048 -print_final_stats=1
