#!/usr/bin/env bash
# Times the image tools' operations on a 24-megapixel photograph-like picture (made by the
# benchmark: textures of several scales, grain and sharp edges) next to GraphicsMagick's nearest
# operation on the same picture, at one thread and at all cores, and the effect dialog's preview
# as the user waits for it, and the waits of the main window around the same picture (opening it as
# JPEG, PNG and LZW TIFF next to one-core reference decoders, a zoom step, Apply):
#   bench/imagetools/run.sh [BUILD_DIR] [ops|preview|waits|all]
# GraphicsMagick reads the picture from its own MIFF; its time to read it (convert to null:) is
# subtracted, so both columns time the operation on a picture held in memory (a fast operation is
# repeated ten times in the run to be measurable). Where vips has the
# operation it runs too, on its own mapped format in shared memory at the same thread count, less
# its time to copy the picture through unchanged.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build-bench}"
what="${2:-all}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMIVEX_BENCH=ON -DLUMIVEX_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target bench_imagetools -j"$(nproc)" >/dev/null
export QT_QPA_PLATFORM=offscreen
bin="$build/bin/bench_imagetools"
work="${TMPDIR:-/tmp}/lumivex-bench-tools"
mkdir -p "$work"
[ "$what" = preview ] || [ "$what" = waits ] || [ -f "$work/photo.miff" ] || { "$bin" --write-ppm "$work/photo.ppm" && gm convert "$work/photo.ppm" "$work/photo.miff"; }
vwork=$( [ -d /dev/shm ] && echo /dev/shm/lumivex-bench-vips || echo "$work/vips" )
mkdir -p "$vwork"
trap 'rm -rf "$vwork"' EXIT
have_vips=0
if [ "$what" != preview ] && [ "$what" != waits ] && command -v vips >/dev/null; then
  have_vips=1
  [ -f "$work/photo.ppm" ] || "$bin" --write-ppm "$work/photo.ppm"
  vips copy "$work/photo.ppm" "$vwork/picture.v"
  # The emboss kernel of our effect, in vips' matrix format (width height scale offset).
  printf '3 3 1 128\n-1 -1 0\n-1 0 1\n0 1 1\n' > "$vwork/emboss.mat"
fi

# Our operation name, then the vips operation and its arguments after the two image names.
declare -A vipsop=(
  [BLUR]="gaussblur 0.8" [SOFTEN]="gaussblur 2" [SHARPEN]="sharpen" [MEDIAN]="rank 3 3 4"
  [EMBOSS]="conv $vwork/emboss.mat --precision integer" [EQUALIZE]="hist_equal" [NEGATE]="invert"
  [GAMMA]="gamma --exponent 2" ["RESIZE 50%"]="resize 0.5" ["RESIZE 150%"]="resize 1.5" ["ROTATE 90"]="rot d90"
  ["ROTATE 7"]="rotate 7"
)

# Our operation name, then GraphicsMagick's nearest arguments.
ops=(
  "BLUR|-blur 0x1" "SOFTEN|-blur 0x2" "SHARPEN|-sharpen 0x1" "MEDIAN|-median 1" "EMBOSS|-emboss 1"
  "OUTLINE|-edge 1" "EQUALIZE|-equalize" "NEGATE|-negate" "GAMMA|-gamma 2" "SOLARIZE|-solarize 50%"
  "NOISE|+noise Uniform" "DIFFUSE|-spread 2" "SWIRL|-swirl 90" "PINCH|-implode 0.5" "RIPPLE|-wave 10x600"
  "ADJHSL|-modulate 105,120,110" "BRIGHTNESS & CONTRAST|-contrast" "GRAYSCALE|-colorspace GRAY"
  "RESIZE 50%|-resize 50%" "RESIZE 150%|-resize 150%" "ROTATE 90|-rotate 90" "ROTATE 7|-rotate 7"
  "DEPTH 8 optimized|+dither -colors 256" "DEPTH 8 optimized FS|-dither -colors 256"
)

# A reference tool's run is timed as a whole process, so its start-up and reading vary from run to
# run by more than a fast operation takes: runs under three seconds are taken three times and the
# best counts, for the bare read as for each operation.
best_of() {  # command...
  local s e t best=-1 n
  for n in 1 2 3; do
    s=$(date +%s%N)
    "$@"
    e=$(date +%s%N)
    t=$(( (e - s) / 1000000 ))
    if [ "$best" -lt 0 ] || [ "$t" -lt "$best" ]; then best=$t; fi
    [ "$t" -ge 3000 ] && break
  done
  echo "$best"
}

gm_ms() {  # threads, arguments...
  local t=$1; shift
  best_of gm convert -limit threads "$t" "$work/photo.miff" "$@" null:
}

# GraphicsMagick's time for one operation on the picture in memory. An operation that keeps the
# picture's size and takes less than the scatter of whole runs is applied ten times in one run and
# its time divided by ten; otherwise a few milliseconds of scatter decide the ratio. Not grey
# scale: on a picture already grey it does next to nothing.
gm_op_ms() {  # name, threads, arguments...
  local name=$1 t=$2; shift 2
  local bare once
  bare=$(gm_ms "$t")
  once=$(( $(gm_ms "$t" "$@") - bare ))
  case "$name" in RESIZE*|ROTATE*|DEPTH*|GRAYSCALE) echo "$once"; return ;; esac
  if [ "$once" -lt 200 ]; then
    local many=() i
    for i in 1 2 3 4 5 6 7 8 9 10; do many+=("$@"); done
    echo $(( ($(gm_ms "$t" "${many[@]}") - bare) / 10 ))
  else
    echo "$once"
  fi
}

vips_run() {  # threads, operation, arguments...
  local t=$1 op=$2; shift 2
  VIPS_CONCURRENCY=$t vips "$op" "$vwork/picture.v" "$vwork/out.v" "$@"
  rm -f "$vwork/out.v"
}

vips_ms() {  # threads, operation, arguments...
  best_of vips_run "$@"
}

for threads in 1 "$(nproc)"; do
  [ "$what" = preview ] || [ "$what" = waits ] && break
  "$bin" --ops "$threads" > "$work/ours-$threads.tsv"
  printf '\n%s thread(s): milliseconds on 6000 x 4000 (GraphicsMagick less its bare read, vips less its bare copy,\n' "$threads"
  printf 'each timed again next to the operation, since the load of the machine drifts)\n'
  printf '%-24s %10s %14s %8s %8s %8s\n' operation ours GraphicsMagick ratio vips ratio
  for entry in "${ops[@]}"; do
    name=${entry%%|*}
    args=${entry#*|}
    ours=$(awk -F'\t' -v n="$name" '$1 == n { print $2 }' "$work/ours-$threads.tsv")
    # shellcheck disable=SC2086
    theirs=$(gm_op_ms "$name" "$threads" $args)
    v=none
    if [ "$have_vips" = 1 ] && [ -n "${vipsop[$name]:-}" ]; then
      # shellcheck disable=SC2086
      v=$(( $(vips_ms "$threads" ${vipsop[$name]}) - $(vips_ms "$threads" copy) ))
    fi
    awk -v n="$name" -v o="$ours" -v g="$theirs" -v v="$v" 'BEGIN {
      printf "%-24s %10.0f %14d %7.1fx", n, o, g, (o > 0 ? g / o : 0)
      if (v != "none") printf " %8d %7.1fx", v, (o > 0 ? v / o : 0)
      printf "\n" }'
  done
done

# The waits of the main window on the picture written as photo.jpg (quality 90), photo.png and an
# LZW photo.tif: opening each (from the call to the page view painted; the decode alone beside it)
# next to vips and GraphicsMagick reading the same file at one thread as whole processes (best of
# three, start-up included), zoom steps from 100 % and Apply of Negate and Median from the effect
# dialog (from the key on Apply to the page view painted) next to the operation alone.
if [ "$what" = waits ] || [ "$what" = all ]; then
  [ -f "$work/photo.tif" ] || "$bin" --write-files "$work"
  vips_avg() { VIPS_CONCURRENCY=1 vips avg "$1" >/dev/null; }
  ref() {  # file -> "vips gm" milliseconds, or "none"
    local v=none g=none
    command -v vips >/dev/null && v=$(best_of vips_avg "$1")
    command -v gm >/dev/null && g=$(best_of gm convert -limit threads 1 "$1" null:)
    echo "$v $g"
  }
  declare -A refs
  for f in photo.jpg photo.png photo.tif; do refs[$f]=$(ref "$work/$f"); done
  printf '\nWaits of the main window, 6000 x 4000 photograph-like page, ms (load %s):\n' "$(cut -d' ' -f1 /proc/loadavg)"
  "$bin" --waits "$(nproc)" "$work/photo.jpg" "$work/photo.png" "$work/photo.tif" 2>/dev/null | awk -F'\t' \
    -v rj="${refs[photo.jpg]}" -v rp="${refs[photo.png]}" -v rt="${refs[photo.tif]}" '
    BEGIN { split(rj, a, " "); v["jpg"] = a[1]; g["jpg"] = a[2]; split(rp, a, " "); v["png"] = a[1]; g["png"] = a[2]
            split(rt, a, " "); v["tif"] = a[1]; g["tif"] = a[2] }
    $1 == "OPEN" { goal = (v[$2] == "none") ? 0 : 1.2 * v[$2]
      printf "open %-4s first %5d  best %5d  (decode %4d)   vips avg %5s  gm %5s   goal %5.0f %s\n", $2, $3, $4, $5, v[$2], g[$2], goal,
             (goal == 0 ? "" : ($4 <= goal ? "within" : "OVER")) }
    $1 == "ZOOM" { printf "zoom step %-4s first %5d  median %4d  slowest %4d   goal 50 %s\n", $2, $3, $4, $5, ($5 < 50 ? "within" : "OVER") }
    $1 == "APPLY" { goal = $6 + 50
      printf "apply %-7s at %4s  first %5d  best %5d   operation %4d   goal %4d %s\n", $2, $3, $4, $5, $6, goal, ($5 <= goal ? "within" : "OVER") }'
fi

# The preview: from a key posted to the shown effect dialog (or a press of its Preview button)
# until the after viewer has painted the new pixels in view, through the dialog's own event loop,
# each slider moved over its range; the first move after the dialog was shown and the slowest
# against the goal (100 ms for a colour mapping, 300 ms for a neighbourhood or a distortion).
point="ADJHSL|ADJRGB|BRIGHTNESS & CONTRAST|GAMMA|NEGATE|SOLARIZE|POSTERIZE|GRAYSCALE|EQUALIZE"
for threads in 1 "$(nproc)"; do
  [ "$what" = ops ] || [ "$what" = waits ] && break
  printf '\nPreview from key to painted view, 24-megapixel photograph-like page, %s thread(s), ms (load %s):\n' "$threads" "$(cut -d' ' -f1 /proc/loadavg)"
  printf '%-24s %6s %6s %8s %8s %6s\n' effect zoom moves first slowest goal
  "$bin" --preview "$threads" | awk -F'\t' -v point="$point" '
    BEGIN { n = split(point, p, "|"); for (i = 1; i <= n; ++i) isPoint[p[i]] = 1 }
    { goal = ($1 in isPoint) ? 100 : 300
      printf "%-24s %6s %6d %8.0f %8.0f %6d %s%s\n", $1, $2, $3, $4, $5, goal, ($4 < goal && $5 < goal ? "within" : "OVER"), ($6 == "ok" ? "" : "  " $6) }'
done
