#!/usr/bin/env bash
# The installer as an operator runs it, under Wine in a new prefix of its own: made by CPack
# (makensis), installed silently into a folder with a space in its name, the installed
# drelin-upload.exe tells its version, each program carries the icon and its version, the
# Start-menu entry points at the window, a ".frames" file opens in it, and the silent uninstall
# leaves no program file, entry or file type behind.
# Usage: installer.sh WINDOWS_BUILD WINE_FOLDER WORK
set -euo pipefail
build=$1 work=$3
source "$(dirname "$0")/wineprefix.sh"
data=$(cd "$(dirname "$0")/../../data" && pwd)
wine_folder=$2
rm -rf "$work"
mkdir -p "$work/cpack"
export WINEPREFIX=$work/wine WINEDEBUG=-all
# No menu entries or file types on the host's own desktop, no offer of Mono or Gecko.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
unset WINEPATH
trap 'timeout 30 "$wine_folder/wineserver" -k 2>/dev/null || true; [ -z "${socat_pid:-}" ] || kill "$socat_pid" 2>/dev/null || true' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}
wine() { timeout 120 "$wine_folder/wine64" "$@"; }
# Until every program of the prefix has ended: the uninstaller goes on from a copy of itself.
settle() { timeout 120 "$wine_folder/wineserver" -w || fail "Wine's programs were still running after two minutes"; }
command -v wrestool >/dev/null || fail "no wrestool: install icoutils (scripts/deps.sh test)"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
start=$SECONDS
cpack -G NSIS --config "$build/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" \
    || fail "cpack: $(cat "$work/cpack.log")"
setup=drelin-$version-windows-x64.exe
[ -f "$work/cpack/$setup" ] || fail "no $setup"
made=$((SECONDS - start))
wine wineboot -i >/dev/null 2>&1 || fail "wineboot ended with $?"
cp "$work/cpack/$setup" "$WINEPREFIX/drive_c/"

folder='C:\Frame Tools\Drelin'
top="$WINEPREFIX/drive_c/Frame Tools/Drelin"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Drelin Image uploader"
# /D= comes last and unquoted; cmd hands the line over as it stands.
wine cmd /c "C:\\$setup /S /D=$folder" || fail "the installer ended with $?"
settle
for file in drelin.exe drelin-upload.exe drelin-device.exe drelin-convert.exe Uninstall.exe LICENSE README.txt \
    platforms/qwindows.dll; do
    [ -f "$top/$file" ] || fail "the installer put no $file into $folder"
done

said=$(wine "$folder\\drelin-upload.exe" --version | tr -d '\r') || fail "the installed drelin-upload.exe ended with $?"
[ "${said%%$'\n'*}" = "drelin-upload $version" ] || fail "the installed drelin-upload.exe --version said: $said"

# The icon as data/windows/drelin.ico holds it (wrestool pads the group it rebuilds), the version
# both as numbers (the fixed part after its signature FEEF04BD) and as text.
IFS=. read -r major minor patch tweak <<<"$version"
le32() { printf '%02x%02x%02x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)); }
numbers=bd04effe00000100$(le32 $((major << 16 | minor)))$(le32 $((patch << 16 | tweak)))
for program in drelin drelin-upload drelin-device drelin-convert; do
    exe=$top/$program.exe
    wrestool -x -t14 "$exe" | cmp -s -n "$(stat -c %s "$data/windows/drelin.ico")" - "$data/windows/drelin.ico" \
        || fail "$program.exe does not carry the program icon"
    wrestool -x --raw -t16 "$exe" >"$work/version"
    od -An -tx1 -v "$work/version" | tr -d ' \n' | grep -q "$numbers" || fail "$program.exe's version numbers are not $version"
    text=$(strings -el "$work/version" | tr '\n' ' ')
    for pair in "FileVersion $version" "ProductVersion $version" "OriginalFilename $program.exe"; do
        [[ " $text " = *" $pair "* ]] || fail "$program.exe's version resource lacks $pair: $text"
    done
done

[ -f "$menu/Drelin Image uploader.lnk" ] || fail "no Start-menu entry: $(ls -R "$menu" 2>&1)"
grep -aqF "$folder\\drelin.exe" "$menu/Drelin Image uploader.lnk" || fail "the Start-menu entry does not start drelin.exe"
said=$(wine cmd /c 'assoc .frames& ftype Drelin.FrameList' 2>&1 | tr -d '\r') || true
[ "$said" = ".frames=Drelin.FrameList"$'\n'"Drelin.FrameList=\"$folder\\drelin.exe\" \"%1\"" ] \
    || fail "the .frames file type: $said"

# Opened as Explorer opens it, the list reaches the window, which keeps it as the previous list.
# The window opens its port first (Com2, the default): a pseudo-terminal, so no error box waits.
pty_port COM2 "$work/com2"
mkdir -p "$WINEPREFIX/drive_c/show"
cp "$build/samples/frames/logo.bmp" "$WINEPREFIX/drive_c/show/"
printf '0007\tlogo.bmp\n' >"$WINEPREFIX/drive_c/show/evening show.frames"
WINEQT_QPA_PLATFORM=minimal WINEQT_QPA_FONTDIR=Z:/usr/share/fonts/truetype/liberation \
    wine start /unix "$WINEPREFIX/drive_c/show/evening show.frames" || fail "start ended with $?"
deadline=$((SECONDS + 120))
until kept=$(find "$WINEPREFIX/drive_c/users" -path '*/AppData/Local/drelin/previous.frames' -print -quit) \
    && [ -n "$kept" ] && grep -q 'logo\.bmp' "$kept"; do
    [ $SECONDS -lt $deadline ] || fail "the window did not open the .frames file in two minutes"
    sleep 0.5
done
grep -q '^0007	' "$kept" || fail "the window holds another list: $(cat "$kept")"
"$wine_folder/wineserver" -k
settle

wine "$folder\\Uninstall.exe" /S || fail "the uninstaller ended with $?"
settle
[ ! -e "$top" ] || fail "the uninstaller left $(find "$top" | head)"
[ ! -e "$menu" ] || fail "the uninstaller left the Start-menu folder: $(ls "$menu")"
said=$(wine cmd /c 'assoc .frames& ftype Drelin.FrameList' 2>&1 | tr -d '\r') || true
! grep -q = <<<"$said" || fail "the uninstaller left the .frames file type: $said"
! wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Drelin Image uploader' >/dev/null 2>&1 \
    || fail "the uninstaller left its entry among the installed programs"
echo "$setup: made in $made s; installed, ran, opened a list, uninstalled in $((SECONDS - start - made)) s"
