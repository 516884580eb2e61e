#!/usr/bin/env bash
# Builds the archive reply fuzz target with clang (libFuzzer + AddressSanitizer + UBSan) and runs it:
# fuzz/archive/run.sh [SECONDS] [WORK_DIR]. The corpus grows in WORK_DIR/corpus; findings land in
# WORK_DIR/findings.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
seconds="${1:-600}"
work="${2:-$root/build-fuzz-archive}"
flags="-fsanitize=address,undefined,fuzzer -fno-omit-frame-pointer -g -O1"
if ! echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
    clang++ -x c++ -fsanitize=fuzzer - -o /dev/null 2>/dev/null; then
  sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get install -y --no-install-recommends clang libclang-rt-14-dev
fi
mkdir -p "$work/corpus" "$work/findings"
qt="$(pkg-config --cflags --libs Qt6Core)"
# shellcheck disable=SC2086
clang++ -std=c++20 -fPIC $flags -DQT_NO_KEYWORDS -I"$root" "$root/fuzz/archive/reply_fuzz.cpp" \
  "$root/archive/archive_protocol.cpp" "$root/archive/reply_assembler.cpp" "$root/archive/mod_encryption.cpp" \
  $qt -o "$work/reply_fuzz"
# Seeds: one of each reply, and two back to back.
if [ -z "$(ls -A "$work/corpus")" ]; then
  i=0
  for r in "LOGIN OK - ACHVIEW,ACHUPD" "INDEX DETAILS - Name,20,Date,10" "LOGIN INVALID" "ACK: FILE LOCKED - MARY" \
      "ACK: NUM PATHS - 2:A1,P1,Q1,A2,P2,Q2" "ACK: INDICES, BYTES - A,P,Q,42" "LOGOUT COMPLETEDUNLOCK COMPLETED" \
      "ARCH: PLEASE CONFIRM - A,B,C" "ARCH: PLEASE PROCEEDARCH: TRANSFER COMPLETED" "ACK: PATH NOT FOUND "; do
    printf '\003%s' "$r" > "$work/corpus/seed$i"; i=$((i + 1))
  done
fi
"$work/reply_fuzz" "$work/corpus" -artifact_prefix="$work/findings/" -max_total_time="$seconds" -max_len=512 \
  -rss_limit_mb=2048 -print_final_stats=1
