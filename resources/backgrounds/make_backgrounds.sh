#!/usr/bin/env bash
# Generates the pictures of the default Backgrounds folder (our own artwork)
# with ImageMagick. The results are kept in the repository, so that building
# needs no image tools; run this again after changing it.
set -euo pipefail
cd "$(dirname "$0")"
# 1024 x 768: a sky over hills, small as a JPEG because it is smooth.
convert -size 1024x768 gradient:'#7fb6e8'-'#f4f1e0' \
    -fill '#6a9c4f' -draw 'ellipse 200,900 520,330 0,360' \
    -fill '#4f7f3a' -draw 'ellipse 820,940 560,360 0,360' \
    -blur 0x2 -strip -quality 60 -sampling-factor 2x2 Meadow.jpg
convert -size 320x240 gradient:'#2b2d5c'-'#e9824a' \
    -fill '#f7d45c' -draw 'circle 230,170 230,140' \
    -colors 32 -strip Dusk.gif
convert -size 96x72 pattern:checkerboard -fill '#c8783c' -opaque '#999999' \
    -fill '#f0e0c0' -opaque '#666666' -type palette -strip BMP3:Tiles.bmp
ls -l Meadow.jpg Dusk.gif Tiles.bmp
