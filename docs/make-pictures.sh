#!/usr/bin/env bash
# Renders every picture of docs/authoring.md from the example demos in
# docs/examples, so the pictures always show what the program really draws.
#   docs/make-pictures.sh BUILD_DIR     (BUILD_DIR holds solvane-render)
# Needs ImageMagick's convert to scale the renders down. The output replaces
# docs/pictures/*.png; commit them with the examples they come from.
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
render="$1/solvane-render"
if [ ! -x "$render" ]; then
  echo "$0: no solvane-render in $1 (cmake --build $1 --target solvane-render)" >&2
  exit 1
fi
command -v convert > /dev/null || { echo "$0: needs ImageMagick's convert" >&2; exit 1; }

docs="$(cd "$(dirname "$0")" && pwd)"
examples="$docs/examples"
out="$docs/pictures"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# Small, sharp and the same bytes on every run: nearest-pixel scaling, no
# dates or other metadata, the best PNG compression.
shrink() {  # SOURCE.png GEOMETRY TARGET.png
  convert "$1" -sample "$2" -strip -define png:exclude-chunks=date,time \
    -define png:compression-level=9 "$3"
}

# A strip: one row per frame from FROM to TO (time running down), half width.
strip() {  # EXAMPLE PICTURE FROM TO FPS
  "$render" --data "$examples/$1" --from "$3" --to "$4" --fps "$5" --strip "$work/strip.png" \
    > "$work/log.txt" 2>&1 || { cat "$work/log.txt" >&2; exit 1; }
  shrink "$work/strip.png" 50%x100% "$out/$2.png"
}

# One whole frame at time T, at a quarter of its size.
frame() {  # EXAMPLE PICTURE T
  "$render" --data "$examples/$1" --frame "$3" "$work/frame.png" \
    > "$work/log.txt" 2>&1 || { cat "$work/log.txt" >&2; exit 1; }
  shrink "$work/frame.png" 160x120 "$out/$2.png"
}

frame first first-frame 4
strip first first-strip 0 8 12

strip waves wave-large 0 6.4 15
strip waves wave-flash 7 10 30

strip end-effect end-size 0 4 25
strip end-effect end-fade 4 8 25

strip tracks track-curve 0 10 10

strip scroller scroller-delta 0 4 25
strip scroller scroller-speed 4 8 25
strip scroller scroller-ydelta 8 12 25
strip scroller scroller-yspeed 12 16 25

strip textures texture-colormap 0 3 25
strip textures texture-alphamap 3 6 25
strip textures texture-alpha 6 9 25
strip textures texture-color 9 12 25
strip textures texture-color-alphamap 12 15 25
strip textures texture-jpeg 15 18 25

strip particles particle-centre 0 6 16
strip particles particle-left 6 12 16
strip particles particle-right 12 18 16

strip blending blend-alpha 0 4 25
strip blending blend-add 4 8 25

echo "pictures in $out: $(ls "$out" | wc -l) files, $(du -sk "$out" | cut -f1) KB"
