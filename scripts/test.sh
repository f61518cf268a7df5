#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test; builds for Windows
# and runs its tests under Wine (left out, with a line saying so, where no Qt for Windows is found,
# unless CI=true); then runs them all again under AddressSanitizer and UndefinedBehaviorSanitizer,
# and under ThreadSanitizer, and runs the fuzzers for a bounded time (DRELIN_FUZZ_SECONDS each,
# default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh test

# The house style (.clang-format), before anything is built.
find src tests benchmarks fuzz samples -name '*.cpp' -o -name '*.h' | xargs clang-format --dry-run -Werror

cmake --preset ci >/dev/null
cmake --build --preset ci
ctest --preset ci

# Windows, cross-built and run under Wine; its serial test reads the line with the ci preset's
# drelin-device. A clone without Qt for Windows is told so in one line and goes on; CI needs it.
if [ "${CI:-}" = true ]; then
    bash scripts/windows.sh
else
    bash scripts/windows.sh --optional
fi

cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan

# The serial thread and the window's thread meet in every upload.
cmake --preset tsan >/dev/null
cmake --build --preset tsan
ctest --preset tsan

bash scripts/fuzz.sh "${DRELIN_FUZZ_SECONDS:-60}"
