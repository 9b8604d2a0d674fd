#!/usr/bin/env bash
# Draws the program's icon (q7310.png, 64 x 64) with ImageMagick: a blue tile with a white
# amplifier symbol and a green upward arrow for "upgrade". Run it again after changing the drawing;
# the PNG is committed so that the build does not need ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"
convert -size 64x64 xc:none \
  -fill '#1c3d6e' -draw 'roundrectangle 2,2 61,61 10,10' \
  -stroke white -strokewidth 3 -draw 'line 6,32 13,32' -draw 'line 40,32 44,32' \
  -stroke none -fill white -draw 'polygon 13,14 13,50 41,32' \
  -fill '#1c3d6e' -draw 'polygon 18,24 18,40 30,32' \
  -fill '#3fd16b' -draw 'polygon 52,10 61,23 55,23 55,52 49,52 49,23 43,23' \
  PNG32:q7310.png
