#!/usr/bin/env bash
# Remakes docs/brimstar.gif, the README's picture: the saver on a 1920x1080 screen for its
# first two seconds, 16 ticks at its own 8 frames a second, shown at its own size: the top left
# 560x315 of the screen, pixel for pixel, where the emblem starts. (A whole screen scaled down
# would turn the flames into a fine knit no screen shows.) The frames are put together
# natively from the artwork generator and the saver's motion logic
# (tools/artgen/saver_picture.cpp), so run this again whenever the artwork changes.
#
#   scripts/readme-picture.sh [speed]    sprite speed in pixels per tick, default 16
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

speed=${1:-16}
ticks=16
out=docs/brimstar.gif
limit=$((1024 * 1024))

cmake --preset native >/dev/null
cmake --build --preset native -j2 --target saver_picture

frames=$(mktemp /tmp/brimstar-picture.XXXXXX.ppm)
trap 'rm -f "$frames"' EXIT
build/native/tools/saver_picture 1920 1080 "$speed" "$ticks" "$frames"

mkdir -p docs
# GIF delays count hundredths of a second: 12 and 13 in turn make the saver's 125 ms.
# Undithered, few colours: a dithered fire texture costs several times the bytes.
convert "$frames" -crop 560x315+0+0 +repage -set delay '%[fx:t % 2 == 0 ? 12 : 13]' +dither -colors 32 \
    -loop 0 -layers Optimize "$out"

size=$(stat -c %s "$out")
echo "$out: $size bytes"
if ((size >= limit)); then
    echo "readme-picture: $out is over 1 MB; use fewer ticks or a smaller size" >&2
    exit 1
fi
