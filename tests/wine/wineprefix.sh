# Sourced by the Wine tests: a Wine prefix of the test's own, and Wine's COM ports on devices.

# own_prefix BUILD WINE_FOLDER PREFIX: a copy of the build's prefix (made first if need be), used
# by BUILD/wine-run and by wine64 and wineserver from WINE_FOLDER from now on.
own_prefix() {
    local build=$1
    wine_folder=$2
    env -u DRELIN_WINEPREFIX "$build/wine-run" cmd.exe /c exit
    rm -rf "$3"
    cp -a "$build/wine" "$3"
    export DRELIN_WINEPREFIX=$3 WINEPREFIX=$3 WINEDEBUG=-all
}

# map_port COMn DEVICE: Wine's COMn is DEVICE from the next Wine program on. Wine reads the
# mapping when its server starts.
map_port() {
    "$wine_folder/wine64" reg add 'HKLM\Software\Wine\Ports' /v "$1" /d "$2" /f >/dev/null
    "$wine_folder/wineserver" -k
    "$wine_folder/wineserver" -w
    # The new server, started here, tells what it still holds when it ends: not into the test's output.
    "$wine_folder/wineserver" >/dev/null 2>&1
}

# pty_port COMn LINK: Wine's COMn is a new pseudo-terminal, named by the link LINK, that nothing
# reads (socat holds it open; socat_pid is for the caller to end).
pty_port() {
    socat pty,raw,echo=0,link="$2" pty,raw,echo=0 &
    socat_pid=$!
    until [ -e "$2" ]; do
        kill -0 "$socat_pid" 2>/dev/null || { echo "FAIL: socat made no pseudo-terminal"; exit 1; }
        sleep 0.1
    done
    map_port "$1" "$(readlink "$2")"
}
