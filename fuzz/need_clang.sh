#!/usr/bin/env bash
# Installs clang and its libFuzzer runtime when they are missing: only the fuzz targets need them.
set -euo pipefail
if ! echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
    clang++ -x c++ -fsanitize=fuzzer - -o /dev/null 2>/dev/null; then
  sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends clang libclang-rt-14-dev
fi
