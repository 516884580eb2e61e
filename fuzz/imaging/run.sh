#!/usr/bin/env bash
# Runs each imaging fuzz target for the given number of seconds, side by side:
#   fuzz/imaging/run.sh SECONDS [TARGET...]     (targets: bmp dib pcx dcx tga pnm ico cals eps pdf tiff)
# Corpora and crash files stay in build-fuzz-imaging/corpus and build-fuzz-imaging/artifacts; a
# summary line per target gives runs, coverage and crashes. BUILD_DIR in the environment moves the
# build folder.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${BUILD_DIR:-$here/../../build-fuzz-imaging}"
# shellcheck source=../sanitizer_options.sh
. "$here/../sanitizer_options.sh"
secs="${1:?seconds}"
shift
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(bmp dib pcx dcx tga pnm ico cals eps pdf tiff)
"$here/build.sh" "$build"
"$build/make_seeds" "$build/seeds"
mkdir -p "$build/artifacts" "$build/logs"
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t"
  ( "$build/fuzz_$t" "$build/corpus/$t" "$build/seeds/$t" -max_total_time="$secs" -rss_limit_mb=2048 \
      -artifact_prefix="$build/artifacts/$t-" -print_final_stats=1 >"$build/logs/$t.log" 2>&1 || true ) &
done
wait
for t in "${targets[@]}"; do
  log="$build/logs/$t.log"
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || echo "?")
  crashes=$(ls "$build/artifacts" 2>/dev/null | grep -c -E "^$t-(crash|leak|oom|timeout)-" || true)
  slow=$(grep -o 'slowest_unit_time_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  echo "$t: ${secs}s, $runs runs, coverage $cov, crashes/leaks/ooms/timeouts $crashes, slowest unit ${slow}s"
done
