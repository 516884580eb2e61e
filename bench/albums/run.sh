#!/usr/bin/env bash
# Thumbnails of one browser page (40 files) made by the grid, by vipsthumbnail and by GraphicsMagick
# on the same files, for 12-megapixel JPEG photographs and for 300 dpi group 4 TIFF pages; "Display
# All" on 2,000 files (time and peak memory) next to vipsthumbnail on the same files; a keyword
# search over 1,000 albums of 100 rows next to grep -ri. Every file is made by the benchmark and
# no two are alike. Each side runs at one thread and at every core, bound to the same processors
# (taskset), each reference tool as one process over all the files:
#   vipsthumbnail -s 97x122 FILES...           with --vips-concurrency set to the thread count
#   gm mogrify -size 194x244 -thumbnail 97x122 FILES...   with -limit threads set to it
# Every figure is the median of three runs (five for the search; one for Display All and for a
# run over ten seconds), as other work on the machine scatters single runs.
#   bench/albums/run.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build-bench}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMIVEX_BENCH=ON -DLUMIVEX_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target bench_albums -j"$(nproc)" >/dev/null
export QT_QPA_PLATFORM=offscreen
bin="$build/bin/bench_albums"
data="${TMPDIR:-/tmp}/lumivex-bench-albums-v2"
out="$data/out"
mkdir -p "$out"
[ -f "$data/photos/f0039.jpg" ] || "$bin" --make-files "$data/photos" 40 photos
[ -f "$data/pages/f0039.tif" ] || "$bin" --make-files "$data/pages" 40 pages
[ -f "$data/all/f1999.tif" ] || "$bin" --make-files "$data/all" 2000
[ -d "$data/albums" ] || "$bin" --make-albums "$data/albums" 1000 100

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
now() { date +%s%N; }
# Milliseconds of one run of a command, its output dropped.
ms_of() {
  local s e
  s=$(now)
  "$@" >/dev/null 2>&1 || echo "failed: $*" >&2
  e=$(now)
  echo $(((e - s) / 1000000))
}
# Median milliseconds of n runs; a run over ten seconds is not repeated (its scatter is small
# beside it, and the whole benchmark would take long).
median_ms() {  # n, command...
  local n=$1 i t
  shift
  for i in $(seq "$n"); do
    rm -rf "${out:?}"/*
    t=$(ms_of "$@")
    echo "$t"
    if [ "$t" -gt 10000 ]; then break; fi
  done | median
}

for threads in 1 "$(nproc)"; do
  cpus="0-$((threads - 1))"
  bind=(taskset -c "$cpus")
  printf '\n%s thread(s) (processors %s, load %s)\n' "$threads" "$cpus" "$(cut -d' ' -f1 /proc/loadavg)"
  for set in photos pages all; do
    files=("$data/$set"/*)
    if [ "$set" = all ]; then
      label="Display All, ${#files[@]} files"
      mode=--display-all
    else
      label="browser page, ${#files[@]} $set"
      mode=--thumbs
    fi
    # Ours: the grid's own clock from showing the items to the first cell and to the last.
    # Display All is run once on each side (minutes at one thread); the pages three times.
    runs=3
    [ "$set" = all ] && runs=1
    firsts=() alls=() mem=0
    for i in $(seq "$runs"); do
      line=$("${bind[@]}" "$bin" "$mode" "$data/$set")
      firsts+=("$(sed -E 's/.*first visible after ([0-9]+) ms.*/\1/' <<<"$line")")
      alls+=("$(sed -E 's/.*all after ([0-9]+) ms.*/\1/' <<<"$line")")
      mem=$(sed -E 's/.*peak memory ([0-9]+) MB.*/\1/' <<<"$line")
    done
    first=$(printf '%s\n' "${firsts[@]}" | median)
    all=$(printf '%s\n' "${alls[@]}" | median)
    vips=$(median_ms "$runs" "${bind[@]}" vipsthumbnail --vips-concurrency="$threads" -s 97x122 -o "$out/%s.jpg" "${files[@]}")
    if [ "$set" = all ]; then
      gm=-
    else
      # Run in the files' folder: mogrify puts each name as given below the output folder.
      gm=$(median_ms 3 env -C "$data/$set" "${bind[@]}" gm mogrify -limit threads "$threads" -output-directory "$out" -format jpg \
        -size 194x244 -thumbnail 97x122 "${files[@]##*/}")
    fi
    printf '%-34s ours: first %5d ms, all %6d ms (peak %4d MB)   vipsthumbnail %6d ms   GraphicsMagick %6s ms   ours/vips %.2f\n' \
      "$label" "$first" "$all" "$mem" "$vips" "$gm" "$(awk -v a="$all" -v b="$vips" 'BEGIN { print (b > 0 ? a / b : 0) }')"
  done
  # The search reads every album; grep -ri reads the same files, case-insensitive as ours is.
  search=()
  for i in 1 2 3 4 5; do
    search+=("$("${bind[@]}" "$bin" --keyword "$data/albums" HARBOUR | sed -E 's/.* in ([0-9]+) ms.*/\1/')")
  done
  ours=$(printf '%s\n' "${search[@]}" | median)
  hits=$("${bind[@]}" "$bin" --keyword "$data/albums" HARBOUR | sed -E 's/.*albums, ([0-9]+) hits.*/\1/')
  grep_ms=$(median_ms 5 "${bind[@]}" grep -ri HARBOUR "$data/albums")
  greps=$(grep -ri HARBOUR "$data/albums" | wc -l)
  printf '%-34s ours: %5d ms (%s hits)   grep -ri %5d ms (%s lines)   ours/grep %.2f\n' "keyword search, 1000 albums" "$ours" "$hits" \
    "$grep_ms" "$greps" "$(awk -v a="$ours" -v b="$grep_ms" 'BEGIN { print (b > 0 ? a / b : 0) }')"
done
