#!/usr/bin/env bash
# Makes a long fax document as fax software writes it: Group 4, 204 x 196 dpi A4-wide pages, one
# strip per page. Distinct text and table pages are drawn with GraphicsMagick and joined with
# tiffcp into PAGES pages (the distinct pages repeat in turn).
#   bench/open/make_fax_document.sh OUT.tif [PAGES] [DISTINCT]
set -euo pipefail
out="$1"
pages="${2:-500}"
distinct="${3:-24}"
font="$(fc-match -f '%{file}' monospace 2>/dev/null || true)"
[ -f "$font" ] || { echo "no font found for GraphicsMagick" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

words=(invoice account amount balance due payment reference order delivery total net tax
       customer supplier quantity price item date number remittance statement credit debit)
make_page() {
  local k="$1" draw=() y line w
  draw+=(-pointsize 40 -draw "text 120,180 'STATEMENT $k / $((k * 37 % 1000))'")
  draw+=(-pointsize 20)
  y=260
  # A block of running text.
  for line in $(seq 1 22); do
    local text=""
    for w in $(seq 1 9); do text+="${words[$(( (k * 31 + line * 7 + w * 13) % ${#words[@]} ))]} "; done
    draw+=(-draw "text 120,$y '$text'")
    y=$((y + 30))
  done
  # A table: ruled grid with figures.
  local top=$((y + 40)) rows=$((16 + k % 9)) r c
  for r in $(seq 0 "$rows"); do draw+=(-draw "rectangle 120,$((top + r * 44)) 1600,$((top + r * 44 + 2))"); done
  for c in 0 1 2 3 4; do draw+=(-draw "rectangle $((120 + c * 370)),$top $((122 + c * 370)),$((top + rows * 44 + 2))"); done
  for r in $(seq 0 $((rows - 1))); do
    for c in 0 1 2 3; do
      draw+=(-draw "text $((140 + c * 370)),$((top + r * 44 + 32)) '$(( (k * 977 + r * 131 + c * 71) % 100000 )).$(( (r + c) % 100 ))'")
    done
  done
  gm convert -size 1728x2292 xc:white -fill black -font "$font" "${draw[@]}" -monochrome \
    -compress Group4 -define tiff:rows-per-strip=2292 -density 204x196 "$work/d$k.tif"
}
export -f make_page 2>/dev/null || true
for k in $(seq 1 "$distinct"); do
  make_page "$k" &
  if (( k % 4 == 0 )); then wait; fi
done
wait
list=()
for i in $(seq 0 $((pages - 1))); do list+=("$work/d$(( i % distinct + 1 )).tif"); done
tiffcp -c g4 -r 2292 "${list[@]}" "$out"
