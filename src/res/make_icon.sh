#!/usr/bin/env bash
# Draws the program's icon with ImageMagick: a blue tile with a white amplifier symbol and a green
# upward arrow for "upgrade", the same drawing as data/icons/q7310.svg (64 x 64 units). Writes
# q7310.png (64 x 64, built into the desktop program), the installed theme sizes
# data/icons/hicolor/<N>x<N>/apps/q7310.png and q7310.ico (16, 32, 48 and 256 pixels: the icon
# resource of the Windows desktop program). Run it again after changing the drawing; the PNGs and
# the icon are committed so that the build does not need ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"
readonly master_size=256 scale=4
icons=../../data/icons/hicolor
master=$(mktemp --suffix=.png)
trap 'rm -f "$master"' EXIT
convert -size ${master_size}x${master_size} xc:none \
  -fill '#1c3d6e' -draw "scale $scale,$scale roundrectangle 2,2 61,61 10,10" \
  -stroke white -strokewidth 3 \
  -draw "scale $scale,$scale line 6,32 13,32" -draw "scale $scale,$scale line 40,32 44,32" \
  -stroke none -fill white -draw "scale $scale,$scale polygon 13,14 13,50 41,32" \
  -fill '#1c3d6e' -draw "scale $scale,$scale polygon 18,24 18,40 30,32" \
  -fill '#3fd16b' -draw "scale $scale,$scale polygon 52,10 61,23 55,23 55,52 49,52 49,23 43,23" \
  PNG32:"$master"
for size in 16 32 48 64 128 256; do
  mkdir -p "$icons/${size}x${size}/apps"
  convert "$master" -filter Lanczos -resize ${size}x${size} -strip PNG32:"$icons/${size}x${size}/apps/q7310.png"
done
cp "$icons/64x64/apps/q7310.png" q7310.png
convert "$icons/16x16/apps/q7310.png" "$icons/32x32/apps/q7310.png" "$icons/48x48/apps/q7310.png" \
  "$icons/256x256/apps/q7310.png" q7310.ico
