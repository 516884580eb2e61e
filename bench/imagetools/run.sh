#!/usr/bin/env bash
# Times the image tools' operations on a 24-megapixel colour picture next to GraphicsMagick's
# nearest operation on the same picture, at one thread and at all cores, and the preview of a
# slider change in the effect dialog: bench/imagetools/run.sh [BUILD_DIR]
# GraphicsMagick reads the picture from its own MIFF; its time to read it (convert to null:) is
# subtracted, so both columns time the operation on a picture held in memory.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build-bench}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMIVEX_BENCH=ON -DLUMIVEX_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target bench_imagetools -j"$(nproc)" >/dev/null
export QT_QPA_PLATFORM=offscreen
bin="$build/bin/bench_imagetools"
work="${TMPDIR:-/tmp}/lumivex-bench-tools"
mkdir -p "$work"
[ -f "$work/picture.miff" ] || { "$bin" --write-ppm "$work/picture.ppm" && gm convert "$work/picture.ppm" "$work/picture.miff"; }

# Our operation name, then GraphicsMagick's nearest arguments.
ops=(
  "BLUR|-blur 0x1" "SOFTEN|-blur 0x2" "SHARPEN|-sharpen 0x1" "MEDIAN|-median 1" "EMBOSS|-emboss 1"
  "OUTLINE|-edge 1" "EQUALIZE|-equalize" "NEGATE|-negate" "GAMMA|-gamma 2" "SOLARIZE|-solarize 50%"
  "NOISE|+noise Uniform" "DIFFUSE|-spread 2" "SWIRL|-swirl 90" "PINCH|-implode 0.5" "RIPPLE|-wave 10x600"
  "ADJHSL|-modulate 105,120,110" "BRIGHTNESS & CONTRAST|-contrast" "GRAYSCALE|-colorspace GRAY"
  "RESIZE 50%|-resize 50%" "RESIZE 150%|-resize 150%" "ROTATE 90|-rotate 90" "ROTATE 7|-rotate 7"
  "DEPTH 8 optimized|+dither -colors 256" "DEPTH 8 optimized FS|-dither -colors 256"
)

gm_ms() {  # threads, arguments...
  local t=$1; shift
  local s e
  s=$(date +%s%N)
  gm convert -limit threads "$t" "$work/picture.miff" "$@" null:
  e=$(date +%s%N)
  echo $(( (e - s) / 1000000 ))
}

for threads in 1 "$(nproc)"; do
  "$bin" --ops "$threads" > "$work/ours-$threads.tsv"
  base=$(gm_ms "$threads")
  printf '\n%s thread(s): milliseconds on 6000 x 4000 (GraphicsMagick less its %s ms read)\n' "$threads" "$base"
  printf '%-24s %10s %14s %8s\n' operation ours GraphicsMagick ratio
  for entry in "${ops[@]}"; do
    name=${entry%%|*}
    args=${entry#*|}
    ours=$(awk -F'\t' -v n="$name" '$1 == n { print $2 }' "$work/ours-$threads.tsv")
    # shellcheck disable=SC2086
    theirs=$(( $(gm_ms "$threads" $args) - base ))
    awk -v n="$name" -v o="$ours" -v g="$theirs" 'BEGIN { printf "%-24s %10.0f %14d %7.1fx\n", n, o, g, (o > 0 ? g / o : 0) }'
  done
done

printf '\nPreview of a slider change to the repainted after viewer, 24-megapixel page (ms):\n'
"$bin" --preview "$(nproc)" | awk -F'\t' '{ printf "%-24s %8.0f\n", $1, $2 }'
