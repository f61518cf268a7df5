#!/usr/bin/env bash
# Measures what resuming saves: three frames go through drelin-device at the device's line rate
# (38400 bit/s, 11 bits a character, the line idle for the sender's pauses), timed from the
# upload's start until the device reports the last frame whole. Prints the time from a failure at
# frame 200 of 256 to the last frame sent, resuming against starting over; the 5 s of operator
# work (a right-click and a choice) are counted, not measured. Usage: measure_resume.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
frames=3
bin=$build/bin
frame=$build/samples/frames/logo.bmp
work=$(mktemp -d)
trap 'kill $device 2>/dev/null || true; rm -rf "$work"' EXIT

"$bin/drelin-device" --pty --line-rate 38400 >"$work/device.out" &
device=$!
until [ -s "$work/device.out" ]; do sleep 0.1; done
pty=$(head -1 "$work/device.out")

args=()
for ((n = 0; n < frames; n++)); do args+=("$n=$frame"); done
start=$(date +%s.%N)
"$bin/drelin-upload" --quiet --device "$pty" "${args[@]}"
# The pseudo-terminal holds some 20 KB the device has not read yet: wait for the device.
until [ "$(grep -c complete "$work/device.out")" -ge "$frames" ]; do sleep 0.05; done
end=$(date +%s.%N)

awk -v s="$start" -v e="$end" -v n="$frames" 'BEGIN {
    per = (e - s) / n
    printf "a frame on the line: %.1f s (%d frames in %.1f s)\n", per, n, e - s
    printf "after a failure at frame 200 of 256:\n"
    printf "  resuming (56 frames + 5 s of operator work): %d min %02d s\n", (56 * per + 5) / 60, (56 * per + 5) % 60
    printf "  starting over (256 frames):                  %d min %02d s\n", (256 * per) / 60, (256 * per) % 60
    printf "  resuming takes %.0f%% of starting over\n", 100 * (56 * per + 5) / (256 * per)
}'
