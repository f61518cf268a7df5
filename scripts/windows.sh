#!/usr/bin/env bash
# The Windows build: cross-built with MinGW-w64 against Qt for Windows (../shared/windows, unpacked
# into build/windows by the configure step) with warnings as errors; then, under Wine, every test
# that needs no pseudo-terminal, the zip as an operator unpacks it, the installer as an operator
# runs it (made with makensis, installed and uninstalled silently), and drelin-upload.exe sending
# through Wine's COM1 to a pseudo-terminal read by the Linux drelin-device of the ci preset (built
# first by scripts/test.sh).
#
# Qt for Windows is looked for as the configure step looks for it (cmake/windows.toolchain.cmake):
# DRELIN_WINDOWS_QT, an unpacked prefix, or DRELIN_WINDOWS_QT_ARCHIVE, the archive it unpacks, each
# from the environment, else from the build folder's cache, else the archive in ../shared/windows.
# Without one, one line says so and where it looked, and the script stops before configuring: with
# status 1, or 0 with --optional (a clone on its own, whose other stages still run).
# Usage: windows.sh [--optional]
set -euo pipefail

optional=false
case "${1:-}" in
'') ;;
--optional) optional=true ;;
*) echo "usage: $0 [--optional]" >&2; exit 2 ;;
esac

# The environment's paths as the caller meant them, before leaving the caller's folder; given to
# the configure step too, so that they win over what an earlier configure kept.
absolute() { [ -z "$1" ] || realpath -m -- "$1"; }
qt=$(absolute "${DRELIN_WINDOWS_QT:-}")
archive=$(absolute "${DRELIN_WINDOWS_QT_ARCHIVE:-}")
configure=()
[ -n "$qt" ] && configure+=("-DDRELIN_WINDOWS_QT=$qt")
[ -n "$archive" ] && configure+=("-DDRELIN_WINDOWS_QT_ARCHIVE=$archive")
cd "$(dirname "$0")/.."

cached() { sed -n "s/^$1:[A-Z]*=//p" build/windows/CMakeCache.txt 2>/dev/null || true; }
qt=${qt:-$(absolute "$(cached DRELIN_WINDOWS_QT)")}
archive=${archive:-$(absolute "$(cached DRELIN_WINDOWS_QT_ARCHIVE)")}
shared=$(realpath -m ../shared/windows)
if [ ! -e "${qt:-build/windows/qt6-mingw}/lib/cmake/Qt6/qt.toolchain.cmake" ] &&
    [ ! -f "${archive:-$shared/qt6-mingw-6.4.2.tar.xz}" ]; then
    if [ -n "$archive" ]; then
        archive_looked="DRELIN_WINDOWS_QT_ARCHIVE ($archive)"
    else
        archive_looked="DRELIN_WINDOWS_QT_ARCHIVE (unset) and $shared"
    fi
    echo "No Qt for Windows, so no Windows build: looked in DRELIN_WINDOWS_QT (${qt:-unset}), $archive_looked;" \
        "set DRELIN_WINDOWS_QT to an unpacked Qt for Windows or DRELIN_WINDOWS_QT_ARCHIVE to its archive" \
        "(README: Building for Windows)" >&2
    [ "$optional" = true ] && exit 0
    exit 1
fi

start=$SECONDS
cmake --preset windows "${configure[@]}" >/dev/null
cmake --build --preset windows
ctest --preset windows
echo "The Windows stage took $((SECONDS - start)) s"
