#!/usr/bin/env bash
# Takes the README's screenshot: the main window on a folder of the sample frames (and one picture
# that is not a frame), the whole folder added to the frame list, one frame previewed.
# Usage: screenshot.sh [FOLDER] (default /home/operator/Frames, so no build path shows).
# Needs xvfb, xdotool and imagemagick, and a built default preset.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build/default"
folder=${1:-/home/operator/Frames}
out="$top/docs/main-window.png"

mkdir -p "$folder"
cp "$build"/samples/frames/*.bmp "$folder"/
convert -size 320x240 gradient:navy-gold "BMP3:$folder/photo.bmp" # refused: not 256 x 128, 8-bit

work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" DISPLAY=:97
mkdir -p "$XDG_CONFIG_HOME"
Xvfb :97 -screen 0 1100x640x24 >/dev/null 2>&1 &
sleep 1
"$build/bin/drelin-device" --pty --quiet >"$work/device" &
for _ in $(seq 50); do [ -s "$work/device" ] && break; sleep 0.1; done
printf '[Ports]\nCom2=%s\n' "$(head -n1 "$work/device")" >"$XDG_CONFIG_HOME/VELM Moving Logo Inserter - Image loader.conf"

(cd "$folder" && "$build/bin/drelin") &
window=""
for _ in $(seq 100); do
    window=$(xdotool search --name '^Drelin Image uploader$' 2>/dev/null | head -n1) && [ -n "$window" ] && break
    sleep 0.1
done
sleep 1
# ">>" at twips (5280, 720) below the menu bar, then Enter takes the suggested "0000".
read -r x y < <(xdotool getwindowgeometry "$window" | awk '/Position/ { split($2, p, ","); print p[1], p[2] }')
menu=22
xdotool mousemove $((x + 352 + 12)) $((y + menu + 48 + 12)) click 1
sleep 1
xdotool key Return
sleep 1
# Preview the fourth frame of the list.
xdotool mousemove $((x + 384 + 40)) $((y + menu + 8 + 20 + 3 * 13 + 6)) click 1
sleep 1
import -window "$window" "$out"
echo "$out"
