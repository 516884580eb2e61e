#!/usr/bin/env bash
# Runs every fuzz target for the given number of seconds: the imaging decoders side by side, then
# the engine's readers one after the other (layer stream, saved annotations, compound files).
#   fuzz/run_all.sh SECONDS
# Each family builds in its own folder (build-fuzz-imaging, build-fuzz-annotation); the exit status
# is non-zero when any target left a finding in this run (findings of earlier runs stay where they
# are, but no longer count).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$here/.."
secs="${1:?seconds}"
started="$(mktemp)"
trap 'rm -f "$started"' EXIT
"$here/imaging/run.sh" "$secs"
build="$root/build-fuzz-annotation"
mkdir -p "$build"
status=0
for target in layer_stream engine_block compound_file; do
  log="$build/run-$target.log"
  target_status=0
  "$here/annotation/run_fuzz.sh" "$target" "$secs" >"$log" 2>&1 || target_status=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  echo "$target: ${secs}s, $runs runs, exit status $target_status (log: $log)"
  [ "$target_status" -eq 0 ] || status=1
done
imaging_findings=$(find "${BUILD_DIR:-$root/build-fuzz-imaging}/artifacts" -type f -newer "$started" 2>/dev/null | wc -l)
engine_findings=$(find "$build"/findings* -type f -newer "$started" 2>/dev/null | wc -l)
echo "findings: imaging $imaging_findings, annotation engine $engine_findings"
[ "$imaging_findings" -eq 0 ] && [ "$engine_findings" -eq 0 ] && [ "$status" -eq 0 ]
