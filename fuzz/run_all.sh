#!/usr/bin/env bash
# Runs every fuzz target for the given number of seconds: the imaging decoders side by side, then
# one after the other the engine's readers (layer stream, saved annotations, compound files), the
# album reader and the archive client's reply and batch index readers.
#   fuzz/run_all.sh SECONDS
# Each family builds in its own folder (build-fuzz-imaging, build-fuzz-annotation, build-fuzz-albums,
# build-fuzz-archive, build-fuzz-index-file); the exit status
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
# Each target: its name, then the command that builds and runs it.
targets=(
  "layer_stream|$here/annotation/run_fuzz.sh layer_stream $secs"
  "engine_block|$here/annotation/run_fuzz.sh engine_block $secs"
  "compound_file|$here/annotation/run_fuzz.sh compound_file $secs"
  "album_reader|$here/albums/run.sh $secs"
  "archive_reply|$here/archive/run.sh reply $secs"
  "archive_index_file|$here/archive/run.sh index_file $secs"
)
for entry in "${targets[@]}"; do
  target="${entry%%|*}"
  log="$build/run-$target.log"
  target_status=0
  # shellcheck disable=SC2086
  ${entry#*|} >"$log" 2>&1 || target_status=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  echo "$target: ${secs}s, $runs runs, exit status $target_status (log: $log)"
  [ "$target_status" -eq 0 ] || status=1
done
imaging_findings=$(find "${BUILD_DIR:-$root/build-fuzz-imaging}/artifacts" -type f -newer "$started" 2>/dev/null | wc -l)
other_findings=$(find "$build"/findings* "$root"/build-fuzz-albums/findings "$root"/build-fuzz-archive/findings \
  "$root"/build-fuzz-index-file/findings -type f -newer "$started" 2>/dev/null | wc -l)
echo "findings: imaging $imaging_findings, engine, albums and archive $other_findings"
[ "$imaging_findings" -eq 0 ] && [ "$other_findings" -eq 0 ] && [ "$status" -eq 0 ]
