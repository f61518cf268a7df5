#!/usr/bin/env bash
# drelin-upload.exe under Wine sends through COM1, which Wine maps to a pseudo-terminal, and over
# the network to a device server (the host's drelin-device --listen), and the
# Linux drelin-device at the far end decodes what arrives. It must be what the Linux drelin-upload
# makes of the same frames, picture for picture; all of it must be on the line when the program
# ends; and a stop mid-frame must leave the wire as on Linux: the frames before it whole, the one
# it cut without its end, exit status 130.
# Usage: com1.sh WINDOWS_BUILD WINE_FOLDER HOST_BIN WORK
set -euo pipefail
build=$1 host=$3 work=$4
if [ ! -x "$host/drelin-device" ] || [ ! -x "$host/drelin-upload" ]; then
    echo "No Linux drelin-device and drelin-upload in $host: build the ci preset first"
    exit 77
fi
source "$(dirname "$0")/wineprefix.sh"
mkdir -p "$work"
own_prefix "$build" "$2" "$work/wine"
trap '"$wine_folder/wineserver" -k 2>/dev/null || true' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

frames=$build/samples/frames
logo=$frames/logo.bmp bars=$frames/bars.bmp clock=$frames/clock.bmp

# The reference: the Linux upload's stream as the Linux device decodes it.
rm -rf "$work/linux" "$work/windows" "$work/stopped"
"$host/drelin-upload" --quiet --capture "$work/linux.cap" "$logo" 5="$bars"
"$host/drelin-device" --capture "$work/linux.cap" --out "$work/linux" >"$work/linux.txt"

# listen OUT: a Linux drelin-device on a pseudo-terminal that is Wine's COM1.
listen() {
    coproc DEVICE { exec "$host/drelin-device" --pty --out "$1"; }
    read -r pty <&"${DEVICE[0]}"
    map_port COM1 "$pty"
}
# heard FILE: what the device decoded, once it has been told to stop.
heard() {
    local pid=$DEVICE_PID
    exec {from}<&"${DEVICE[0]}"
    kill -INT "$pid"
    cat <&$from >"$1"
    wait "$pid"
}

# Two frames through COM1; the device is stopped as soon as the program has ended.
listen "$work/windows"
"$build/wine-run" "$build/bin/drelin-upload.exe" --port 1 "Z:$logo" "5=Z:$bars" >"$work/sent.txt" || fail "drelin-upload.exe ended with $?"
heard "$work/windows.txt"
diff -u "$work/linux.txt" "$work/windows.txt" || fail "the device heard other frames through COM1"
for picture in "$work"/linux/*.png; do
    cmp "$picture" "$work/windows/${picture##*/}" || fail "${picture##*/} differs"
done
[ "$(grep -c ' sent: ' "$work/sent.txt")" = 2 ] || fail "not two frames said sent: $(cat "$work/sent.txt")"

# A stop (Ctrl-C) once the first frame of three is sent.
listen "$work/stopped"
# wine-run and wine64 take the place of the shell: the program runs in the process started here.
exec {said}< <(exec "$build/wine-run" "$build/bin/drelin-upload.exe" --port 1 "Z:$logo" "Z:$bars" "Z:$clock" \
    2>"$work/stop.err")
upload_pid=$!
read -r first <&$said
kill -INT "$upload_pid"
status=0
wait "$upload_pid" || status=$?
heard "$work/stopped.txt"
[ "$status" = 130 ] || fail "stopped, drelin-upload.exe ended with $status"
grep -q "Interrupted after 1 of 3 frames" "$work/stop.err" || fail "no word of the stop: $(cat "$work/stop.err")"
[ "$(sed -n 1p "$work/stopped.txt")" = "$(sed -n 1p "$work/linux.txt")" ] || fail "the first frame is not whole"
sed -n 2p "$work/stopped.txt" | grep -q '^frame 1 (0001) "bars    ": partial' || fail "the stopped frame is not cut: $(cat "$work/stopped.txt")"
[ "$(wc -l <"$work/stopped.txt")" = 2 ] || fail "something came after the stop: $(cat "$work/stopped.txt")"
# The same two frames over the network: raw TCP to the host's drelin-device playing a device server.
rm -rf "$work/tcp"
coproc DEVICE { exec "$host/drelin-device" --listen 0 --out "$work/tcp"; }
read -r address <&"${DEVICE[0]}"
"$build/wine-run" "$build/bin/drelin-upload.exe" --device "tcp://$address" "Z:$logo" "5=Z:$bars" \
    >"$work/tcp-sent.txt" 2>"$work/tcp.err" || fail "drelin-upload.exe over tcp:// ended with $?: $(cat "$work/tcp.err")"
heard "$work/tcp.txt"
diff -u "$work/linux.txt" "$work/tcp.txt" || fail "the device heard other frames over tcp://"
for picture in "$work"/linux/*.png; do
    cmp "$picture" "$work/tcp/${picture##*/}" || fail "${picture##*/} differs over tcp://"
done
grep -q "raw TCP port" "$work/tcp.err" || fail "no word that a raw port's settings are the server's: $(cat "$work/tcp.err")"
echo "COM1: $(wc -l <"$work/windows.txt") frames as on Linux; stopped: $(sed -n 2p "$work/stopped.txt"); tcp://: $(wc -l <"$work/tcp.txt") frames as on Linux"
