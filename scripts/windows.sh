#!/usr/bin/env bash
# The Windows build: cross-built with MinGW-w64 against Qt for Windows (../shared/windows, unpacked
# into build/windows by the configure step) with warnings as errors; then, under Wine, every test
# that needs no pseudo-terminal, the zip as an operator unpacks it, the installer as an operator
# runs it (made with makensis, installed and uninstalled silently), and drelin-upload.exe sending
# through Wine's COM1 to a pseudo-terminal read by the Linux drelin-device of the ci preset (built
# first by scripts/test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
cmake --preset windows >/dev/null
cmake --build --preset windows
ctest --preset windows
echo "The Windows stage took $((SECONDS - start)) s"
