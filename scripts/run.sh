#!/usr/bin/env bash
# Installs what is missing, builds and starts Drelin Image uploader.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh build
cmake --preset default >/dev/null
cmake --build --preset default
# Opens on the sample frames drawn by the build.
cd build/default/samples/frames
exec ../../bin/drelin "$@"
