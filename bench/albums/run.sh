#!/usr/bin/env bash
# Thumbnails of one browser page (40 files) made by the grid, by GraphicsMagick and by libvips'
# vipsthumbnail on the same files in the same run and with the same number of threads, for
# 12-megapixel JPEG photos and for 300 dpi group 4 TIFF pages; "Display All" on 2,000 such files
# with its peak memory; a keyword search over 1,000 albums of 100 rows against grep -r.
#   bench/albums/run.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build-bench}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMIVEX_BENCH=ON -DLUMIVEX_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target bench_albums -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
data="${TMPDIR:-/tmp}/lumivex-bench-albums"
threads="$(nproc)"
mkdir -p "$data/jpeg" "$data/g4" "$data/all" "$data/out"
# 40 photos of 4000 x 3000 and 40 letter pages at 300 dpi in group 4 (copies of one of each).
if [ ! -f "$data/jpeg/p39.jpg" ]; then
  gm convert -size 4000x3000 plasma:fractal -quality 90 "$data/photo.jpg"
  for i in $(seq 0 80); do
    printf 'text 150,%d "Line %d of a scanned business letter, with numbers 0123456789 and text"\n' $((150 + i * 38)) "$i"
  done >"$data/letter.draw"
  gm convert -size 2550x3300 xc:white -fill black -font /usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf -pointsize 28 -draw "@$data/letter.draw" \
    -monochrome -compress Group4 -density 300x300 "$data/page.tif"
  for i in $(seq 0 39); do cp "$data/photo.jpg" "$data/jpeg/p$i.jpg"; cp "$data/page.tif" "$data/g4/p$i.tif"; done
fi
thumb() { "$build/bin/bench_albums" --thumbs "$1"; }
gmthumbs() {
  local start end
  start=$(date +%s%N)
  # -size lets GraphicsMagick decode a JPEG reduced, as the grid does.
  find "$1" -type f | xargs -P "$threads" -I{} sh -c 'gm convert -size 194x244 "$1" -thumbnail 97x122 "$2/gm-$(basename "$1").jpg"' _ {} "$data/out"
  end=$(date +%s%N)
  echo "GraphicsMagick ($threads processes): $(((end - start) / 1000000)) ms"
}
vipsthumbs() {
  local start end
  start=$(date +%s%N)
  find "$1" -type f | xargs -P "$threads" -n 5 vipsthumbnail -s 97x122 -o "$data/out/vips-%s.jpg"
  end=$(date +%s%N)
  echo "vipsthumbnail ($threads processes): $(((end - start) / 1000000)) ms"
}
for kind in jpeg g4; do
  echo "== 40 thumbnails, $kind"
  thumb "$data/$kind"
  gmthumbs "$data/$kind"
  vipsthumbs "$data/$kind"
done
echo "== Display All, 2000 files (1000 photos, 1000 pages)"
if [ ! -e "$data/all/a1999.tif" ]; then
  for i in $(seq 0 999); do ln -f "$data/photo.jpg" "$data/all/a$i.jpg"; ln -f "$data/page.tif" "$data/all/a$((i + 1000)).tif"; done
fi
"$build/bin/bench_albums" --display-all "$data/all"
echo "== keyword search, 1000 albums of 100 rows"
[ -d "$data/albums" ] || "$build/bin/bench_albums" --make-albums "$data/albums" 1000 100
"$build/bin/bench_albums" --keyword "$data/albums" HARBOUR
start=$(date +%s%N)
hits=$(grep -r HARBOUR "$data/albums" | wc -l)
end=$(date +%s%N)
echo "grep -r: $hits lines in $(((end - start) / 1000000)) ms"
