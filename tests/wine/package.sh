#!/usr/bin/env bash
# The zip as an operator gets it: made by CPack, unpacked into an empty folder and run from there
# under Wine with nothing else on the search path, so a DLL or plugin left out of it fails here.
# Each command-line program tells its version, drelin-device's help is Windows's, drelin-convert
# makes frames from an SVG and a bitmap (the image plugins), and the window starts on a port and
# paints itself.
# Usage: package.sh WINDOWS_BUILD WINE_FOLDER WORK
set -euo pipefail
build=$1 work=$3
source "$(dirname "$0")/wineprefix.sh"
rm -rf "$work"
mkdir -p "$work/cpack" "$work/unpacked"
own_prefix "$build" "$2" "$work/wine"
trap '"$wine_folder/wineserver" -k 2>/dev/null || true; [ -z "${socat_pid:-}" ] || kill "$socat_pid" 2>/dev/null || true' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
cpack -G ZIP --config "$build/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" || fail "cpack: $(cat "$work/cpack.log")"
zip=$work/cpack/drelin-$version-windows-x64.zip
[ -f "$zip" ] || fail "no $zip"
unzip -q "$zip" -d "$work/unpacked"
top=$work/unpacked/drelin-$version-windows-x64
for file in drelin.exe drelin-upload.exe drelin-device.exe drelin-convert.exe LICENSE README.txt; do
    [ -f "$top/$file" ] || fail "the zip has no $file"
done

# Wine's own programs only: no Qt, no MinGW runtime but what the zip holds.
unset WINEPATH
run() (cd "$top" && "$wine_folder/wine64" "$@")

for program in drelin-upload drelin-device drelin-convert; do
    # A console's lines end in CR LF.
    said=$(run "$program.exe" --version | tr -d '\r') || fail "$program.exe --version ended with $?"
    [ "${said%%$'\n'*}" = "$program $version" ] || fail "$program.exe --version said: $said"
done

# drelin-device listens on a COM port; Windows has no pseudo-terminals, and its help says so.
help=$(run drelin-device.exe --help | tr -d '\r')
grep -q -- '--device <PATH>' <<<"$help" || fail "drelin-device.exe --help offers no --device: $help"
grep -q 'There is no --pty on Windows' <<<"$help" || fail "drelin-device.exe --help does not say --pty is missing"
! grep -q -- '^ *--pty' <<<"$help" || fail "drelin-device.exe --help offers --pty"
said=$(run drelin-device.exe --pty 2>&1 | tr -d '\r') && fail "drelin-device.exe took --pty"
grep -q "unknown option 'pty'" <<<"$said" || fail "drelin-device.exe --pty said: $said"

mkdir -p "$work/pictures" "$work/frames"
cp "$(dirname "$0")/../../data/drelin.svg" "$build/samples/frames/logo.bmp" "$work/pictures/"
run drelin-convert.exe --quiet --output "Z:$work/frames" "Z:$work/pictures/drelin.svg" "Z:$work/pictures/logo.bmp" \
    || fail "drelin-convert.exe ended with $?"
for frame in drelin logo; do
    [ "$(stat -c %s "$work/frames/$frame.bmp")" = 33846 ] || fail "no frame made of $frame"
done

# The window on the minimal platform, its port (Com2, the default) a pseudo-terminal: each time it
# paints, the platform saves the picture as outputNNNN.png in the current folder.
pty_port COM2 "$work/com2"
mkdir -p "$work/window"
(cd "$work/window" && WINEQT_QPA_PLATFORM=minimal WINEQT_DEBUG_BACKINGSTORE=1 \
    WINEQT_QPA_FONTDIR=Z:/usr/share/fonts/truetype/liberation exec "$wine_folder/wine64" "$top/drelin.exe") \
    >"$work/window.log" 2>&1 &
window_pid=$!
deadline=$((SECONDS + 120))
until [ -e "$work/window/output0000.png" ]; do
    kill -0 "$window_pid" 2>/dev/null || fail "drelin.exe ended: $(cat "$work/window.log")"
    [ $SECONDS -lt $deadline ] || fail "drelin.exe painted nothing in two minutes: $(cat "$work/window.log")"
    sleep 0.2
done
echo "$(basename "$zip"): $(unzip -Z1 "$zip" | grep -c .) files; the programs ran from it, the window painted"
