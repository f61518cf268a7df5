#!/usr/bin/env bash
# Draws data/windows/drelin.ico, the icon the Windows programs and their installer carry, from
# data/drelin.svg: 16, 32 and 48 pixels as bitmaps, 256 as PNG. Run it after changing the SVG.
# Needs librsvg2-bin and icoutils (scripts/deps.sh test).
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for size in 16 32 48 256; do
    rsvg-convert -w $size -h $size data/drelin.svg -o "$work/$size.png"
done
icotool -c -o data/windows/drelin.ico "$work"/{16,32,48}.png -r "$work/256.png"
