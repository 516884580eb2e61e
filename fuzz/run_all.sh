#!/usr/bin/env bash
# Runs every fuzz target for the given number of seconds: the imaging decoders side by side, then
# the layer stream reader. fuzz/run_all.sh SECONDS
# Each family builds in its own folder (build-fuzz-imaging, build-fuzz-annotation); the exit status
# is non-zero when any target left a finding.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$here/.."
secs="${1:?seconds}"
"$here/imaging/run.sh" "$secs"
log="$root/build-fuzz-annotation/run.log"
mkdir -p "$(dirname "$log")"
layer_status=0
"$here/annotation/run_layer_stream_fuzz.sh" "$secs" >"$log" 2>&1 || layer_status=$?
runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
echo "layer stream: ${secs}s, $runs runs, exit status $layer_status (log: $log)"
imaging_findings=$(find "$root/build-fuzz-imaging/artifacts" -type f 2>/dev/null | wc -l)
layer_findings=$(find "$root/build-fuzz-annotation/findings" -type f 2>/dev/null | wc -l)
echo "findings: imaging $imaging_findings, layer stream $layer_findings"
[ "$imaging_findings" -eq 0 ] && [ "$layer_findings" -eq 0 ] && [ "$layer_status" -eq 0 ]
