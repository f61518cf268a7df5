#!/usr/bin/env bash
# Installs the Debian packages the project needs and that are missing. Usage: deps.sh [build|test]
set -euo pipefail

# libimagequant and Qt's image plugins (WebP, TIFF, TGA, SVG, ...) for making frames from pictures;
# librsvg to draw SVG as browsers do, zlib to inflate compressed SVG within a limit; Qt SQL's
# SQLite driver for the load history.
packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-serialport-dev fonts-liberation
          libimagequant-dev qt6-image-formats-plugins qt6-svg-dev librsvg2-dev zlib1g-dev libqt6sql6-sqlite)
if [ "${1:-build}" = test ]; then
    # xvfb and imagemagick for screenshots, socat for trying the tool by hand, desktop-file-utils
    # to check the desktop entry, clang for the fuzzers, clang-format for the house style;
    # imagemagick and pngquant for bench_import to measure the import against; groff-base and
    # appstream to check the manual pages and the AppStream metadata; ser2net as the device server
    # the network tests reach.
    packages+=(xvfb xauth imagemagick socat desktop-file-utils clang libclang-rt-14-dev clang-format pngquant
               groff-base appstream ser2net)
    # The Windows build: its compiler, its zlib, Wine to run it, unzip for its zip, nsis (makensis)
    # for its installer, icoutils to read the icon and version back from its programs; librsvg2-bin
    # for scripts/windows-icon.sh.
    packages+=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64 unzip nsis icoutils librsvg2-bin)
fi

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
