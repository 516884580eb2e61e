#!/usr/bin/env bash
# Time from starting the program to its main window shown on screen, with the scanner library's
# full default configuration (every backend of /etc/sane.d) and with no backend at all; the two
# should differ by well under 0.1 s since the scanner check no longer holds the window up.
#   bench/workspace/startup.sh [BUILD_DIR] [RUNS]
# Runs itself under a virtual X server; needs xvfb-run and xwininfo.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build}"
runs="${2:-5}"
program="$build/bin/kvtLumivex"
[ -x "$program" ] || { echo "no $program: build the program first" >&2; exit 1; }

if [ -z "${LUMIVEX_STARTUP_INNER:-}" ]; then
  export LUMIVEX_STARTUP_INNER=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" "$runs"
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/no-sane"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" LUMIVEX_REGISTRY="$work/registry"

# Milliseconds until the main window is viewable; the program is ended afterwards.
time_to_window() {
  local start end pid
  start=$(date +%s%N)
  "$program" >/dev/null 2>&1 &
  pid=$!
  until xwininfo -name "   Image Lumivex" 2>/dev/null | grep -q "IsViewable"; do
    sleep 0.005
    if (($(date +%s%N) - start > 30000000000)); then echo "timeout"; kill "$pid"; return; fi
  done
  end=$(date +%s%N)
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  echo $(((end - start) / 1000000))
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

for config in /etc/sane.d "$work/no-sane"; do
  export SANE_CONFIG_DIR="$config"
  time_to_window >/dev/null  # warm the caches
  times=()
  for ((i = 0; i < runs; i++)); do times+=("$(time_to_window)"); done
  label="default SANE configuration"
  [ "$config" = /etc/sane.d ] || label="no SANE backend"
  printf '%-28s median %5s ms  (runs: %s)\n' "$label" "$(printf '%s\n' "${times[@]}" | median)" "${times[*]}"
done
